#include "app/settingsfiles.h"
#include "app/applog.h"
#include "app/inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

namespace SettingsFiles {

namespace {
// "true" or "1" (any case) is on; anything else, a missing key included, off.
bool flag(const QSettings &settings, const char *key)
{
    const QString value = settings.value(QLatin1String(key)).toString().trimmed().toLower();
    return value == QLatin1String("true") || value == QLatin1String("1");
}

// Whether QSettings may read the file; a file it must not read is logged and
// treated as holding none of its keys.
bool readable(const QString &path)
{
    QString reason;
    if (IniFile::check(path, IniFile::kMaxSettingsSize, &reason) != IniFile::Access::Refused)
        return true;
    qCWarning(lcWindow) << "settings file ignored:" << path << reason;
    return false;
}

// Whether QSettings understands every line of the file as it is on disk.
// QSettings keeps what it parsed of a file for the whole process and parses
// it again only when its size or time changed, so it would judge what it
// read at start-up; a copy under a fresh name is parsed from its bytes.
bool parses(const QString &path)
{
    QFile file(path);
    QTemporaryFile copy(QDir::temp().filePath(QStringLiteral("servo-settings-XXXXXX.ini")));
    if (!file.open(QIODevice::ReadOnly) || !copy.open())
        return false;
    const QByteArray bytes = file.readAll();
    if (copy.write(bytes) != bytes.size() || !copy.flush())
        return false;
    QSettings probe(copy.fileName(), QSettings::IniFormat);
    probe.setIniCodec("UTF-8");
    probe.allKeys(); // sections are parsed when first needed
    return probe.status() == QSettings::NoError;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}
} // namespace

bool isShow(const QString &value)
{
    return value == QLatin1String("Show") || value == QLatin1String("show");
}

Config readConfig(const QString &path)
{
    Config config;
    if (!QFileInfo::exists(path))
        return config;
    config.exists = true;
    if (!readable(path))
        return config;
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    config.title = settings.value(QStringLiteral("Other/mainwindow_title")).toString();
    config.waveformImport = isShow(settings.value(QStringLiteral("Other/waveform_import")).toString());
    config.showCommData = isShow(settings.value(QStringLiteral("Other/showCommData")).toString());
    config.language = settings.value(QStringLiteral("Basic/Language")).toString();
    const auto number = [&](const char *key) { return settings.value(QLatin1String(key)).toInt(); };
    const QRect window(number("Window/x"), number("Window/y"), number("Window/width"), number("Window/height"));
    if (window.isValid())
        config.window = window;
    config.windowMaximised = flag(settings, "Window/maximized");
    return config;
}

AppSettings readAppSettings(const QString &path)
{
    AppSettings app;
    if (!QFileInfo::exists(path))
        return app;
    app.exists = true;
    if (!readable(path))
        return app;
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    app.waveFormRate10Khz = flag(settings, "Func/WaveFormRate10Khz");
    app.testXml = flag(settings, "Func/TestXml");
    app.useCompare = flag(settings, "Func/UseCompare");
    return app;
}

Version readVersion(const QString &versionPath, const QString &patchPath)
{
    Version v;
    if (QFileInfo::exists(versionPath) && readable(versionPath)) {
        QSettings settings(versionPath, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        const auto number = [&](const char *key) { return settings.value(QLatin1String(key), 0).toInt(); };
        v.major = number("Version/MajorVer");
        v.minor = number("Version/MinorVer");
        v.revision = number("Version/RevisionVer");
        v.minVer = number("Version/MinVer");
        v.year = number("Version/Year");
        v.month = number("Version/Mouth");
        v.day = number("Version/Date");
    }
    if (QFileInfo::exists(patchPath) && readable(patchPath)) {
        QSettings settings(patchPath, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        v.patch = settings.value(QStringLiteral("Version/Patch"), 0).toInt();
    }
    return v;
}

namespace {
// Sets `values` and keeps every other key of the file.
bool saveValues(const QString &path, const QList<QPair<QString, QVariant>> &values)
{
    {
        // Make sure the file exists and can be written before QSettings,
        // which fails silently, touches it.
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite))
            return false;
    }
    // QSettings reads the file before it writes it back; and it writes back
    // only what it understood, so a file it cannot parse is left as it is.
    if (!readable(path))
        return false;
    if (!parses(path)) {
        qCWarning(lcWindow) << "settings file not rewritten, it does not parse:" << path;
        return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    for (const auto &value : values)
        settings.setValue(value.first, value.second);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
} // namespace

bool saveLanguage(const QString &path, const QString &language)
{
    return saveValues(path, {{QStringLiteral("Basic/Language"), language}});
}

bool saveWindow(const QString &path, const QRect &normalGeometry, bool maximised)
{
    return saveValues(path, {{QStringLiteral("Window/x"), normalGeometry.x()},
                             {QStringLiteral("Window/y"), normalGeometry.y()},
                             {QStringLiteral("Window/width"), normalGeometry.width()},
                             {QStringLiteral("Window/height"), normalGeometry.height()},
                             {QStringLiteral("Window/maximized"), maximised}});
}

QString versionText(const Version &v)
{
    return QStringLiteral("V%1.%2.%3.%4%5%6%7")
        .arg(v.major)
        .arg(v.minor)
        .arg(v.revision)
        .arg(twoDigits(v.year), twoDigits(v.month), twoDigits(v.day), twoDigits(v.minVer));
}

QString dateText(const Version &v)
{
    return QStringLiteral("20%1/%2/%3").arg(twoDigits(v.year), twoDigits(v.month), twoDigits(v.day));
}

} // namespace SettingsFiles
