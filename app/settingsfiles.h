#pragma once

// The INI files beside the program: config.ini (the user's settings),
// appsetting.ini (feature switches), version.ini and patchVer.ini (the
// tool's own version). All are UTF-8; a missing file or key gives the
// default, never an error. A file that QSettings must not read (too large, or
// able to spell a serialized value, see app/inifile.h) counts as holding no keys.

#include <QRect>
#include <QString>

namespace SettingsFiles {

struct Config {
    bool exists = false;
    QString title;             // Other/mainwindow_title
    bool waveformImport = false; // Other/waveform_import is "Show" or "show"
    bool showCommData = false;   // Other/showCommData is "Show" or "show"
    QString language;          // Basic/Language
    // Window/x, y, width, height and maximized: the main window at the last
    // close, its normal geometry; null when never saved.
    QRect window;
    bool windowMaximised = false;
};

struct AppSettings {
    bool exists = false;
    bool waveFormRate10Khz = false; // Func/WaveFormRate10Khz
    bool testXml = false;           // Func/TestXml
    bool useCompare = false;        // Func/UseCompare
};

struct Version {
    int major = 0, minor = 0, revision = 0, minVer = 0;
    int year = 0, month = 0, day = 0;
    int patch = 0;
};

Config readConfig(const QString &path);
AppSettings readAppSettings(const QString &path);
// version.ini and patchVer.ini.
Version readVersion(const QString &versionPath, const QString &patchPath);

// Sets Basic/Language and keeps every other key the user has. Creates the
// file when it is missing. Returns false when it could not be written, or
// when the file there may not be read.
bool saveLanguage(const QString &path, const QString &language);
// Sets the Window keys in the same way.
bool saveWindow(const QString &path, const QRect &normalGeometry, bool maximised);

// "V1.1.9.23080501", "2023/08/05"; the patch text is left to the caller,
// which translates "None".
QString versionText(const Version &v);
QString dateText(const Version &v);

// Whether an Other/... value switches its widget on.
bool isShow(const QString &value);

} // namespace SettingsFiles
