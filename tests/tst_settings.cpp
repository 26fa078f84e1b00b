// The settings and version files: defaults for what is missing or malformed,
// the spellings that switch widgets on, the version texts, and a language
// save that keeps the user's other settings.

#include "app/settingsfiles.h"
#include "mainwindow/mainwindow.h"
#include "testsupport.h"

#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void shippedVersionGivesTheKnownTexts()
    {
        WorkDir dir;
        MainWindow window;
        QString version, date, patch;
        window.makeVersionTexts(version, date, patch);
        QCOMPARE(version, QStringLiteral("V1.1.9.23080501"));
        QCOMPARE(date, QStringLiteral("2023/08/05"));
        QCOMPARE(patch, QStringLiteral("None"));
        window.LoadTranslation(QStringLiteral("zh_CN"), false);
        QCOMPARE(window.windowTitle(), QStringLiteral("Vemar伺服上位机调试平台V1.1.9.23080501"));
    }

    void missingVersionFilesGiveZeros()
    {
        WorkDir dir(false);
        MainWindow window;
        QString version, date, patch;
        window.makeVersionTexts(version, date, patch);
        QCOMPARE(version, QStringLiteral("V0.0.0.00000000"));
        QCOMPARE(date, QStringLiteral("2000/00/00"));
        QCOMPARE(patch, QStringLiteral("None"));
    }

    void patchNumberIsShownWhenNotZero()
    {
        WorkDir dir;
        dir.write(QStringLiteral("patchVer.ini"), "[Version]\nPatch=3\n");
        MainWindow window;
        QString version, date, patch;
        window.makeVersionTexts(version, date, patch);
        QCOMPARE(patch, QStringLiteral("3"));
    }

    void malformedFilesGiveDefaults()
    {
        WorkDir dir;
        dir.write(QStringLiteral("version.ini"), "[Version\nMajorVer=one\n\x01\x02garbage=\n");
        dir.write(QStringLiteral("appsetting.ini"), "not an ini file at all\n[Func]\nUseCompare=perhaps\n");
        dir.write(QStringLiteral("config.ini"), QByteArray(300, '\xFF'));
        MainWindow window;
        QString version, date, patch;
        window.makeVersionTexts(version, date, patch);
        QCOMPARE(version, QStringLiteral("V0.0.0.00000000"));
        QVERIFY(window.findChild<QPushButton *>(QStringLiteral("pushButton_ParamCompare"))->isHidden());
    }

    void onlyShowAndshowSwitchWidgetsOn_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("shown");
        QTest::newRow("Show") << QByteArray("Show") << true;
        QTest::newRow("show") << QByteArray("show") << true;
        QTest::newRow("SHOW") << QByteArray("SHOW") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }

    void onlyShowAndshowSwitchWidgetsOn()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, shown);
        WorkDir dir;
        dir.write(QStringLiteral("config.ini"),
                  "[Other]\nwaveform_import=" + value + "\nshowCommData=" + value + "\n");
        MainWindow window;
        QCOMPARE(!window.findChild<QWidget *>(QStringLiteral("waveDataImport"))->isHidden(), shown);
        QCOMPARE(!window.findChild<QWidget *>(QStringLiteral("label_ServoType"))->isHidden(), shown);
        QCOMPARE(!window.findChild<QWidget *>(QStringLiteral("label_ServoVer"))->isHidden(), shown);
        QCOMPARE(!window.findChild<QWidget *>(QStringLiteral("pushButton_showCommData"))->isHidden(), shown);
    }

    void languageSaveKeepsTheOtherSettings()
    {
        WorkDir dir;
        dir.write(QStringLiteral("config.ini"),
                  "[Other]\nmainwindow_title=My bench\nwaveform_import=Show\n\n[Basic]\nLanguage=zh_CN\n"
                  "\n[Mine]\nnote=keep me\n");
        MainWindow window;
        QSignalSpy saved(&window, &MainWindow::putSavePath);
        window.LoadTranslation(QStringLiteral("en_US"), true);
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.first().first().toString(), QStringLiteral("config.ini"));

        QSettings config(dir.path(QStringLiteral("config.ini")), QSettings::IniFormat);
        config.setIniCodec("UTF-8");
        QCOMPARE(config.value(QStringLiteral("Basic/Language")).toString(), QStringLiteral("en_US"));
        QCOMPARE(config.value(QStringLiteral("Other/mainwindow_title")).toString(), QStringLiteral("My bench"));
        QCOMPARE(config.value(QStringLiteral("Other/waveform_import")).toString(), QStringLiteral("Show"));
        QCOMPARE(config.value(QStringLiteral("Mine/note")).toString(), QStringLiteral("keep me"));
    }

    void languageSaveCreatesAMissingConfig()
    {
        WorkDir dir(false);
        QVERIFY(SettingsFiles::saveLanguage(dir.path(QStringLiteral("config.ini")), QStringLiteral("zh_CN")));
        QCOMPARE(SettingsFiles::readConfig(dir.path(QStringLiteral("config.ini"))).language, QStringLiteral("zh_CN"));
    }

    void configThatCannotBeWrittenIsLeftAndNotAnnounced()
    {
        WorkDir dir(false);
        QDir().mkdir(dir.path(QStringLiteral("config.ini"))); // a folder where the file should be
        MainWindow window;
        QSignalSpy saved(&window, &MainWindow::putSavePath);
        window.saveFile();
        QVERIFY(saved.isEmpty());
        QVERIFY(!SettingsFiles::saveLanguage(dir.path(QStringLiteral("config.ini")), QStringLiteral("zh_CN")));
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
