// Recordings on disk: what the writer keeps, files cut short or with a
// closing section that does not match, the min/max pyramid, export to CSV,
// and a disk that fills up.

#include "mainwindow/wavefile.h"
#include "mainwindow/waverecorder.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace WaveRecording;

namespace {

// Sample sets of the stream: channel c of set n is `value(n, c)`.
QByteArray sets(const QVector<qint16> &values)
{
    QByteArray bytes;
    for (qint16 v : values)
        bytes.append(char(quint16(v) >> 8)).append(char(v & 0xFF));
    return bytes;
}

Header someHeader()
{
    Header h;
    h.rate = 10000;
    h.startUtcMs = 1796550000123;
    h.model = QStringLiteral("VS-750");
    h.version = QStringLiteral("2.31");
    h.serial = QStringLiteral("SN<0042>");
    h.names = {QStringLiteral("速度反馈"), QStringLiteral("速度指令"), QStringLiteral("转矩指令"), QString()};
    h.units = {QStringLiteral("rpm"), QStringLiteral("rpm"), QStringLiteral("%"), QString()};
    h.coefficients = {QStringLiteral("0.1"), QStringLiteral("1"), QStringLiteral("0.01"), QStringLiteral("1")};
    return h;
}

// A recording of `count` random sets per segment, segments separated by lost sets.
struct Expected {
    QVector<qint64> positions;
    QVector<qint16> values; // 4 per set
};

Expected record(const QString &path, const QVector<int> &segments, const QVector<int> &lost)
{
    Expected e;
    WaveRecorder recorder;
    QString error;
    if (!recorder.start(path, someHeader(), &error))
        return e;
    qint64 position = 0;
    auto *random = QRandomGenerator::global();
    for (int s = 0; s < segments.size(); ++s) {
        QVector<qint16> values;
        for (int n = 0; n < segments[s]; ++n) {
            e.positions.append(position++);
            for (int c = 0; c < kChannels; ++c)
                values.append(qint16(random->bounded(-32768, 32768)));
        }
        e.values += values;
        // Handed over in pieces that split sets, as the link does.
        const QByteArray bytes = sets(values);
        for (int at = 0; at < bytes.size(); at += 1237)
            recorder.append(bytes.mid(at, 1237));
        if (s < lost.size()) {
            recorder.gap(lost[s]);
            position += lost[s];
        }
    }
    recorder.finish(&error);
    return e;
}

} // namespace

class TestWaveRecording : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    static void compareSamples(const Samples &got, const Expected &want, int from, int count)
    {
        QCOMPARE(got.positions, want.positions.mid(from, count));
        for (int c = 0; c < kChannels; ++c) {
            for (int i = 0; i < count; ++i)
                QVERIFY2(got.values[size_t(c)][i] == want.values[4 * (from + i) + c],
                         qPrintable(QStringLiteral("channel %1 set %2").arg(c).arg(from + i)));
        }
    }

private slots:
    void writtenRecordingReadsBackWhole()
    {
        const Expected e = record(path(QStringLiteral("a.rec")), {5000, 3, 20000}, {250, 1});
        Reader reader;
        QString error;
        QVERIFY(reader.open(path(QStringLiteral("a.rec")), &error));
        const Header want = someHeader(), &got = reader.header();
        QVERIFY(got.rate == want.rate && got.startUtcMs == want.startUtcMs && got.model == want.model
                && got.version == want.version && got.serial == want.serial && got.names == want.names
                && got.units == want.units && got.coefficients == want.coefficients);
        QVERIFY(!reader.cutShort());
        QCOMPARE(reader.sets(), qint64(25003));
        QCOMPARE(reader.lost(), qint64(251));
        QCOMPARE(reader.length(), qint64(25254));
        compareSamples(reader.read(0, reader.length()), e, 0, 25003);
        // A span across the loss, starting inside the lost stretch.
        compareSamples(reader.read(5100, 5300), e, 5000, 49);
    }

    // Whatever the cut, the file reads up to its last whole sample set.
    void cutShortFileReadsUpToTheCut_data()
    {
        QTest::addColumn<int>("cut"); // bytes kept after the header; -1: all but the last byte
        QTest::addColumn<int>("sets");
        QTest::addColumn<qint64>("length");
        QTest::newRow("nothing after the header") << 0 << 0 << qint64(0);
        QTest::newRow("mid block header") << 9 << 0 << qint64(0);
        QTest::newRow("mid set") << kBlockHeader + 37 * kSetBytes + 3 << 37 << qint64(37);
        QTest::newRow("mid second block header") << kBlockHeader + 100 * kSetBytes + 5 << 100 << qint64(100);
        QTest::newRow("mid closing section") << 2 * kBlockHeader + 150 * kSetBytes + 20 << 150 << qint64(200);
        QTest::newRow("closing magic torn") << -1 << 150 << qint64(200);
        QTest::newRow("index not matching the blocks") << -2 << 150 << qint64(200);
    }
    void cutShortFileReadsUpToTheCut()
    {
        QFETCH(int, cut);
        QFETCH(int, sets);
        QFETCH(qint64, length);
        Expected e;
        QVector<qint16> values;
        for (int n = 0; n < 150; ++n) {
            e.positions.append(n < 100 ? n : n + 50);
            for (int c = 0; c < kChannels; ++c)
                values.append(qint16(n * 7 - c * 1000));
        }
        e.values = values;
        const QByteArray data = ::sets(values);
        const QByteArray header = headerBytes(someHeader());
        QByteArray file = header + blockBytes(0, data.constData(), 100) + blockBytes(150, data.constData() + 800, 50);
        Closing closing;
        QString error;
        QVERIFY(closing.open(&error));
        for (int n = 0; n < 150; ++n)
            closing.addSet(e.positions[n], values.constData() + 4 * n);
        closing.addBlock(header.size() + kBlockHeader, 0, 100);
        closing.addBlock(header.size() + 2 * kBlockHeader + 100 * kSetBytes, 150, 50);
        QBuffer buffer(&file);
        QVERIFY(buffer.open(QIODevice::WriteOnly | QIODevice::Append));
        QVERIFY(closing.write(buffer, &error));
        buffer.close();
        if (cut == -2) // an index entry that points into the first block
            file[file.size() - 16 - 24 + 7] = char(file[file.size() - 16 - 24 + 7] - 8);
        else
            file.truncate(cut < 0 ? file.size() - 1 : header.size() + cut);
        QFile out(path(QStringLiteral("cut.rec")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();

        Reader reader;
        QVERIFY(reader.open(out.fileName(), &error));
        QVERIFY(reader.cutShort());
        QCOMPARE(reader.sets(), qint64(sets));
        QCOMPARE(reader.length(), length);
        compareSamples(reader.read(0, length), e, 0, sets);
        // The pyramid built on opening covers exactly what was read.
        const QVector<Column> whole = reader.columns(0, length, 1);
        if (sets > 0)
            QCOMPARE(whole.first().bin.high[0], qint16((sets - 1) * 7));
    }

    // Per column the pyramid's minimum and maximum equal a plain scan of the positions the column covers.
    void columnsMatchAPlainScan_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("width");
        for (bool closed : {true, false}) {
            const char *how = closed ? "closed" : "rebuilt";
            QTest::addRow("%s whole", how) << closed << qint64(0) << qint64(1 << 30) << 1350;
            QTest::addRow("%s whole, narrow", how) << closed << qint64(0) << qint64(1 << 30) << 150;
            QTest::addRow("%s unaligned span", how) << closed << qint64(12345) << qint64(345679) << 701;
            QTest::addRow("%s span over the loss", how) << closed << qint64(199000) << qint64(215000) << 97;
            QTest::addRow("%s single samples", how) << closed << qint64(99990) << qint64(100500) << 1350;
            QTest::addRow("%s fewer sets than columns", how) << closed << qint64(500) << qint64(510) << 40;
        }
    }
    void columnsMatchAPlainScan()
    {
        QFETCH(bool, closed);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, width);
        const QString name = QStringLiteral("p.rec");
        const Expected e = record(path(name), {200000, 400000}, {7777});
        if (!closed)
            QVERIFY(QFile::resize(path(name), QFileInfo(path(name)).size() - 100));
        Reader reader;
        QString error;
        QVERIFY(reader.open(path(name), &error));
        const qint64 length = reader.length();
        const QVector<Column> columns = reader.columns(from, to, width);
        QCOMPARE(columns.size(), width);
        QVERIFY(columns.first().first <= from && columns.last().end >= qMin(to, length));
        int i = 0;
        for (int k = 0; k < columns.size(); ++k) {
            const Column &column = columns[k];
            QVERIFY(k == 0 || column.first == columns[k - 1].end);
            WavePyramid::Bin scan;
            while (i < e.positions.size() && e.positions[i] < column.first)
                ++i;
            for (; i < e.positions.size() && e.positions[i] < column.end; ++i)
                scan.add(e.values.constData() + 4 * i);
            QVERIFY2(scan.empty() == column.bin.empty() && (scan.empty() || (scan.low == column.bin.low && scan.high == column.bin.high)),
                     qPrintable(QStringLiteral("column %1").arg(k)));
        }
    }

    // A span exported as CSV imports back with its values and its lost sets.
    void exportedSpanImportsBack()
    {
        const Expected e = record(path(QStringLiteral("x.rec")), {300, 200}, {40});
        Reader reader;
        QString error;
        QVERIFY(reader.open(path(QStringLiteral("x.rec")), &error));
        QVERIFY(reader.exportCsv(path(QStringLiteral("x.csv")), 250, 400, &error));
        const WaveFile::Content file = WaveFile::read(path(QStringLiteral("x.csv")), 100000);
        QVERIFY(file.opened);
        QCOMPARE(file.names.value(2), QStringLiteral("转矩指令"));
        QCOMPARE(file.model, QStringLiteral("VS-750"));
        for (int c = 0; c < kChannels; ++c) {
            QCOMPARE(file.values[size_t(c)].size(), 50 + 60);
            for (int k = 0; k < 110; ++k) {
                const int set = 250 + k;
                QCOMPARE(file.positions[size_t(c)][k], int(e.positions[set] - 250));
                QCOMPARE(file.values[size_t(c)][k], double(e.values[4 * set + c]));
            }
        }
        QVERIFY(!reader.exportCsv(path(QStringLiteral("no/such/x.csv")), 0, 10, &error));
        QVERIFY(!error.isEmpty());
    }

    // A full disk stops the recording with a reason and keeps what was written.
    void fullDiskStopsAndKeepsWhatWasWritten()
    {
        WaveRecorder full;
        QString error;
        QVERIFY(!full.start(QStringLiteral("/dev/full"), someHeader(), &error));
        QVERIFY(!error.isEmpty());

        // A file size limit makes the disk full part way through.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 200000;
        setrlimit(RLIMIT_FSIZE, &small);
        WaveRecorder recorder;
        QSignalSpy failed(&recorder, &WaveRecorder::failed);
        QVERIFY(recorder.start(path(QStringLiteral("full.rec")), someHeader(), &error));
        QVector<qint16> values;
        for (int n = 0; n < 4 * 100000; ++n)
            values.append(qint16(n / 4));
        const QByteArray bytes = ::sets(values);
        for (int at = 0; at < bytes.size(); at += 8000)
            recorder.append(bytes.mid(at, 8000));
        QTRY_COMPARE(failed.size(), 1);
        QVERIFY(!recorder.finish(&error));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!failed.first().first().toString().isEmpty());

        Reader reader;
        QVERIFY(reader.open(path(QStringLiteral("full.rec")), &error));
        QVERIFY(reader.sets() > 10000 && reader.sets() < 25000);
        const Samples samples = reader.read(0, reader.length());
        QCOMPARE(samples.values[3].last(), qint16(reader.sets() - 1));
    }
};

QTEST_GUILESS_MAIN(TestWaveRecording)
#include "tst_waverecording.moc"
