#pragma once

// Parameter files (".conf"): the values of every parameter with the drive
// model and firmware version they came from, as INI text in UTF-8, and the
// comparison of the drive's values with factory defaults and with reference
// sets saved for a model.

#include "definitions/definitions.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>

namespace ParamFile {

// A parameter file is a few kilobytes; anything far larger is not one, and
// is not read into memory.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

// Writes Device_Info/Model, Device_Info/Version and Parameter/<code> for
// every parameter (groups 0 to 20, code order) over whatever the file held.
// False, with the reason in `error`, when the file could not be written
// completely.
bool write(const QString &path, const Definitions &defs, const QString &model, const QString &version,
           QString *error);

struct Contents {
    bool readable = false;        // the file was opened and read as INI
    QString model;
    QString version;
    QHash<QString, QString> values; // by parameter code; lists and odd types read as empty
};

// Reads a parameter file. A file that is missing, unreadable or too large
// reads as empty, and so does one with an '@' or a numeric escape in it,
// which QSettings could take for a serialized object.
Contents read(const QString &path);

struct ImportResult {
    int changed = 0;
    int present = 0;
    // Codes whose file value is not a number the parameter's field can
    // carry; they were left as they were.
    QStringList refused;
};

// Puts the file's values into the parameters: a non-empty value that
// differs becomes the current value, ticked and marked changed with the note
// "old → new（参数载入）". Empty values change nothing; keys naming no loaded
// parameter are ignored.
ImportResult apply(const Contents &file, Definitions &defs);

// The value fits the parameter's transfer field: a decimal integer within
// the 32-bit (wide) or 16-bit range.
bool transferable(const QString &value, bool wide);

} // namespace ParamFile

namespace ParamCompare {

// The parameter that never takes part in the comparison.
inline QString excludedCode() { return QStringLiteral("P10_05"); }

struct Differences {
    QStringList allCodes;  // every loaded code but the excluded one
    QStringList diffCodes; // those whose value differs from the default
};

// Marks the parameters whose current value differs from their default
// (changed, note "default → current").
Differences markDefaults(Definitions &defs);

struct Match {
    QString file;  // the first reference set of the model and version, or empty
    QString name;  // its file name without ".conf"
    int count = 0; // codes whose non-empty reference value equals the current one
    bool success = false;
};

// Looks in `folder` for the first "*.conf" (name order) saved for `model`
// and `version`, and counts the codes of `allCodes` it matches.
Match findReference(const QString &folder, const QString &model, const QString &version,
                    const QStringList &allCodes, const Definitions &defs);

} // namespace ParamCompare
