#include "sim/wavegenerator.h"

#include <QStringList>

#include <cmath>

WaveGenerator::WaveGenerator(const Settings &settings)
    : m_settings(settings)
{
}

void WaveGenerator::setSettings(const Settings &settings)
{
    m_settings = settings;
}

void WaveGenerator::restart()
{
    m_sampleNumber = 0;
    m_noiseState = 0x9E3779B9u;
}

qint16 WaveGenerator::sample(int channel, quint64 n)
{
    const double amplitude = qBound(0.0, m_settings.amplitude[size_t(channel)], 32767.0);
    const double rate = m_settings.rate > 0 ? m_settings.rate : 1000;
    double cycles = double(n) * m_settings.frequencyHz[size_t(channel)] / rate;
    const double phase = cycles - std::floor(cycles);
    double value = 0;
    switch (m_settings.patterns[size_t(channel)]) {
    case Pattern::Sine:
        value = amplitude * std::sin(2 * M_PI * phase);
        break;
    case Pattern::Triangle:
        value = amplitude * (phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase);
        break;
    case Pattern::Square:
        value = phase < 0.5 ? amplitude : -amplitude;
        break;
    case Pattern::Noise:
        m_noiseState ^= m_noiseState << 13;
        m_noiseState ^= m_noiseState >> 17;
        m_noiseState ^= m_noiseState << 5;
        value = amplitude * (double(m_noiseState) / 4294967295.0 * 2 - 1);
        break;
    case Pattern::Ramp:
        return qint16(quint16(n & 0xFFFF));
    }
    return qint16(std::lround(value));
}

QByteArray WaveGenerator::nextBlockSamples()
{
    QByteArray samples(kSetsPerBlock * kSetBytes, '\0');
    char *out = samples.data();
    for (int set = 0; set < kSetsPerBlock; ++set, ++m_sampleNumber) {
        for (int c = 0; c < kChannels; ++c) {
            const quint16 v = quint16(sample(c, m_sampleNumber));
            *out++ = char(v >> 8);
            *out++ = char(v & 0xFF);
        }
    }
    return samples;
}

bool WaveGenerator::parsePattern(const QString &name, Pattern *pattern)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("sine"))
        *pattern = Pattern::Sine;
    else if (n == QLatin1String("triangle"))
        *pattern = Pattern::Triangle;
    else if (n == QLatin1String("square"))
        *pattern = Pattern::Square;
    else if (n == QLatin1String("noise"))
        *pattern = Pattern::Noise;
    else if (n == QLatin1String("ramp"))
        *pattern = Pattern::Ramp;
    else
        return false;
    return true;
}

bool WaveGenerator::parseChannels(const QString &text, Settings *settings, QString *error)
{
    const QStringList channels = text.split(QLatin1Char(','));
    if (channels.size() != kChannels) {
        *error = QStringLiteral("--wave takes four channels, comma-separated");
        return false;
    }
    Settings parsed = *settings;
    for (int c = 0; c < kChannels; ++c) {
        const QStringList parts = channels.at(c).split(QLatin1Char(':'));
        bool ok = parts.size() <= 3 && parsePattern(parts.at(0), &parsed.patterns[size_t(c)]);
        if (ok && parts.size() > 1) {
            parsed.frequencyHz[size_t(c)] = parts.at(1).toDouble(&ok);
            ok = ok && parsed.frequencyHz[size_t(c)] >= 0;
        }
        if (ok && parts.size() > 2) {
            parsed.amplitude[size_t(c)] = parts.at(2).toDouble(&ok);
            ok = ok && parsed.amplitude[size_t(c)] >= 0 && parsed.amplitude[size_t(c)] <= 32767;
        }
        if (!ok) {
            *error = QStringLiteral("bad channel: %1 (PATTERN[:HZ[:AMPLITUDE]], amplitude 0 to 32767)")
                         .arg(channels.at(c));
            return false;
        }
    }
    *settings = parsed;
    return true;
}

QString WaveGenerator::patternName(Pattern pattern)
{
    switch (pattern) {
    case Pattern::Sine: return QStringLiteral("sine");
    case Pattern::Triangle: return QStringLiteral("triangle");
    case Pattern::Square: return QStringLiteral("square");
    case Pattern::Noise: return QStringLiteral("noise");
    case Pattern::Ramp: return QStringLiteral("ramp");
    }
    return QString();
}
