#include "mainwindow/paramfile.h"

#include "app/applog.h"
#include "app/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
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

} // namespace

bool write(const QString &path, const Definitions &defs, const QString &model, const QString &version,
           QString *error)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    settings.clear();
    settings.setValue(QStringLiteral("Device_Info/Model"), model);
    settings.setValue(QStringLiteral("Device_Info/Version"), version);
    forEachParam(defs, [&](const ParamRecord &p) {
        settings.setValue(QStringLiteral("Parameter/%1").arg(p.ParameterIndex), p.currentValue);
    });
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
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    contents.readable = settings.status() == QSettings::NoError;
    auto text = [&settings](const QString &key) {
        const QVariant v = settings.value(key);
        return v.type() == QVariant::String || v.type() == QVariant::ByteArray ? v.toString() : QString();
    };
    contents.model = text(QStringLiteral("Device_Info/Model"));
    contents.version = text(QStringLiteral("Device_Info/Version"));
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
            p.state |= ParamState::Changed | ParamState::Checked;
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
