// Recordings to disk at 10,000 sample sets a second, through the real worker
// and window:
//  - a capture of counting ramps from drive-sim recorded to a file (180 s
//    unless given): sets lost (the ramp checked across the whole file), the
//    resident memory after the first minute and at the end, the lateness of a
//    10 ms window timer while recording, and the worker thread's CPU share
//    against 30 s of the same capture without a recording;
//  - a synthetic 1-hour recording: the time to open it and to draw the whole
//    length and 1 s spans at 1350 x 890 offscreen.

#include "benchutil.h"
#include "wavebench.h"

#include "dialogs/prompt.h"
#include "mainwindow/recordingview.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRandomGenerator>

#include <cmath>

namespace {

double residentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// One hour at 10 kHz: four noisy sines, with a 1 ms glitch at 1234.5 s.
bool writeHour(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    WaveRecording::Header header;
    header.rate = 10000;
    header.names = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
    header.coefficients = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")};
    file.write(WaveRecording::headerBytes(header));
    WaveRecording::Closing closing;
    QString error;
    if (!closing.open(&error))
        return false;
    const qint64 total = 36000000;
    const int block = 10000;
    QByteArray data(block * 8, '\0');
    for (qint64 first = 0; first < total; first += block) {
        for (int n = 0; n < block; ++n) {
            const qint64 at = first + n;
            qint16 set[4];
            for (int c = 0; c < 4; ++c) {
                const double t = double(at) * 1e-4;
                const int noise = int((quint64(at) * 2654435761u >> 20) % 200) - 100;
                set[c] = qint16(8000 * std::sin(2 * M_PI * (5 + c) * t) + noise + (at / 10 == 1234500 ? 20000 : 0));
                data[8 * n + 2 * c] = char(quint16(set[c]) >> 8);
                data[8 * n + 2 * c + 1] = char(set[c] & 0xFF);
            }
            closing.addSet(at, set);
        }
        closing.addBlock(file.pos() + WaveRecording::kBlockHeader, first, block);
        if (file.write(WaveRecording::blockBytes(first, data.constData(), block)) < 0)
            return false;
    }
    return closing.write(file, &error);
}

// The bucket below which `p` percent of the counts lie.
int histogramPercentile(const QVector<qint64> &counts, double p)
{
    qint64 total = 0;
    for (qint64 n : counts)
        total += n;
    qint64 seen = 0;
    for (int k = 0; k < counts.size(); ++k) {
        seen += counts[k];
        if (seen > 0 && seen >= total * p / 100)
            return k;
    }
    return 0;
}

double timeDraw(RecordingView *view, qint64 from, qint64 to)
{
    QElapsedTimer timer;
    timer.start();
    view->showSpan(from, to);
    view->plot()->canvas()->grab();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int recordSeconds = argc > 1 ? QByteArray(argv[1]).toInt() : 180;
    bench::LiveWaves session;
    if (!session.start(QStringLiteral("ramp,ramp,ramp,ramp")))
        return 1;
    QTemporaryDir &dir = session.dir;
    bench::SimProcess &sim = session.sim;
    MainWindow *window = session.window;
    // A failed recording says so in a box.
    Prompt::setBoxHandler([](const Prompt::Box &box) {
        bench::print(QStringLiteral("message: ") + box.text);
        return QMessageBox::Ok;
    });
    const QString recording = dir.filePath(QStringLiteral("ramps.wrec"));
    Prompt::setFileHandler([&](const Prompt::FileRequest &) { return recording; });
    bench::ThreadCpu cpu;
    cpu.watch(*session.app->linkWorker);
    if (!session.connect())
        return 1;

    // The window's timer: how late each 10 ms tick comes while recording, in
    // 0.1 ms steps, counted in a histogram so that the bench's own memory
    // stays the same however long it runs.
    QVector<qint64> lateness(10001, 0);
    QElapsedTimer clock;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    qint64 expected = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        ++lateness[int(qMin<qint64>(qMax<qint64>(0, now - expected) / 100000, lateness.size() - 1))];
        expected = now + 10000000;
    });

    // The same capture without a recording first: the worker's CPU share it
    // costs is the reference for the recording's.
    auto *record = window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"));
    record->click();
    bench::spinUntil([] { return false; }, 2000);
    QElapsedTimer reference;
    reference.start();
    const double referenceStart = cpu.seconds();
    bench::spinUntil([] { return false; }, 30000);
    const double referenceShare = (cpu.seconds() - referenceStart) / (reference.nsecsElapsed() / 1e9);
    record->click();
    bench::spinUntil([] { return false; }, 1000);

    window->findChild<QCheckBox *>(QStringLiteral("checkBox_WF_RecordToFile"))->click();
    record->click();
    clock.start();
    expected = 10000000;
    tick.start(10);
    const double cpuStart = cpu.seconds();
    bench::spinUntil([] { return false; }, qMin(recordSeconds, 60) * 1000);
    const double memoryAfterMinute = residentMb();
    // The resident memory once a minute, so that a slow growth shows its slope.
    QStringList memoryTrace;
    for (int left = recordSeconds - 60; left > 0; left -= 60) {
        bench::spinUntil([] { return false; }, qMin(left, 60) * 1000);
        memoryTrace << QString::number(residentMb(), 'f', 1);
    }
    const double memoryAtEnd = residentMb();
    const double cpuShare = (cpu.seconds() - cpuStart) / (clock.nsecsElapsed() / 1e9);
    tick.stop();
    record->click();

    QElapsedTimer opening;
    opening.start();
    WaveRecording::Reader reader;
    QString error;
    const bool recordingOpened = reader.open(recording, &error);
    const double openRecordingMs = opening.nsecsElapsed() / 1e6;
    if (!recordingOpened) {
        bench::print(QStringLiteral("the recording does not open: ") + error);
        return 1;
    }
    qint64 breaks = 0, checked = 0;
    int previous = -1;
    for (qint64 at = 0; at < reader.length(); at += 1 << 16) {
        const WaveRecording::Samples s = reader.read(at, at + (1 << 16));
        for (int i = 0; i < s.positions.size(); ++i, ++checked) {
            for (int c = 0; c < 4; ++c)
                breaks += s.values[size_t(c)][i] != s.values[0][i];
            const int count = quint16(s.values[0][i]);
            breaks += previous >= 0 && count != ((previous + 1) & 0xFFFF);
            previous = count;
        }
    }
    bench::print(QStringLiteral("%1 s recorded at 10 kHz: %2 sets in the file, %3 lost by the link, %4 breaks in the "
                                "ramp (target 0); the file opened in %5 ms%6")
                     .arg(recordSeconds)
                     .arg(checked)
                     .arg(reader.lost())
                     .arg(breaks)
                     .arg(openRecordingMs, 0, 'f', 0)
                     .arg(reader.cutShort() ? QStringLiteral(" WITHOUT its closing section") : QString()));
    bench::print(QStringLiteral("resident memory after the first minute %1 MB, at the end %2 MB (growth %3%, target < 5)")
                     .arg(memoryAfterMinute, 0, 'f', 1)
                     .arg(memoryAtEnd, 0, 'f', 1)
                     .arg((memoryAtEnd / memoryAfterMinute - 1) * 100, 0, 'f', 2));
    bench::print(QStringLiteral("resident memory each following minute (MB): ") + memoryTrace.join(QLatin1Char(' ')));
    bench::print(QStringLiteral("10 ms window timer while recording: lateness p99.9 %1 ms, max %2 ms (target < 50)")
                     .arg(histogramPercentile(lateness, 99.9) / 10.0, 0, 'f', 1)
                     .arg(histogramPercentile(lateness, 100) / 10.0, 0, 'f', 1));
    bench::print(QStringLiteral("worker thread CPU: %1% of one core while recording, %2% in 30 s of the same "
                                "capture without recording")
                     .arg(cpuShare * 100, 0, 'f', 2)
                     .arg(referenceShare * 100, 0, 'f', 2));
    sim.stop();

    const QString hour = dir.filePath(QStringLiteral("hour.wrec"));
    if (!writeHour(hour)) {
        bench::print(QStringLiteral("cannot write the 1-hour recording"));
        return 1;
    }
    opening.restart();
    auto hourReader = std::make_unique<WaveRecording::Reader>();
    if (!hourReader->open(hour, &error))
        return 1;
    auto *view = new RecordingView(std::move(hourReader), hour, 100000);
    view->show();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        view->resize(view->size() + QSize(1350, 890) - view->plot()->canvas()->size());
    }
    QCoreApplication::processEvents();
    view->plot()->canvas()->grab();
    const double openMs = opening.nsecsElapsed() / 1e6;
    QVector<double> whole, second;
    for (int i = 0; i < 10; ++i) {
        whole.append(timeDraw(view, 0, view->reader().length()));
        const qint64 from = QRandomGenerator::global()->bounded(36000000 - 10000);
        second.append(timeDraw(view, from, from + 10000));
    }
    bench::print(QStringLiteral("1-hour recording at 10 kHz (36,000,000 sets): opened and shown in %1 ms (target < "
                                "2000); canvas %2 x %3: whole length drawn in %4 ms median, %5 ms max; 1 s spans %6 ms "
                                "median, %7 ms max (target < 50)")
                     .arg(openMs, 0, 'f', 0)
                     .arg(view->plot()->canvas()->width())
                     .arg(view->plot()->canvas()->height())
                     .arg(bench::percentile(whole, 50), 0, 'f', 1)
                     .arg(bench::percentile(whole, 100), 0, 'f', 1)
                     .arg(bench::percentile(second, 50), 0, 'f', 1)
                     .arg(bench::percentile(second, 100), 0, 'f', 1));
    delete view;

    // The same hour cut short: the pyramid is built again on opening.
    QFile::resize(hour, QFileInfo(hour).size() - 100);
    opening.restart();
    WaveRecording::Reader cut;
    const bool opened = cut.open(hour, &error);
    bench::print(QStringLiteral("the same hour cut short (no closing section): opened%1 in %2 ms, %3 sets")
                     .arg(opened && cut.cutShort() ? QString() : QStringLiteral(" NOT"))
                     .arg(opening.nsecsElapsed() / 1e6, 0, 'f', 0)
                     .arg(cut.sets()));
    return 0;
}
