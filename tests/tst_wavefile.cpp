// Waveform files: what a save writes and reads back, and damaged files read safely.

#include "mainwindow/wavefile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using Channels = std::array<QVector<QPointF>, WaveFile::kChannels>;
const float kPeriod = 0.001f;

// Points at these sample positions (one a value, in order), or at 0, 1, 2... .
QVector<QPointF> points(const QVector<double> &values, QVector<int> at = {})
{
    QVector<QPointF> list;
    for (int i = 0; i < values.size(); ++i)
        list.append(QPointF(at.value(i, i) * double(kPeriod), values[i]));
    return list;
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

Q_DECLARE_METATYPE(Channels)

class TestWaveFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void layoutsWriteAndReadBack_data()
    {
        QTest::addColumn<Channels>("raw");
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<double>("trigger"); // seconds; negative: none, as in files of earlier versions

        QTest::newRow("four channels")
            << Channels{{points({1, -32768, 0.5}), points({2, 32767, 1e-7}), points({3, 0, -1}), points({4, 123456, 7})}}
            << QByteArray("1,2,3,4,\n-32768,32767,0,123456,\n0.5,1e-07,-1,7,\n") << -1.0;
        QTest::newRow("one channel") << Channels{{points({5, 6}), {}, {}, {}}} << QByteArray("5,\n6,\n") << -1.0;
        // A channel shorter than channel A leaves its fields empty: no value is made up.
        QTest::newRow("shorter channel") << Channels{{points({1, 2, 3}), points({9}), {}, {}}}
                                         << QByteArray("1,9,\n2,,\n3,,\n") << -1.0;
        // An empty channel keeps its column; a channel longer than A is written whole.
        QTest::newRow("empty channel first") << Channels{{{}, points({1}), {}, points({4, 5, 6})}}
                                             << QByteArray(",1,,4,\n,,,5,\n,,,6,\n") << -1.0;
        // Lost sample sets are lines of empty fields, before the first point too.
        QTest::newRow("lost sets")
            << Channels{{points({1, 2, 3}, {1, 2, 5}), points({4, 5, 6}, {1, 2, 5}), {}, {}}}
            << QByteArray(",,\n1,4,\n2,5,\n,,\n,,\n3,6,\n") << -1.0;
        // Seconds from the first line, at single precision as the page keeps its period.
        QTest::newRow("around a trigger") << Channels{{points({1, 2, 3}), {}, {}, {}}} << QByteArray("1,\n2,\n3,\n")
                                          << 125 * double(kPeriod);
    }

    void layoutsWriteAndReadBack()
    {
        QFETCH(Channels, raw);
        QFETCH(QByteArray, lines);
        QFETCH(double, trigger);
        QString error;
        QVERIFY(WaveFile::write(path("layout.csv"), kNames, QStringLiteral("VS-200"), QStringLiteral("1.02"), raw,
                                kPeriod, &error, trigger));
        QFile written(path("layout.csv"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
                 QStringLiteral("速度反馈,速度指令,转矩指令,转矩反馈,#Model=VS-200,#Version=1.02,%1,\n")
                         .arg(trigger < 0 ? QString() : QStringLiteral("#Trigger=0.125,")).toUtf8() + lines);

        // A read gives back what was written: values and sample positions.
        const WaveFile::Content back = WaveFile::read(path("layout.csv"), 10000);
        QVERIFY(back.hasNames && back.names == kNames && back.skippedLines == 0);
        QCOMPARE(back.model + back.version, QStringLiteral("VS-2001.02"));
        QCOMPARE(back.hasTrigger ? back.triggerTime : -1.0, trigger < 0 ? -1.0 : 0.125);
        for (int c = 0; c < WaveFile::kChannels; ++c) {
            QVector<double> values;
            QVector<int> positions;
            for (const QPointF &p : raw[size_t(c)]) {
                values.append(p.y());
                positions.append(qRound(p.x() / double(kPeriod)));
            }
            QCOMPARE(back.values[size_t(c)], values);
            QCOMPARE(back.positions[size_t(c)], positions);
        }
    }

    // A folder standing where the file should go.
    void aFailedSaveSaysSoAndLeavesTheOldFile()
    {
        QString error;
        QDir(dir.path()).mkdir(QStringLiteral("taken.csv"));
        QVERIFY(!WaveFile::write(path("taken.csv"), kNames, QString(), QString(), {points({1})}, kPeriod, &error));
        QVERIFY(!error.isEmpty() && QFileInfo(path("taken.csv")).isDir());
    }

    void damagedFilesAreReadSafely_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QVector<int>>("positionsA");
        QTest::addColumn<int>("skipped");
        // Where channel A's points land; the fuzz target checks the values are finite and bounded.
        const QByteArray header = "a,b,c,d,#Model=M,#Version=V,,\n";
        QTest::newRow("empty") << QByteArray() << QVector<int>() << 0;
        QTest::newRow("header only") << header << QVector<int>() << 0;
        QTest::newRow("no header: points from the first line") << QByteArray("1,2,3,4,\n5,6,7,8,\n")
                                                               << QVector<int>{0, 1} << 0;
        QTest::newRow("no final line feed") << header + "1,2,3,4,\n5,6,7,8" << QVector<int>{0, 1} << 0;
        QTest::newRow("crlf") << QByteArray("a,b,c,d,\r\n1,2,3,4,\r\n") << QVector<int>{0} << 0;
        QTest::newRow("text in a value") << header + "1,2,3,4,\n1,x,3,4,\n2,2,3,4,\n" << QVector<int>{0, 1} << 1;
        QTest::newRow("huge and non-finite") << header + "1e300,2,3,4,\nnan,1,1,1,\ninf,1,1,1,\n7,7,7,7,\n"
                                             << QVector<int>{0} << 3;
        // Blank lines and empty fields take no time; a line of only empty fields is a lost set.
        QTest::newRow("blank lines") << header + "\n\n1,2,3,4,\n\n" << QVector<int>{0} << 0;
        QTest::newRow("empty field") << header + "1,2,\n,5,\n3,6,\n" << QVector<int>{0, 1} << 0;
        QTest::newRow("lost sets") << header + "1,2,3,4,\n,,,,\n , ,\r\n5,6,7,8,\n" << QVector<int>{0, 3} << 0;
        QTest::newRow("line longer than 1023 bytes")
            << header + "1,2,3,4,\n" + QByteArray(3000, '7') + ",1,1,1,\n2,2,2,2,\n" << QVector<int>{0, 1} << 1;
    }

    void damagedFilesAreReadSafely()
    {
        QFETCH(QByteArray, bytes);
        put(path("damaged.csv"), bytes);
        const WaveFile::Content file = WaveFile::read(path("damaged.csv"), 10000);
        QTEST(file.positions[0], "positionsA");
        QTEST(file.skippedLines, "skipped");
    }

    void readingStopsAtTheLimit()
    {
        QByteArray bytes = "a,b,c,d,\n";
        for (int i = 0; i < 25; ++i)
            bytes += QByteArray::number(i) + ",0,0,0,\n";
        put(path("long.csv"), bytes);
        const WaveFile::Content file = WaveFile::read(path("long.csv"), 20);
        QVERIFY(file.values[0].size() == 20 && file.values[0].last() == 19.0 && file.truncated);
        QVERIFY(!WaveFile::read(path("missing.csv"), 20).opened);
    }
};

QTEST_APPLESS_MAIN(TestWaveFile)
#include "tst_wavefile.moc"
