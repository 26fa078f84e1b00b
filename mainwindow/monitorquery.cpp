#include "mainwindow/monitorquery.h"

#include "app/applog.h"
#include "definitions/codes.h"

void MonitorQuery::startCycle(Definitions &defs)
{
    m_misses.clear();
    for (UnGroup &group : defs.unGroups) {
        for (UnDisplayRecord &item : group) {
            if (item.state & Shown)
                item.state |= ToQuery;
        }
    }
}

MonitorQuery::Batch MonitorQuery::nextBatch(const Definitions &defs) const
{
    Batch batch;
    int span = 0;
    int gap = 0;
    bool full = false;
    for (const UnGroup &group : defs.unGroups) {
        for (const UnDisplayRecord &item : group) {
            if (batch.codes.isEmpty()) {
                if (!(item.state & ToQuery))
                    continue;
                batch.codes.append(item.UnDisplayIndex);
                span = 1;
            } else {
                ++gap;
                if (item.state & ToQuery) {
                    batch.codes.append(item.UnDisplayIndex);
                    span += gap;
                    gap = 0;
                }
            }
            if (span + gap > kMaxSpan) {
                full = true;
                break;
            }
        }
        if (full || span + gap > kMaxSpan)
            break;
    }
    if (batch.codes.isEmpty())
        return batch;
    int g1, i1, g2, i2;
    if (!Codes::wireNumbers(batch.codes.first(), &g1, &i1) || !Codes::wireNumbers(batch.codes.last(), &g2, &i2))
        return batch;
    batch.count = span;
    batch.payload = QByteArray(6, '\0');
    batch.payload[0] = char(g1);
    batch.payload[1] = char(i1);
    batch.payload[2] = char(g2);
    batch.payload[3] = char(i2);
    batch.payload[4] = char(span >> 8);
    batch.payload[5] = char(span & 0xFF);
    batch.rxLen = 6 * span + 6;
    batch.ok = true;
    return batch;
}

QStringList MonitorQuery::takeReply(const QByteArray &payload, const Batch &sent, Definitions &defs)
{
    QStringList updated;
    const auto *b = reinterpret_cast<const uint8_t *>(payload.constData());
    for (int at = 0; at + 6 <= payload.size(); at += 6) {
        const int group = b[at];
        if (group >= Definitions::kUnGroups)
            continue; // padding, or nothing we know
        const QString code = Codes::monitorCode(group, b[at + 1]);
        UnGroup &map = defs.unGroups[size_t(group)];
        auto it = map.find(code);
        if (it == map.end())
            continue;
        const quint32 value = quint32(b[at + 2]) << 24 | quint32(b[at + 3]) << 16 | quint32(b[at + 4]) << 8 | b[at + 5];
        it->state &= quint16(~ToQuery);
        it->rawValue = value;
        it->valueText = Codes::formatMonitorValue(value, it->UnDisplayFormat, it->UnDisplayVarType);
        updated.append(code);
    }
    // What the reply covered but did not hold gets one more chance.
    for (const QString &code : sent.codes) {
        const int group = Codes::monitorGroup(code);
        if (group == Codes::kNoGroup)
            continue;
        auto it = defs.unGroups[size_t(group)].find(code);
        if (it == defs.unGroups[size_t(group)].end() || !(it->state & ToQuery))
            continue;
        if (++m_misses[code] >= 2) {
            qCDebug(lcWindow) << "monitor item not answered, left for this cycle:" << code;
            it->state &= quint16(~ToQuery);
        }
    }
    return updated;
}

QString MonitorQuery::alarmTooltip(const UnDisplayRecord &item, const Definitions &defs)
{
    if (!item.UnDisplayFormat.contains(QLatin1String("DISP_AS_ALM")))
        return QString();
    auto fault = defs.faultTable.constFind(item.valueText);
    if (fault == defs.faultTable.constEnd())
        return QString();
    // The tooltip is rich text; the fault's texts come from the definition file.
    return tr("故障码：%1 （%2故障/告警）<br/>%3")
        .arg(fault->FaultWarmCode.toHtmlEscaped(), fault->FaultWarmType.toHtmlEscaped(),
             fault->FaultWarmName.toHtmlEscaped());
}
