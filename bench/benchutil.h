#pragma once

// Small helpers shared by the benchmarks.

#include "link/serialthread.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <pthread.h>

namespace bench {

#ifdef SERVO_PROGRAM_DIR // the benches know where the program's files are; the soak tool does not
// Makes `dir` the working folder with the program's data files (INI files
// and definition files), set to the 10 kHz waveform rate.
inline bool prepareTenKilohertzFolder(const QTemporaryDir &dir)
{
    const QDir program(QStringLiteral(SERVO_PROGRAM_DIR));
    for (const QString &name : program.entryList({QStringLiteral("*.ini")}, QDir::Files))
        QFile::copy(program.filePath(name), dir.filePath(name));
    QDir(dir.path()).mkdir(QStringLiteral("ParameterFile"));
    const QDir definitions(program.filePath(QStringLiteral("ParameterFile")));
    for (const QString &name : definitions.entryList({QStringLiteral("*.xml")}, QDir::Files))
        QFile::copy(definitions.filePath(name), dir.filePath(QStringLiteral("ParameterFile/") + name));
    QFile settings(dir.filePath(QStringLiteral("appsetting.ini")));
    if (!settings.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    settings.write("[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
    return QDir::setCurrent(dir.path());
}
#endif

inline void print(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

inline double percentile(QVector<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int at = qBound(0, int(p / 100.0 * (values.size() - 1) + 0.5), values.size() - 1);
    return values.at(at);
}

// Runs the event loop until `done` (checked every `checkMs`, a millisecond
// unless given) or the limit. The loop sleeps between events.
template <typename F>
bool spinUntil(F done, int limitMs, int checkMs = 1)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(checkMs);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start();
    limit.start(limitMs);
    loop.exec();
    return done();
}

// CPU time used by the worker's thread, read from outside it.
class ThreadCpu
{
public:
    void watch(SerialThread &worker)
    {
        QObject::connect(&worker, &QThread::started, &worker, [this] { m_thread = pthread_self(); m_known = true; },
                         Qt::DirectConnection);
    }
    bool known() const { return m_known; }
    double seconds() const
    {
        clockid_t clock;
        if (!m_known || pthread_getcpuclockid(m_thread, &clock) != 0)
            return 0;
        timespec ts{};
        clock_gettime(clock, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }

private:
    pthread_t m_thread{};
    std::atomic<bool> m_known{false};
};

// drive-sim in a process of its own, on a pseudo-terminal.
class SimProcess
{
public:
    bool start(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(DRIVE_SIM_PATH));
        m_process.setArguments(arguments);
        m_process.start();
        if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000))
            return false;
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        qputenv("SERVO_EXTRA_PORTS", m_path.toLocal8Bit());
        return !m_path.isEmpty();
    }
    QString path() const { return m_path; }
    // The "stats" line drive-sim prints on request.
    QString stats()
    {
        m_process.readAllStandardError();
        m_process.write("stats\n");
        QByteArray said;
        spinUntil([&] { return (said += m_process.readAllStandardError()).contains('\n'); }, 3000);
        return QString::fromLocal8Bit(said).trimmed();
    }
    quint64 statsNumber(const QString &name)
    {
        const QString line = stats();
        const int at = line.indexOf(name);
        if (at < 0)
            return 0;
        return line.mid(at + name.size()).section(QLatin1Char(' '), 1, 1).remove(QLatin1Char(',')).toULongLong();
    }
    // Ends drive-sim; the link to it drops.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("quit\n");
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    ~SimProcess() { stop(); }

private:
    QProcess m_process;
    QString m_path;
};

// Picks `port` in a main window's port list and clicks connect, as a user
// does; true once the window shows the link up and its first queries are
// answered.
inline bool connectWindow(QWidget *window, const QString &port)
{
    auto *ports = window->findChild<QComboBox *>(QStringLiteral("portSel"));
    spinUntil([&] { return ports->findText(port) >= 0; }, 3000);
    ports->setCurrentIndex(ports->findText(port));
    window->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    auto *state = window->findChild<QLabel *>(QStringLiteral("communicateState"));
    if (!spinUntil([&] { return state->text() == QStringLiteral("通信正常"); }, 5000))
        return false;
    spinUntil([] { return false; }, 300); // identification replies
    return true;
}

} // namespace bench
