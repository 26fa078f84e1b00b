#include "mainwindow/waverecording.h"

#include "app/regularfile.h"
#include "mainwindow/wavefile.h"

#include <QDataStream>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

namespace WaveRecording {

const QByteArray kMagic("WAVEREC\x1A", 8);
const QByteArray kEndMagic("WAVEEND\x1A", 8);

namespace {

constexpr int kPrefix = 16; // magic, format version, header length
constexpr quint32 kMaxHeader = 1 << 20;
constexpr int kBinBytes = 4 * kChannels;
constexpr int kIndexEntryBytes = 24;
// Sets read from the file at a time when a whole recording is walked.
constexpr qint64 kChunkSets = 1 << 16;
constexpr qint64 kMaxExtraLost = 1 << 24;

void decodeSet(const char *bytes, qint16 *set)
{
    for (int c = 0; c < kChannels; ++c)
        set[c] = qFromBigEndian<qint16>(bytes + 2 * c);
}

} // namespace

QByteArray headerBytes(const Header &header)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << header.rate << header.startUtcMs << header.model << header.version << header.serial;
    for (int c = 0; c < kChannels; ++c)
        out << header.names[size_t(c)] << header.units[size_t(c)] << header.coefficients[size_t(c)];
    QByteArray bytes = kMagic;
    bytes.resize(kPrefix);
    qToBigEndian<quint32>(kFormatVersion, bytes.data() + 8);
    qToBigEndian<quint32>(quint32(body.size()), bytes.data() + 12);
    return bytes + body;
}

QByteArray blockBytes(qint64 position, const char *data, int sets)
{
    QByteArray bytes(kBlockHeader, Qt::Uninitialized);
    qToBigEndian<quint32>(kBlockTag, bytes.data());
    qToBigEndian<quint32>(quint32(sets), bytes.data() + 4);
    qToBigEndian<qint64>(position, bytes.data() + 8);
    bytes.append(data, sets * kSetBytes);
    return bytes;
}

bool Closing::open(QString *error)
{
    m_binCount = m_blockCount = m_length = 0;
    m_bin = WavePyramid::Bin();
    m_error.clear();
    for (QTemporaryFile *file : {&m_bins, &m_index}) {
        file->close();
        if (!file->open() || !file->resize(0)) {
            *error = file->errorString();
            return false;
        }
    }
    return true;
}

bool Closing::spill(QTemporaryFile &to, const char *bytes, int size)
{
    if (m_error.isEmpty() && to.write(bytes, size) != size)
        m_error = to.errorString();
    return m_error.isEmpty();
}

void Closing::finishBin()
{
    char bytes[kBinBytes];
    for (int c = 0; c < kChannels; ++c) {
        qToBigEndian<qint16>(m_bin.low[size_t(c)], bytes + 2 * c);
        qToBigEndian<qint16>(m_bin.high[size_t(c)], bytes + 2 * kChannels + 2 * c);
    }
    spill(m_bins, bytes, kBinBytes);
    m_bin = WavePyramid::Bin();
    ++m_binCount;
}

void Closing::addSet(qint64 position, const qint16 *set)
{
    // Bins no set reached (lost sets) stay empty.
    while (m_binCount < position / WavePyramid::kBase)
        finishBin();
    m_bin.add(set);
    m_length = position + 1;
}

void Closing::addBlock(qint64 offset, qint64 first, qint64 sets)
{
    char bytes[kIndexEntryBytes];
    qToBigEndian<qint64>(offset, bytes);
    qToBigEndian<qint64>(first, bytes + 8);
    qToBigEndian<qint64>(sets, bytes + 16);
    if (spill(m_index, bytes, kIndexEntryBytes))
        ++m_blockCount;
}

bool Closing::write(QIODevice &file, QString *error)
{
    if (m_binCount < (m_length + WavePyramid::kBase - 1) / WavePyramid::kBase)
        finishBin();
    const qint64 offset = file.pos();
    const auto put = [&](const QByteArray &bytes) {
        if (m_error.isEmpty() && file.write(bytes) != bytes.size())
            m_error = file.errorString();
        return m_error.isEmpty();
    };
    const auto copy = [&](QTemporaryFile &from) {
        if (m_error.isEmpty() && (!from.flush() || !from.seek(0)))
            m_error = from.errorString();
        while (m_error.isEmpty() && !from.atEnd()) {
            const QByteArray chunk = from.read(1 << 20);
            if (chunk.isEmpty())
                m_error = from.errorString();
            else
                put(chunk);
        }
        return m_error.isEmpty();
    };
    QByteArray head(16, Qt::Uninitialized);
    qToBigEndian<quint32>(kPyramidTag, head.data());
    qToBigEndian<quint32>(quint32(WavePyramid::kBase), head.data() + 4);
    qToBigEndian<quint64>(quint64(m_binCount), head.data() + 8);
    put(head) && copy(m_bins);
    qToBigEndian<quint32>(kIndexTag, head.data());
    qToBigEndian<quint32>(0, head.data() + 4);
    qToBigEndian<quint64>(quint64(m_blockCount), head.data() + 8);
    put(head) && copy(m_index);
    qToBigEndian<quint64>(quint64(offset), head.data());
    memcpy(head.data() + 8, kEndMagic.constData(), 8);
    put(head);
    *error = m_error;
    return m_error.isEmpty();
}

bool Reader::open(const QString &path, QString *error)
{
    m_file.close();
    m_file.setFileName(path);
    m_header = Header();
    m_blocks.clear();
    m_length = m_sets = 0;
    m_cutShort = true;
    m_pyramid = WavePyramid();
    error->clear();
    if (!RegularFile::openForReading(m_file, QIODevice::NotOpen, error))
        return false;
    const QByteArray prefix = m_file.read(kPrefix);
    if (prefix.size() < kPrefix || !prefix.startsWith(kMagic)
        || qFromBigEndian<quint32>(prefix.constData() + 8) != kFormatVersion)
        return false;
    const quint32 headerSize = qFromBigEndian<quint32>(prefix.constData() + 12);
    if (headerSize > kMaxHeader)
        return false;
    const QByteArray body = m_file.read(headerSize);
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_5_15);
    in >> m_header.rate >> m_header.startUtcMs >> m_header.model >> m_header.version >> m_header.serial;
    for (int c = 0; c < kChannels; ++c)
        in >> m_header.names[size_t(c)] >> m_header.units[size_t(c)] >> m_header.coefficients[size_t(c)];
    if (body.size() != int(headerSize) || in.status() != QDataStream::Ok || !(m_header.rate > 0))
        return false;
    m_dataStart = kPrefix + headerSize;

    qint64 dataEnd = m_file.size();
    m_cutShort = !readClosing(dataEnd, &dataEnd);
    if (m_cutShort) {
        scanBlocks(dataEnd);
        buildBase();
    }
    m_pyramid.buildLevels();
    return true;
}

bool Reader::readClosing(qint64 size, qint64 *dataEnd)
{
    if (size < m_dataStart + 48 || !m_file.seek(size - 16))
        return false;
    const QByteArray tail = m_file.read(16);
    if (tail.size() != 16 || tail.mid(8) != kEndMagic)
        return false;
    const qint64 offset = qint64(qFromBigEndian<quint64>(tail.constData()));
    if (offset < m_dataStart || offset > size - 48 || !m_file.seek(offset))
        return false;
    // Both counts must fill the section exactly, which also bounds them by
    // the file's size before anything is allocated.
    const qint64 room = size - 48 - offset;
    QByteArray head = m_file.read(16);
    const quint64 bins = qFromBigEndian<quint64>(head.constData() + 8);
    if (head.size() != 16 || qFromBigEndian<quint32>(head.constData()) != kPyramidTag
        || qFromBigEndian<quint32>(head.constData() + 4) != quint32(WavePyramid::kBase)
        || bins > quint64(room / kBinBytes))
        return false;
    const QByteArray binBytes = m_file.read(qint64(bins) * kBinBytes);
    head = m_file.read(16);
    const quint64 blocks = qFromBigEndian<quint64>(head.constData() + 8);
    if (binBytes.size() != qint64(bins) * kBinBytes || head.size() != 16
        || qFromBigEndian<quint32>(head.constData()) != kIndexTag || blocks > quint64(room / kIndexEntryBytes)
        || blocks * kIndexEntryBytes != quint64(room) - bins * kBinBytes)
        return false;
    const QByteArray index = m_file.read(qint64(blocks) * kIndexEntryBytes);
    if (index.size() != qint64(blocks) * kIndexEntryBytes)
        return false;

    // The index is trusted only when its blocks follow one another in the
    // file and in time, and lie between the header and this section.
    QVector<Block> found;
    found.reserve(int(blocks));
    qint64 length = 0, sets = 0, fileEnd = m_dataStart;
    for (const char *p = index.constData(); p < index.constData() + index.size(); p += kIndexEntryBytes) {
        const Block block{qFromBigEndian<qint64>(p), qFromBigEndian<qint64>(p + 8), qFromBigEndian<qint64>(p + 16)};
        if (block.offset < fileEnd + kBlockHeader || block.sets <= 0 || block.sets > (offset - block.offset) / kSetBytes
            || block.first < length || block.first - sets > sets + block.sets + kMaxExtraLost)
            return false;
        found.append(block);
        fileEnd = block.offset + block.sets * kSetBytes;
        length = block.first + block.sets;
        sets += block.sets;
    }
    if (bins != quint64((length + WavePyramid::kBase - 1) / WavePyramid::kBase))
        return false;

    QVector<WavePyramid::Bin> base{int(bins), WavePyramid::Bin()};
    const char *p = binBytes.constData();
    for (WavePyramid::Bin &bin : base) {
        for (int c = 0; c < kChannels; ++c) {
            bin.low[size_t(c)] = qFromBigEndian<qint16>(p + 2 * c);
            bin.high[size_t(c)] = qFromBigEndian<qint16>(p + 2 * kChannels + 2 * c);
        }
        p += kBinBytes;
    }
    m_pyramid.setBase(std::move(base));
    m_blocks = std::move(found);
    m_length = length;
    m_sets = sets;
    *dataEnd = offset;
    return true;
}

void Reader::scanBlocks(qint64 end)
{
    qint64 at = m_dataStart;
    while (at + kBlockHeader <= end && m_file.seek(at)) {
        const QByteArray head = m_file.read(kBlockHeader);
        if (head.size() != kBlockHeader || qFromBigEndian<quint32>(head.constData()) != kBlockTag)
            break;
        const qint64 count = qFromBigEndian<quint32>(head.constData() + 4);
        const qint64 first = qFromBigEndian<qint64>(head.constData() + 8);
        const qint64 whole = qMin(count, (end - at - kBlockHeader) / kSetBytes);
        // Blocks follow one another in time, and the stream never loses far
        // more than it delivers: anything else is not a recording of ours,
        // and would only make the pyramid huge.
        if (first < m_length || first - m_sets > m_sets + whole + kMaxExtraLost)
            break;
        if (whole > 0) {
            m_blocks.append({at + kBlockHeader, first, whole});
            m_length = first + whole;
            m_sets += whole;
        }
        if (whole < count) {
            m_cutShort = true;
            break;
        }
        at += kBlockHeader + count * kSetBytes;
    }
}

void Reader::buildBase()
{
    m_pyramid.setBase({});
    for (qint64 from = 0; from < m_length; from += kChunkSets) {
        const Samples samples = read(from, qMin(m_length, from + kChunkSets));
        qint16 set[kChannels];
        for (int i = 0; i < samples.positions.size(); ++i) {
            for (int c = 0; c < kChannels; ++c)
                set[c] = samples.values[size_t(c)][i];
            m_pyramid.add(samples.positions[i], set);
        }
    }
    QVector<WavePyramid::Bin> base = m_pyramid.base();
    base.resize(int((m_length + WavePyramid::kBase - 1) / WavePyramid::kBase));
    m_pyramid.setBase(std::move(base));
}

Samples Reader::read(qint64 from, qint64 to)
{
    Samples samples;
    from = qMax<qint64>(0, from);
    to = qMin(to, m_length);
    auto block = std::partition_point(m_blocks.cbegin(), m_blocks.cend(),
                                      [from](const Block &b) { return b.first + b.sets <= from; });
    QByteArray bytes;
    for (; block != m_blocks.cend() && block->first < to; ++block) {
        const qint64 start = qMax(from, block->first);
        const qint64 stop = qMin(to, block->first + block->sets);
        if (!m_file.seek(block->offset + (start - block->first) * kSetBytes))
            break;
        bytes = m_file.read((stop - start) * kSetBytes);
        const int sets = bytes.size() / kSetBytes;
        for (int i = 0; i < sets; ++i) {
            samples.positions.append(start + i);
            qint16 set[kChannels];
            decodeSet(bytes.constData() + i * kSetBytes, set);
            for (int c = 0; c < kChannels; ++c)
                samples.values[size_t(c)].append(set[c]);
        }
        if (sets < stop - start)
            break;
    }
    return samples;
}

QVector<Column> Reader::columns(qint64 from, qint64 to, int width)
{
    QVector<Column> result;
    from = qMax<qint64>(0, from);
    to = qMin(to, m_length);
    if (to <= from || width <= 0)
        return result;
    const double perColumn = double(to - from) / width;
    // The coarsest level whose bins fit in a column; none: the samples.
    int level = -1;
    while (level + 1 < m_pyramid.levels() && double(WavePyramid::binSets(level + 1)) <= perColumn)
        ++level;
    const qint64 bin = level < 0 ? 1 : WavePyramid::binSets(level);
    // Column edges fall on bin edges; each column holds at least one bin.
    QVector<qint64> edges(width + 1);
    for (int c = 0; c < width; ++c)
        edges[c] = (from + qint64(c * perColumn)) / bin * bin;
    edges[width] = (to + bin - 1) / bin * bin;
    result.resize(width);
    for (int c = 0; c < width; ++c) {
        result[c].first = edges[c];
        result[c].end = edges[c + 1];
    }
    if (level >= 0) {
        const QVector<WavePyramid::Bin> &bins = m_pyramid.level(level);
        for (int c = 0; c < width; ++c) {
            const int last = int(qMin<qint64>(edges[c + 1] / bin, bins.size()));
            for (int k = int(edges[c] / bin); k < last; ++k)
                result[c].bin.merge(bins[k]);
        }
        return result;
    }
    const Samples samples = read(from, to);
    int c = 0;
    for (int i = 0; i < samples.positions.size(); ++i) {
        while (samples.positions[i] >= edges[c + 1])
            ++c;
        qint16 set[kChannels];
        for (int k = 0; k < kChannels; ++k)
            set[k] = samples.values[size_t(k)][i];
        result[c].bin.add(set);
    }
    return result;
}

bool Reader::exportCsv(const QString &path, qint64 from, qint64 to, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QStringList names;
    for (const QString &name : m_header.names)
        names.append(name);
    file.write(WaveFile::headerLine(names, m_header.model, m_header.version).toUtf8());
    from = qMax<qint64>(0, from);
    to = qMin(to, m_length);
    // A lost set is a line of empty fields, so the later ones keep their time.
    const QByteArray lostLine(kChannels, ',');
    qint64 next = from;
    QByteArray text;
    for (qint64 at = from; at < to; at += kChunkSets) {
        const Samples samples = read(at, qMin(to, at + kChunkSets));
        text.clear();
        for (int i = 0; i < samples.positions.size(); ++i) {
            for (; next < samples.positions[i]; ++next)
                text += lostLine + '\n';
            for (int c = 0; c < kChannels; ++c)
                text += QByteArray::number(samples.values[size_t(c)][i]) + ',';
            text += '\n';
            ++next;
        }
        if (file.write(text) != text.size())
            break;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace WaveRecording
