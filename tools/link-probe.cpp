// link-probe: checks the link to a drive from the console. It connects the
// real worker to a serial port or HID device, exchanges idle keep-alives,
// records a few seconds of waveform and prints what it saw.

#include "link/frame.h"
#include "link/platform.h"
#include "link/serialthread.h"
#include "link/waveparser.h"

#include <hidapi/hidapi.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

void say(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

QStringList driveHidPaths()
{
    QStringList paths;
    hid_device_info *devices = hid_enumerate(0x0EFF, 0x0001);
    for (hid_device_info *d = devices; d; d = d->next)
        paths.append(QString::fromLocal8Bit(d->path));
    hid_free_enumeration(devices);
    return paths;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Checks the link to a servo drive from the console."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serial port or HID device path (default: the first drive found)."),
         QStringLiteral("NAME")},
        {QStringLiteral("baud"), QStringLiteral("Baud rate (default 115200)."), QStringLiteral("N"), QStringLiteral("115200")},
        {QStringLiteral("wave-seconds"), QStringLiteral("Seconds of waveform to record (default 3)."),
         QStringLiteral("S"), QStringLiteral("3")},
    });
    parser.process(app);

    registerLinkTypes();
    const QStringList hidPaths = driveHidPaths();
    QString port = parser.value(QStringLiteral("port"));
    if (port.isEmpty())
        port = !hidPaths.isEmpty() ? hidPaths.first() : Platform::serialPorts().value(0);
    if (port.isEmpty()) {
        say(QStringLiteral("No drive found: give --port, or list a pseudo-terminal in SERVO_EXTRA_PORTS."));
        return 2;
    }

    SerialThread worker;
    worker.updateAvailableHID(hidPaths);
    static uint8_t idlePayload[2] = {0, 0};
    static uint8_t wavePayload[24] = {};
    const int waveMs = parser.value(QStringLiteral("wave-seconds")).toInt() * 1000;

    QElapsedTimer clock;
    qint64 sentAt = 0;
    QList<qint64> roundTrips;
    quint64 sampleSets = 0;
    std::array<int, 4> lo{{32767, 32767, 32767, 32767}}, hi{{-32768, -32768, -32768, -32768}};
    int exitCode = 1;
    bool linked = false;

    auto sendIdle = [&] {
        commandTable[Cmd::IdleQuery].txData = idlePayload;
        sentAt = clock.nsecsElapsed();
        worker.send_Frame(Cmd::IdleQuery);
    };

    QObject::connect(&worker, &SerialThread::serror, &app, [&](const QString &message) {
        say(QStringLiteral("Cannot open: %1").arg(message));
        app.exit(1);
    });
    QObject::connect(&worker, &SerialThread::communicateState, &app, [&](uint16_t state) {
        if (state == 1 && !linked) {
            linked = true;
            say(QStringLiteral("Link up on %1").arg(port));
            sendIdle();
        }
    });
    QObject::connect(&worker, &SerialThread::threadInfo, &app, [&](const QString &message) {
        say(QStringLiteral("Link ended: %1").arg(message));
        app.exit(exitCode);
    });
    QObject::connect(&worker, &SerialThread::data_Return, &app, [&](int index) {
        worker.rxDataBeenProecssed();
        if (index != Cmd::IdleQuery)
            return;
        roundTrips.append((clock.nsecsElapsed() - sentAt) / 1000);
        if (roundTrips.size() < 20) {
            QTimer::singleShot(20, &app, sendIdle);
            return;
        }
        auto sorted = roundTrips;
        std::sort(sorted.begin(), sorted.end());
        say(QStringLiteral("Idle keep-alive: %1 round trips, median %2 ms, slowest %3 ms")
                .arg(sorted.size())
                .arg(sorted.at(sorted.size() / 2) / 1000.0, 0, 'f', 2)
                .arg(sorted.last() / 1000.0, 0, 'f', 2));
        say(QStringLiteral("Recording waveform for %1 s ...").arg(waveMs / 1000.0));
        commandTable[Cmd::WaveStart].txData = wavePayload;
        worker.send_Frame(Cmd::WaveStart);
        const qint64 waveStart = clock.elapsed();
        QTimer::singleShot(waveMs, Qt::PreciseTimer, &app, [&, waveStart] {
            commandTable[Cmd::WaveStop].txData = idlePayload;
            worker.send_Frame(Cmd::WaveStop);
            const qint64 recorded = clock.elapsed() - waveStart;
            say(QStringLiteral("Waveform: %1 sample sets in %2 s (%3 a second)")
                    .arg(sampleSets)
                    .arg(recorded / 1000.0, 0, 'f', 2)
                    .arg(double(sampleSets) * 1000.0 / recorded, 0, 'f', 0));
            for (int c = 0; c < 4; ++c)
                say(QStringLiteral("  CH%1 from %2 to %3").arg(c + 1).arg(lo[size_t(c)]).arg(hi[size_t(c)]));
            exitCode = sampleSets > 0 ? 0 : 1;
            QTimer::singleShot(200, &app, [&] { worker.communicateDisConnect(); });
        });
    });
    QObject::connect(&worker, &SerialThread::waveform_putDataToShow, &app, [&](const QByteArray &samples) {
        const auto *b = reinterpret_cast<const uint8_t *>(samples.constData());
        for (int at = 0; at + 8 <= samples.size(); at += 8, ++sampleSets) {
            for (int c = 0; c < 4; ++c) {
                const int v = qint16(b[at + 2 * c] << 8 | b[at + 2 * c + 1]);
                lo[size_t(c)] = std::min(lo[size_t(c)], v);
                hi[size_t(c)] = std::max(hi[size_t(c)], v);
            }
        }
    });
    QObject::connect(&worker, &SerialThread::communicateEr, &app,
                     [&](uint32_t errors) { say(QStringLiteral("Errors: %1").arg(errors)); });

    clock.start();
    say(QStringLiteral("Connecting to %1 ...").arg(port));
    worker.transaction(port, parser.value(QStringLiteral("baud")).toUInt(), 8, 0, 1);
    QTimer::singleShot(waveMs + 15000, &app, [&] {
        say(QStringLiteral("Gave up waiting."));
        worker.communicateDisConnect();
    });
    return app.exec();
}
