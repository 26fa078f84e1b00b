// The spectrum window with four channels of 100,000 points (10 s at 10 kHz,
// noisy sines): the spectra alone (mean removal, window, transform, peaks),
// and a whole refresh that computes them and repaints a 1350 x 890 plot
// offscreen. Median and 90th percentile of 20 runs after a first one that
// makes the transform plan.

#include "benchutil.h"

#include "dialogs/spectrumdialog.h"

#include <qwt_plot.h>

#include <QApplication>

#include <cmath>

namespace {

SpectrumDialog::Capture capture()
{
    SpectrumDialog::Capture capture;
    capture.period = 1e-4;
    const QColor colours[] = {Qt::blue, QColor(0, 255, 255), Qt::magenta, QColor(0, 255, 0)};
    for (int c = 0; c < 4; ++c) {
        SpectrumDialog::Channel channel{QStringLiteral("CH%1").arg(c + 1), colours[c], {}, QString()};
        channel.points.reserve(100000);
        for (int n = 0; n < 100000; ++n) {
            const double t = n * capture.period;
            const int noise = int((n * 2654435761u >> 20) % 200) - 100;
            channel.points.append(QPointF(t, 8000 * std::sin(2 * M_PI * (5 + 40 * c) * t) + noise));
        }
        capture.channels.append(channel);
    }
    return capture;
}

QString figures(const QVector<double> &ms)
{
    return QStringLiteral("median %1 ms, p90 %2 ms")
        .arg(bench::percentile(ms, 50), 0, 'f', 1)
        .arg(bench::percentile(ms, 90), 0, 'f', 1);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const SpectrumDialog::Capture points = capture();

    WaveSpectrum spectrum;
    QVector<double> computeMs;
    for (int run = 0; run <= 20; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (const SpectrumDialog::Channel &channel : points.channels)
            spectrum.compute(WaveSpectrum::samplesBetween(channel.points, points.period, -1, 1e9), 1e4,
                             WaveSpectrum::Hann);
        if (run > 0)
            computeMs.append(timer.nsecsElapsed() / 1e6);
    }

    SpectrumDialog dialog([&points] { return points; }, [](double *, double *) { return false; });
    dialog.show();
    auto *plot = dialog.findChild<QwtPlot *>(QStringLiteral("qwtPlot_Spectrum"));
    dialog.resize(dialog.size() + QSize(1350, 890) - plot->size());
    QCoreApplication::processEvents();
    QVector<double> refreshMs;
    for (int run = 0; run <= 20; ++run) {
        QElapsedTimer timer;
        timer.start();
        dialog.refresh();
        plot->repaint();
        QCoreApplication::processEvents();
        if (run > 0)
            refreshMs.append(timer.nsecsElapsed() / 1e6);
    }
    bench::print(QStringLiteral("plot %1 x %2, 4 channels of 100000 points")
                     .arg(plot->width())
                     .arg(plot->height()));
    bench::print(QStringLiteral("spectra alone: %1").arg(figures(computeMs)));
    bench::print(QStringLiteral("computed and drawn: %1 (budget 100 ms)").arg(figures(refreshMs)));
    return 0;
}
