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

// Parameters that have a value.
int valueCount(const Definitions &defs);

// Writes Device_Info/Model, Device_Info/Version and Parameter/<code> for
// every parameter that has a value (groups 0 to 20, code order) over
// whatever the file held; `leftOut` counts those without one. False, with
// the reason in `error`, when the file could not be written completely.
// `extraInfo` adds keys of its own to Device_Info (SerialNumber, Date,
// ToolVersion); readers that do not know them pass them by.
bool write(const QString &path, const Definitions &defs, const QString &model, const QString &version,
           QString *error, int *leftOut = nullptr, const QMap<QString, QString> &extraInfo = {});

struct Contents {
    enum Status {
        Ok,
        Unreadable, // missing, not a regular file, too large, or could hold a serialized value
        Incomplete, // cut short or garbled: a line that is not INI, or no line end after the last line
    };
    Status status = Unreadable;
    QString model;
    QString version;
    QString serialNumber; // of the drive a backup came from, when the file says
    QHash<QString, QString> values; // by parameter code; lists and odd types read as empty
};

// Reads a parameter file. A file that is not Ok reads as empty: an
// '@' or a numeric escape in it, which QSettings could take for a
// serialized object, makes it Unreadable; a truncated one Incomplete, as its
// last value may be cut too.
Contents read(const QString &path);

struct ImportResult {
    int changed = 0;
    int present = 0;
    // Codes whose file value is not a number the parameter's field can
    // carry; they were left as they were.
    QStringList refused;
    // Codes whose file value lies outside the parameter's limits; they were
    // loaded but not ticked, so that a download does not send them.
    QStringList outOfRange;
};

// Puts the file's values into the parameters: a non-empty value that
// differs becomes the current value, ticked (unless outside the limits) and
// marked changed with the note "old → new（参数载入）". Empty values change
// nothing; keys naming no loaded parameter are ignored.
ImportResult apply(const Contents &file, Definitions &defs);

// The value lies within the parameter's MinValue and MaxValue (a limit that
// is not a number does not count).
bool withinLimits(const QString &value, const ParamRecord &p);

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
