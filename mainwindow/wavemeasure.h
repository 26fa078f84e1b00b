#pragma once

// Measurements on captured waveform points: engineering units, the 1-2-5
// units-per-division steps, cursors snapped to samples, and statistics
// over a span. Points sit at whole sample periods (x = position * period)
// in time order, as WaveCapture keeps them.

#include <QPointF>
#include <QString>
#include <QVector>

namespace WaveMeasure {

// A channel's coefficient text as a factor: a missing, zero or non-finite
// one counts as 1, so the raw value shows unchanged.
double coefficient(const QString &text);

// The units-per-division steps offered, largest first: 10000 ... 0.001.
const QVector<double> &divisionSteps();
// The smallest step at which a signal of magnitude `peak` stays within
// `divisions` divisions of the centre (1 for a flat zero signal).
double autoDivision(double peak, double divisions);
// "500 rpm/div"; "0.2/div" without a unit.
QString divisionText(double perDivision, const QString &unit);
// "12.5 rpm"; "12.5" without a unit.
QString valueText(double value, const QString &unit);

// The sample time nearest `t` among the positions 0 .. length - 1.
double snap(double t, double period, int length);
// The value (raw * coeff) of the point at the sample time nearest `t`;
// false when no point lies within half a period of it.
bool valueAt(const QVector<QPointF> &points, double t, double period, double coeff, double *value);

struct Stats {
    int count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double rms = 0;
    double peakToPeak() const { return max - min; }
};
// Over the points from `from` to `to` inclusive (sample times), values
// raw * coeff.
Stats statistics(const QVector<QPointF> &points, double from, double to, double period, double coeff);

} // namespace WaveMeasure
