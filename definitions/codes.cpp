#include "definitions/codes.h"
#include "definitions/deflog.h"

#include <QRegularExpression>

namespace Codes {

namespace {
const QRegularExpression &parameterPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(P|p)\\d\\d(-|_)\\d+$"));
    return pattern;
}

const QRegularExpression &monitorPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(U|u)\\d(-|_)\\d+$"));
    return pattern;
}

QString binary(quint32 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 2, QLatin1Char('0'));
}
} // namespace

int parameterGroup(const QString &code)
{
    if (!parameterPattern().match(code).hasMatch())
        return kNoGroup;
    const int group = code.mid(1, 2).toInt();
    if (group > 20) {
        qCDebug(lcDefinitions) << "Error! undefine Pn Code:" << group;
        return kNoGroup;
    }
    return group;
}

int monitorGroup(const QString &code)
{
    if (!monitorPattern().match(code).hasMatch())
        return kNoGroup;
    const int group = code.mid(1, 1).toInt();
    return group < 3 ? group : kNoGroup;
}

bool split(const QString &code, QString *group, QString *index)
{
    static const QRegularExpression separator(QStringLiteral("(-|_)"));
    const QStringList parts = code.split(separator);
    if (parts.size() < 2) {
        qCDebug(lcDefinitions) << "Error!";
        return false;
    }
    *group = parts.at(0).mid(1);
    *index = parts.at(1);
    return true;
}

bool splitNumbers(const QString &code, int *group, int *index)
{
    QString g, i;
    if (!split(code, &g, &i))
        return false;
    bool okGroup = false, okIndex = false;
    *group = g.toInt(&okGroup, 10);
    *index = i.toInt(&okIndex, 10);
    return okGroup && okIndex;
}

bool wireNumbers(const QString &code, int *group, int *index)
{
    return splitNumbers(code, group, index) && *group >= 0 && *group <= 0xFF && *index >= 0 && *index <= 0xFF;
}

quint16 number(const QString &code)
{
    QString g, i;
    if (!split(code, &g, &i))
        return 0;
    bool okGroup = false, okIndex = false;
    const uint group = g.toUInt(&okGroup, 10);
    const uint index = i.toUInt(&okIndex, 10);
    if (!okGroup || !okIndex)
        return 0;
    return quint16(group * 100 + index);
}

QString parameterCode(int group, int index)
{
    return QStringLiteral("P%1_%2").arg(group, 2, 10, QLatin1Char('0')).arg(index, 2, 10, QLatin1Char('0'));
}

QString monitorCode(int group, int index)
{
    return QStringLiteral("U%1-%2").arg(group).arg(index, 2, 10, QLatin1Char('0'));
}

QString formatMonitorValue(quint32 value, const QString &format, const QString &varType)
{
    const qint32 s = qint32(value);
    if (format == QLatin1String("DISP_AS_DEC"))
        return QString::number(s);
    if (format == QLatin1String("DISP_AS_DEC_ONE_DOT"))
        return QString::number(double(s) / 10, 'f', 1);
    if (format == QLatin1String("DISP_AS_DEC_TWO_DOT"))
        return QString::number(double(s) / 100, 'f', 2);
    if (format == QLatin1String("DISP_AS_DEC_THREE_DOT"))
        return QString::number(double(s) / 1000, 'f', 3);
    if (format.contains(QLatin1String("DISP_AS_IO")))
        return QStringLiteral("0b") + binary((value >> 4) & 0xFFF, 4) + QLatin1Char(' ') + binary(value & 0xF, 4);
    if (format.contains(QLatin1String("DISP_AS_BIN"))) {
        QString text = QStringLiteral("0b");
        for (int shift = 12; shift >= 0; shift -= 4) {
            text += binary((value >> shift) & 0xF, 4);
            if (shift > 0)
                text += QLatin1Char(' ');
        }
        return text;
    }
    if (format.contains(QLatin1String("DISP_AS_HEX"))) {
        if (varType.contains(QLatin1String("int16")))
            return QStringLiteral("0x") + QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
        return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
    }
    if (format.contains(QLatin1String("DISP_AS_ALM")))
        return QString::number(qint16(value & 0xFFFF));
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString filterEntry(const QString &text, qint32 min, qint32 max)
{
    QString s = text;
    while (s.size() >= 2 && s.startsWith(QLatin1Char('0')))
        s.remove(0, 1);
    if (s == QLatin1String("0") && min != 0 && max != 0 && ((min > 0) == (max > 0)))
        s.clear();
    QString kept;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isDigit() && c.unicode() < 128)
            kept += c;
        else if (c == QLatin1Char('-') && i == 0 && min < 0)
            kept += c;
        else
            qCDebug(lcDefinitions) << "Invalid char:" << c;
    }
    s = kept;
    return shortenToRange(s, min, max);
}

QString shortenToRange(QString s, qint64 min, qint64 max)
{
    const qint64 lower = min <= 0 ? min : 0;
    for (;;) {
        bool ok = false;
        const qint64 v = s.toLongLong(&ok);
        if (!ok || (v >= lower && v <= max))
            break;
        s.chop(1);
    }
    return s;
}

MinimumCheck checkMinimum(const QString &text, qint32 min)
{
    if (text.isEmpty())
        return MinimumCheck::Empty;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    return !ok || v < min ? MinimumCheck::BelowMinimum : MinimumCheck::Ok;
}

} // namespace Codes
