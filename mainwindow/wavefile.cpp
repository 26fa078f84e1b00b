#include "mainwindow/wavefile.h"

#include "app/regularfile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace WaveFile {

QString headerLine(const QStringList &names, const QString &model, const QString &version, double triggerTime)
{
    QString line;
    for (int c = 0; c < kChannels; ++c)
        line += names.value(c) + QLatin1Char(',');
    line += QStringLiteral("#Model=") + model + QStringLiteral(",#Version=") + version + QLatin1Char(',');
    if (triggerTime >= 0)
        line += QStringLiteral("#Trigger=") + QString::number(triggerTime, 'g', 6) + QLatin1Char(',');
    return line + QStringLiteral(",\n");
}

bool write(const QString &path, const QStringList &names, const QString &model, const QString &version,
           const std::array<QVector<QPointF>, kChannels> &raw, float period, QString *error, double triggerTime)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << headerLine(names, model, version, triggerTime);
    // A line per sample position, and a field per channel up to the last one
    // with points, so that every value stays in its channel's column and on
    // its own position: a channel without a point there leaves its field
    // empty and no value is made up; a position no channel has a point at
    // (a lost sample set) is a line of empty fields.
    int fields = 0;
    for (int c = 0; c < kChannels; ++c) {
        if (!raw[size_t(c)].isEmpty())
            fields = c + 1;
    }
    std::array<int, kChannels> next{};
    const auto pending = [&] {
        for (int c = 0; c < fields; ++c) {
            if (next[size_t(c)] < raw[size_t(c)].size())
                return true;
        }
        return false;
    };
    for (qint64 row = 0; pending(); ++row) {
        for (int c = 0; c < fields; ++c) {
            const QVector<QPointF> &list = raw[size_t(c)];
            int &i = next[size_t(c)];
            if (i < list.size() && std::llround(list[i].x() / double(period)) <= row)
                out << list[i++].y();
            out << ',';
        }
        out << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

namespace {

// One line of at most kMaxLine bytes, without its line end; `tooLong` when
// the line went on (the rest is consumed and dropped).
bool readLine(QFile &file, QString *line, bool *tooLong)
{
    if (file.atEnd())
        return false;
    QByteArray bytes = file.readLine(kMaxLine + 1);
    *tooLong = false;
    if (!bytes.endsWith('\n') && !file.atEnd()) {
        *tooLong = true;
        char c;
        while (file.getChar(&c) && c != '\n') {
        }
    }
    while (bytes.endsWith('\n') || bytes.endsWith('\r'))
        bytes.chop(1);
    *line = QString::fromUtf8(bytes);
    return true;
}

bool sample(const QString &field, double *value)
{
    bool ok = false;
    *value = field.trimmed().toDouble(&ok);
    return ok && std::isfinite(*value) && std::abs(*value) <= kMaxMagnitude;
}

} // namespace

Content read(const QString &path, int limit)
{
    Content content;
    QFile file(path);
    if (!RegularFile::openForReading(file, QIODevice::NotOpen, &content.error))
        return content;
    content.opened = true;

    QString line;
    bool tooLong = false;
    if (!readLine(file, &line, &tooLong))
        return content;
    const QStringList header = line.split(QLatin1Char(','));
    content.fields = header.size();
    // A header field that is not a number names its channel; numbers are
    // already the first points.
    for (int c = 0; c < kChannels; ++c) {
        const QString field = header.value(c);
        double v;
        if (c < header.size() && sample(field, &v)) {
            content.names.append(QString());
        } else {
            content.names.append(field);
            if (!field.isEmpty())
                content.hasNames = true;
        }
    }
    if (header.size() >= 6) {
        content.model = header.at(4).section(QLatin1Char('='), 1);
        content.version = header.at(5).section(QLatin1Char('='), 1);
    }
    for (int i = 6; i < header.size(); ++i) {
        if (header.at(i).startsWith(QLatin1String("#Trigger="))) {
            bool ok = false;
            const double at = header.at(i).mid(9).toDouble(&ok);
            content.hasTrigger = ok && at >= 0 && at <= kMaxMagnitude;
            content.triggerTime = content.hasTrigger ? at : 0;
            break;
        }
    }

    // Fields 1 to 4 go to channels 1 to 4; an empty or missing field leaves
    // its channel without a point, a field that is not a sample spoils the
    // whole line. Each channel counts its own sample positions.
    std::array<int, kChannels> next{};
    const auto take = [&](const QStringList &fields) {
        double values[kChannels];
        bool present[kChannels] = {};
        bool any = false;
        for (int c = 0; c < kChannels && c < fields.size(); ++c) {
            if (fields.at(c).trimmed().isEmpty())
                continue;
            if (!sample(fields.at(c), &values[c])) {
                ++content.skippedLines;
                return;
            }
            present[c] = any = true;
        }
        if (!any)
            return;
        bool full = false;
        for (int c = 0; c < kChannels; ++c)
            full = full || (present[c] && next[size_t(c)] >= limit);
        if (full) {
            content.truncated = true;
            return;
        }
        for (int c = 0; c < kChannels; ++c) {
            if (present[c]) {
                content.values[size_t(c)].append(values[c]);
                content.positions[size_t(c)].append(next[size_t(c)]++);
            }
        }
    };
    // Nothing but commas (and blanks): a lost sample set.
    const auto lostSet = [](const QString &text) {
        return text.contains(QLatin1Char(','))
            && std::all_of(text.cbegin(), text.cend(), [](QChar ch) { return ch == QLatin1Char(',') || ch.isSpace(); });
    };
    if (!content.hasNames && !tooLong)
        take(header);
    else if (tooLong)
        ++content.skippedLines;

    while (readLine(file, &line, &tooLong)) {
        if (tooLong) {
            ++content.skippedLines;
            continue;
        }
        if (line.isEmpty())
            continue;
        if (lostSet(line)) {
            for (int &n : next)
                n = qMin(n + 1, limit);
            continue;
        }
        take(line.split(QLatin1Char(',')));
    }
    return content;
}

} // namespace WaveFile
