#pragma once

#include <QByteArray>
#include <QVector>

// Finds the 206-byte waveform blocks in the unasked stream the drive sends
// while sampling runs: marker AB CD DC BA, 200 sample bytes, and a 16-bit sum
// (high byte first) of marker and samples. Junk between blocks is discarded and
// a marker split across deliveries is still found.
class WaveStreamParser
{
public:
    static constexpr int kBlockSize = 206;
    static constexpr int kSampleBytes = 200;
    static constexpr int kMarkerSize = 4;
    // A sample set holds one 16-bit value per channel.
    static constexpr int kSetBytes = 8;
    static constexpr int kSetsPerBlock = kSampleBytes / kSetBytes;

    // Sample sets lost to a bad block, just before samples[at].
    struct Gap {
        int at = 0;
        int sampleSets = 0;
    };
    struct Result {
        QByteArray samples; // sample bytes of every good block, in order
        QVector<Gap> gaps;  // in stream order; neighbouring bad blocks make one gap
        int blocks = 0;     // blocks taken off the stream, good or bad
        int badBlocks = 0;  // blocks whose sum did not agree
    };

    // Appends `bytes` to the buffer and takes every complete block out of it.
    Result feed(const QByteArray &bytes);
    void reset();

    bool synced() const { return m_synced; }
    int buffered() const { return m_buffer.size(); }

    static quint16 blockSum(const uint8_t *block);
    // A whole block around 200 sample bytes, as the drive sends it; a
    // non-zero `sumError` is added to the sum (for tests and the simulator).
    static QByteArray makeBlock(const QByteArray &samples, int sumError = 0);

private:
    QByteArray m_buffer;
    bool m_synced = false;
};
