// Round trip of the idle keep-alive through the real worker: from queuing the
// record to the accepted reply, over a pseudo-terminal to drive-sim and over
// the HID stand-in.

#include "benchutil.h"

#include "link/frame.h"
#include "sim/hidstandin/hidstandin.h"

#include <QRandomGenerator>

namespace {

// Returns the round trips in milliseconds; empty when the link failed.
QVector<double> measure(const QString &port, const QStringList &hidPaths, int count)
{
    SerialThread worker;
    worker.updateAvailableHID(hidPaths);
    bool linked = false;
    int replies = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 start = 0;
    QVector<double> trips;
    QObject::connect(&worker, &SerialThread::communicateState, [&](uint16_t s) { linked = linked || s == 1; });
    QObject::connect(&worker, &SerialThread::data_Return, [&](int) {
        trips.append((clock.nsecsElapsed() - start) / 1e6);
        worker.rxDataBeenProecssed();
        ++replies;
    });
    worker.transaction(port, 115200, 8, 0, 1);
    if (!bench::spinUntil([&] { return linked; }, 5000))
        return {};

    static uint8_t payload[2] = {0, 0};
    QRandomGenerator rng(3);
    for (int i = 0; i < count; ++i) {
        // Requests come at uneven times, as a user's would, sometimes while
        // the worker rests.
        const int pauseMs = int(rng.bounded(i % 10 == 0 ? 300 : 30));
        bench::spinUntil([] { return false; }, pauseMs);
        commandTable[Cmd::IdleQuery].txData = payload;
        start = clock.nsecsElapsed();
        const int before = replies;
        worker.send_Frame(Cmd::IdleQuery);
        if (!bench::spinUntil([&] { return replies > before; }, 2000))
            return {};
    }
    worker.communicateDisConnect();
    worker.wait(3000);
    return trips;
}

void report(const QString &name, const QVector<double> &trips, double target)
{
    if (trips.isEmpty()) {
        bench::print(QStringLiteral("%1: link failed").arg(name));
        return;
    }
    bench::print(QStringLiteral("idle keep-alive round trip over %1: median %2 ms, 99th percentile %3 ms "
                                "(%4 round trips; target median <= %5 ms)")
                     .arg(name)
                     .arg(bench::percentile(trips, 50), 0, 'f', 2)
                     .arg(bench::percentile(trips, 99), 0, 'f', 2)
                     .arg(trips.size())
                     .arg(target));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerLinkTypes();
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 300;

    bench::SimProcess sim;
    if (!sim.start({QStringLiteral("--quiet")})) {
        bench::print(QStringLiteral("cannot start drive-sim"));
        return 1;
    }
    report(QStringLiteral("a pseudo-terminal to drive-sim"), measure(sim.path(), {}, count), 8);

    const QString hid = HidStandIn::plug();
    report(QStringLiteral("the HID stand-in"), measure(hid, {hid}, count), 2);
    return 0;
}
