#include "link/waveparser.h"
#include "link/frame.h"
#include "link/linklog.h"

#include <cstring>

namespace {
const uint8_t kMarker[WaveStreamParser::kMarkerSize] = {0xAB, 0xCD, 0xDC, 0xBA};

// Position of the first whole marker at or after `from`, or -1.
int findMarker(const uint8_t *data, int size, int from)
{
    while (from + WaveStreamParser::kMarkerSize <= size) {
        const void *hit = std::memchr(data + from, kMarker[0], size_t(size - from));
        if (!hit)
            return -1;
        const int at = int(static_cast<const uint8_t *>(hit) - data);
        if (at + WaveStreamParser::kMarkerSize > size)
            return -1;
        if (std::memcmp(data + at, kMarker, WaveStreamParser::kMarkerSize) == 0)
            return at;
        from = at + 1;
    }
    return -1;
}

// How many bytes at the end of the buffer could be the start of a marker.
int partialMarkerAtEnd(const uint8_t *data, int size)
{
    for (int keep = WaveStreamParser::kMarkerSize - 1; keep > 0; --keep) {
        if (size >= keep && std::memcmp(data + size - keep, kMarker, size_t(keep)) == 0)
            return keep;
    }
    return 0;
}
} // namespace

quint16 WaveStreamParser::blockSum(const uint8_t *block)
{
    quint32 sum = 0;
    for (int i = 0; i < kMarkerSize + kSampleBytes; ++i)
        sum += block[i];
    return quint16(sum);
}

QByteArray WaveStreamParser::makeBlock(const QByteArray &samples, int sumError)
{
    QByteArray block;
    block.reserve(kBlockSize);
    block.append(reinterpret_cast<const char *>(kMarker), kMarkerSize);
    block.append(samples.left(kSampleBytes).leftJustified(kSampleBytes, '\0'));
    const quint16 sum = quint16(blockSum(reinterpret_cast<const uint8_t *>(block.constData())) + sumError);
    block.append(char(sum >> 8));
    block.append(char(sum & 0xFF));
    return block;
}

WaveStreamParser::Result WaveStreamParser::feed(const QByteArray &bytes)
{
    Result result;
    m_buffer.append(bytes);
    const auto *data = reinterpret_cast<const uint8_t *>(m_buffer.constData());
    const int size = m_buffer.size();
    int pos = 0; // bytes before pos are consumed

    while (pos < size) {
        if (m_synced) {
            if (size - pos < kBlockSize)
                break;
            const uint8_t *block = data + pos;
            const quint16 sum = blockSum(block);
            const quint16 received = quint16(block[204] << 8 | block[205]);
            if (sum == received) {
                result.samples.append(reinterpret_cast<const char *>(block + kMarkerSize), kSampleBytes);
            } else {
                ++result.badBlocks;
                if (!result.gaps.isEmpty() && result.gaps.last().at == result.samples.size())
                    result.gaps.last().sampleSets += kSetsPerBlock;
                else
                    result.gaps.append(Gap{result.samples.size(), kSetsPerBlock});
                qCDebug(lcLink).noquote()
                    << QString::asprintf("校验不通过! Checksum:%04X recv:%02X %02X", sum, block[204], block[205]);
                if (lcLink().isDebugEnabled())
                    qCDebug(lcLink).noquote()
                        << "tempbuf = "
                        << hexText(QByteArray::fromRawData(
                               reinterpret_cast<const char *>(block + kMarkerSize), kSampleBytes));
            }
            ++result.blocks;
            pos += kBlockSize;
            m_synced = false;
        } else {
            const int at = findMarker(data, size, pos);
            if (at >= 0) {
                pos = at;
                m_synced = true;
                continue;
            }
            const int keep = partialMarkerAtEnd(data + pos, size - pos);
            if (keep == 0)
                qCDebug(lcLink) << "串口数据错误!";
            pos = size - keep;
            break;
        }
    }

    if (pos > 0)
        m_buffer.remove(0, pos);
    if (!result.samples.isEmpty())
        qCDebug(lcLink) << "points size:" << result.samples.size();
    return result;
}

void WaveStreamParser::reset()
{
    m_buffer.clear();
    m_synced = false;
}
