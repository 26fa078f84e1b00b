#include "definitions/enumtext.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

namespace EnumText {

Names parse(const QString &text)
{
    // A number and its separator, at the start of a line or after a list
    // separator. The name is whatever lies up to the next such entry.
    static const QRegularExpression entry(
        QStringLiteral("(?:^|[;；,，]|\\s{2,}|\t)\\s*(-?\\d{1,18})\\s*[:：=]\\s*"));
    static const QRegularExpression trailing(QStringLiteral("[\\s;；,，。.]+$"));
    Names names;
    for (const QString &rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        QRegularExpressionMatchIterator it = entry.globalMatch(line);
        QList<QRegularExpressionMatch> found;
        while (it.hasNext())
            found << it.next();
        if (found.isEmpty() || found.first().capturedStart() != 0)
            continue;
        for (int i = 0; i < found.size(); ++i) {
            const int from = found.at(i).capturedEnd();
            const int to = i + 1 < found.size() ? found.at(i + 1).capturedStart() : line.size();
            QString name = line.mid(from, to - from);
            name.remove(trailing);
            const qint64 value = found.at(i).captured(1).toLongLong();
            if (name.isEmpty())
                continue;
            if (names.contains(value))
                return Names();
            names.insert(value, name);
        }
    }
    return names;
}

bool coversRange(const Names &names, qint64 min, qint64 max)
{
    return !names.isEmpty() && min <= max && names.firstKey() == min && names.lastKey() == max
        && qint64(names.size()) == max - min + 1;
}

QString withName(const QString &value, const Names &names)
{
    bool ok = false;
    const qint64 v = value.trimmed().toLongLong(&ok);
    const auto it = ok ? names.constFind(v) : names.constEnd();
    if (it == names.constEnd())
        return value;
    return QCoreApplication::translate("EnumText", "%1（%2）").arg(value, it.value());
}

namespace {
bool bitSet(quint32 value, qint64 bit)
{
    return bit >= 0 && bit <= 31 && (value & (quint32(1) << bit));
}
} // namespace

QString withSetBits(const QString &shown, quint32 value, const Names &names)
{
    QStringList set;
    for (auto it = names.constBegin(); it != names.constEnd(); ++it)
        if (bitSet(value, it.key()))
            set << it.value();
    if (set.isEmpty())
        return shown;
    return QCoreApplication::translate("EnumText", "%1（%2）")
        .arg(shown, set.join(QCoreApplication::translate("EnumText", "、")));
}

QString bitLines(quint32 value, const Names &names)
{
    QStringList lines;
    for (auto it = names.constBegin(); it != names.constEnd(); ++it) {
        if (it.key() < 0 || it.key() > 31)
            continue;
        lines << (bitSet(value, it.key()) ? QStringLiteral("● ") : QStringLiteral("○ ")) + it.value();
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace EnumText
