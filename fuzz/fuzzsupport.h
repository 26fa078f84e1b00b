#pragma once

// What the fuzz targets share. Each target is written once with FUZZ_TARGET:
// in a libFuzzer build (SERVO_FUZZER defined) it is the program's
// LLVMFuzzerTestOneInput; otherwise it registers under its name, so that one
// replay program holds every target and runs the kept inputs in the tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

using FuzzEntry = int (*)(const uint8_t *data, size_t size);

#ifdef SERVO_FUZZER
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
#else
bool registerFuzzTarget(const char *name, FuzzEntry entry);
FuzzEntry findFuzzTarget(const QString &name);
QStringList fuzzTargetNames();
#define FUZZ_TARGET(name)                                                                          \
    static int fuzzTarget_##name(const uint8_t *data, size_t size);                                \
    static const bool fuzzTargetRegistered_##name = registerFuzzTarget(#name, fuzzTarget_##name);  \
    static int fuzzTarget_##name(const uint8_t *data, size_t size)
#endif

// A broken invariant: says which and where, then aborts, so that libFuzzer
// keeps the input and the replay test fails.
[[noreturn]] void fuzzCheckFailed(const char *condition, const char *file, int line);
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);                                       \
    } while (false)

namespace Fuzz {

// Once per process: a QCoreApplication, every servo.* trace switched on (so
// that the code formatting them runs too) and all Qt messages dropped.
void setUp();

// A folder of this process, in memory where possible, made on first use and
// removed at exit.
QString scratchDir();

// Writes `bytes` to `path`, replacing what was there; aborts when it cannot.
void writeFile(const QString &path, const QByteArray &bytes);

// QSettings keeps the files it has read by name and reads one again only
// when its size or time differs: this gives the file at `path` a time no
// earlier input of this process had.
void stampFresh(const QString &path);

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

} // namespace Fuzz
