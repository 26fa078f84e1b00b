// A waveform stream of 10,000 sample sets a second from drive-sim over a
// pseudo-terminal: blocks sent, good blocks received, blocks lost, and the CPU
// time of the worker thread while streaming and while connected and idle.
// The drive sends a ramp (a count of sample sets), so a lost block shows as a
// gap in the count; blocks still on their way when the stop command goes out
// are dropped by design and reported apart.

#include "benchutil.h"

#include "link/frame.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    registerLinkTypes();
    const int streamSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 30;
    const int idleSeconds = argc > 2 ? QByteArray(argv[2]).toInt() : 10;

    bench::SimProcess sim;
    if (!sim.start({QStringLiteral("--rate"), QStringLiteral("10000"), QStringLiteral("--wave"),
                    QStringLiteral("ramp,sine,square,noise"), QStringLiteral("--quiet")})) {
        bench::print(QStringLiteral("cannot start drive-sim"));
        return 1;
    }

    SerialThread worker;
    bench::ThreadCpu cpu;
    cpu.watch(worker);
    bool linked = false;
    int acks = 0;
    qint64 sampleBytes = 0;
    qint64 missingSets = 0;
    int lastCount = -1;
    static uint8_t payload[24] = {};
    QObject::connect(&worker, &SerialThread::communicateState, [&](uint16_t s) { linked = linked || s == 1; });
    QObject::connect(&worker, &SerialThread::data_Return, [&](int) {
        worker.rxDataBeenProecssed();
        ++acks;
    });
    QObject::connect(&worker, &SerialThread::waveform_putDataToShow, [&](const QByteArray &samples) {
        sampleBytes += samples.size();
        const auto *b = reinterpret_cast<const uint8_t *>(samples.constData());
        for (int at = 0; at + 8 <= samples.size(); at += 8) {
            const int count = b[at] << 8 | b[at + 1];
            if (lastCount >= 0)
                missingSets += (count - lastCount - 1 + 65536) % 65536;
            lastCount = count;
        }
    });
    // As the main window does: an idle keep-alive after a second of silence.
    QObject::connect(&worker, &SerialThread::serial_IDLE, [&] {
        commandTable[Cmd::IdleQuery].txData = payload;
        worker.send_Frame(Cmd::IdleQuery);
    });

    worker.transaction(sim.path(), 921600, 8, 0, 1);
    if (!bench::spinUntil([&] { return linked && cpu.known(); }, 5000)) {
        bench::print(QStringLiteral("link failed"));
        return 1;
    }

    // Connected and idle.
    bench::spinUntil([] { return false; }, 500);
    double cpuStart = cpu.seconds();
    QElapsedTimer wall;
    wall.start();
    bench::spinUntil([] { return false; }, idleSeconds * 1000);
    const double idleShare = (cpu.seconds() - cpuStart) / (wall.nsecsElapsed() / 1e9);

    // Streaming.
    commandTable[Cmd::WaveStart].txData = payload;
    const int acksBefore = acks;
    worker.send_Frame(Cmd::WaveStart);
    bench::spinUntil([&] { return acks > acksBefore; }, 3000);
    cpuStart = cpu.seconds();
    wall.restart();
    bench::spinUntil([] { return false; }, streamSeconds * 1000);
    const double streamShare = (cpu.seconds() - cpuStart) / (wall.nsecsElapsed() / 1e9);
    commandTable[Cmd::WaveStop].txData = payload;
    worker.send_Frame(Cmd::WaveStop);
    bench::spinUntil([] { return false; }, 500);

    const quint64 sent = sim.statsNumber(QStringLiteral("blocks sent"));
    const qint64 received = sampleBytes / 200;
    worker.communicateDisConnect();
    worker.wait(3000);

    const qint64 lost = missingSets / 25;
    bench::print(QStringLiteral("10 kHz stream for %1 s over a pseudo-terminal: %2 blocks sent, %3 good blocks "
                                "received, %4 lost (target 0), %5 still on the way when the stop went out")
                     .arg(streamSeconds)
                     .arg(sent)
                     .arg(received)
                     .arg(lost)
                     .arg(qint64(sent) - received - lost));
    bench::print(QStringLiteral("worker thread CPU: %1% of one core while streaming (target <= 15), "
                                "%2% while connected and idle (target <= 1)")
                     .arg(streamShare * 100, 0, 'f', 2)
                     .arg(idleShare * 100, 0, 'f', 2));
    return 0;
}
