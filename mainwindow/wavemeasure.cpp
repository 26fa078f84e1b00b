#include "mainwindow/wavemeasure.h"

#include <algorithm>
#include <cmath>

namespace WaveMeasure {

namespace {

// The first point at or after time `t`, less half a period for rounding.
int firstFrom(const QVector<QPointF> &points, double t, double period)
{
    const double edge = t - period / 2;
    return int(std::lower_bound(points.begin(), points.end(), edge,
                                [](const QPointF &p, double x) { return p.x() < x; })
               - points.begin());
}

} // namespace

double coefficient(const QString &text)
{
    bool ok = false;
    const double c = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(c) && c != 0 ? c : 1.0;
}

const QVector<double> &divisionSteps()
{
    static const QVector<double> steps = [] {
        QVector<double> s{10000};
        for (double decade = 1000; decade > 0.0005; decade /= 10)
            s << decade * 5 << decade * 2 << decade;
        // Decades built by division drift in the last digit: tidy them.
        for (double &v : s)
            v = QString::number(v, 'g', 3).toDouble();
        return s;
    }();
    return steps;
}

double autoDivision(double peak, double divisions)
{
    const QVector<double> &steps = divisionSteps();
    if (!(peak > 0))
        return 1.0;
    for (int i = steps.size() - 1; i >= 0; --i) {
        if (peak <= steps[i] * divisions)
            return steps[i];
    }
    return steps.first();
}

QString divisionText(double perDivision, const QString &unit)
{
    return QString::number(perDivision, 'g', 6) + (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit)
           + QStringLiteral("/div");
}

QString valueText(double value, const QString &unit)
{
    return QString::number(value, 'g', 6) + (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit);
}

double snap(double t, double period, int length)
{
    const double at = std::round(t / period);
    return qBound(0.0, at, double(qMax(0, length - 1))) * period;
}

bool valueAt(const QVector<QPointF> &points, double t, double period, double coeff, double *value)
{
    const int i = firstFrom(points, t, period);
    if (i >= points.size() || points[i].x() > t + period / 2)
        return false;
    *value = points[i].y() * coeff;
    return true;
}

Stats statistics(const QVector<QPointF> &points, double from, double to, double period, double coeff)
{
    Stats s;
    double sum = 0, squares = 0;
    for (int i = firstFrom(points, from, period); i < points.size() && points[i].x() <= to + period / 2; ++i) {
        const double v = points[i].y() * coeff;
        s.min = s.count ? qMin(s.min, v) : v;
        s.max = s.count ? qMax(s.max, v) : v;
        sum += v;
        squares += v * v;
        ++s.count;
    }
    if (s.count) {
        s.mean = sum / s.count;
        s.rms = std::sqrt(squares / s.count);
    }
    return s;
}

} // namespace WaveMeasure
