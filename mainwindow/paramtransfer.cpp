#include "mainwindow/paramtransfer.h"

#include "app/applog.h"
#include "definitions/codes.h"

#include <limits>

namespace {

void clearReadMarks(ParamRecord &p)
{
    p.state &= quint16(~(ParamState::ToRead | ParamState::Changed));
    p.changeText.clear();
}

template <typename F>
void forEachParam(Definitions &defs, int group, F f)
{
    for (int g = 0; g < Definitions::kParamGroups; ++g) {
        if (group != ParamTransfer::kAllGroups && g != group)
            continue;
        for (ParamRecord &p : defs.paramGroups[size_t(g)])
            f(p);
    }
}

} // namespace

bool ParamTransfer::mark(Definitions &defs, int op, int group)
{
    switch (op) {
    case MarkAllToRead:
        forEachParam(defs, kAllGroups, [](ParamRecord &p) { p.state |= ParamState::ToRead; });
        return true;
    case MarkCheckedToRead:
    case MarkCheckedToWrite: {
        const quint16 bit = op == MarkCheckedToRead ? ParamState::ToRead : ParamState::ToWrite;
        forEachParam(defs, group < kAllGroups ? group : kAllGroups, [bit](ParamRecord &p) {
            if (p.state & ParamState::Checked)
                p.state |= bit;
        });
        return true;
    }
    case ClearResultMarks:
        forEachParam(defs, group, [](ParamRecord &p) { p.state &= quint16(~ParamState::ResultMarks); });
        return true;
    default:
        qCDebug(lcWindow) << "Error! unknow opCode:" << op;
        return false;
    }
}

QStringList ParamTransfer::collect(const Definitions &defs, quint16 bit, int limit)
{
    QStringList codes;
    for (const ParamGroup &group : defs.paramGroups) {
        for (const ParamRecord &p : group) {
            if (codes.size() >= limit)
                return codes;
            if (p.state & bit)
                codes.append(p.ParameterIndex);
        }
    }
    return codes;
}

ParamTransfer::Request ParamTransfer::readRange(const QStringList &codes, bool wide)
{
    Request r;
    if (codes.isEmpty())
        return r;
    int g1, i1, g2, i2;
    if (!Codes::wireNumbers(codes.first(), &g1, &i1) || !Codes::wireNumbers(codes.last(), &g2, &i2))
        return r;
    const int n = codes.size();
    r.payload = QByteArray(6, '\0');
    r.payload[0] = char(g1);
    r.payload[1] = char(i1);
    r.payload[2] = char(g2);
    r.payload[3] = char(i2);
    r.payload[4] = char(n);
    r.payload[5] = 0;
    r.txLen = 12;
    r.rxLen = (wide ? 6 : 4) * n + 6;
    r.sent = codes;
    r.ok = true;
    return r;
}

ParamTransfer::Request ParamTransfer::readList(const QStringList &codes, bool wide)
{
    Request r;
    for (const QString &code : codes) {
        int g, i;
        if (!Codes::wireNumbers(code, &g, &i))
            continue;
        r.payload.append(char(g));
        r.payload.append(char(i));
        r.sent.append(code);
        if (r.sent.size() >= kReadListBatch)
            break;
    }
    if (r.sent.isEmpty())
        return r;
    r.txLen = r.payload.size() + 6;
    r.rxLen = (wide ? 6 : 4) * r.sent.size() + 6;
    r.ok = true;
    return r;
}

ParamTransfer::Request ParamTransfer::download(const QStringList &codes, Definitions &defs, bool wide,
                                               QStringList *refused)
{
    Request r;
    for (const QString &code : codes) {
        ParamRecord *p = defs.findParam(code);
        if (!p)
            continue;
        auto refuse = [&](const QString &reason) {
            p->state &= quint16(~ParamState::ToWrite);
            p->state = quint16((p->state & ~ParamState::ResultMarks) | ParamState::WriteFailed);
            if (refused)
                refused->append(code + reason);
        };
        int g, i;
        // A code or a value the wire cannot carry is never sent: the drive
        // would store something else, or store it under another code.
        if (!Codes::wireNumbers(code, &g, &i)) {
            refuse(tr(": 参数代码超出通信范围"));
            continue;
        }
        bool ok = false;
        const qint64 value = p->currentValue.toLongLong(&ok, 10);
        const qint64 lowest = wide ? std::numeric_limits<qint32>::min() : -32768;
        const qint64 highest = wide ? qint64(std::numeric_limits<quint32>::max()) : 65535;
        if (!ok || value < lowest || value > highest) {
            refuse(tr(": 设置值不是可以下载的数值"));
            continue;
        }
        r.payload.append(char(g));
        r.payload.append(char(i));
        if (wide) {
            r.payload.append(char(value >> 24));
            r.payload.append(char(value >> 16));
        }
        r.payload.append(char(value >> 8));
        r.payload.append(char(value));
        r.sent.append(code);
    }
    if (r.sent.isEmpty())
        return r;
    r.txLen = r.payload.size() + 6;
    r.rxLen = 4 * r.sent.size() + 6;
    r.ok = true;
    return r;
}

QString ParamTransfer::valueText(quint32 field, const ParamRecord &p, bool wide)
{
    if (wide) {
        if (p.DataSign == QLatin1String("signed")) {
            if (p.DataWidth.contains(QLatin1String("16bit")))
                return QString::number(qint16(field & 0xFFFF));
            return QString::number(qint32(field));
        }
        return QString::number(field);
    }
    if (p.MinValue.contains(QLatin1Char('-')) && field >= 0x8000)
        return QString::number(qint16(field & 0xFFFF));
    return QString::number(field & 0xFFFF);
}

ParamTransfer::ReadResult ParamTransfer::decodeRead(const QByteArray &payload, const QStringList &pending,
                                                    Definitions &defs, bool wide)
{
    ReadResult result;
    const int itemSize = wide ? 6 : 4;
    const auto *b = reinterpret_cast<const uint8_t *>(payload.constData());
    QStringList remaining = pending;
    for (int at = 0; at + itemSize <= payload.size(); at += itemSize) {
        const QString code = Codes::parameterCode(b[at], b[at + 1]);
        qCDebug(lcWindow) << "Recv param:" << code;
        result.received.append(code);
        ParamRecord *p = defs.findParam(code);
        if (!p) {
            if (code == QLatin1String("P00_00") || code == QLatin1String("P00-00"))
                result.markerSeen = true;
            continue;
        }
        // Only what was asked for is stored.
        if (!remaining.contains(code))
            continue;
        const quint32 field = wide ? quint32(b[at + 2]) << 24 | quint32(b[at + 3]) << 16 | quint32(b[at + 4]) << 8 | b[at + 5]
                                   : quint32(b[at + 2]) << 8 | b[at + 3];
        p->currentValue = valueText(field, *p, wide);
        clearReadMarks(*p);
        remaining.removeAll(code);
    }
    if (remaining.isEmpty())
        return result;

    qCDebug(lcWindow) << "本次通信功能码不存在：" << remaining;
    const bool lastAnswered = !pending.isEmpty() && !remaining.contains(pending.last());
    const bool progress = remaining.size() < pending.size();
    if (result.markerSeen || lastAnswered || !progress) {
        // With no progress at all the same batch would be asked for again and
        // again: the drive has none of it.
        qCDebug(lcWindow) << "变量" << remaining << "不存在，无法读取";
        result.absent = remaining;
    } else {
        quint16 lastNumber = 0;
        for (const QString &code : qAsConst(result.received)) {
            if (defs.findParam(code))
                lastNumber = Codes::number(code);
        }
        for (const QString &code : qAsConst(remaining)) {
            if (Codes::number(code) < lastNumber)
                result.absent.append(code);
            else
                result.retry.append(code);
        }
        qCDebug(lcWindow) << "DSP端不存上位机需要的功能码:" << result.absent;
    }
    for (const QString &code : qAsConst(result.absent)) {
        if (ParamRecord *p = defs.findParam(code))
            clearReadMarks(*p);
    }
    return result;
}

QStringList ParamTransfer::decodeDownload(const QByteArray &payload, Definitions &defs)
{
    int success = 0, fail = 0;
    QStringList details;
    const auto *b = reinterpret_cast<const uint8_t *>(payload.constData());
    for (int at = 0; at + 4 <= payload.size(); at += 4) {
        const QString code = Codes::parameterCode(b[at], b[at + 1]);
        qCDebug(lcWindow) << "Recv param:" << code;
        ParamRecord *p = defs.findParam(code);
        if (!p)
            continue;
        const int result = b[at + 2] << 8 | b[at + 3];
        QString reason;
        switch (result) {
        case 0:
            ++success;
            p->state = quint16((p->state & 0xFC7F) | ParamState::WriteOk);
            p->state &= quint16(~ParamState::Changed);
            break;
        case 1: reason = tr(": 设置值超过上限值"); break;
        case 2: reason = tr(": 设置值低于下限值"); break;
        case 4: reason = tr(": 所属参数为停机设置类（当前为开机状态不允许设置）"); break;
        case 8: reason = tr(": 所设置参数不存在"); break;
        case 16: reason = tr(": 所设置的参数不允许设置（只读、内部保留）"); break;
        // Any other code is no acceptance either: it is counted and shown as a
        // failure, so a write the drive did not take is never summed up as
        // "设置失败：0个".
        default: reason = tr(": 设置失败（应答代码 %1）").arg(result); break;
        }
        if (!reason.isEmpty()) {
            ++fail;
            p->state = quint16((p->state & 0xFC7F) | ParamState::WriteFailed);
            details.append(code + reason);
        }
        p->state &= quint16(~ParamState::ToWrite);
    }
    if (success == 0 && fail == 0)
        return QStringList();
    return QStringList{QStringLiteral("Success:%1").arg(success), QStringLiteral("Fail:%1").arg(fail)} + details;
}

QString ParamTransfer::downloadSummary(int successTotal, int failTotal, const QStringList &details, bool *failed)
{
    QString summary = tr("<font color='#5500ff'><b>设置成功：</b></font>%1个<br/>").arg(successTotal);
    *failed = failTotal != 0;
    if (failTotal == 0)
        return summary + tr("<br/>设置失败：%1个").arg(0);
    return summary + tr("<font color='#ED1C24'><b><br/>设置失败：</b></font>%1个<br/>").arg(failTotal)
        + tr("<br/>详细信息：<br/>") + details.join(QStringLiteral("<br/>"));
}
