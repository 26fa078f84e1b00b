#include "mainwindow/wavespectrum.h"

#include <QHash>

#include <fftw3.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Cosine-sum windows: w[n] = a0 - a1 cos(2 pi n / N) + a2 cos(4 pi n / N) - a3 cos(6 pi n / N),
// in the periodic form whose mean is exactly a0.
std::array<double, 4> coefficients(WaveSpectrum::Window window)
{
    switch (window) {
    case WaveSpectrum::Rectangular: return {{1, 0, 0, 0}};
    case WaveSpectrum::Hann: return {{0.5, 0.5, 0, 0}};
    case WaveSpectrum::Hamming: return {{0.54, 0.46, 0, 0}};
    case WaveSpectrum::BlackmanHarris: return {{0.35875, 0.48829, 0.14128, 0.01168}};
    }
    return {{1, 0, 0, 0}};
}

// How far, in bins, a peak's own lobe reaches on either side: maxima closer
// to a stronger peak than this belong to it.
int lobeBins(WaveSpectrum::Window window)
{
    switch (window) {
    case WaveSpectrum::Rectangular: return 1;
    case WaveSpectrum::Hann:
    case WaveSpectrum::Hamming: return 2;
    case WaveSpectrum::BlackmanHarris: return 4;
    }
    return 1;
}

double sinc(double x)
{
    return std::abs(x) < 1e-12 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
}

// The window's response to a sine `offset` bins away from a bin, relative
// to a sine on the bin: what the amplitude read at that bin has lost.
double response(const std::array<double, 4> &a, double offset)
{
    double sum = a[0] * sinc(offset);
    for (int m = 1; m < 4; ++m)
        sum += a[size_t(m)] / 2 * (sinc(offset - m) + sinc(offset + m));
    return std::abs(sum) / a[0];
}

double toDb(double amplitude)
{
    return amplitude > 0 ? qMax(WaveSpectrum::kFloorDb, 20 * std::log10(amplitude)) : WaveSpectrum::kFloorDb;
}

} // namespace

struct WaveSpectrum::Plans {
    struct Plan {
        fftw_plan plan = nullptr;
        double *in = nullptr;
        fftw_complex *out = nullptr;
        // The window last used at this size, kept for the next transform.
        int window = -1;
        QVector<double> weights;
    };
    // Captures come in a few sizes; a span between cursors may bring new
    // ones, so the cache starts again once it holds this many.
    static constexpr int kKept = 8;
    QHash<int, Plan> bySize;

    ~Plans() { clear(); }
    void clear()
    {
        for (const Plan &p : qAsConst(bySize)) {
            fftw_destroy_plan(p.plan);
            fftw_free(p.in);
            fftw_free(p.out);
        }
        bySize.clear();
    }
    Plan &forSize(int n)
    {
        auto it = bySize.find(n);
        if (it != bySize.end())
            return *it;
        if (bySize.size() >= kKept)
            clear();
        Plan p;
        p.in = static_cast<double *>(fftw_malloc(sizeof(double) * size_t(n)));
        p.out = static_cast<fftw_complex *>(fftw_malloc(sizeof(fftw_complex) * size_t(n / 2 + 1)));
        p.plan = fftw_plan_dft_r2c_1d(n, p.in, p.out, FFTW_ESTIMATE);
        return *bySize.insert(n, p);
    }
};

WaveSpectrum::WaveSpectrum()
    : m_plans(std::make_unique<Plans>())
{
}

WaveSpectrum::~WaveSpectrum() = default;

double WaveSpectrum::coherentGain(Window window)
{
    return coefficients(window)[0];
}

WaveSpectrum::Result WaveSpectrum::compute(const QVector<double> &samples, double sampleRate, Window window,
                                           int maxPeaks)
{
    Result result;
    const int n = samples.size();
    if (n < 4 || !(sampleRate > 0))
        return result;
    const std::array<double, 4> a = coefficients(window);
    Plans::Plan &plan = m_plans->forSize(n);
    if (plan.window != window) {
        plan.weights.resize(n);
        for (int i = 0; i < n; ++i) {
            const double t = 2 * M_PI * i / n;
            plan.weights[i] = a[0] - a[1] * std::cos(t) + a[2] * std::cos(2 * t) - a[3] * std::cos(3 * t);
        }
        plan.window = window;
    }

    // The mean under the window is removed: the windowed constant part then
    // sums to nothing, so bin 0 is empty whatever the window.
    const double *w = plan.weights.constData();
    const double *x = samples.constData();
    double weights = 0, weighted = 0, largest = 0;
    for (int i = 0; i < n; ++i) {
        largest = qMax(largest, std::abs(x[i]));
        weights += w[i];
        weighted += w[i] * x[i];
    }
    const double mean = weighted / weights;
    for (int i = 0; i < n; ++i)
        plan.in[i] = (x[i] - mean) * w[i];
    fftw_execute(plan.plan);

    const int bins = n / 2 + 1;
    const double scale = 2.0 / (n * a[0]);
    QVector<double> amplitude(bins);
    for (int k = 0; k < bins; ++k)
        amplitude[k] = std::sqrt(plan.out[k][0] * plan.out[k][0] + plan.out[k][1] * plan.out[k][1]) * scale;
    result.binWidth = sampleRate / n;
    result.curve.reserve(bins);
    for (int k = 0; k < bins; ++k)
        result.curve.append(QPointF(k * result.binWidth, toDb(amplitude.at(k))));

    // Local maxima, strongest first; what rounding leaves of a constant
    // signal is none.
    const double noise = largest * 1e-9;
    QVector<int> maxima;
    for (int k = 1; k + 1 < bins; ++k) {
        if (amplitude.at(k) > noise && amplitude.at(k) > amplitude.at(k - 1) && amplitude.at(k) >= amplitude.at(k + 1))
            maxima.append(k);
    }
    // Maxima are at least two bins apart, so each listed peak hides at most
    // lobeBins() others: that many of the strongest are all that can be listed.
    const int candidates = qMin(int(maxima.size()), qMax(0, maxPeaks) * (2 * lobeBins(window) + 1));
    std::partial_sort(maxima.begin(), maxima.begin() + candidates, maxima.end(),
                      [&](int l, int r) { return amplitude.at(l) > amplitude.at(r); });
    maxima.resize(candidates);
    QVector<int> kept;
    for (int k : qAsConst(maxima)) {
        if (kept.size() >= maxPeaks)
            break;
        // Rounding noise and spurs 60 dB below the strongest peak are not listed.
        if (!kept.isEmpty() && amplitude.at(k) < amplitude.at(kept.first()) * 1e-3)
            break;
        if (std::any_of(kept.cbegin(), kept.cend(), [&](int p) { return std::abs(p - k) <= lobeBins(window); }))
            continue;
        kept.append(k);

        // Where between the bins the peak lies: a parabola through the log
        // magnitudes of the three bins; the rectangular window's sinc-shaped
        // lobe fits a parabola poorly, so it takes the ratio of the two
        // largest bins, which is exact for it.
        const double left = amplitude.at(k - 1), mid = amplitude.at(k), right = amplitude.at(k + 1);
        double offset = 0;
        if (window == Rectangular) {
            offset = right > left ? right / (mid + right) : -left / (mid + left);
        } else {
            const double l = toDb(left), m = toDb(mid), r = toDb(right);
            const double curvature = l - 2 * m + r;
            if (curvature < 0)
                offset = qBound(-0.5, 0.5 * (l - r) / curvature, 0.5);
        }
        Peak peak;
        peak.frequency = (k + offset) * result.binWidth;
        peak.amplitude = mid / response(a, offset);
        peak.db = toDb(peak.amplitude);
        result.peaks.append(peak);
    }
    return result;
}

QVector<double> WaveSpectrum::samplesBetween(const QVector<QPointF> &points, double period, double from, double to)
{
    QVector<double> values;
    if (!(period > 0))
        return values;
    values.reserve(points.size());
    const double slack = period / 2;
    qint64 last = 0;
    for (const QPointF &p : points) {
        if (p.x() < from - slack || p.x() > to + slack)
            continue;
        const qint64 position = std::llround(p.x() / period);
        if (!values.isEmpty()) {
            if (position <= last)
                continue;
            for (qint64 lost = last + 1; lost < position; ++lost)
                values.append(values.last());
        }
        values.append(p.y());
        last = position;
    }
    return values;
}
