// Units, divisions, cursors and statistics of the waveform measurements.

#include "mainwindow/wavemeasure.h"

#include <QtTest>

using namespace WaveMeasure;

class TestWaveMeasure : public QObject
{
    Q_OBJECT

private:
    static constexpr double kPeriod = 0.001;

    // Samples 0..9 of `values` at whole periods, sample 5 lost.
    static QVector<QPointF> points(const QVector<double> &values)
    {
        QVector<QPointF> out;
        for (int i = 0; i < values.size(); ++i)
            if (i != 5)
                out << QPointF(i * kPeriod, values[i]);
        return out;
    }

private slots:
    void valuesInTheirUnit_data()
    {
        QTest::addColumn<QString>("coeff");
        QTest::addColumn<double>("raw");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("tenths") << "0.1" << -123.0 << "%" << "-12.3 %";
        QTest::newRow("missing: raw, no unit") << "" << 5.0 << "" << "5";
        QTest::newRow("zero counts as 1") << "0" << 5.0 << "rpm" << "5 rpm";
        QTest::newRow("not a number") << "x1" << -7.0 << "" << "-7";
        QTest::newRow("infinite") << "inf" << 3.0 << "V" << "3 V";
    }
    void valuesInTheirUnit()
    {
        QFETCH(QString, coeff);
        QFETCH(double, raw);
        QFETCH(QString, unit);
        QTEST(valueText(raw * coefficient(coeff), unit), "shown");
    }

    void autoChoosesTheSmallestStepThatFits_data()
    {
        QTest::addColumn<double>("peak");
        QTest::addColumn<double>("perDivision");
        QTest::newRow("flat zero") << 0.0 << 1.0;
        QTest::newRow("exactly four divisions") << 4000.0 << 1000.0;
        QTest::newRow("just over") << 4001.0 << 2000.0;
        QTest::newRow("to a five") << 19.9 << 5.0;
        QTest::newRow("to a ten") << 20.1 << 10.0;
        QTest::newRow("smallest") << 0.003 << 0.001;
        QTest::newRow("beyond the largest") << 1e9 << 10000.0;
    }
    void autoChoosesTheSmallestStepThatFits()
    {
        QFETCH(double, peak);
        QTEST(autoDivision(peak, 4), "perDivision");
    }

    void cursorsSnapToSamples_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("snapped");
        QTest::addColumn<bool>("hasValue");
        QTest::newRow("nearest below") << 0.0034 << 0.003 << true;
        QTest::newRow("nearest above") << 0.00351 << 0.004 << true;
        QTest::newRow("before the first") << -1.0 << 0.0 << true;
        QTest::newRow("after the last") << 99.0 << 0.009 << true;
        QTest::newRow("a lost sample has no value") << 0.0051 << 0.005 << false;
    }
    void cursorsSnapToSamples()
    {
        QFETCH(double, t);
        QFETCH(double, snapped);
        QFETCH(bool, hasValue);
        const QVector<QPointF> ramp = points({0, 10, 20, 30, 40, 50, 60, 70, 80, 90});
        const double at = snap(t, kPeriod, 10);
        QVERIFY(qAbs(at - snapped) < 1e-12);
        double value = -1;
        QCOMPARE(valueAt(ramp, at, kPeriod, 0.5, &value), hasValue);
        if (hasValue)
            QCOMPARE(value, qRound(at / kPeriod) * 5.0);
    }

    void statisticsOverASpan_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<double>>("minMaxMeanRms");
        // A square of +-4 raw at coefficient 0.5: +-2, the lost sample 5 left out.
        QTest::newRow("whole square") << 0.0 << 0.009 << 9 << QVector<double>{-2, 2, 2.0 / 3, 2};
        QTest::newRow("one edge, ends included") << 0.001 << 0.003 << 3
                                                 << QVector<double>{-2, 2, 2.0 / 3, 2};
        QTest::newRow("one sample") << 0.004 << 0.004 << 1 << QVector<double>{-2, -2, -2, 2};
        QTest::newRow("only the lost sample") << 0.005 << 0.005 << 0 << QVector<double>{0, 0, 0, 0};
    }
    void statisticsOverASpan()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(QVector<double>, minMaxMeanRms);
        const Stats s = statistics(points({4, 4, 4, -4, -4, -4, 4, 4, -4, 4}), from, to, kPeriod, 0.5);
        QTEST(s.count, "count");
        QCOMPARE(QVector<double>({s.min, s.max, s.mean, s.rms}), minMaxMeanRms);
    }
};

QTEST_GUILESS_MAIN(TestWaveMeasure)
#include "tst_wavemeasure.moc"
