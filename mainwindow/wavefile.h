#pragma once

// Waveform files: comma-separated text, a header line with the four channel
// names, the drive's model and version, then one line per point of the
// longest channel with a field per channel up to the last one that has
// points (empty where a channel has no point). Every field is followed by a
// comma.

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
// every line is written; false (with a reason) when that failed.
bool write(const QString &path, const QStringList &names, const QString &model, const QString &version,
           const std::array<QVector<QPointF>, kChannels> &raw, QString *error);

struct Content {
    bool opened = false;
    QString error;
    QStringList names;       // per channel; empty where the header held a number
    bool hasNames = false;   // the first line was a header
    int fields = 0;          // fields of the first line
    QString model;           // after "=" in field 5
    QString version;         // after "=" in field 6
    std::array<QVector<double>, kChannels> values;
    int skippedLines = 0;    // too long, or with a field that is not a sample
    bool truncated = false;  // more points than `limit`
};

// Reads a waveform file, at most `limit` points per channel.
Content read(const QString &path, int limit);

} // namespace WaveFile
