#pragma once

// Guards for reading INI files with QSettings.
//
// QSettings turns a value that starts with "@Variant(" or "@DateTime(" into a
// serialized object of whatever type its bytes name, and a few bytes naming a
// list of two thousand million entries make it allocate until the program
// aborts. None of our INI files ever holds such a value (a text that starts
// with '@' is written as "@@..."), so a file that could spell one is not
// handed to QSettings at all.

#include <QByteArray>
#include <QString>

namespace IniFile {

// The program's own settings files hold a handful of keys.
constexpr qint64 kMaxSettingsSize = 1024 * 1024;

// Whether some value in `bytes` could reach QSettings as a text starting with
// "@Variant(" or "@DateTime(" once its quotes and escapes are undone. Errs on
// the safe side: every line start, every '=' and every ',' is taken as the
// start of a value, so a text holding ",@Variant(" inside quotes is refused
// too (no setting of ours holds one).
bool maySpellSerializedValue(const QByteArray &bytes);

enum class Access {
    Missing,  // no such file
    Refused,  // not a file, too large, unreadable, or could spell a serialized value
    Readable, // safe to hand to QSettings
};

// Looks at the file at `path` before QSettings does.
Access check(const QString &path, qint64 maxSize, QString *reason = nullptr);

} // namespace IniFile
