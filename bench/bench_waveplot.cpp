// The waveform page at 10,000 sample sets a second, through the real worker
// and window:
//  - a capture from drive-sim over a pseudo-terminal (60 s unless given):
//    sample sets sent, received and plotted (every set received while
//    recording, the tail below the batch threshold included), and gaps in
//    the drive's count;
//  - the peak memory of the process with 100,000 points stored per channel;
//  - the cost of one batch of 500 sample sets with the stores full: decode,
//    append, shift, rebuild the display lists and repaint a 1350 x 890 plot
//    offscreen, as recorded (time dial 27) and fully zoomed out (dial 0).

#include "benchutil.h"
#include "wavebench.h"

#include "dialogs/prompt.h"
#include "mainwindow/mainwindow.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <QApplication>
#include <QComboBox>
#include <QDial>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cmath>

namespace {

// Peak resident memory of this process, in MB.
double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// 500 sample sets of a noisy sine on all four channels, as the drive sends them.
QByteArray batchBytes(int first)
{
    QByteArray bytes(500 * 8, '\0');
    for (int n = 0; n < 500; ++n) {
        for (int c = 0; c < 4; ++c) {
            const double t = (first + n) * 1e-4;
            const int noise = int(((first + n) * 2654435761u >> 20) % 200) - 100;
            const auto v = quint16(qint16(8000 * std::sin(2 * M_PI * (5 + c) * t) + noise));
            bytes[8 * n + 2 * c] = char(v >> 8);
            bytes[8 * n + 2 * c + 1] = char(v & 0xFF);
        }
    }
    return bytes;
}

// The time of one batch: the window's slot, then the repaint it asked for.
double timeBatch(MainWindow *window, const QByteArray &bytes)
{
    QElapsedTimer timer;
    timer.start();
    window->waveform_recvDataFromThread(bytes);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int captureSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    bench::LiveWaves session;
    if (!session.start(QStringLiteral("ramp,ramp,ramp,ramp")) || !session.connect())
        return 1;
    bench::SimProcess &sim = session.sim;
    MainClass &mainClass = *session.app;
    MainWindow *window = session.window;
    auto *plot = window->findChild<QwtPlot *>(QStringLiteral("qwtPlot"));

    // Every delivery to the window, checked for gaps in the drive's count.
    // Queued after the window's own slot, so it also sees what was plotted.
    const WaveCapture &wave = window->waveCapture();
    qint64 receivedSets = 0, receivedWhileRecording = 0, gaps = 0, plotted = 0;
    int lastCount = -1;
    int lastPlotted = -1;
    // The ramp's newest plotted value tells how many sets came since the last look.
    const auto countPlotted = [&] {
        if (wave.count() == 0)
            return;
        const int newest = quint16(qint16(wave.raw(0).last().y()));
        plotted += lastPlotted < 0 ? wave.count() : (newest - lastPlotted + 65536) % 65536;
        lastPlotted = newest;
    };
    QObject::connect(mainClass.linkWorker, &SerialThread::waveform_putDataToShow, window,
                     [&](const QByteArray &samples) {
                         const auto *b = reinterpret_cast<const uint8_t *>(samples.constData());
                         for (int at = 0; at + 8 <= samples.size(); at += 8) {
                             const int count = b[at] << 8 | b[at + 1];
                             if (lastCount >= 0 && count != ((lastCount + 1) & 0xFFFF))
                                 ++gaps;
                             lastCount = count;
                             ++receivedSets;
                             receivedWhileRecording += window->isRecording();
                         }
                         countPlotted();
                     });

    auto *record = window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"));
    record->click();
    bench::spinUntil([] { return false; }, captureSeconds * 1000);
    const double memoryMb = peakMemoryMb();
    const int stored = wave.count();
    bool storedContinuous = stored > 0;
    for (int i = 1; i < stored; ++i)
        storedContinuous = storedContinuous
            && quint16(qint16(wave.raw(0)[i].y())) == ((quint16(qint16(wave.raw(0)[i - 1].y())) + 1) & 0xFFFF);
    record->click();
    countPlotted(); // the tail the stop plotted
    bench::spinUntil([] { return false; }, 1000);
    const quint64 sentSets = sim.statsNumber(QStringLiteral("blocks sent")) * 25;

    bench::print(QStringLiteral("%1 s capture at 10 kHz from drive-sim over a pseudo-terminal: %2 sample sets sent, "
                                "%3 received (%4 while recording), %5 gaps in the count (target 0); %6 plotted "
                                "(equal to those received while recording: %7; %8 on their way after the stop)")
                     .arg(captureSeconds)
                     .arg(sentSets)
                     .arg(receivedSets)
                     .arg(receivedWhileRecording)
                     .arg(gaps)
                     .arg(plotted)
                     .arg(plotted == receivedWhileRecording ? QStringLiteral("yes") : QStringLiteral("NO"))
                     .arg(qint64(sentSets) - receivedSets));
    bench::print(QStringLiteral("stored at the end: %1 points per channel (capacity 100000), continuous: %2")
                     .arg(stored)
                     .arg(storedContinuous ? QStringLiteral("yes") : QStringLiteral("NO")));
    bench::print(QStringLiteral("peak memory during the capture: %1 MB (target < 250)").arg(memoryMb, 0, 'f', 1));

    // Batches with the stores full. The drive goes away so that only our
    // batches arrive, which ends the capture; the window is then told the
    // link is back (the worker is gone, so nothing is sent) and records again.
    sim.stop();
    bench::spinUntil([&] { return window->linkState() != 1; }, 5000);
    bench::spinUntil([] { return false; }, 300);
    window->comStateShow(1);
    record->click();
    window->showData(Cmd::WaveStart); // as the drive would acknowledge it
    if (!window->isRecording()) {
        bench::print(QStringLiteral("the page stopped recording"));
        return 1;
    }
    int first = 0;
    while (wave.count() < 100000) {
        window->waveform_recvDataFromThread(batchBytes(first));
        first += 500;
    }
    QCoreApplication::processEvents();
    auto *dial = window->findChild<QDial *>(QStringLiteral("dial_horizontal"));
    for (int zoom : {27, 0}) {
        dial->setValue(zoom);
        QVector<double> costs;
        for (int i = 0; i < 20; ++i)
            timeBatch(window, batchBytes(first += 500));
        for (int i = 0; i < 200; ++i)
            costs.append(timeBatch(window, batchBytes(first += 500)));
        bench::print(QStringLiteral("one batch of 500 sets, 4 x %1 points stored, plot %2 x %3, time dial %4 (%5 s "
                                    "shown): median %6 ms, p99 %7 ms (targets <= 25, <= 50)")
                         .arg(wave.count())
                         .arg(plot->width())
                         .arg(plot->height())
                         .arg(zoom)
                         .arg(plot->axisScaleDiv(QwtPlot::xBottom).range(), 0, 'f', 2)
                         .arg(bench::percentile(costs, 50), 0, 'f', 2)
                         .arg(bench::percentile(costs, 99), 0, 'f', 2));
    }
    bench::print(QStringLiteral("peak memory at the end: %1 MB (target < 250)").arg(peakMemoryMb(), 0, 'f', 1));
    return 0;
}
