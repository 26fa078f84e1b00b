#pragma once

// Values named in a text: the option lists of the definition files'
// descriptions ("0：位置模式；1：速度模式"), the bits of a monitor variable and
// the drive states, written the same way.

#include <QMap>
#include <QString>

namespace EnumText {

using Names = QMap<qint64, QString>;

// The values a text names. An entry starts a line, or follows a ";" or ","
// (either width) or a run of spaces, and is a whole number, a ":" (either
// width) or "=", and a name that runs up to the next entry or the end of its
// line. Lines without an entry are prose and are skipped. A text that
// names one value twice is no list: nothing.
Names parse(const QString &text);

// True when the names give every value from min to max and no other, so a
// choice among them is the whole range.
bool coversRange(const Names &names, qint64 min, qint64 max);

// A value with its name, "1（速度模式）"; the value alone when it is not a
// whole number or has no name.
QString withName(const QString &value, const Names &names);

// A shown value followed by the names of its set bits, "0b0001（DI1、DI4）";
// the shown value alone when no named bit is set.
QString withSetBits(const QString &shown, quint32 value, const Names &names);

// One line per named bit, lowest first: "●" for a set bit, "○" for a clear
// one, then the name.
QString bitLines(quint32 value, const Names &names);

} // namespace EnumText
