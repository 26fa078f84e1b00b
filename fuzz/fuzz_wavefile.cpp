// The waveform file reader on arbitrary file contents, with the program's
// point limit and with a tiny one.

#include "fuzz/fuzzsupport.h"

#include "mainwindow/wavefile.h"

#include <cmath>

namespace {

void check(const WaveFile::Content &c, int limit, bool empty)
{
    FUZZ_CHECK(c.opened);
    FUZZ_CHECK(c.names.size() == (empty ? 0 : WaveFile::kChannels));
    FUZZ_CHECK(c.skippedLines >= 0);
    for (int ch = 0; ch < WaveFile::kChannels; ++ch) {
        const QVector<double> &channel = c.values[size_t(ch)];
        const QVector<int> &at = c.positions[size_t(ch)];
        FUZZ_CHECK(channel.size() <= limit && at.size() == channel.size());
        for (double v : channel)
            FUZZ_CHECK(std::isfinite(v) && std::abs(v) <= WaveFile::kMaxMagnitude);
        // Each value has a sample position of its own, inside the limit.
        for (int i = 0; i < at.size(); ++i)
            FUZZ_CHECK(at[i] >= (i ? at[i - 1] + 1 : 0) && at[i] < limit);
    }
}

} // namespace

FUZZ_TARGET(fuzz_wavefile)
{
    Fuzz::setUp();
    static const QString path = Fuzz::scratchDir() + QStringLiteral("/wave.csv");
    Fuzz::writeFile(path, Fuzz::bytesOf(data, size));

    const WaveFile::Content full = WaveFile::read(path, 10000);
    check(full, 10000, size == 0);
    const WaveFile::Content few = WaveFile::read(path, 2);
    check(few, 2, size == 0);
    // The limit changes which points come in, never how the header reads.
    FUZZ_CHECK(few.names == full.names && few.hasNames == full.hasNames && few.fields == full.fields);
    FUZZ_CHECK(few.model == full.model && few.version == full.version);
    FUZZ_CHECK(few.skippedLines == full.skippedLines);
    // Without a point over the limit, the limit made no difference.
    if (!few.truncated)
        FUZZ_CHECK(few.values == full.values && few.positions == full.positions);
    return 0;
}
