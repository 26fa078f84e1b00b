#include "mainwindow/paramfile.h"

#include "app/applog.h"
#include "app/inifile.h"
#include "app/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <QTextCodec>

#include <limits>

namespace ParamFile {

namespace {

template <typename Visit>
void forEachParam(const Definitions &defs, Visit visit)
{
    for (const ParamGroup &group : defs.paramGroups)
        for (const ParamRecord &p : group)
            visit(p);
}

// Whether a file was cut short or garbled: QSettings ends every line it
// writes, and every line is blank, a comment, a section header or a key with
// its value. (QSettings itself keeps what it could read of such a file, and
// once the file is in its cache its status no longer tells.)
bool cutShort(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return false;
    if (!bytes.endsWith('\n'))
        return true;
    // A byte-order mark, as some editors write it, is not part of the text.
    const QList<QByteArray> lines = (bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes).split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i).trimmed();
        // A line ending in a backslash goes on in the next one.
        while (line.endsWith('\\') && i + 1 < lines.size()) {
            line.chop(1);
            line += lines.at(++i).trimmed();
        }
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') ? !line.contains(']') : !line.contains('='))
            return true;
    }
    return false;
}

} // namespace

int valueCount(const Definitions &defs)
{
    int count = 0;
    forEachParam(defs, [&](const ParamRecord &p) { count += !p.currentValue.isEmpty(); });
    return count;
}

bool write(const QString &path, const Definitions &defs, const QString &model, const QString &version,
           QString *error, int *leftOut, const QMap<QString, QString> &extraInfo)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    settings.clear();
    settings.setValue(QStringLiteral("Device_Info/Model"), model);
    settings.setValue(QStringLiteral("Device_Info/Version"), version);
    for (auto it = extraInfo.cbegin(); it != extraInfo.cend(); ++it)
        settings.setValue(QStringLiteral("Device_Info/%1").arg(it.key()), it.value());
    int withoutValue = 0;
    // A parameter never read has no key: an empty one would read back as a
    // value, and an import treats a missing key the same way.
    forEachParam(defs, [&](const ParamRecord &p) {
        if (p.currentValue.isEmpty())
            ++withoutValue;
        else
            settings.setValue(QStringLiteral("Parameter/%1").arg(p.ParameterIndex), p.currentValue);
    });
    if (leftOut)
        *leftOut = withoutValue;
    // The file is written out here; a folder that cannot be written or a
    // full disk shows in the status.
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QCoreApplication::translate("ParamFile", "文件无法写入：%1").arg(QDir::toNativeSeparators(path));
    return false;
}

Contents read(const QString &path)
{
    Contents contents;
    QString reason;
    if (IniFile::check(path, kMaxFileSize, &reason) != IniFile::Access::Readable) {
        qCDebug(lcWindow) << "not a parameter file:" << path << reason;
        return contents;
    }
    QByteArray bytes;
    {
        QFile file(path);
        if (!RegularFile::openForReading(file))
            return contents;
        bytes = file.read(kMaxFileSize + 1);
    }
    if (cutShort(bytes)) {
        qCDebug(lcWindow) << "parameter file cut short or garbled:" << path;
        contents.status = Contents::Incomplete;
        return contents;
    }
    // QSettings keeps a file's contents per path and serves them again while
    // its size and time stamp look unchanged, which a rewrite within the file
    // system's time resolution leaves as they were. The bytes just checked
    // are read from a copy of their own.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush())
        return contents;
    QSettings settings(copy.fileName(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    contents.status = Contents::Ok;
    auto text = [&settings](const QString &key) {
        const QVariant v = settings.value(key);
        return v.type() == QVariant::String || v.type() == QVariant::ByteArray ? v.toString() : QString();
    };
    contents.model = text(QStringLiteral("Device_Info/Model"));
    contents.version = text(QStringLiteral("Device_Info/Version"));
    contents.serialNumber = text(QStringLiteral("Device_Info/SerialNumber"));
    settings.beginGroup(QStringLiteral("Parameter"));
    for (const QString &key : settings.childKeys())
        contents.values.insert(key, text(key));
    settings.endGroup();
    return contents;
}

bool transferable(const QString &value, bool wide)
{
    bool ok = false;
    const qint64 v = value.toLongLong(&ok, 10);
    const qint64 lowest = wide ? std::numeric_limits<qint32>::min() : -32768;
    const qint64 highest = wide ? qint64(std::numeric_limits<quint32>::max()) : 65535;
    return ok && v >= lowest && v <= highest;
}

bool withinLimits(const QString &value, const ParamRecord &p)
{
    bool ok = false;
    const qint64 v = value.toLongLong(&ok, 10);
    if (!ok)
        return false;
    bool hasMin = false, hasMax = false;
    const qint64 min = p.MinValue.toLongLong(&hasMin, 10);
    const qint64 max = p.MaxValue.toLongLong(&hasMax, 10);
    return (!hasMin || v >= min) && (!hasMax || v <= max);
}

ImportResult apply(const Contents &file, Definitions &defs)
{
    ImportResult result;
    const bool wide = defs.wideValues();
    for (ParamGroup &group : defs.paramGroups) {
        for (ParamRecord &p : group) {
            const QString value = file.values.value(p.ParameterIndex);
            if (value.isEmpty())
                continue;
            if (value == p.currentValue) {
                ++result.present;
                continue;
            }
            // A value the drive could never hold would only fail on download.
            if (!transferable(value, wide)) {
                result.refused.append(p.ParameterIndex);
                continue;
            }
            p.changeText = QCoreApplication::translate("ParamFile", "%1 → %2（参数载入）").arg(p.currentValue, value);
            p.currentValue = value;
            p.state |= ParamState::Changed;
            // A value the drive would refuse is shown, not ticked for download.
            if (withinLimits(value, p)) {
                p.state |= ParamState::Checked;
            } else {
                p.state &= quint16(~ParamState::Checked);
                result.outOfRange.append(p.ParameterIndex);
            }
            ++result.changed;
            ++result.present;
        }
    }
    return result;
}

} // namespace ParamFile

namespace ParamCompare {

Differences markDefaults(Definitions &defs)
{
    Differences d;
    for (ParamGroup &group : defs.paramGroups) {
        for (ParamRecord &p : group) {
            if (p.ParameterIndex == excludedCode())
                continue;
            d.allCodes.append(p.ParameterIndex);
            if (p.currentValue != p.DefaultValue) {
                d.diffCodes.append(p.ParameterIndex);
                p.state |= ParamState::Changed;
                p.changeText = QCoreApplication::translate("ParamFile", "%1 → %2").arg(p.DefaultValue, p.currentValue);
            }
        }
    }
    return d;
}

Match findReference(const QString &folder, const QString &model, const QString &version,
                    const QStringList &allCodes, const Definitions &defs)
{
    Match match;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.conf")}, QDir::Files, QDir::Name);
    ParamFile::Contents reference;
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        ParamFile::Contents contents = ParamFile::read(path);
        qCDebug(lcWindow) << "model = " << contents.model << "version = " << contents.version << " file = " << name;
        if (contents.model == model && contents.version == version) {
            qCDebug(lcWindow) << "same";
            match.file = name;
            reference = std::move(contents);
            break;
        }
    }
    if (match.file.isEmpty())
        return match;
    match.name = match.file.endsWith(QLatin1String(".conf")) ? match.file.chopped(5) : match.file;
    for (const QString &code : allCodes) {
        const ParamRecord *p = defs.findParam(code);
        const QString current = p ? p->currentValue : QString();
        if (!current.isEmpty() && reference.values.value(code) == current)
            ++match.count;
    }
    qCDebug(lcWindow) << QStringLiteral("%1, 有%2参数相同").arg(match.file).arg(match.count);
    match.success = match.count > 0 && match.count == allCodes.size();
    return match;
}

} // namespace ParamCompare
