#include "mainwindow/paramdiff.h"
#include "mainwindow/csvfield.h"

#include "definitions/codes.h"

#include <QSet>

#include <algorithm>

namespace ParamDiff {

Modify modifyOf(const ParamRecord &p)
{
    const QString &m = p.ModifyTime;
    if (m == QStringLiteral("只读") || m.compare(QLatin1String("Read-only"), Qt::CaseInsensitive) == 0)
        return Modify::ReadOnly;
    if (m == QStringLiteral("停机设定") || m.compare(QLatin1String("When stopped"), Qt::CaseInsensitive) == 0)
        return Modify::WhileStopped;
    return Modify::AnyTime;
}

bool sameValue(const QString &a, const QString &b)
{
    bool okA = false, okB = false;
    const qint64 x = a.trimmed().toLongLong(&okA, 10);
    const qint64 y = b.trimmed().toLongLong(&okB, 10);
    if (okA && okB)
        return x == y;
    return a == b;
}

QList<Row> compare(const Definitions &defs, const QHash<QString, QString> &left,
                   const QHash<QString, QString> &right)
{
    QList<Row> rows;
    QSet<QString> seen;
    for (const ParamGroup &group : defs.paramGroups) {
        for (const ParamRecord &p : group) {
            seen.insert(p.ParameterIndex);
            const QString l = left.value(p.ParameterIndex);
            const QString r = right.value(p.ParameterIndex);
            if (sameValue(l, r))
                continue;
            Row row;
            row.code = p.ParameterIndex;
            row.name = p.parametername;
            row.unit = p.Uint;
            row.activeTime = p.ActiveTime;
            row.names = EnumText::parse(p.Detial);
            row.left = l;
            row.right = r;
            row.modify = modifyOf(p);
            rows.append(row);
        }
    }
    QStringList others;
    for (const auto *values : {&left, &right}) {
        for (auto it = values->cbegin(); it != values->cend(); ++it) {
            if (!seen.contains(it.key()) && !others.contains(it.key()))
                others.append(it.key());
        }
    }
    std::sort(others.begin(), others.end(), [](const QString &a, const QString &b) {
        const quint16 x = Codes::number(a), y = Codes::number(b);
        return x != y ? x < y : a < b;
    });
    for (const QString &code : qAsConst(others)) {
        if (sameValue(left.value(code), right.value(code)))
            continue;
        Row row;
        row.code = code;
        row.left = left.value(code);
        row.right = right.value(code);
        row.modify = Modify::ReadOnly; // nothing the drive is known to take
        row.known = false;
        rows.append(row);
    }
    return rows;
}

QHash<QString, QString> currentValues(const Definitions &defs, const QHash<QString, QString> *only)
{
    QHash<QString, QString> values;
    for (const ParamGroup &group : defs.paramGroups) {
        for (const ParamRecord &p : group) {
            if (!p.currentValue.isEmpty() && (!only || only->contains(p.ParameterIndex)))
                values.insert(p.ParameterIndex, p.currentValue);
        }
    }
    return values;
}


QByteArray csv(const Header &header, const QList<Row> &rows)
{
    QStringList lines;
    lines << QStringLiteral("# serial number,%1").arg(csvField(header.serialNumber))
          << QStringLiteral("# left,%1").arg(csvField(header.leftName))
          << QStringLiteral("# right,%1").arg(csvField(header.rightName))
          << QStringLiteral("# date,%1").arg(header.date.toString(Qt::ISODate))
          << QStringLiteral("# tool version,%1").arg(csvField(header.toolVersion))
          << QStringLiteral("code,name,unit,takes effect,left,right");
    for (const Row &row : rows) {
        lines << QStringList{csvField(row.code),       csvField(row.name), csvField(row.unit),
                             csvField(row.activeTime), csvField(row.left), csvField(row.right)}
                     .join(QLatin1Char(','));
    }
    return (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

} // namespace ParamDiff
