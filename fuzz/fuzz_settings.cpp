// The program's own INI files (config.ini, appsetting.ini, version.ini,
// patchVer.ini) on arbitrary contents: the guard in front of QSettings, every
// reader, and saving the language into the file.

#include "fuzz/fuzzsupport.h"

#include "app/inifile.h"
#include "app/settingsfiles.h"

#include <QFile>
#include <QSettings>

namespace {

// The forms QSettings makes without QDataStream: texts, byte arrays, small
// geometry values, nothing, and lists of them.
bool plainValue(const QVariant &value)
{
    switch (value.type()) {
    case QVariant::Invalid:
    case QVariant::String:
    case QVariant::StringList:
    case QVariant::ByteArray:
    case QVariant::Rect:
    case QVariant::Size:
    case QVariant::Point:
        return true;
    case QVariant::List:
        for (const QVariant &item : value.toList()) {
            if (!plainValue(item))
                return false;
        }
        return true;
    default:
        return false;
    }
}

// What the guard lets through, QSettings reads without deserializing anything.
void checkNothingDeserialized(const QString &path)
{
    QSettings settings(path, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    for (const QString &key : settings.allKeys())
        FUZZ_CHECK(plainValue(settings.value(key)));
}

} // namespace

FUZZ_TARGET(fuzz_settings)
{
    Fuzz::setUp();
    static const QString path = Fuzz::scratchDir() + QStringLiteral("/config.ini");
    const QByteArray bytes = Fuzz::bytesOf(data, size);
    Fuzz::writeFile(path, bytes);
    Fuzz::stampFresh(path);

    const IniFile::Access access = IniFile::check(path, IniFile::kMaxSettingsSize);
    FUZZ_CHECK(access != IniFile::Access::Missing);
    FUZZ_CHECK((access == IniFile::Access::Refused) == IniFile::maySpellSerializedValue(bytes));
    if (access == IniFile::Access::Readable)
        checkNothingDeserialized(path);

    const SettingsFiles::Config config = SettingsFiles::readConfig(path);
    FUZZ_CHECK(config.exists);
    SettingsFiles::readAppSettings(path);
    const SettingsFiles::Version version = SettingsFiles::readVersion(path, path);
    SettingsFiles::versionText(version);
    SettingsFiles::dateText(version);

    // The language goes in and every other key stays, or the file is left
    // exactly as it was.
    const QString language = QStringLiteral("en_US");
    const bool saved = SettingsFiles::saveLanguage(path, language);
    FUZZ_CHECK(!saved || access == IniFile::Access::Readable);
    if (!saved) {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
        return 0;
    }
    Fuzz::stampFresh(path);
    FUZZ_CHECK(IniFile::check(path, IniFile::kMaxSettingsSize) == IniFile::Access::Readable);
    const SettingsFiles::Config after = SettingsFiles::readConfig(path);
    FUZZ_CHECK(after.language == language);
    FUZZ_CHECK(after.title == config.title);
    FUZZ_CHECK(after.waveformImport == config.waveformImport);
    FUZZ_CHECK(after.showCommData == config.showCommData);
    return 0;
}
