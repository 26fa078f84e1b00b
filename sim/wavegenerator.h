#pragma once

#include <QByteArray>
#include <QString>
#include <array>

// Ramp counts sample sets (wrapping at 16 bits): a gap in it shows a lost block.
enum class WavePattern { Sine, Triangle, Square, Noise, Ramp };

// What the simulated drive streams: sample sets a second, and per channel
// its pattern, amplitude and frequency.
struct WaveSettings {
    int rate = 1000;
    std::array<WavePattern, 4> patterns{{WavePattern::Sine, WavePattern::Triangle, WavePattern::Square,
                                         WavePattern::Noise}};
    std::array<double, 4> amplitude{{1000.0, 1000.0, 1000.0, 1000.0}};
    std::array<double, 4> frequencyHz{{5.0, 5.0, 5.0, 5.0}};

    // Every channel the same amplitude or frequency.
    void setAmplitude(double value) { amplitude = {{value, value, value, value}}; }
    void setFrequency(double hz) { frequencyHz = {{hz, hz, hz, hz}}; }
};

// The signals the simulated drive streams while waveform sampling runs: four
// channels, each a sine, triangle, square, noise or ramp, as 16-bit signed
// samples.
class WaveGenerator
{
public:
    using Pattern = WavePattern;
    using Settings = WaveSettings;

    static constexpr int kChannels = 4;
    static constexpr int kSetBytes = 8;      // four big-endian 16-bit samples
    static constexpr int kSetsPerBlock = 25; // 200 sample bytes per block

    explicit WaveGenerator(const Settings &settings = Settings());

    const Settings &settings() const { return m_settings; }
    void setSettings(const Settings &settings);

    // Starts again from sample 0.
    void restart();
    // The 200 sample bytes of the next block.
    QByteArray nextBlockSamples();
    // One sample of one channel at sample number n.
    qint16 sample(int channel, quint64 n);

    static bool parsePattern(const QString &name, Pattern *pattern);
    // Four comma-separated channels, each PATTERN[:HZ[:AMPLITUDE]] ("sine:50:2000");
    // what a channel leaves out keeps the value it had. False, with the
    // reason, when the text is not of that form.
    static bool parseChannels(const QString &text, Settings *settings, QString *error);
    static QString patternName(Pattern pattern);

private:
    Settings m_settings;
    quint64 m_sampleNumber = 0;
    quint32 m_noiseState = 0x9E3779B9u;
};
