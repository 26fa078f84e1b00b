// The real worker thread against the simulated drive, over a pty (serial) and the HID stand-in.

#include "link/frame.h"
#include "link/serialthread.h"
#include "link/serialtransport.h"
#include "mainwindow/portscan.h"
#include "sim/driveendpoint.h"
#include "sim/hidstandin/hidstandin.h"
#include "sim/ptydriveserver.h"

#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

class Drive
{
public:
    explicit Drive(bool hid)
        : m_hid(hid)
    {
        if (m_hid) {
            m_path = HidStandIn::plug();
            return;
        }
        m_server = std::make_unique<PtyDriveServer>(m_endpoint);
        QString error;
        if (!m_server->start(QString(), &error))
            qFatal("cannot start the simulated drive: %s", qPrintable(error));
        publish();
    }
    ~Drive()
    {
        if (m_hid)
            HidStandIn::reset();
    }
    QString port() const { return m_hid ? m_path : m_server->slavePath(); }
    QStringList hidPaths() const { return m_hid ? QStringList{m_path} : QStringList(); }
    void hangUp() { m_hid ? HidStandIn::unplug(m_path) : m_server->hangUp(-1); }
    // After a hang-up: the drive is there again (its port may have changed).
    void comeBack()
    {
        if (m_hid) {
            HidStandIn::DeviceOptions options;
            options.path = m_path;
            HidStandIn::plug(options);
            return;
        }
        m_server->hangUp(0);
        QTRY_VERIFY(!m_server->hungUp());
        publish();
    }

private:
    void publish() { qputenv("SERVO_EXTRA_PORTS", port().toLocal8Bit()); }

    bool m_hid;
    QString m_path;
    DriveEndpoint m_endpoint;
    std::unique_ptr<PtyDriveServer> m_server;
};


} // namespace

struct Seen {
    QList<uint16_t> states;
    QStringList infos, errors;
    QList<QVariantList> debug;
    QList<int> replies;
    QList<QPair<QByteArray, int>> traffic;
};

class TestWorker : public QObject
{
    Q_OBJECT

public:
    TestWorker() { registerLinkTypes(); }

private:
    std::unique_ptr<Drive> drive;
    std::unique_ptr<SerialThread> worker;
    // Receives the worker's signals; deleting it drops those still queued.
    std::unique_ptr<QObject> relay;
    Seen seen;
    bool hid = false;
    uint8_t zeros[32] = {};

    // Connects the worker the way the main window does and waits for the link.
    void connectLink()
    {
        worker->updateAvailableHID(drive->hidPaths());
        seen.states.clear();
        worker->transaction(drive->port(), 115200, 8, 0, 1);
        QTRY_VERIFY(!seen.states.isEmpty());
        QCOMPARE(seen.states.first(), uint16_t(1));
    }

    void put(int index, uint8_t *payload = nullptr)
    {
        commandTable[index].txData = payload ? payload : zeros;
        worker->send_Frame(index);
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("pty") << QStringLiteral("pty");
        QTest::newRow("hid") << QStringLiteral("hid");
    }

    void init()
    {
        resetCommandTable();
        seen = Seen();
        QFETCH_GLOBAL(QString, link);
        hid = link == QLatin1String("hid");
        drive = std::make_unique<Drive>(hid);
        worker = std::make_unique<SerialThread>();
        relay = std::make_unique<QObject>();
        SerialThread *w = worker.get();
        QObject *r = relay.get();
        connect(w, &SerialThread::communicateState, r, [this](uint16_t state) { seen.states.append(state); });
        connect(w, &SerialThread::threadInfo, r, [this](const QString &text) { seen.infos.append(text); });
        connect(w, &SerialThread::serror, r, [this](const QString &text) { seen.errors.append(text); });
        connect(w, qOverload<int, QByteArray>(&SerialThread::debugDataReturn), r,
                [this](int id, const QByteArray &text) { seen.debug.append({id, text}); });
        connect(w, &SerialThread::data_Return, r, [this](int index) {
            seen.replies.append(index);
            worker->rxDataBeenProecssed();
        });
        connect(w, &SerialThread::connectComTRData, r, [this](uint8_t *data, uint8_t length, uint8_t direction) {
            seen.traffic.append({QByteArray(reinterpret_cast<const char *>(data), length), direction});
        });
    }

    void cleanup()
    {
        if (hid) {
            // The window scans for devices while the worker uses one: still one thread calls hidapi.
            QCOMPARE(PortScan::enumerateHid().size(), 1);
            QCOMPARE(HidStandIn::callingThreads(), 1);
        }
        worker.reset(); // ends the link and waits for its thread
        relay.reset();
        drive.reset();
        qunsetenv("SERVO_EXTRA_PORTS");
    }

    void fullExchange()
    {
        connectLink();
        put(Cmd::IdleQuery);
        QTRY_COMPARE(seen.replies, QList<int>{Cmd::IdleQuery});
        QTRY_COMPARE(seen.traffic.size(), 2);
        QCOMPARE(seen.traffic[0], qMakePair(QByteArray::fromHex("7E0E01080000FAE3"), 0));
        QCOMPARE(seen.traffic[1], qMakePair(QByteArray::fromHex("7E0E01080000FAE3"), 1));

        worker->communicateDisConnect();
        QTRY_COMPARE(seen.infos, QStringList{QStringLiteral("通信断开")});
    }

    // HID: a long frame in two reports, a full report awaits its continuation, debug streams, failed writes end the link.
    void hidReportsAndFailedWrites()
    {
        if (!hid)
            QSKIP("HID only");
        connectLink();
        HidStandIn::takeWrittenReports(drive->port());
        uint8_t payload[113];
        for (int i = 0; i < 113; ++i)
            payload[i] = uint8_t(i);
        commandTable[Cmd::WaveTriggerAck].txLen = 119;
        commandTable[Cmd::WaveTriggerAck].rxLen = 70; // the drive does not know it: the test answers
        put(Cmd::WaveTriggerAck, payload);
        QList<HidStandIn::WrittenReport> reports;
        QTRY_VERIFY((reports += HidStandIn::takeWrittenReports(drive->port())).size() >= 2);
        QCOMPARE(reports[0].bytes.mid(3, 61) + reports[1].bytes.mid(3, 58), buildRequest(commandTable[Cmd::WaveTriggerAck]));
        QTRY_COMPARE(HidStandIn::endpoint(drive->port())->stats().requests, 1u); // what comes before it is no reply
        const QByteArray reply = buildFrame(0x0F, 0x01, QByteArray(64, '\x42'));
        HidStandIn::injectReport(drive->port(), QByteArray::fromHex("013D") + reply.left(61), 2);
        HidStandIn::injectReport(drive->port(), QByteArray::fromHex("0109") + reply.mid(61), 6);
        QTRY_COMPARE(seen.replies, QList<int>{Cmd::WaveTriggerAck});
        QCOMPARE(seen.traffic.size(), 2);
        QCOMPARE(seen.traffic[1], qMakePair(reply, 1));

        HidStandIn::sendDebug(drive->port(), 4, QByteArray("ABC\0xyz", 7));
        HidStandIn::sendDebug(drive->port(), 3, QByteArray("cpu"));
        QTRY_COMPARE(seen.debug, (QList<QVariantList>{{1, QByteArray("ABC\0xyz", 7)}, {0, QByteArray("cpu")}}));

        HidStandIn::failWrites(drive->port(), 3);
        put(Cmd::VersionCheck1); // a record whose silence alone would not end the link
        QTRY_VERIFY(!seen.infos.isEmpty());
        QCOMPARE(seen.replies.size(), 1);
    }

    // Connecting again while linked, while the link ends, or once its thread ended: never lost, a restart, or blocking.
    void connectAgain_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::addColumn<bool>("afterTheThreadEnded");
        QTest::addColumn<QList<uint16_t>>("states");
        QTest::newRow("while linked") << false << false << QList<uint16_t>{1};
        QTest::newRow("while the link ends") << true << false << QList<uint16_t>{1, 0, 1};
        QTest::newRow("once the thread ended") << true << true << QList<uint16_t>{1, 0, 1};
    }

    void connectAgain()
    {
        QFETCH(bool, disconnect);
        QFETCH(bool, afterTheThreadEnded);
        QFETCH(QList<uint16_t>, states);
        connectLink();
        if (disconnect)
            worker->communicateDisConnect();
        // Once the thread ended: waited for here, since a request made
        // before it ends may already find it gone (a new loop then runs).
        if (afterTheThreadEnded)
            QVERIFY(worker->wait(3000));
        worker->transaction(drive->port(), 921600, 8, 0, 1);
        QTRY_COMPARE(seen.states, states);
        put(Cmd::IdleQuery);
        QTRY_COMPARE(seen.replies.size(), 1);
        QCOMPARE(seen.states.count(0), states.count(0));
    }

    void hangUpEndsTheLinkAndReconnectingWorks()
    {
        connectLink();
        put(Cmd::WaveStart);
        QTRY_COMPARE(seen.replies.size(), 1);
        drive->hangUp();
        QTRY_VERIFY(!seen.infos.isEmpty());
        QVERIFY(worker->wait(3000));

        drive->comeBack();
        connectLink();
        put(Cmd::IdleQuery);
        QTRY_COMPARE(seen.replies, (QList<int>{Cmd::WaveStart, Cmd::IdleQuery}));
    }

    // A write that timed out on a full line and is tried again goes out once.
    void serialWriteThatTimesOutIsNotQueuedAgain()
    {
        if (hid)
            QSKIP("serial lines only");
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        SerialTransport line;
        LinkSettings settings;
        settings.port = QString::fromLocal8Bit(ptsname(master));
        int code = 0;
        QVERIFY(line.open(settings, &code));
        QString error;
        QByteArray frame(255, '\x11');
        int written = 0;
        for (int n = 0; n < 10000 && written >= 0; ++n) {
            frame.replace(0, 4, reinterpret_cast<const char *>(&n), 4);
            written = line.write(frame, 0, &error);
        }
        QCOMPARE(written, -1);
        QCOMPARE(line.write(frame, 0, &error), -1);
        QByteArray out;
        char buffer[4096];
        for (int tries = 0; tries < 100 && !out.contains(frame); ++tries) {
            for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
                out.append(buffer, int(n));
            if (written < 0)
                written = line.write(frame, 0, &error);
        }
        QCOMPARE(written, frame.size());
        QCOMPARE(out.count(frame), 1);
        ::close(master);
    }

    // No link: a port that cannot be opened is an error (no disconnection told); an end before the loop begins holds.
    void linkThatNeverRuns()
    {
        const QString missing = hid ? QStringLiteral("/dev/hidraw-missing") : QStringLiteral("/tmp/no-such-drive");
        worker->transaction(missing, 115200, 8, 0, 1);
        QTRY_COMPARE(seen.errors.size(), 1);
        QVERIFY(seen.errors.first().startsWith(QStringLiteral("无法打开串口%1, 故障代码: ").arg(missing)));
        QTRY_COMPARE(seen.states, QList<uint16_t>{0});
        QVERIFY(worker->wait(3000));
        QVERIFY(seen.infos.isEmpty());

        worker->updateAvailableHID(drive->hidPaths());
        worker->transaction(drive->port(), 115200, 8, 0, 1);
        worker->communicateDisConnect();
        QVERIFY(worker->wait(3000));
    }

};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
