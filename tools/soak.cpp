// soak: runs the whole tool against a drive for a long time and prints health
// figures: waveform sample sets received and lost, parameter reads finished,
// errors, link drops, GUI thread stalls, memory and CPU. scripts/soak
// prepares the working folder, starts drive-sim and runs this.
//
//   soak --data DIR --port /tmp/drive --minutes 30 --sim-in FIFO --sim-log FILE
//
// The drive must stream a counting ramp on all four channels (drive-sim
// --rate 10000 --wave ramp,ramp,ramp,ramp): every sample set carries its
// number modulo 65536, and every capture starts at 0, so a lost set shows as
// a step other than +1.
//
// Every minute the tool goes through what a user does with it: a 10 kHz
// capture on the waveform page from second 1 to 40; then the monitor page,
// chosen in the page list (which stops the capture), where the periodic query
// runs every 100 ms; and there a read of all parameters. The link does not
// carry a command that expects a reply while a capture streams (its replies
// are not told apart from the waveform blocks, and the link ends after three
// timeouts); --all-at-once runs the three together all the same, which shows
// that. A block that comes after the stop command can do the same to the
// first request behind it; --query-at-stop sends the monitor query there.
//
// The figures are taken as follows. Waveform: every delivery of the link
// worker is decoded and the ramp checked, and at the end the sets the tool
// got are compared with the blocks drive-sim says it sent. Reads: each must
// end with its result box within 30 s, and every value must be the one the
// first read (before any capture) gave. GUI thread: a 10 ms timer, and how
// late each of its ticks came. Memory: VmRSS 35 s into every minute, with the
// capture store full; the start figure is the first one after the warm-up.
// After a link drop the tool connects again at the start of the next minute.

#include "app/langseldialog.h"
#include "bench/benchutil.h"
#include "app/mainclass.h"
#include "dialogs/paramloadseldialog.h"
#include "dialogs/prompt.h"
#include "link/frame.h"
#include "link/serialthread.h"
#include "link/waveparser.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/wavecapture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Waits in the event loop, checking every 20 ms, so that waiting costs no CPU.
bool runUntil(const std::function<bool()> &done, int limitMs)
{
    return bench::spinUntil(done, limitMs, 20);
}

void pause(int ms)
{
    runUntil([] { return false; }, ms);
}

// VmRSS and VmHWM of this process, in kB.
struct Memory {
    qint64 rss = 0;
    qint64 hwm = 0;
};

Memory memoryNow()
{
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            m.rss = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        else if (line.startsWith("VmHWM:"))
            m.hwm = line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return m;
}

QString mb(qint64 kb)
{
    return QString::number(double(kb) / 1024, 'f', 1) + QStringLiteral(" MB");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString thousands(qint64 n)
{
    QString digits = QString::number(n < 0 ? -n : n);
    for (int at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return n < 0 ? QStringLiteral("-") + digits : digits;
}

// Intervals by which the GUI thread's 10 ms tick came late, in 0.1 ms bins
// (the last bin takes everything from 2 s up). Fixed size, so that measuring
// does not itself grow the process.
class StallHistogram
{
public:
    static constexpr int kBins = 20000;

    void add(double lateMs)
    {
        lateMs = std::max(0.0, lateMs);
        m_bins[size_t(std::min(kBins - 1, int(lateMs * 10)))]++;
        m_max = std::max(m_max, lateMs);
        ++m_count;
    }
    double max() const { return m_max; }
    qint64 count() const { return m_count; }
    // Upper edge of the bin that holds the p-th percentile.
    double percentile(double p) const
    {
        if (m_count == 0)
            return 0;
        const qint64 rank = qint64(std::ceil(p / 100.0 * double(m_count)));
        qint64 seen = 0;
        for (int b = 0; b < kBins; ++b) {
            seen += m_bins[size_t(b)];
            if (seen >= rank)
                return b == kBins - 1 ? m_max : std::min(m_max, (b + 1) / 10.0);
        }
        return m_max;
    }
    qint64 over(double ms) const
    {
        qint64 n = 0;
        for (int b = int(ms * 10); b < kBins; ++b)
            n += m_bins[size_t(b)];
        return n;
    }

private:
    std::vector<qint64> m_bins = std::vector<qint64>(kBins, 0);
    double m_max = 0;
    qint64 m_count = 0;
};

// drive-sim, started by the script: its standard input is a named pipe and
// its standard error a file, so that its statistics can be asked for.
class SimStats
{
public:
    void setPaths(const QString &input, const QString &log)
    {
        m_input = input;
        m_log = log;
    }
    bool available() const { return !m_input.isEmpty() && !m_log.isEmpty(); }

    // Asks for a statistics line; fetch() picks it up later.
    void request()
    {
        if (!available())
            return;
        const int fd = ::open(QFile::encodeName(m_input).constData(), O_WRONLY | O_NONBLOCK);
        if (fd < 0)
            return;
        [[maybe_unused]] ssize_t n = ::write(fd, "stats\n", 6);
        ::close(fd);
    }
    // The newest statistics line in the log, or an empty string.
    QString fetch() const
    {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
            if (it->contains("blocks sent"))
                return QString::fromLocal8Bit(*it).trimmed();
        }
        return QString();
    }
    // A number that follows `name` in a statistics line, -1 when absent.
    static qint64 number(const QString &line, const QString &name)
    {
        const int at = line.indexOf(name);
        if (at < 0)
            return -1;
        bool ok = false;
        const qint64 n =
            line.mid(at + name.size()).section(QLatin1Char(' '), 1, 1).remove(QLatin1Char(',')).toLongLong(&ok);
        return ok ? n : -1;
    }

private:
    QString m_input;
    QString m_log;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs the tool against a drive streaming ramps and prints "
                                                    "health figures."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("data"), QStringLiteral("Working folder with the program's data files."),
         QStringLiteral("DIR")},
        {QStringLiteral("port"), QStringLiteral("Port of the drive."), QStringLiteral("NAME")},
        {QStringLiteral("minutes"), QStringLiteral("How long to run, in whole minutes (default 30)."),
         QStringLiteral("N"), QStringLiteral("30")},
        {QStringLiteral("warm-up"), QStringLiteral("Seconds before the memory start figure (default 60)."),
         QStringLiteral("S"), QStringLiteral("60")},
        {QStringLiteral("sim-in"), QStringLiteral("drive-sim's standard input (a named pipe)."),
         QStringLiteral("PATH")},
        {QStringLiteral("sim-log"), QStringLiteral("drive-sim's standard error (a file)."), QStringLiteral("PATH")},
        {QStringLiteral("trace-stalls"),
         QStringLiteral("Print every tick of the GUI thread that came 100 ms or more late.")},
        {QStringLiteral("query-at-stop"),
         QStringLiteral("Let the monitor query go out right behind the stop command of every capture.")},
        {QStringLiteral("all-at-once"),
         QStringLiteral("Keep one capture running the whole time, with the monitor page shown beside it (not through "
                        "the page list) and its periodic query and the reads going on.")},
    });
    parser.process(app);
    const QString port = parser.value(QStringLiteral("port"));
    if (port.isEmpty()) {
        std::fprintf(stderr, "soak: --port is needed\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("data")) && !QDir::setCurrent(parser.value(QStringLiteral("data")))) {
        std::fprintf(stderr, "soak: no folder %s\n", qPrintable(parser.value(QStringLiteral("data"))));
        return 2;
    }
    const int cycles = std::max(1, parser.value(QStringLiteral("minutes")).toInt());
    const qint64 warmUpMs = qint64(parser.value(QStringLiteral("warm-up")).toDouble() * 1000);
    const bool allAtOnce = parser.isSet(QStringLiteral("all-at-once"));
    const bool traceStalls = parser.isSet(QStringLiteral("trace-stalls"));
    const bool queryAtStop = parser.isSet(QStringLiteral("query-at-stop"));
    SimStats sim;
    sim.setPaths(parser.value(QStringLiteral("sim-in")), parser.value(QStringLiteral("sim-log")));
    constexpr int kSetsPerBlock = WaveStreamParser::kSampleBytes / WaveCapture::kSetBytes;

    // --- Boxes -------------------------------------------------------------------
    // A read of all parameters ends with a "结果" box; every other box is
    // unexpected and is kept for the report.
    const QString resultTitle = QStringLiteral("结果");
    const QString readDone = QStringLiteral("参数读取成功");
    int readsFinished = 0;
    bool readPending = false;
    QElapsedTimer readClock;
    double readSlowestMs = 0, readTotalMs = 0;
    QStringList unexpectedBoxes;
    Prompt::setBoxHandler([&](const Prompt::Box &box) {
        if (box.title == resultTitle && box.text == readDone) {
            if (readPending) {
                const double ms = readClock.nsecsElapsed() / 1e6;
                readSlowestMs = std::max(readSlowestMs, ms);
                readTotalMs += ms;
                ++readsFinished;
                readPending = false;
            } else {
                unexpectedBoxes.append(QStringLiteral("a read result after its 30 s"));
            }
        } else {
            unexpectedBoxes.append(box.title + QStringLiteral(": ") + box.text);
            say(QStringLiteral("soak: box \"%1\": %2").arg(box.title, box.text));
        }
        return QMessageBox::Ok;
    });

    // --- The tool ------------------------------------------------------------------
    MainClass mainClass;
    QApplication::setFont(QFont(QStringLiteral("Microsoft Sans Serif")));
    // The box texts above are the Chinese ones.
    emit mainClass.langSel->LanguageChange(QStringLiteral("zh_CN"), false);
    MainWindow *window = mainClass.mainWindow;
    SerialThread *worker = mainClass.linkWorker;
    window->show();
    auto *ports = window->findChild<QComboBox *>(QStringLiteral("portSel"));
    auto *connectButton = window->findChild<QPushButton *>(QStringLiteral("pushButton"));
    auto *errorLabel = window->findChild<QLabel *>(QStringLiteral("errorNum"));
    auto *pages = window->findChild<QListWidget *>(QStringLiteral("listWidget"));
    auto *stack = window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    auto *periodic = window->findChild<QCheckBox *>(QStringLiteral("checkBox_UnPeriodQuery"));
    auto *period = window->findChild<QSpinBox *>(QStringLiteral("spinBox_UnQueryPeriod"));
    auto *record = window->findChild<QPushButton *>(QStringLiteral("pushButton_waveformRec"));
    const auto errorCount = [&] { return errorLabel->text().section(QLatin1Char(':'), 1).toLongLong(); };

    // --- What the link worker delivers ------------------------------------------
    // Every waveform delivery, checked for the ramp on all four channels.
    // Each capture starts at 0: a capture whose first set is not 0 lost its
    // beginning.
    qint64 setsReceived = 0, setsLost = 0, gaps = 0, channelMismatches = 0;
    qint64 setsMissingAtStart = 0, lateStarts = 0;
    int lastCount = -1;
    QObject::connect(worker, &SerialThread::waveform_putDataToShow, window, [&](const QByteArray &samples) {
        const WaveCapture::Batch batch = WaveCapture::decode(samples);
        const int sets = batch[0].size();
        for (int n = 0; n < sets; ++n) {
            const int count = quint16(qint16(batch[0][n]));
            for (int c = 1; c < WaveCapture::kChannels; ++c) {
                if (batch[size_t(c)][n] != batch[0][n])
                    ++channelMismatches;
            }
            if (lastCount < 0) {
                if (count != 0) {
                    ++lateStarts;
                    setsMissingAtStart += count;
                }
            } else if (count != ((lastCount + 1) & 0xFFFF)) {
                ++gaps;
                setsLost += (count - lastCount - 1 + 65536) % 65536;
            }
            lastCount = count;
        }
        setsReceived += sets;
    });
    qint64 monitorReplies = 0, readReplies = 0, linkDrops = 0;
    QObject::connect(worker, &SerialThread::data_Return, window, [&](int index) {
        if (index == Cmd::ReadMonitor)
            ++monitorReplies;
        else if (index == Cmd::ReadParamRange)
            ++readReplies;
    });
    bool linkUp = false;
    const QMetaObject::Connection dropWatch =
        QObject::connect(worker, &SerialThread::communicateState, window, [&](uint16_t state) {
            if (state == 1) {
                linkUp = true;
            } else if (linkUp) {
                linkUp = false;
                ++linkDrops;
                say(QStringLiteral("soak: the link dropped (state %1)").arg(state));
            }
        });

    // --- Connect, and the first read with the link otherwise quiet ----------------
    if (!runUntil([&] { return ports->findText(port) >= 0; }, 5000)) {
        std::fprintf(stderr, "soak: %s is not in the port list\n", qPrintable(port));
        return 2;
    }
    ports->setCurrentIndex(ports->findText(port));
    connectButton->click();
    if (!runUntil([&] { return window->linkState() == 1; }, 10000)) {
        std::fprintf(stderr, "soak: the link did not come up\n");
        return 2;
    }
    if (!runUntil([&] { return window->paramLoadDialog() && window->paramLoadDialog()->isVisible(); }, 10000)) {
        std::fprintf(stderr, "soak: the drive was not identified\n");
        return 2;
    }
    pause(200);
    // Every value is set to a mark before a read: a read that reports success
    // but leaves a parameter out shows as a value that differs from the first.
    const QString unread = QStringLiteral("<unread>");
    const auto markUnread = [&] {
        for (ParamGroup &group : window->definitions().paramGroups)
            for (ParamRecord &p : group)
                p.currentValue = unread;
    };
    const auto values = [&] {
        std::map<QString, QString> out;
        for (const ParamGroup &group : window->definitions().paramGroups)
            for (const ParamRecord &p : group)
                out[p.ParameterIndex] = p.currentValue;
        return out;
    };
    markUnread();
    readPending = true;
    readClock.start();
    window->paramLoadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    if (!runUntil([&] { return !readPending; }, 30000)) {
        std::fprintf(stderr, "soak: the first read of all parameters did not finish\n");
        return 2;
    }
    const std::map<QString, QString> reference = values();
    const qint64 unreadInReference =
        std::count_if(reference.begin(), reference.end(), [&](const auto &kv) { return kv.second == unread; });
    say(QStringLiteral("soak: connected to %1; first read of all parameters: %2 values in %3 ms (%4 left unread)")
            .arg(port)
            .arg(reference.size())
            .arg(readTotalMs, 0, 'f', 0)
            .arg(unreadInReference));
    readsFinished = 0;
    readSlowestMs = readTotalMs = 0;
    const qint64 errorsAtStart = errorCount();
    const int boxesAtStart = unexpectedBoxes.size();

    // The periodic query is switched on once, as a user leaves it; the tool
    // queries only while the monitor page is shown.
    period->setValue(100);
    periodic->setChecked(true);
    window->on_checkBox_UnPeriodQuery_clicked();

    QElapsedTimer clock;
    clock.start();
    const double cpuAtStart = cpuSeconds();

    // --- The GUI thread's pulse --------------------------------------------------------
    StallHistogram stalls;
    QElapsedTimer tickClock;
    tickClock.start();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    // The longest ones, with when they came (seconds into the run).
    std::vector<std::pair<double, double>> longest;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double ms = tickClock.nsecsElapsed() / 1e6;
        tickClock.restart();
        stalls.add(ms - 10);
        if (ms - 10 >= 100) {
            // With the monotonic clock's time, to find it in a profile
            // (perf record -k CLOCK_MONOTONIC).
            if (traceStalls)
                std::fprintf(stderr, "soak: tick %.1f ms late, ending at %.3f s (monotonic)\n", ms - 10,
                             tickClock.msecsSinceReference() / 1000.0);
            longest.emplace_back(ms - 10, clock.elapsed() / 1000.0 - ms / 1000);
            std::sort(longest.begin(), longest.end(), std::greater<>());
            if (longest.size() > 5)
                longest.pop_back();
        }
    });
    tick.start();

    // --- Reads of all parameters ---------------------------------------------------------
    int readsStarted = 0, readsNotFinished = 0, readsNotStarted = 0;
    qint64 valuesDiffering = 0;
    QStringList differingExamples;
    const auto checkRead = [&] {
        const std::map<QString, QString> now = values();
        for (const auto &kv : reference) {
            auto it = now.find(kv.first);
            const QString got = it == now.end() ? QStringLiteral("<gone>") : it->second;
            if (got != kv.second) {
                ++valuesDiffering;
                if (differingExamples.size() < 5)
                    differingExamples.append(QStringLiteral("%1 %2 -> %3").arg(kv.first, kv.second, got));
            }
        }
    };
    const auto startRead = [&] {
        if (readPending)
            return; // the one before is still being waited for
        if (window->isParamTransferBusy() || window->linkState() != 1) {
            ++readsNotStarted;
            say(QStringLiteral("soak: no read started (%1)")
                    .arg(window->linkState() != 1 ? QStringLiteral("link down") : QStringLiteral("transfer busy")));
            return;
        }
        ++readsStarted;
        markUnread();
        readPending = true;
        readClock.restart();
        window->on_pushButton_ReadAllParam_clicked();
    };
    // A read not finished within 30 s is given up; a finished one is checked.
    QTimer readWatch;
    readWatch.setInterval(100);
    bool wasPending = false;
    QObject::connect(&readWatch, &QTimer::timeout, [&] {
        if (readPending && readClock.elapsed() > 30000) {
            readPending = false;
            ++readsNotFinished;
            say(QStringLiteral("soak: a read of all parameters did not finish within 30 s"));
        } else if (wasPending && !readPending) {
            checkRead();
        }
        wasPending = readPending;
    });
    readWatch.start();

    // --- Memory, and the points the plot holds --------------------------------------------
    Memory startMemory, lastMemory;
    qint64 maxRss = 0;
    bool memoryStarted = false;
    qint64 memoryStartAt = 0;
    double growthWorst = 0;
    qint64 storeBreaks = 0;
    int captureNotRecording = 0;
    const auto checkStore = [&] {
        // One ramp on every channel.
        const WaveCapture &wave = window->waveCapture();
        const int n = wave.count();
        qint64 breaks = 0;
        for (int i = 1; i < n; ++i) {
            const int prev = quint16(qint16(wave.raw(0)[i - 1].y()));
            const int cur = quint16(qint16(wave.raw(0)[i].y()));
            if (cur != ((prev + 1) & 0xFFFF))
                ++breaks;
            for (int c = 1; c < WaveCapture::kChannels; ++c) {
                if (wave.raw(c).size() != n || wave.raw(c)[i].y() != wave.raw(0)[i].y())
                    ++breaks;
            }
        }
        return breaks;
    };
    const auto sampleMemory = [&] {
        const Memory m = memoryNow();
        if (!memoryStarted && clock.elapsed() >= warmUpMs) {
            memoryStarted = true;
            memoryStartAt = (clock.elapsed() + 500) / 1000;
            startMemory = m;
        }
        if (memoryStarted) {
            maxRss = std::max(maxRss, m.rss);
            growthWorst = std::max(growthWorst, 100.0 * double(m.rss - startMemory.rss) / double(startMemory.rss));
        }
        lastMemory = m;
        storeBreaks += checkStore();
        if (!window->isRecording()) {
            ++captureNotRecording;
            say(QStringLiteral("soak: the capture is not recording"));
        }
    };
    // The highest VmRSS, once a second after the warm-up.
    QTimer rssWatch;
    rssWatch.setInterval(1000);
    QObject::connect(&rssWatch, &QTimer::timeout, [&] {
        if (clock.elapsed() >= warmUpMs)
            maxRss = std::max(maxRss, memoryNow().rss);
    });
    rssWatch.start();

    // --- One minute -----------------------------------------------------------------------
    int capturesStarted = 0;
    const auto clickStart = [&] {
        lastCount = -1;
        ++capturesStarted;
        // A capture that was going when the link dropped still shows
        // "停止采样": the first click ends it.
        if (window->isRecording())
            record->click();
        record->click();
    };
    const auto startCapture = [&] {
        pages->setCurrentRow(MainWindow::WavePage);
        clickStart();
    };
    qint64 simBlocks = -1;
    qint64 cutAtStopsWorst = 0, cutAtStopsBefore = 0;
    const auto progress = [&](int minute) {
        const QString line = sim.fetch();
        const qint64 blocks = SimStats::number(line, QStringLiteral("blocks sent"));
        if (blocks >= 0)
            simBlocks = blocks;
        QString waveText;
        if (!allAtOnce && blocks >= 0) {
            // Between captures everything sent has arrived or been dropped
            // by the tool after its stop.
            const qint64 cut = blocks * kSetsPerBlock - setsReceived - setsLost - setsMissingAtStart;
            cutAtStopsWorst = std::max(cutAtStopsWorst, cut - cutAtStopsBefore);
            cutAtStopsBefore = cut;
            waveText = QStringLiteral(", cut at stops %1").arg(thousands(cut));
        } else if (blocks >= 0) {
            waveText = QStringLiteral(", drive sent %1").arg(thousands(blocks * kSetsPerBlock));
        }
        say(QStringLiteral("[%1 min] sets %2 (lost %3, missing at starts %4%5); reads %6/%7; monitor replies %8; "
                           "ER %9; drops %10; boxes %11; RSS %12; stall max %13 ms")
                .arg(minute)
                .arg(thousands(setsReceived))
                .arg(setsLost)
                .arg(setsMissingAtStart)
                .arg(waveText)
                .arg(readsFinished)
                .arg(readsStarted)
                .arg(thousands(monitorReplies))
                .arg(errorCount() - errorsAtStart)
                .arg(linkDrops)
                .arg(unexpectedBoxes.size() - boxesAtStart)
                .arg(mb(lastMemory.rss))
                .arg(stalls.max(), 0, 'f', 1));
    };
    // After a drop the link is connected again at the start of the next
    // minute, so that the rest of the run still measures something; the
    // drop itself stays counted.
    int reconnects = 0;
    const auto reconnectIfDown = [&] {
        if (window->linkState() == 1)
            return false;
        if (window->linkState() == 0) {
            ++reconnects;
            ports->setCurrentIndex(ports->findText(port));
            connectButton->click();
            say(QStringLiteral("soak: connecting again"));
        }
        return true;
    };
    const auto runMinute = [&](int minute) {
        // Precise, so that the steps do not fall together with the tool's own
        // timers, which a user's clicks do not either.
        const auto at = [&](int seconds, std::function<void()> f) {
            QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, window, f);
        };
        // The identification that follows a connect goes first.
        const bool reconnecting = reconnectIfDown();
        if (!allAtOnce) {
            // The page first, and the start a second later, as a user clicks:
            // a monitor query still on its way when the capture starts
            // meets the first blocks (--all-at-once shows what follows).
            at(reconnecting ? 3 : 0, [&] { pages->setCurrentRow(MainWindow::WavePage); });
            at(reconnecting ? 4 : 1, clickStart);
            at(35, sampleMemory);
            // Through the page list, as a user goes there: this stops the capture.
            at(40, [&] {
                pages->setCurrentRow(MainWindow::MonitorPage);
                // The query's timer firing in the same pass of the event loop
                // as the page change: its request goes out right behind the
                // stop command.
                if (queryAtStop)
                    window->UnDisp_PeriodQueryTimerCB();
            });
            at(42, startRead);
        } else {
            if (minute == 0 || reconnecting) {
                // The capture goes on; the monitor page is shown directly, not
                // through the page list, which would stop it.
                at(reconnecting ? 3 : 0, [&] {
                    startCapture();
                    stack->setCurrentIndex(MainWindow::MonitorPage);
                });
            }
            at(30, startRead);
            at(35, sampleMemory);
        }
        at(58, [&] { sim.request(); });
        at(59, [&, minute] { progress(minute + 1); });
    };
    int minute = 0;
    runMinute(minute);
    QTimer minuteTimer;
    minuteTimer.setInterval(60000);
    QObject::connect(&minuteTimer, &QTimer::timeout, [&] {
        if (++minute < cycles)
            runMinute(minute);
    });
    minuteTimer.start();

    const qint64 runMs = qint64(cycles) * 60000;
    runUntil([&] { return clock.elapsed() >= runMs; }, int(runMs + 1000));
    tick.stop();
    minuteTimer.stop();
    rssWatch.stop();
    const double wallSeconds = clock.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuAtStart;
    // A read still running at the end gets its 30 s.
    runUntil([&] { return !readPending; }, int(std::max<qint64>(0, 30000 - readClock.elapsed())));
    readWatch.stop();
    if (readPending) {
        readPending = false;
        ++readsNotFinished;
    }
    const Memory endMemory = lastMemory;
    const qint64 endHwm = memoryNow().hwm;
    const int stored = window->waveCapture().count();

    // --- Stop, and compare with what the drive sent -----------------------------------
    periodic->setChecked(false);
    window->on_checkBox_UnPeriodQuery_clicked();
    if (window->isRecording())
        window->on_pushButton_waveformRec_clicked();
    pause(1500); // what was on its way when the stop went out
    sim.request();
    runUntil(
        [&] { return SimStats::number(sim.fetch(), QStringLiteral("blocks sent")) >= std::max<qint64>(0, simBlocks); },
        3000);
    pause(200);
    const QString simLine = sim.fetch();
    const qint64 blocksSent = SimStats::number(simLine, QStringLiteral("blocks sent"));
    const qint64 setsSent = blocksSent < 0 ? -1 : blocksSent * kSetsPerBlock;
    const qint64 notReceived = setsSent - setsReceived;
    const qint64 cutAtStops = notReceived - setsLost - setsMissingAtStart;
    const qint64 errors = errorCount() - errorsAtStart;
    const QStringList boxes = unexpectedBoxes.mid(boxesAtStart);

    // --- Figures --------------------------------------------------------------------------
    const double growthEnd =
        memoryStarted ? 100.0 * double(endMemory.rss - startMemory.rss) / double(startMemory.rss) : 0;
    say(QString());
    say(allAtOnce ? QStringLiteral("soak: %1 min against %2: one 10 kHz capture the whole time, with the monitor "
                                   "query every 100 ms and a read of all parameters every minute beside it")
                        .arg(wallSeconds / 60, 0, 'f', 1)
                        .arg(port)
                  : QStringLiteral("soak: %1 min against %2: every minute a 10 kHz capture for 39 s on the waveform "
                                   "page, then the monitor page with its query every 100 ms and a read of all "
                                   "parameters")
                        .arg(wallSeconds / 60, 0, 'f', 1)
                        .arg(port));
    say(QStringLiteral("waveform: captures started %1, sample sets received %2; lost %3 in %4 gaps, %5 missing at "
                       "the start of %6 captures, %7 sets with channels disagreeing")
            .arg(capturesStarted)
            .arg(thousands(setsReceived))
            .arg(thousands(setsLost))
            .arg(gaps)
            .arg(thousands(setsMissingAtStart))
            .arg(lateStarts)
            .arg(channelMismatches));
    if (setsSent < 0)
        say(QStringLiteral("          drive-sim's count of blocks sent is not known"));
    else if (allAtOnce)
        say(QStringLiteral("          drive-sim sent %1 blocks = %2 sets; not received %3")
                .arg(thousands(blocksSent))
                .arg(thousands(setsSent))
                .arg(thousands(notReceived)));
    else
        say(QStringLiteral("          drive-sim sent %1 blocks = %2 sets; not received %3, of which %4 sent after the "
                           "tool's stop commands (at most %5 at one stop)")
                .arg(thousands(blocksSent))
                .arg(thousands(setsSent))
                .arg(thousands(notReceived))
                .arg(thousands(cutAtStops))
                .arg(thousands(std::max(cutAtStopsWorst, cutAtStops - cutAtStopsBefore))));
    say(QStringLiteral("          plot store: %1 points per channel at the end; breaks in the ramp at the minute "
                       "checks %2; capture found not recording %3 times")
            .arg(stored)
            .arg(storeBreaks)
            .arg(captureNotRecording));
    if (!simLine.isEmpty())
        say(QStringLiteral("          %1").arg(simLine));
    say(QStringLiteral("reads of all parameters: %1 started, %2 finished (slowest %3 s, mean %4 s), %5 not finished "
                       "within 30 s, %6 not started; values differing from the first read: %7%8")
            .arg(readsStarted)
            .arg(readsFinished)
            .arg(readSlowestMs / 1000, 0, 'f', 2)
            .arg(readsFinished ? readTotalMs / readsFinished / 1000 : 0.0, 0, 'f', 2)
            .arg(readsNotFinished)
            .arg(readsNotStarted)
            .arg(valuesDiffering)
            .arg(differingExamples.isEmpty()
                     ? QString()
                     : QStringLiteral(" (") + differingExamples.join(QStringLiteral("; ")) + QLatin1Char(')')));
    say(QStringLiteral("monitor: %1 replies, %2 parameter read replies")
            .arg(thousands(monitorReplies))
            .arg(thousands(readReplies)));
    say(QStringLiteral("errors: ER counter +%1, link drops %2 (connected again %3 times), unexpected boxes %4%5")
            .arg(errors)
            .arg(linkDrops)
            .arg(reconnects)
            .arg(boxes.size())
            .arg(boxes.isEmpty()
                     ? QString()
                     : QStringLiteral(" (") + boxes.mid(0, 5).join(QStringLiteral("; ")) + QLatin1Char(')')));
    say(QStringLiteral("GUI thread: 10 ms tick late by at most %1 ms, p99.9 %2 ms, p99 %3 ms; %4 of %5 ticks over "
                       "50 ms")
            .arg(stalls.max(), 0, 'f', 1)
            .arg(stalls.percentile(99.9), 0, 'f', 1)
            .arg(stalls.percentile(99), 0, 'f', 1)
            .arg(stalls.over(50))
            .arg(thousands(stalls.count())));
    if (!longest.empty()) {
        QStringList when;
        for (const auto &stall : longest)
            when << QStringLiteral("%1 ms at %2 s").arg(stall.first, 0, 'f', 0).arg(stall.second, 0, 'f', 1);
        say(QStringLiteral("            the longest: %1").arg(when.join(QStringLiteral(", "))));
    }
    if (memoryStarted)
        say(QStringLiteral("memory (VmRSS): start %1 (at %2 s), end %3, growth %4% (worst %5%), max %6; VmHWM %7")
                .arg(mb(startMemory.rss))
                .arg(memoryStartAt)
                .arg(mb(endMemory.rss))
                .arg(growthEnd, 0, 'f', 2)
                .arg(growthWorst, 0, 'f', 2)
                .arg(mb(maxRss))
                .arg(mb(endHwm)));
    else
        say(QStringLiteral("memory (VmRSS): the run ended before the warm-up; end %1, VmHWM %2")
                .arg(mb(endMemory.rss))
                .arg(mb(endHwm)));
    say(QStringLiteral("CPU: %1% of one core on average (this process: the tool and the measuring)")
            .arg(100 * cpu / wallSeconds, 0, 'f', 1));

    QStringList failures;
    if (!memoryStarted || growthWorst > 5.0)
        failures << (memoryStarted ? QStringLiteral("memory grew by %1%").arg(growthWorst, 0, 'f', 2)
                                   : QStringLiteral("no memory start figure"));
    if (setsLost > 0 || setsMissingAtStart > 0 || channelMismatches > 0 || setsSent < 0
        || (allAtOnce && notReceived != 0) || cutAtStops < 0)
        failures << QStringLiteral("waveform sets lost");
    if (storeBreaks > 0 || captureNotRecording > 0)
        failures << QStringLiteral("the plotted capture is broken");
    if (readsNotFinished > 0 || readsNotStarted > 0)
        failures << QStringLiteral("reads not finished or not started");
    if (valuesDiffering > 0)
        failures << QStringLiteral("parameter values differ");
    if (errors > 0 || linkDrops > 0 || !boxes.isEmpty())
        failures << QStringLiteral("errors");
    say(failures.isEmpty() ? QStringLiteral("result: PASS")
                           : QStringLiteral("result: FAIL (%1)").arg(failures.join(QStringLiteral(", "))));

    // The soak's own disconnect is no drop, and its box no error.
    QObject::disconnect(dropWatch);
    Prompt::setBoxHandler([](const Prompt::Box &) { return QMessageBox::Ok; });
    if (window->linkState() != 0) {
        connectButton->click();
        runUntil([&] { return window->linkState() == 0; }, 3000);
    }
    return failures.isEmpty() ? 0 : 1;
}
