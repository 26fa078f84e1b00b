// The trigger: where it finds the edge, which windows it hands out and what they hold.

#include "mainwindow/wavetrigger.h"

#include <QtTest>

namespace {

// A signal of runs: count, value, count, value...
QVector<double> runs(std::initializer_list<double> pairs)
{
    QVector<double> out;
    for (auto it = pairs.begin(); it != pairs.end(); it += 2)
        out += QVector<double>(int(it[0]), it[1]);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(WaveTrigger::Settings)

class TestWaveTrigger : public QObject
{
    Q_OBJECT

private slots:
    void windowsAroundEdges_data()
    {
        QTest::addColumn<WaveTrigger::Settings>("settings");
        QTest::addColumn<QVector<double>>("signal");
        QTest::addColumn<QVector<int>>("batches"); // the last size repeats; a negative one is a loss
        QTest::addColumn<QStringList>("windows");  // T: triggered, F: free-running; the set at time 0
        QTest::addColumn<int>("state");
        const auto row = [](const char *name, WaveTrigger::Mode mode, WaveTrigger::Edge edge, int pre, int window,
                            double hysteresis, const QVector<double> &signal, const QVector<int> &batches,
                            const QStringList &windows, WaveTrigger::State state, double level = 0, double coefficient = 1) {
            WaveTrigger::Settings s;
            s.mode = mode, s.edge = edge, s.preTrigger = pre, s.window = window, s.hysteresis = hysteresis;
            s.level = level, s.coefficient = coefficient, s.source = 2;
            QTest::newRow(name) << s << signal << batches << windows << int(state);
        };
        const auto N = WaveTrigger::Normal, A = WaveTrigger::Auto, S = WaveTrigger::Single;
        const auto R = WaveTrigger::Rising, F = WaveTrigger::Falling;
        const auto armed = WaveTrigger::Armed, stopped = WaveTrigger::Stopped;
        const QVector<double> square = runs({50, -100, 50, 100, 50, -100, 50, 100});
        const QVector<double> fast = runs({10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1, 10, -1, 10, 1});
        const QVector<double> noisy = runs({10, -100}) + runs({1, 1, 1, -1}) + runs({1, 1, 1, -1}) + runs({1, 1, 1, -1})
            + runs({1, 1, 1, -1, 1, 1, 1, -1, 1, 1, 1, -1, 1, 1, 1, -1, 1, 1, 1, -1, 1, 1, 1, -1, 1, 1, 1, -1, 10, 100});

        row("rising, pre 50%", N, R, 50, 20, 0.02, square, {25}, {"T50", "T150"}, armed);
        row("rising onto the level", N, R, 0, 10, 0.02, runs({10, -20, 1, 0, 10, 20}), {7}, {"T10"}, armed);
        row("falling onto the level, pre 90%", N, F, 90, 10, 0.02, runs({10, 20, 1, 0, 10, -20}), {7}, {"T10"}, armed);
        row("in the first batch, early part missing", S, R, 50, 20, 0, runs({5, -1, 40, 1}), {25}, {"T5"}, stopped);
        row("full within the trigger's batch", N, R, 50, 10, 0, runs({70, -1, 30, 1}), {50, 25}, {"T70"}, armed);
        row("across a batch boundary", N, R, 10, 10, 0, runs({25, -1, 25, 1}), {25}, {"T25"}, armed);
        row("noise within the hysteresis", N, R, 0, 4, 0.02, noisy, {1}, {"T10"}, armed);
        row("noise without hysteresis", N, R, 0, 4, 0, noisy, {1}, {"T10", "T14", "T18", "T22", "T26", "T30"}, armed);
        row("auto runs free", A, R, 50, 20, 0.02, runs({60, -5}), {20}, {"F10", "F30", "F50"}, armed);
        row("auto takes a trigger", A, R, 0, 20, 0.02, runs({15, -5, 45, 5}), {20}, {"T15", "F35"}, armed);
        row("normal holds off, re-arms", N, R, 0, 30, 0.02, fast, {10}, {"T10", "T50"}, WaveTrigger::Triggered);
        row("single stops", S, R, 0, 30, 0.02, fast, {10}, {"T10"}, stopped);
        row("a loss is no edge", N, R, 50, 60, 0.02, runs({30, -100, 30, 100, 5, -100, 35, 100}), {30, -10, 30, 40},
            {"T75"}, armed);
        row("a loss inside the window", S, R, 50, 40, 0.02, runs({30, -100, 30, 100}), {40, -5, 25}, {"T30"}, stopped);
        row("level in the unit", N, R, 0, 10, 0, runs({10, 0, 1, 40, 1, 50, 10, 99}), {25}, {"T11"}, armed, 5, 0.1);
        row("coefficient 0 counts as 1", N, R, 0, 10, 0, runs({10, 0, 10, 5}), {25}, {"T10"}, armed, 5, 0);
        row("negative coefficient", N, R, 0, 10, 0, runs({10, 20, 10, -20}), {25}, {"T10"}, armed, 0, -1);
    }

    void windowsAroundEdges()
    {
        QFETCH(WaveTrigger::Settings, settings);
        QFETCH(QVector<double>, signal);
        QFETCH(QVector<int>, batches);
        WaveTrigger trigger;
        trigger.setSettings(settings);

        // Channel B counts the sample sets, so each point tells where it came from; A stays 0.
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
                    batch[1].append(double(position));
                    batch[2].append(signal[i]);
                    fed.insert(position);
                }
                used += size;
                trigger.feed(batch);
            }
            WaveTrigger::Window w;
            if (!trigger.takeWindow(&w))
                continue;
            // Every sample set of the window that came, each at its time from the trigger.
            windows << QStringLiteral("%1%2").arg(w.triggered ? 'T' : 'F').arg(w.position);
            const qint64 first = w.position - WaveTrigger::preTriggerSets(settings.window, settings.preTrigger);
            QVector<double> expected;
            for (qint64 p = first; p < first + settings.window; ++p)
                expected += fed.contains(p) ? QVector<double>{double(p)} : QVector<double>();
            QVector<double> got;
            for (const QPointF &point : w.points[1])
                got.append(qRound64(point.x() / double(settings.period)) + w.position == qint64(point.y()) ? point.y() : -1);
            QCOMPARE(got, expected);
        }
        QTEST(windows, "windows");
        QCOMPARE(trigger.windows(), windows.size());
        QTEST(int(trigger.state()), "state");
    }
};

QTEST_APPLESS_MAIN(TestWaveTrigger)
#include "tst_wavetrigger.moc"
