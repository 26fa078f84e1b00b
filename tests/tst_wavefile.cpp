// Waveform files: what a save writes, that a read gives the same points
// back, and that damaged or foreign files are read safely.

#include "mainwindow/wavefile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Channels = std::array<QVector<QPointF>, WaveFile::kChannels>;

QVector<QPointF> points(const QVector<double> &values)
{
    QVector<QPointF> list;
    for (int i = 0; i < values.size(); ++i)
        list.append(QPointF(i * 0.001, values[i]));
    return list;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QStringList kNames = {QStringLiteral("速度反馈"), QStringLiteral("速度指令"), QStringLiteral("转矩指令"),
                            QStringLiteral("转矩反馈")};

} // namespace

class TestWaveFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void fourChannelsWriteAndReadBack()
    {
        const Channels raw = {points({1, -32768, 0.5}), points({2, 32767, 1e-7}), points({3, 0, -1}),
                              points({4, 123456, 7})};
        QString error;
        QVERIFY(WaveFile::write(path("four.csv"), kNames, QStringLiteral("VS-200"), QStringLiteral("1.02"), raw,
                                &error));
        QCOMPARE(contents(path("four.csv")),
                 QStringLiteral("速度反馈,速度指令,转矩指令,转矩反馈,#Model=VS-200,#Version=1.02,,\n"
                                "1,2,3,4,\n"
                                "-32768,32767,0,123456,\n"
                                "0.5,1e-07,-1,7,\n")
                     .toUtf8());

        const WaveFile::Content back = WaveFile::read(path("four.csv"), 10000);
        QVERIFY(back.opened);
        QVERIFY(back.hasNames);
        QCOMPARE(back.names, kNames);
        QCOMPARE(back.model, QStringLiteral("VS-200"));
        QCOMPARE(back.version, QStringLiteral("1.02"));
        QCOMPARE(back.skippedLines, 0);
        for (int c = 0; c < WaveFile::kChannels; ++c) {
            QCOMPARE(back.values[size_t(c)].size(), 3);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(back.values[size_t(c)][i], raw[size_t(c)][i].y());
        }
    }

    void channelsOfDifferentLengthsKeepTheirColumns()
    {
        QString error;
        QVERIFY(WaveFile::write(path("one.csv"), kNames, QString(), QString(), {points({5, 6}), {}, {}, {}},
                                &error));
        QCOMPARE(contents(path("one.csv")),
                 QStringLiteral("速度反馈,速度指令,转矩指令,转矩反馈,#Model=,#Version=,,\n5,\n6,\n").toUtf8());
        const WaveFile::Content back = WaveFile::read(path("one.csv"), 10000);
        QCOMPARE(back.values[0], QVector<double>({5, 6}));
        QVERIFY(back.values[1].isEmpty());

        // A channel shorter than channel A leaves its fields empty: no value
        // is made up, and it reads back with its own points only.
        QVERIFY(WaveFile::write(path("short.csv"), kNames, QString(), QString(),
                                {points({1, 2, 3}), points({9}), {}, {}}, &error));
        QVERIFY(contents(path("short.csv")).endsWith("1,9,\n2,,\n3,,\n"));
        const WaveFile::Content shorter = WaveFile::read(path("short.csv"), 10000);
        QCOMPARE(shorter.values[0].size(), 3);
        QCOMPARE(shorter.values[1], QVector<double>({9}));
        QCOMPARE(shorter.skippedLines, 0);

        // After an import the channels may differ: an empty channel before
        // one with points keeps its column, and the points of a channel
        // longer than channel A are all written.
        QVERIFY(WaveFile::write(path("gaps.csv"), kNames, QString(), QString(),
                                Channels{{{}, points({1}), {}, points({4, 5, 6})}}, &error));
        QVERIFY(contents(path("gaps.csv")).endsWith("\n,1,,4,\n,,,5,\n,,,6,\n"));
        const WaveFile::Content gaps = WaveFile::read(path("gaps.csv"), 10000);
        QVERIFY(gaps.values[0].isEmpty());
        QCOMPARE(gaps.values[1], QVector<double>({1}));
        QVERIFY(gaps.values[2].isEmpty());
        QCOMPARE(gaps.values[3], QVector<double>({4, 5, 6}));
    }

    void randomCapturesSurviveSaveAndImport()
    {
        // Samples are 16-bit, signed: the limits come up often, the rest at
        // random; every round writes and reads back a fresh capture. Most
        // rounds have four equal channels, as captured; the others have
        // channels of any length, none included, as an import can leave them.
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const qint16 edges[] = {-32768, -32767, -1, 0, 1, 32766, 32767};
        for (int round = 0; round < 25; ++round) {
            const int captured = 1 + random.bounded(3000);
            const bool imported = random.bounded(3) == 0;
            Channels raw;
            for (int c = 0; c < WaveFile::kChannels; ++c) {
                const int count = imported ? random.bounded(4) * random.bounded(1000) : captured;
                QVector<double> values;
                for (int i = 0; i < count; ++i)
                    values.append(random.bounded(4) == 0 ? edges[random.bounded(int(std::size(edges)))]
                                                         : qint16(random.bounded(65536) - 32768));
                raw[size_t(c)] = points(values);
            }
            QString error;
            QVERIFY(WaveFile::write(path("random.csv"), kNames, QStringLiteral("VMR-A1"), QStringLiteral("V1.04"), raw, &error));
            const WaveFile::Content back = WaveFile::read(path("random.csv"), 100000);
            QCOMPARE(back.names, kNames);
            QCOMPARE(back.skippedLines, 0);
            for (int c = 0; c < WaveFile::kChannels; ++c) {
                const int count = raw[size_t(c)].size();
                QCOMPARE(back.values[size_t(c)].size(), count);
                for (int i = 0; i < count; ++i)
                    if (back.values[size_t(c)][i] != raw[size_t(c)][i].y())
                        QFAIL(qPrintable(QStringLiteral("seed %1, channel %2, point %3: %4 came back as %5")
                                             .arg(seed).arg(c).arg(i).arg(raw[size_t(c)][i].y()).arg(back.values[size_t(c)][i])));
            }
        }
    }

    void aFailedSaveSaysSoAndLeavesTheOldFile()
    {
        QString error;
        QVERIFY(!WaveFile::write(path("no/such/folder/x.csv"), kNames, QString(), QString(), {points({1})},
                                 &error));
        QVERIFY(!error.isEmpty());

        // A folder standing where the file should go.
        QDir(dir.path()).mkdir(QStringLiteral("taken.csv"));
        QVERIFY(!WaveFile::write(path("taken.csv"), kNames, QString(), QString(), {points({1})}, &error));
        QVERIFY(QFileInfo(path("taken.csv")).isDir());
    }

    void aFileWithoutHeaderStartsWithPoints()
    {
        put(path("bare.csv"), "1,2,3,4,\n5,6,7,8,\n");
        const WaveFile::Content file = WaveFile::read(path("bare.csv"), 10000);
        QVERIFY(!file.hasNames);
        QCOMPARE(file.values[0], QVector<double>({1, 5}));
        QCOMPARE(file.values[3], QVector<double>({4, 8}));
        QVERIFY(file.model.isEmpty());
    }

    void damagedFilesAreReadSafely_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("pointsA");
        QTest::addColumn<int>("skipped");

        const QByteArray header = "a,b,c,d,#Model=M,#Version=V,,\n";
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("header only") << header << 0 << 0;
        QTest::newRow("no final line feed") << header + "1,2,3,4,\n5,6,7,8" << 2 << 0;
        QTest::newRow("crlf") << QByteArray("a,b,c,d,\r\n1,2,3,4,\r\n") << 1 << 0;
        QTest::newRow("text in a value") << header + "1,2,3,4,\n1,x,3,4,\n2,2,3,4,\n" << 2 << 1;
        QTest::newRow("huge and non-finite") << header + "1e300,2,3,4,\nnan,1,1,1,\ninf,1,1,1,\n7,7,7,7,\n" << 1 << 3;
        QTest::newRow("blank lines") << header + "\n\n1,2,3,4,\n\n" << 1 << 0;
        QTest::newRow("line longer than 1023 bytes")
            << header + "1,2,3,4,\n" + QByteArray(3000, '7') + ",1,1,1,\n2,2,2,2,\n" << 2 << 1;
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 131 + 7) & 0xFF);
        QTest::newRow("binary") << binary << 0 << -1;
    }

    void damagedFilesAreReadSafely()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, pointsA);
        QFETCH(int, skipped);
        put(path("damaged.csv"), bytes);
        const WaveFile::Content file = WaveFile::read(path("damaged.csv"), 10000);
        QVERIFY(file.opened);
        QCOMPARE(file.values[0].size(), pointsA);
        if (skipped >= 0)
            QCOMPARE(file.skippedLines, skipped);
        for (int c = 0; c < WaveFile::kChannels; ++c)
            for (double v : file.values[size_t(c)])
                QVERIFY(std::isfinite(v) && std::abs(v) <= WaveFile::kMaxMagnitude);
    }

    void readingStopsAtTheLimit()
    {
        QByteArray bytes = "a,b,c,d,\n";
        for (int i = 0; i < 25; ++i)
            bytes += QByteArray::number(i) + ",0,0,0,\n";
        put(path("long.csv"), bytes);
        const WaveFile::Content file = WaveFile::read(path("long.csv"), 20);
        QCOMPARE(file.values[0].size(), 20);
        QCOMPARE(file.values[0].last(), 19.0);
        QVERIFY(file.truncated);

        QVERIFY(!WaveFile::read(path("missing.csv"), 20).opened);
    }
};

QTEST_APPLESS_MAIN(TestWaveFile)
#include "tst_wavefile.moc"
