// Spectra of captured channels: a sine read at its frequency and amplitude through every window, on a bin and
// between bins; two sines as two peaks; the evenly spaced samples of a time span.

#include "mainwindow/wavespectrum.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(WaveSpectrum::Window)

namespace {
// One second at 1 kHz: bins 1 Hz apart. Each sine rides on a constant that the spectrum must ignore.
QVector<double> sines(const QVector<QPair<double, double>> &hzAndAmplitude, double constant = 700)
{
    QVector<double> v(1000, constant);
    for (int i = 0; i < v.size(); ++i)
        for (const auto &s : hzAndAmplitude)
            v[i] += s.second * std::sin(2 * M_PI * s.first * i / 1000 + 0.3);
    return v;
}

const QVector<QPair<const char *, WaveSpectrum::Window>> kWindows = {
    {"rectangular", WaveSpectrum::Rectangular}, {"Hann", WaveSpectrum::Hann},
    {"Hamming", WaveSpectrum::Hamming}, {"Blackman-Harris", WaveSpectrum::BlackmanHarris}};
} // namespace

class TestWaveSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void sineReadsItsFrequencyAndAmplitude_data()
    {
        QTest::addColumn<WaveSpectrum::Window>("window");
        QTest::addColumn<double>("hz");
        for (const auto &w : kWindows)
            for (double hz : {50.0, 50.5, 123.3, 400.8})
                QTest::addRow("%s, %g Hz", w.first, hz) << w.second << hz;
    }

    void sineReadsItsFrequencyAndAmplitude()
    {
        QFETCH(WaveSpectrum::Window, window);
        QFETCH(double, hz);
        WaveSpectrum spectrum;
        const WaveSpectrum::Result r = spectrum.compute(sines({{hz, 250}}), 1000, window);
        QVERIFY(r.curve.size() == 501 && r.curve.last().x() == 500.0);
        QVERIFY(!r.peaks.isEmpty());
        QVERIFY2(qAbs(r.peaks[0].frequency - hz) < r.binWidth, qPrintable(QString::number(r.peaks[0].frequency)));
        QVERIFY2(qAbs(r.peaks[0].db - 20 * std::log10(250.0)) < 1, qPrintable(QString::number(r.peaks[0].db)));
        // The constant is gone: bin 0 stays far below the sine.
        QVERIFY(r.curve[0].y() < r.peaks[0].db - 40);
    }

    void twoSinesAreTwoPeaks_data()
    {
        QTest::addColumn<WaveSpectrum::Window>("window");
        for (const auto &w : kWindows)
            QTest::addRow("%s", w.first) << w.second;
    }

    void twoSinesAreTwoPeaks()
    {
        QFETCH(WaveSpectrum::Window, window);
        WaveSpectrum spectrum;
        // Planned once for this size, reused for the second transform.
        spectrum.compute(sines({{10, 1}}), 1000, window);
        const WaveSpectrum::Result r = spectrum.compute(sines({{50.3, 1000}, {120.5, 100}}), 1000, window);
        QVERIFY(r.peaks.size() >= 2);
        QVERIFY(qAbs(r.peaks[0].frequency - 50.3) < 1 && qAbs(r.peaks[1].frequency - 120.5) < 1);
        QVERIFY(qAbs(r.peaks[0].db - 60) < 1 && qAbs(r.peaks[1].db - 40) < 1);
        // Anything else listed is leakage, well below the smaller sine.
        for (int i = 2; i < r.peaks.size(); ++i)
            QVERIFY2(r.peaks[i].db < 30, qPrintable(QString::number(r.peaks[i].frequency)));
        // No signal, no peaks.
        QVERIFY(spectrum.compute(QVector<double>(1000, 5), 1000, window).peaks.isEmpty());
        QVERIFY(spectrum.compute(QVector<double>(3, 5), 1000, window).curve.isEmpty());
    }

    void spanTakesItsSamplesEvenlySpaced()
    {
        // Sample positions 0, 1, 2, 5, 6 at 1 ms: the lost 3 and 4 repeat the value before them.
        const QVector<QPointF> points{{0, 1}, {0.001, 2}, {0.002, 3}, {0.005, 6}, {0.006, 7}};
        QCOMPARE(WaveSpectrum::samplesBetween(points, 0.001, 0.001, 0.005), (QVector<double>{2, 3, 3, 3, 6}));
        QCOMPARE(WaveSpectrum::samplesBetween(points, 0.001, -1, 1).size(), 7);
        QVERIFY(WaveSpectrum::samplesBetween(points, 0.001, 0.0031, 0.0039).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWaveSpectrum)
#include "tst_wavespectrum.moc"
