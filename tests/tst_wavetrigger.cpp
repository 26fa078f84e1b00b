// The trigger: where it finds the edge, which windows it hands out and what they hold.

#include "mainwindow/wavetrigger.h"

#include <QtTest>

#include <initializer_list>

namespace {

// A signal of runs: count, value, count, value...
QVector<double> runs(std::initializer_list<double> pairs)
{
    QVector<double> out;
    for (auto it = pairs.begin(); it != pairs.end(); it += 2)
        out += QVector<double>(int(it[0]), it[1]);
    return out;
}

QVector<double> ramp(double from, double to)
{
    QVector<double> out;
    for (double v = from; from < to ? v <= to : v >= to; v += from < to ? 1 : -1)
        out.append(v);
    return out;
}

} // namespace

class TestWaveTrigger : public QObject
{
    Q_OBJECT

private slots:
    void windowsAroundEdges_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("edge");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("coefficient");
        QTest::addColumn<int>("pre");
        QTest::addColumn<int>("window");
        QTest::addColumn<double>("hysteresis");
        QTest::addColumn<QVector<double>>("signal");
        QTest::addColumn<QVector<int>>("batches"); // the last size repeats; a negative one is a loss
        QTest::addColumn<QStringList>("windows");  // T: triggered, F: free-running; the set at time 0
        QTest::addColumn<int>("state");

        const auto N = WaveTrigger::Normal, A = WaveTrigger::Auto, S = WaveTrigger::Single;
        const auto R = WaveTrigger::Rising, F = WaveTrigger::Falling;
        const QVector<double> square = runs({50, -100, 50, 100, 50, -100, 50, 100});
        const QVector<double> fast = runs({10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1});
        QVector<double> noisy = runs({10, -100});
        for (int i = 0; i < 20; ++i)
            noisy.append(i % 2 ? -1 : 1);
        noisy += runs({10, 100});

        QTest::newRow("rising, pre 50%") << int(N) << int(R) << 0.0 << 1.0 << 50 << 20 << 0.02 << square
                                         << QVector<int>{25} << QStringList{"T50", "T150"} << int(WaveTrigger::Armed);
        QTest::newRow("falling") << int(N) << int(F) << 0.0 << 1.0 << 50 << 20 << 0.02 << square << QVector<int>{25}
                                 << QStringList{"T100"} << int(WaveTrigger::Armed);
        QTest::newRow("rising onto the level") << int(N) << int(R) << 0.0 << 1.0 << 0 << 10 << 0.02 << ramp(-20, 20)
                                               << QVector<int>{7} << QStringList{"T20"} << int(WaveTrigger::Armed);
        QTest::newRow("falling onto the level, pre 90%") << int(N) << int(F) << 0.0 << 1.0 << 90 << 10 << 0.02
                                                         << ramp(20, -20) << QVector<int>{7} << QStringList{"T20"}
                                                         << int(WaveTrigger::Armed);
        QTest::newRow("in the first batch, early part missing") << int(S) << int(R) << 0.0 << 1.0 << 50 << 20 << 0.0
                                                                << runs({5, -1, 40, 1}) << QVector<int>{25}
                                                                << QStringList{"T5"} << int(WaveTrigger::Stopped);
        QTest::newRow("full within the trigger's batch") << int(N) << int(R) << 0.0 << 1.0 << 50 << 10 << 0.0
                                                         << runs({70, -1, 30, 1}) << QVector<int>{50, 25}
                                                         << QStringList{"T70"} << int(WaveTrigger::Armed);
        QTest::newRow("across a batch boundary") << int(N) << int(R) << 0.0 << 1.0 << 10 << 10 << 0.0
                                                 << runs({25, -1, 25, 1}) << QVector<int>{25} << QStringList{"T25"}
                                                 << int(WaveTrigger::Armed);
        QTest::newRow("noise within the hysteresis") << int(N) << int(R) << 0.0 << 1.0 << 0 << 4 << 0.02 << noisy
                                                     << QVector<int>{1} << QStringList{"T10"}
                                                     << int(WaveTrigger::Armed);
        QTest::newRow("noise without hysteresis") << int(N) << int(R) << 0.0 << 1.0 << 0 << 4 << 0.0 << noisy
                                                  << QVector<int>{1}
                                                  << QStringList{"T10", "T14", "T18", "T22", "T26", "T30"}
                                                  << int(WaveTrigger::Armed);
        QTest::newRow("auto runs free") << int(A) << int(R) << 0.0 << 1.0 << 50 << 20 << 0.02 << runs({60, -5})
                                        << QVector<int>{20} << QStringList{"F10", "F30", "F50"}
                                        << int(WaveTrigger::Armed);
        QTest::newRow("auto takes a trigger") << int(A) << int(R) << 0.0 << 1.0 << 0 << 20 << 0.02
                                              << runs({15, -5, 45, 5}) << QVector<int>{20}
                                              << QStringList{"T15", "F35"} << int(WaveTrigger::Armed);
        QTest::newRow("normal holds off, re-arms") << int(N) << int(R) << 0.0 << 1.0 << 0 << 30 << 0.02 << fast
                                                   << QVector<int>{10} << QStringList{"T10", "T50"}
                                                   << int(WaveTrigger::Triggered);
        QTest::newRow("single stops") << int(S) << int(R) << 0.0 << 1.0 << 0 << 30 << 0.02 << fast
                                      << QVector<int>{10} << QStringList{"T10"} << int(WaveTrigger::Stopped);
        QTest::newRow("a loss is no edge") << int(N) << int(R) << 0.0 << 1.0 << 50 << 60 << 0.02
                                           << runs({30, -100, 30, 100, 5, -100, 35, 100})
                                           << QVector<int>{30, -10, 30, 40} << QStringList{"T75"}
                                           << int(WaveTrigger::Armed);
        QTest::newRow("a loss inside the window") << int(S) << int(R) << 0.0 << 1.0 << 50 << 40 << 0.02
                                                  << runs({30, -100, 30, 100}) << QVector<int>{40, -5, 25}
                                                  << QStringList{"T30"} << int(WaveTrigger::Stopped);
        QTest::newRow("level in the unit") << int(N) << int(R) << 5.0 << 0.1 << 0 << 10 << 0.0 << ramp(0, 100)
                                           << QVector<int>{25} << QStringList{"T50"} << int(WaveTrigger::Armed);
        QTest::newRow("coefficient 0 counts as 1") << int(N) << int(R) << 5.0 << 0.0 << 0 << 10 << 0.0
                                                   << ramp(0, 100) << QVector<int>{25} << QStringList{"T5"}
                                                   << int(WaveTrigger::Armed);
        QTest::newRow("negative coefficient") << int(N) << int(R) << 0.0 << -1.0 << 0 << 10 << 0.0 << ramp(20, -20)
                                              << QVector<int>{25} << QStringList{"T20"} << int(WaveTrigger::Armed);
    }

    void windowsAroundEdges()
    {
        QFETCH(QVector<double>, signal);
        QFETCH(QVector<int>, batches);
        WaveTrigger::Settings settings;
        QFETCH(int, mode);
        QFETCH(int, edge);
        settings.mode = WaveTrigger::Mode(mode);
        settings.edge = WaveTrigger::Edge(edge);
        QFETCH(double, level);
        QFETCH(double, coefficient);
        QFETCH(int, pre);
        QFETCH(int, window);
        QFETCH(double, hysteresis);
        settings.level = level;
        settings.coefficient = coefficient;
        settings.preTrigger = pre;
        settings.window = window;
        settings.hysteresis = hysteresis;
        settings.source = 2;
        WaveTrigger trigger;
        trigger.setSettings(settings);

        // Channel B counts the sample sets, so each point tells where it came from.
        QSet<qint64> fed;
        QStringList windows;
        qint64 position = 0;
        for (int used = 0, b = 0; used < signal.size(); ++b) {
            const int size = batches.value(b, batches.last());
            if (size < 0) {
                trigger.gap(-size);
                position -= size;
            } else {
                WaveCapture::Batch batch;
                for (int i = used; i < qMin(used + size, signal.size()); ++i, ++position) {
                    batch[0].append(-signal[i]);
                    batch[1].append(double(position));
                    batch[2].append(signal[i]);
                    batch[3].append(0);
                    fed.insert(position);
                }
                used += size;
                trigger.feed(batch);
            }
            WaveTrigger::Window w;
            if (!trigger.takeWindow(&w))
                continue;
            windows << QStringLiteral("%1%2").arg(w.triggered ? 'T' : 'F').arg(w.position);
            const int before = WaveTrigger::preTriggerSets(window, pre);
            QVector<double> expected;
            for (qint64 p = w.position - before; p < w.position - before + window; ++p) {
                if (fed.contains(p))
                    expected.append(double(p));
            }
            QVector<double> got;
            for (const QPointF &point : w.points[1]) {
                QCOMPARE(qRound64(point.x() / double(settings.period)), qint64(point.y()) - w.position);
                got.append(point.y());
            }
            QCOMPARE(got, expected);
        }
        QTEST(windows, "windows");
        QCOMPARE(trigger.windows(), windows.size());
        QTEST(int(trigger.state()), "state");
    }
};

QTEST_APPLESS_MAIN(TestWaveTrigger)
#include "tst_wavetrigger.moc"
