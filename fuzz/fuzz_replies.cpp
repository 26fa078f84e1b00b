// The decoders of the drive's reply payloads, as the pages call them once a
// reply is accepted: parameter reads and writes, monitor variables and the
// manual-run data, over the shipped definitions of both transfer variants.
//
// Input:
//   byte 0   bits 0-1: decoder (read, write, monitor, manual run);
//            bit 2: the 16-bit model (B2 definitions) instead of the 32-bit one
//   byte 1   first code asked for (position among all codes)
//   byte 2   how many codes were asked for
//   the rest the payload

#include "fuzz/fuzzsupport.h"

#include "definitions/definitions.h"
#include "mainwindow/manualrun.h"
#include "mainwindow/monitorquery.h"
#include "mainwindow/paramtransfer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct Model {
    Definitions defs;
    QStringList codes;    // every parameter, in transfer order
    QStringList monitors; // every monitor item
};

Model load(const char *name)
{
    Model m;
    const QString path = QStringLiteral(SERVO_DATA_DIR "/ParameterFile/") + QLatin1String(name);
    readParameterFile(path, m.defs);
    if (m.defs.parameterCount() == 0) {
        std::fprintf(stderr, "no definitions in %s\n", qPrintable(path));
        std::abort();
    }
    for (const ParamGroup &group : m.defs.paramGroups)
        for (const ParamRecord &p : group)
            m.codes.append(p.ParameterIndex);
    for (const UnGroup &group : m.defs.unGroups)
        for (const UnDisplayRecord &item : group)
            m.monitors.append(item.UnDisplayIndex);
    return m;
}

const Model &model(bool narrow)
{
    static const Model wide = load("zh_CN_Parameter.xml");
    static const Model b2 = load("zh_CN_Parameter_B2.xml");
    return narrow ? b2 : wide;
}

void decodeRead(const Model &m, const QByteArray &payload, int first, int count)
{
    Definitions defs = m.defs;
    const bool wide = defs.wideValues();
    const QStringList pending = m.codes.mid(first % m.codes.size(), 1 + count % ParamTransfer::readAllBatch(wide));
    for (const QString &code : pending)
        defs.findParam(code)->state |= ParamState::ToRead;

    const ParamTransfer::ReadResult r = ParamTransfer::decodeRead(payload, pending, defs, wide);
    FUZZ_CHECK(r.received.size() == payload.size() / (wide ? 6 : 4));
    for (const QString &code : r.absent + r.retry)
        FUZZ_CHECK(pending.contains(code) && !r.received.contains(code));
    // Only codes asked for take a value, and each of them is either answered,
    // given up or asked again.
    for (const QString &code : m.codes) {
        const ParamRecord *p = defs.findParam(code);
        const ParamRecord *before = m.defs.findParam(code);
        if (!pending.contains(code)) {
            FUZZ_CHECK(p->currentValue == before->currentValue);
            continue;
        }
        const bool answered = r.received.contains(code);
        FUZZ_CHECK(answered || r.absent.contains(code) || r.retry.contains(code));
        if (answered || r.absent.contains(code))
            FUZZ_CHECK(!(p->state & ParamState::ToRead));
    }
}

void decodeWrite(const Model &m, const QByteArray &payload)
{
    Definitions defs = m.defs;
    const QStringList lines = ParamTransfer::decodeDownload(payload, defs);
    if (lines.isEmpty())
        return;
    FUZZ_CHECK(lines.size() >= 2);
    bool ok = false;
    const int success = lines.at(0).section(QLatin1Char(':'), 1).toInt(&ok);
    FUZZ_CHECK(ok);
    const int fail = lines.at(1).section(QLatin1Char(':'), 1).toInt(&ok);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(lines.size() == 2 + fail);
    FUZZ_CHECK(success + fail > 0 && success + fail <= payload.size() / 4);
    bool failed = false;
    ParamTransfer::downloadSummary(success, fail, lines.mid(2), &failed);
    FUZZ_CHECK(failed == (fail != 0));
}

void decodeMonitor(const Model &m, const QByteArray &payload, int first)
{
    Definitions defs = m.defs;
    // The items from `first` on are shown, as if the page listed them.
    int position = 0;
    for (UnGroup &group : defs.unGroups)
        for (UnDisplayRecord &item : group)
            if (position++ >= first % qMax(1, m.monitors.size()))
                item.state |= MonitorQuery::Shown;
    MonitorQuery query;
    query.startCycle(defs);
    const MonitorQuery::Batch batch = query.nextBatch(defs);
    const QStringList updated = query.takeReply(payload, batch, defs);
    FUZZ_CHECK(updated.size() <= payload.size() / 6);
    for (const QString &code : updated)
        FUZZ_CHECK(m.monitors.contains(code));
    for (const UnGroup &group : defs.unGroups)
        for (const UnDisplayRecord &item : group)
            MonitorQuery::alarmTooltip(item, defs);
}

void decodeManualRun(const QByteArray &payload)
{
    ManualRunReply reply;
    reply.decode(payload);
    reply.identificationRunning();
    reply.identificationFinished();
    reply.measurementRunning();
    reply.measurementFinished();
    reply.ready();
}

} // namespace

FUZZ_TARGET(fuzz_replies)
{
    Fuzz::setUp();
    if (size < 3)
        return 0;
    const Model &m = model(data[0] & 0x04);
    // The payload alone in a buffer of its length, so that a read past its
    // end is caught.
    const int length = int(size - 3);
    std::unique_ptr<char[]> bytes(new char[size_t(qMax(length, 1))]);
    std::copy(data + 3, data + size, bytes.get());
    const QByteArray payload = QByteArray::fromRawData(bytes.get(), length);

    switch (data[0] & 0x03) {
    case 0: decodeRead(m, payload, data[1], data[2]); break;
    case 1: decodeWrite(m, payload); break;
    case 2: decodeMonitor(m, payload, data[1]); break;
    default: decodeManualRun(payload); break;
    }
    return 0;
}
