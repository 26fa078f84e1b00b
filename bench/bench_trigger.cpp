// The waveform page with a trigger armed in normal mode at 10,000 sample
// sets a second, four channels, a 1350 x 890 plot, through the real worker
// and window:
//  - a capture from drive-sim over a pseudo-terminal (20 s unless given): a
//    5 Hz square on CH1 triggers, CH2 counts the sample sets; the cost of
//    each batch (edge search, and the plot when a window is full), gaps in
//    the drive's count and whether every window shown is whole;
//  - then batches of a 50 Hz square handed to the window directly, so that a
//    window is full as often as the holdoff allows, as recorded (time dial 27,
//    1.25 s windows) and fully zoomed out (dial 0, 10 s windows).

#include "benchutil.h"
#include "wavebench.h"

#include "dialogs/prompt.h"
#include "mainwindow/mainwindow.h"

#include <qwt_plot.h>

#include <QApplication>
#include <QComboBox>
#include <QDial>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <cmath>

namespace {

// 500 sample sets: a 50 Hz square on CH1, the set count on CH2, noise on CH3 and CH4.
QByteArray batchBytes(int first)
{
    QByteArray bytes(500 * 8, '\0');
    for (int n = 0; n < 500; ++n) {
        const int at = first + n;
        const qint16 values[] = {qint16((at / 100) % 2 ? -1000 : 1000), qint16(at),
                                 qint16(int((at * 2654435761u) >> 20) % 200 - 100), qint16(at % 977)};
        for (int c = 0; c < 4; ++c) {
            bytes[8 * n + 2 * c] = char(quint16(values[c]) >> 8);
            bytes[8 * n + 2 * c + 1] = char(quint16(values[c]) & 0xFF);
        }
    }
    return bytes;
}

// Whether the window shown holds every sample set it spans: CH2 counts them.
struct WindowCheck {
    int shown = 0;
    int whole = 0;
    qint16 lastFirst = 0;
    void look(const WaveCapture &wave, int length)
    {
        const QVector<QPointF> &count = wave.raw(1);
        if (count.isEmpty() || (shown > 0 && qint16(count.first().y()) == lastFirst))
            return;
        ++shown;
        lastFirst = qint16(count.first().y());
        bool continuous = count.size() == length;
        for (int i = 1; continuous && i < count.size(); ++i)
            continuous = qint16(count[i].y()) == qint16(count[i - 1].y() + 1);
        whole += continuous;
    }
};

QString figures(const QVector<double> &costs)
{
    return QStringLiteral("median %1 ms, p99 %2 ms, max %3 ms (targets <= 25, <= 50)")
        .arg(bench::percentile(costs, 50), 0, 'f', 2)
        .arg(bench::percentile(costs, 99), 0, 'f', 2)
        .arg(bench::percentile(costs, 100), 0, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int captureSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    bench::LiveWaves session;
    if (!session.start(QStringLiteral("square,ramp,ramp,ramp")) || !session.connect())
        return 1;
    bench::SimProcess &sim = session.sim;
    MainClass &mainClass = *session.app;
    MainWindow *window = session.window;
    auto *plot = window->findChild<QwtPlot *>(QStringLiteral("qwtPlot"));
    window->findChild<QComboBox *>(QStringLiteral("comboBox_TrigMode"))->setCurrentIndex(WaveTrigger::Normal);
    auto *dial = window->findChild<QDial *>(QStringLiteral("dial_horizontal"));
    const WaveCapture &wave = window->waveCapture();
    const auto windowLength = [&] { return int(std::lround(1.25 * 10000 * std::pow(2.0, (27 - dial->value()) / 9.0))); };

    // The window's own slot is replaced by one that times it: each delivery
    // that makes a batch, with the repaint it asks for.
    QObject::disconnect(mainClass.linkWorker, &SerialThread::waveform_putDataToShow, window,
                        &MainWindow::waveform_recvDataFromThread);
    QVector<double> costs;
    qint64 received = 0, gaps = 0;
    int lastCount = -1;
    WindowCheck live;
    QObject::connect(mainClass.linkWorker, &SerialThread::waveform_putDataToShow, window, [&](const QByteArray &samples) {
        const auto *b = reinterpret_cast<const uint8_t *>(samples.constData());
        for (int at = 0; at + 8 <= samples.size(); at += 8, ++received) {
            const int count = b[at + 2] << 8 | b[at + 3];
            gaps += lastCount >= 0 && count != ((lastCount + 1) & 0xFFFF);
            lastCount = count;
        }
        const bool batch = window->isRecording() && wave.buffered() + samples.size() >= 4000;
        QElapsedTimer timer;
        timer.start();
        window->waveform_recvDataFromThread(samples);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        if (batch)
            costs.append(timer.nsecsElapsed() / 1e6);
        live.look(wave, windowLength());
    });

    auto *record = window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"));
    dial->setValue(27); // kept by the start in a trigger mode
    record->click();
    bench::spinUntil([] { return false; }, captureSeconds * 1000);
    record->click();
    bench::spinUntil([] { return false; }, 1000);
    const quint64 sent = sim.statsNumber(QStringLiteral("blocks sent")) * 25;
    bench::print(QStringLiteral("%1 s capture at 10 kHz, normal mode on a 5 Hz square, 1.25 s windows, plot %2 x %3: "
                                "%4 sample sets sent, %5 received, %6 gaps in the count (target 0); %7 windows shown, "
                                "%8 of them whole")
                     .arg(captureSeconds)
                     .arg(plot->width())
                     .arg(plot->height())
                     .arg(sent)
                     .arg(received)
                     .arg(gaps)
                     .arg(live.shown)
                     .arg(live.whole));
    bench::print(QStringLiteral("  %1 batches: %2").arg(costs.size()).arg(figures(costs)));

    // Batches handed over directly: the drive goes away, the window is told
    // the link is back (nothing is sent) and records again.
    sim.stop();
    bench::spinUntil([&] { return window->linkState() != 1; }, 5000);
    bench::spinUntil([] { return false; }, 300);
    window->comStateShow(1);
    int first = 0;
    for (int zoom : {27, 0}) {
        dial->setValue(zoom);
        record->click();
        window->showData(Cmd::WaveStart); // as the drive would acknowledge it
        WindowCheck check;
        QVector<double> batchCosts;
        for (int i = 0; i < 220 + (zoom == 0 ? 400 : 0); ++i) {
            QElapsedTimer timer;
            timer.start();
            window->waveform_recvDataFromThread(batchBytes(first));
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            if (i >= 20)
                batchCosts.append(timer.nsecsElapsed() / 1e6);
            first += 500;
            check.look(wave, windowLength());
        }
        record->click();
        bench::print(QStringLiteral("%1 batches of 500 sets, time dial %2 (%3 s windows), 50 Hz square: %4; %5 windows "
                                    "shown, %6 of them whole (the first has no sets from before the start)")
                         .arg(batchCosts.size())
                         .arg(zoom)
                         .arg(windowLength() / 10000.0)
                         .arg(figures(batchCosts))
                         .arg(check.shown)
                         .arg(check.whole));
    }
    return 0;
}
