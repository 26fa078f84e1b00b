#pragma once

// Recordings of the waveform stream on disk, for as long as the disk allows.
//
// A recording file is:
//   "WAVEREC" 0x1A, quint32 format version, quint32 header length, the header
//   (QDataStream: sample rate, start time UTC in ms, drive model, version,
//   serial number, then per channel name, unit and coefficient);
//   blocks, each "BLK0", quint32 set count, qint64 sample position of its
//   first set, then the sets as the stream sends them (4 x int16, big endian);
//   a lost stretch of the stream shows as the next block starting later;
//   on a clean end, the closing section: "PYR0", quint32 positions per bin,
//   quint64 bins, the lowest level of the min/max pyramid (per bin 4
//   minimums, 4 maximums); "IDX0", quint32 0, quint64 blocks, per block the
//   file offset of its first set, its first sample position and its set
//   count (3 x qint64); then the quint64 offset of that section and
//   "WAVEEND" 0x1A.
// A file without the closing section (a crash, power loss, a full disk) is
// read up to its last whole sample set; its blocks are found by walking their
// headers and its pyramid is built on opening.

#include "mainwindow/wavepyramid.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryFile>
#include <QStringList>
#include <QVector>
#include <array>

namespace WaveRecording {

constexpr int kChannels = 4;
constexpr int kSetBytes = 8;
constexpr int kBlockHeader = 16;
constexpr quint32 kFormatVersion = 1;
extern const QByteArray kMagic;
extern const QByteArray kEndMagic;
constexpr quint32 kBlockTag = 0x424C4B30;   // "BLK0"
constexpr quint32 kPyramidTag = 0x50595230; // "PYR0"
constexpr quint32 kIndexTag = 0x49445830;   // "IDX0"

struct Header {
    double rate = 1000;       // sample sets a second
    qint64 startUtcMs = 0;    // milliseconds since 1970-01-01 UTC
    QString model;
    QString version;
    QString serial;
    std::array<QString, kChannels> names;
    std::array<QString, kChannels> units;
    std::array<QString, kChannels> coefficients;
};

// The bytes that start a recording file.
QByteArray headerBytes(const Header &header);
// A block of `sets` sample sets from `data` that starts at `position`.
QByteArray blockBytes(qint64 position, const char *data, int sets);

// Gathers the closing section while a recording is written: the lowest
// pyramid level and the block index. Only the bin being filled stays in
// memory; finished bins and index entries wait in temporary files, so that
// a recording of any length costs the same memory.
class Closing
{
public:
    // Creates the temporary files; false (with a reason) when that failed.
    bool open(QString *error);
    // A sample set at `position`; positions only grow.
    void addSet(qint64 position, const qint16 *set);
    // A block whose first set lies at file offset `offset`.
    void addBlock(qint64 offset, qint64 first, qint64 sets);
    // Appends the closing section to `file` at its end; false (with a
    // reason) when a write failed.
    bool write(QIODevice &file, QString *error);

private:
    bool spill(QTemporaryFile &to, const char *bytes, int size);
    void finishBin();

    QTemporaryFile m_bins;
    QTemporaryFile m_index;
    qint64 m_binCount = 0;   // bins in m_bins
    qint64 m_blockCount = 0; // entries in m_index
    qint64 m_length = 0;     // one past the last position seen
    WavePyramid::Bin m_bin;  // the bin m_binCount, being filled
    QString m_error;
};

// The sample sets of a span: their positions and values, in order.
struct Samples {
    QVector<qint64> positions;
    std::array<QVector<qint16>, kChannels> values;
};

// Per pixel column of a plot: the positions it covers and, unless no set
// lies there, every channel's lowest and highest value.
struct Column {
    qint64 first = 0;
    qint64 end = 0; // one past the last position
    WavePyramid::Bin bin;
};

class Reader
{
public:
    // Opens a recording; false (with a reason) when it is not one.
    bool open(const QString &path, QString *error);
    const Header &header() const { return m_header; }
    // Sample positions from the first to past the last set, lost sets included.
    qint64 length() const { return m_length; }
    // Sample sets the file holds.
    qint64 sets() const { return m_sets; }
    // Lost sample sets between the first and the last set.
    qint64 lost() const { return m_length - m_sets; }
    // The file ended without its closing section.
    bool cutShort() const { return m_cutShort; }
    const WavePyramid &pyramid() const { return m_pyramid; }

    // The sets at positions [from, to).
    Samples read(qint64 from, qint64 to);
    // `width` columns over positions [from, to): from the pyramid where a
    // column spans at least a bin, otherwise from the samples themselves, so
    // the work stays bounded by the width whatever the span.
    QVector<Column> columns(qint64 from, qint64 to, int width);
    // Writes positions [from, to) as a waveform CSV file that the page can
    // import; false (with a reason) when that failed.
    bool exportCsv(const QString &path, qint64 from, qint64 to, QString *error);

private:
    struct Block {
        qint64 offset; // of its first set
        qint64 first;  // sample position of its first set
        qint64 sets;
    };
    void scanBlocks(qint64 end);
    bool readClosing(qint64 size, qint64 *dataEnd);
    void buildBase();

    QFile m_file;
    Header m_header;
    QVector<Block> m_blocks;
    qint64 m_length = 0;
    qint64 m_sets = 0;
    qint64 m_dataStart = 0;
    bool m_cutShort = true;
    WavePyramid m_pyramid;
};

} // namespace WaveRecording
