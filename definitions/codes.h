#pragma once

// Parameter and monitor codes (P01_05, U0-12) and the display of monitor
// values.

#include <QString>

namespace Codes {

constexpr int kNoGroup = -1;

// The group a parameter code is filed in: 0..20; kNoGroup for a code that
// does not have the form P<two digits><- or _><digits> (dropped silently)
// or names a group beyond 20 (logged).
int parameterGroup(const QString &code);
// The group of a monitor code (U<digit><- or _><digits>): 0..2, else kNoGroup.
int monitorGroup(const QString &code);

// Group and index texts of a code ("P01_05" -> "01", "05"); false (logged)
// when the code has no separator.
bool split(const QString &code, QString *group, QString *index);
// Group and index as numbers; false when the code does not split or a part
// is not a decimal number.
bool splitNumbers(const QString &code, int *group, int *index);
// As splitNumbers, and both fit the one byte each has on the wire.
bool wireNumbers(const QString &code, int *group, int *index);
// group * 100 + index, for ordering; 0 for a code that does not split.
quint16 number(const QString &code);

// Codes as replies name them: P01_05 and U0-05.
QString parameterCode(int group, int index);
QString monitorCode(int group, int index);

// A raw 32-bit monitor value as the display format shows it.
QString formatMonitorValue(quint32 value, const QString &format, const QString &varType);

// The filter of a line edit with a registered range, applied on every
// edit: strips leading zeros and characters that are not digits (a leading
// "-" only when min is negative) and shortens a number beyond the range.
QString filterEntry(const QString &text, qint32 min, qint32 max);
// Drops the last digits of a number beyond the range until it fits. Values
// between 0 and a positive minimum stay, since more digits may follow.
QString shortenToRange(QString s, qint64 min, qint64 max);

enum class MinimumCheck { Ok, Empty, BelowMinimum };
// The check when editing ends; the caller warns and puts min back.
MinimumCheck checkMinimum(const QString &text, qint32 min);

} // namespace Codes
