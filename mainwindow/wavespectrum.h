#pragma once

// The spectrum of a captured channel: magnitude over frequency up to half the
// sample rate, with a choice of window, and the strongest peaks, each refined
// between bins so that a sine reads its true frequency and amplitude.
//
// Amplitudes are those of a sine in the channel's own unit:
// |X[k]| * 2 / (N * coherent gain); dB is 20 * log10(amplitude). The mean is
// removed first, so that the constant part does not swamp the scale.
//
// FFTW plans are made once per transform size and kept; planning is not
// thread-safe, so an object is used from one thread (the GUI thread) only.

#include <QPointF>
#include <QVector>

#include <memory>

class WaveSpectrum
{
public:
    enum Window { Rectangular, Hann, Hamming, BlackmanHarris };

    struct Peak {
        double frequency = 0; // Hz
        double db = 0;
        double amplitude = 0;
    };

    struct Result {
        double binWidth = 0;     // Hz
        QVector<QPointF> curve;  // (Hz, dB) from 0 to half the sample rate
        QVector<Peak> peaks;     // strongest first
    };

    // The dB shown for a bin without any signal.
    static constexpr double kFloorDb = -200;

    WaveSpectrum();
    ~WaveSpectrum();
    WaveSpectrum(const WaveSpectrum &) = delete;
    WaveSpectrum &operator=(const WaveSpectrum &) = delete;

    // The spectrum of evenly spaced samples taken `sampleRate` times a
    // second, listing at most `maxPeaks` peaks, none more than 60 dB below
    // the strongest. Fewer than four samples give an empty result.
    Result compute(const QVector<double> &samples, double sampleRate, Window window, int maxPeaks = 5);

    // The values of the captured points from time `from` to `to` (both
    // included), one per sample period; a sample lost in between repeats the
    // value before it, so that the time base stays even.
    static QVector<double> samplesBetween(const QVector<QPointF> &points, double period, double from, double to);

    // The window's mean value: the share of a sine's amplitude it keeps.
    static double coherentGain(Window window);

private:
    struct Plans;
    std::unique_ptr<Plans> m_plans;
};
