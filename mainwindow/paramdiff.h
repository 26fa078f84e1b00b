#pragma once

// The comparison of two parameter sets (the drive's values, a parameter
// file's): the parameters whose values differ, with what the definitions say
// about them, and its export as CSV.

#include "definitions/definitions.h"
#include "definitions/enumtext.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

namespace ParamDiff {

// When a parameter may be written, from its ModifyTime in either language
// of the definition files.
enum class Modify { AnyTime, WhileStopped, ReadOnly };
Modify modifyOf(const ParamRecord &p);

struct Row {
    QString code;
    QString name;
    QString unit;
    QString activeTime; // when a new value takes effect
    QString left;
    QString right;
    Modify modify = Modify::AnyTime;
    bool known = true; // the loaded definitions have the code
    EnumText::Names names; // the values its description names, for display
};

// Two values are equal when both are the same decimal number, or else the
// same text.
bool sameValue(const QString &a, const QString &b);

// The codes whose values differ, a missing value counting as empty: the
// parameters of `defs` in group and code order, then codes the definitions
// lack in code order.
QList<Row> compare(const Definitions &defs, const QHash<QString, QString> &left,
                   const QHash<QString, QString> &right);

// The values of the parameters of `defs` that have one, by code; with
// `only`, just those of the codes it holds (what a file says something about).
QHash<QString, QString> currentValues(const Definitions &defs, const QHash<QString, QString> *only = nullptr);

struct Header {
    QString serialNumber;
    QString leftName;  // a file name, or what stands for the drive
    QString rightName;
    QDateTime date;
    QString toolVersion;
};

// The comparison as CSV text in UTF-8: "#"-lines with the header, a title
// line, then one line per row. Fields that hold a comma, a quote or a line
// break are quoted.
QByteArray csv(const Header &header, const QList<Row> &rows);

} // namespace ParamDiff
