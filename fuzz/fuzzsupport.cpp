#include "fuzz/fuzzsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#ifndef SERVO_FUZZER
namespace {
QMap<QString, FuzzEntry> &registry()
{
    static QMap<QString, FuzzEntry> targets;
    return targets;
}
} // namespace

bool registerFuzzTarget(const char *name, FuzzEntry entry)
{
    registry().insert(QString::fromLatin1(name), entry);
    return true;
}

FuzzEntry findFuzzTarget(const QString &name)
{
    return registry().value(name, nullptr);
}

QStringList fuzzTargetNames()
{
    return registry().keys();
}
#endif

void fuzzCheckFailed(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

namespace Fuzz {

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
    // Qt still aborts after a fatal message; everything else is noise here.
}
} // namespace

void setUp()
{
    static const bool done = [] {
        qInstallMessageHandler(dropMessage);
        QLoggingCategory::setFilterRules(QStringLiteral("servo.*.debug=true"));
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "fuzz";
            static char *argv[] = {name, nullptr};
            // Never deleted: it must outlive every static that uses Qt.
            new QCoreApplication(argc, argv);
        }
        return true;
    }();
    (void)done;
}

QString scratchDir()
{
    // Every input is written to a file: in memory where there is a place for
    // it, since rewriting a file on disk thousands of times a second waits
    // for the disk.
    static QTemporaryDir dir([] {
        const QString shm = QStringLiteral("/dev/shm");
        const QFileInfo info(shm);
        return (info.isDir() && info.isWritable() ? shm : QDir::tempPath()) + QStringLiteral("/servo-fuzz-XXXXXX");
    }());
    if (!dir.isValid()) {
        std::fprintf(stderr, "no scratch folder: %s\n", qPrintable(dir.errorString()));
        std::abort();
    }
    return dir.path();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        std::abort();
    }
}

void stampFresh(const QString &path)
{
    static qint64 serial = 0;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)
        || !file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000 + ++serial, Qt::UTC),
                             QFileDevice::FileModificationTime)) {
        std::fprintf(stderr, "cannot set the time of %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
        std::abort();
    }
}

} // namespace Fuzz
