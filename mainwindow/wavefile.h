#pragma once

// Waveform files: comma-separated text, a header line with the four channel
// names, the drive's model and version (and, for a capture around a trigger,
// "#Trigger=" with the seconds from the first line to the trigger, after the
// version so that readers that know only model and version still read the
// file), then one line per sample position
// up to the last point, with a field per channel up to the last one that has
// points (empty where a channel has no point). Every field is followed by a
// comma. A line of nothing but empty fields stands for a sample set the
// stream lost: it holds no point but moves the later ones on.

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <array>

namespace WaveFile {

constexpr int kChannels = 4;
// Lines are read at most this long; the rest of a longer line is skipped.
constexpr int kMaxLine = 1023;
// Values beyond this are not samples of a drive.
constexpr double kMaxMagnitude = 1e9;

// Writes a file beside its target and moves it over the target only when
// every line is written; false (with a reason) when that failed. A point's
// sample position is its x divided by `period`. A negative `triggerTime`
// writes no trigger field.
bool write(const QString &path, const QStringList &names, const QString &model, const QString &version,
           const std::array<QVector<QPointF>, kChannels> &raw, float period, QString *error,
           double triggerTime = -1);
// The first line of a file: the channel names, model, version and, unless
// `triggerTime` is negative, the trigger's time from the first data line.
QString headerLine(const QStringList &names, const QString &model, const QString &version,
                   double triggerTime = -1);

struct Content {
    bool opened = false;
    QString error;
    QStringList names;       // per channel; empty where the header held a number
    bool hasNames = false;   // the first line was a header
    int fields = 0;          // fields of the first line
    QString model;           // after "=" in field 5
    QString version;         // after "=" in field 6
    bool hasTrigger = false; // a "#Trigger=" field after them
    double triggerTime = 0;  // its seconds from the first data line
    std::array<QVector<double>, kChannels> values;
    // The sample position of each value: its channel's earlier values and
    // the lost sets before it.
    std::array<QVector<int>, kChannels> positions;
    int skippedLines = 0;    // too long, or with a field that is not a sample
    bool truncated = false;  // points at or beyond position `limit` left out
};

// Reads a waveform file, at most `limit` sample positions per channel. Only
// a regular file is opened: a FIFO or a device is refused at once.
Content read(const QString &path, int limit);

} // namespace WaveFile
