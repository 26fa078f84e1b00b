#pragma once

// Minimum and maximum per block of sample positions, at several block sizes,
// so that a plot of any length draws from a bounded number of values.
//
// The lowest level holds one bin per kBase positions; each level above
// merges kFactor bins of the one below. Positions no sample set reached (lost
// sets, the tail of a file cut short) leave their bins empty.

#include <QVector>
#include <QtGlobal>
#include <array>

class WavePyramid
{
public:
    static constexpr int kChannels = 4;
    static constexpr int kBase = 256;
    static constexpr int kFactor = 4;

    struct Bin {
        std::array<qint16, kChannels> low{{32767, 32767, 32767, 32767}};
        std::array<qint16, kChannels> high{{-32768, -32768, -32768, -32768}};
        bool empty() const { return low[0] > high[0]; }
        void add(const qint16 *set)
        {
            for (int c = 0; c < kChannels; ++c) {
                low[size_t(c)] = qMin(low[size_t(c)], set[c]);
                high[size_t(c)] = qMax(high[size_t(c)], set[c]);
            }
        }
        void merge(const Bin &other)
        {
            for (size_t c = 0; c < size_t(kChannels); ++c) {
                low[c] = qMin(low[c], other.low[c]);
                high[c] = qMax(high[c], other.high[c]);
            }
        }
    };

    // Adds the sample set at `position` to the lowest level.
    void add(qint64 position, const qint16 *set)
    {
        const int bin = int(position / kBase);
        if (bin >= m_levels[0].size())
            m_levels[0].resize(bin + 1);
        m_levels[0][bin].add(set);
    }
    // Replaces the lowest level (read back from a file) and drops the others.
    void setBase(QVector<Bin> base)
    {
        m_levels.clear();
        m_levels.append(std::move(base));
    }
    const QVector<Bin> &base() const { return m_levels[0]; }
    // Builds every level above the lowest, until one holds a single bin.
    void buildLevels();

    int levels() const { return m_levels.size(); }
    const QVector<Bin> &level(int n) const { return m_levels[n]; }
    // The positions one bin of level `n` covers.
    static qint64 binSets(int n)
    {
        qint64 sets = kBase;
        while (n-- > 0)
            sets *= kFactor;
        return sets;
    }

private:
    QVector<QVector<Bin>> m_levels{QVector<Bin>()};
};
