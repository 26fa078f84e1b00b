// The captured waveform: decoding, the capacity and time window, the dials and curve thinning.

#include "mainwindow/fastcurve.h"
#include "mainwindow/wavecapture.h"

#include <qwt_scale_map.h>

#include <QtTest>

namespace {

WaveCapture::Batch ramp(int from, int count)
{
    WaveCapture::Batch batch;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < WaveCapture::kChannels; ++c)
            batch[size_t(c)].append(from + i + 1000 * c);
    return batch;
}

} // namespace

class TestWaveCapture : public QObject
{
    Q_OBJECT

private slots:
    void batchesWaitForTheThresholdAndDecodeSigned()
    {
        WaveCapture wave;
        WaveCapture::Batch batch;
        // 50 sets of four big-endian values, channel A counting 0..49.
        QByteArray bytes(400, '\0');
        for (int n = 0; n < 50; ++n)
            bytes[8 * n + 1] = char(n);

        QVERIFY(!wave.receive(bytes.left(399), 400, &batch));
        QCOMPARE(wave.buffered(), 399);
        // The next delivery brings 50 whole sets and 3 bytes of one that goes.
        QVERIFY(wave.receive(bytes.mid(399) + QByteArray("\x01\x02\x03", 3), 400, &batch));
        QVERIFY(batch[0].size() == 50 && batch[0].first() == 0 && batch[0].last() == 49);
        QCOMPARE(wave.buffered(), 0);

        // At 10 kHz 400 bytes are no batch, until taken as they stand at a stop or a loss.
        QVERIFY(!wave.receive(bytes + "\x01", 4000, &batch));
        QVERIFY(wave.takeBuffered(&batch));
        QCOMPARE(batch[0].size(), 50);
        QCOMPARE(wave.buffered(), 0);
        QVERIFY(!wave.takeBuffered(&batch));

        // Samples are signed and big-endian on every channel.
        batch = WaveCapture::decode(QByteArray::fromHex("8000800080008000" "7fff7fff7fff7fff" "ffffffffffffffff"
                                                        "0001010080007fff"));
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            QCOMPARE(batch[size_t(c)].value(0), -32768.0);
            QCOMPARE(batch[size_t(c)].value(1), 32767.0);
            QCOMPARE(batch[size_t(c)].value(2), -1.0);
        }
        // Channel order within a set is A, B, C, D.
        QCOMPARE((QList<double>{batch[0].value(3), batch[1].value(3), batch[2].value(3), batch[3].value(3)}),
                 (QList<double>{1, 256, -32768, 32767}));
    }

    void theOldestPointsGiveWayAtTheCapacity()
    {
        WaveCapture wave;
        wave.setTiming(10000, 0.001f);
        QCOMPARE(wave.append(ramp(0, 10000)), 0);
        QCOMPARE(wave.raw(0).last().x(), 9999 * double(0.001f));

        // The 10001st point pushes the first out and moves the rest 1 ms back.
        QCOMPARE(wave.append(ramp(10000, 1)), 1);
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            QCOMPARE(wave.raw(c).first().y(), 1.0 + 1000 * c);
            QCOMPARE(wave.raw(c).first().x(), 0.0);
            QCOMPARE(wave.raw(c).last().y(), 10000.0 + 1000 * c);
        }
        QVERIFY(qAbs(wave.raw(0).last().x() - 9.999) < 1e-6);

        // A batch larger than the whole capacity keeps its newest points.
        QCOMPARE(wave.append(ramp(20000, 12000)), 12000);
        QCOMPARE(wave.raw(0).first().y(), 22000.0);
        QCOMPARE(wave.raw(0).last().y(), 31999.0);
        QCOMPARE(wave.raw(0).first().x(), 0.0);

        wave.clear();
        wave.append(ramp(-5, 1));
        QCOMPARE(wave.raw(0).first(), QPointF(0, -5));
    }

    void lostSetsTakeTimeInTheWindow()
    {
        // A window of 10 positions: 4 points, 3 lost sets, 2 points.
        WaveCapture wave;
        wave.setTiming(10, 0.001f);
        wave.append(ramp(0, 4));
        wave.gap(3);
        wave.append(ramp(4, 2));
        QCOMPARE(wave.length(), 9);
        QCOMPARE(wave.raw(3).at(4), QPointF(7 * double(0.001f), 3004));
        // Three more push two positions out: the time window decides, not the point count.
        QCOMPARE(wave.append(ramp(6, 3)), 2);
        QCOMPARE(wave.count(), 7);
        QCOMPARE(wave.length(), 10);
        QCOMPARE(wave.raw(0).first(), QPointF(0, 2));
        QCOMPARE(wave.raw(0).at(2), QPointF(5 * double(0.001f), 4));
        // A loss as long as the window leaves nothing behind.
        wave.gap(1000);
        QCOMPARE(wave.count(), 0);
        wave.append(ramp(9, 1));
        QCOMPARE(wave.raw(0).first(), QPointF(9 * double(0.001f), 9));
    }

    void dialsZoomTheAxesAndDoNotWrap()
    {
        const auto horizontal = [](int dial, double lower, double upper, int capacity, float period) {
            double lo = 0, hi = 0;
            WaveCapture::horizontalRange(dial, lower, upper, capacity, period, &lo, &hi);
            return QPointF(lo, hi);
        };
        // Fully out: the whole window, at either rate.
        QCOMPARE(horizontal(0, 3, 4, 10000, 0.001f), QPointF(0, 10));
        QCOMPARE(horizontal(0, 3, 4, 100000, 0.0001f), QPointF(0, 10));
        // 27 is an eighth of it, around the current centre, pushed back inside the window at either end.
        QCOMPARE(horizontal(27, 4, 6, 10000, 0.001f), QPointF(4.375, 5.625));
        QCOMPARE(horizontal(27, 9.5, 10, 10000, 0.001f), QPointF(8.75, 10));
        QCOMPARE(horizontal(27, 0, 0.2, 10000, 0.001f), QPointF(0, 1.25));

        // The start value of the vertical dial belongs to the start range of the axis.
        QCOMPARE(WaveCapture::verticalDialFor(-15, 15), 40);
        QCOMPARE(WaveCapture::verticalDialFor(-40, 40), 37);
        double lo = 0, hi = 0;
        WaveCapture::verticalRange(40, -15, 15, &lo, &hi);
        QCOMPARE(QPointF(lo, hi), QPointF(-16, 16));
        WaveCapture::verticalRange(50, 90, 110, &lo, &hi);
        QCOMPARE(QPointF(lo, hi), QPointF(99.5, 100.5));

        // Horizontal dial 0..100: from the maximum, a jump to the lower half stays.
        QCOMPARE(WaveCapture::wrapGuard(100, 3, 0, 100), 100);
        QCOMPARE(WaveCapture::wrapGuard(100, 51, 0, 100), 51);
        QCOMPARE(WaveCapture::wrapGuard(0, 97, 0, 100), 0);
        QCOMPARE(WaveCapture::wrapGuard(0, 49, 0, 100), 49);
        // Vertical dial 1..100: half of the range is 49.
        QCOMPARE(WaveCapture::wrapGuard(1, 49, 1, 100), 1);
        QCOMPARE(WaveCapture::wrapGuard(1, 48, 1, 100), 48);
        QCOMPARE(WaveCapture::wrapGuard(60, 61, 1, 100), 61);
    }

    void thinnedCurvesKeepEveryPeak()
    {
        // 100,000 points with spikes on 1350 pixels: at most four a column, every spike kept.
        QVector<QPointF> points;
        const QVector<int> spikes = {3, 12345, 50000, 77777, 99998};
        for (int i = 0; i < 100000; ++i) {
            double y = 500 * std::sin(i * 1e-4);
            if (spikes.contains(i))
                y = i % 2 ? 30000 : -30000;
            points.append(QPointF(i * 1e-4, y));
        }
        FastCurve curve;
        curve.setPoints(points);
        curve.setMaxStep(1.5e-4);
        QwtScaleMap x, y;
        x.setPaintInterval(0, 1350);
        x.setScaleInterval(0, 10);
        y.setPaintInterval(890, 0);
        y.setScaleInterval(-32768, 32768);
        const QVector<QPolygonF> lines = curve.reduced(x, y);
        QVERIFY(lines.size() == 1 && lines[0].size() <= 4 * 1351);
        for (int i : spikes) {
            const QPointF spike(std::floor(x.transform(points[i].x())), y.transform(points[i].y()));
            QVERIFY2(lines[0].contains(spike), qPrintable(QString::number(i)));
        }

        // Zoomed in, the line still runs from border to border.
        x.setScaleInterval(2.00005, 3.00005);
        const QPolygonF zoomed = curve.reduced(x, y).first();
        QVERIFY(zoomed.first().x() <= 0 && zoomed.last().x() >= 1350 && zoomed.size() <= 4 * 1353);

        // Lost samples break the line: no stroke across 2.5 ms without points.
        points.remove(25000, 25);
        curve.setPoints(points);
        const QVector<QPolygonF> broken = curve.reduced(x, y);
        QCOMPARE(broken.size(), 2);
        QCOMPARE(broken[0].last().x(), std::floor(x.transform(points[24999].x())));
        QCOMPARE(broken[1].first().x(), std::floor(x.transform(points[25000].x())));
        curve.setPoints({});
        QVERIFY(curve.reduced(x, y).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestWaveCapture)
#include "tst_wavecapture.moc"
