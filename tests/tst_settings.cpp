// The settings and version files, the language save, and root's home.

#include "app/inifile.h"
#include "app/settingsfiles.h"
#include "app/workfolder.h"
#include "mainwindow/mainwindow.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

class TestSettings : public QObject, private DriveFixture
{
    Q_OBJECT

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void versionTexts_data()
    {
        QTest::addColumn<QByteArray>("version"); // null: no file
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("patchNumber");
        QTest::newRow("missing") << QByteArray() << QByteArray() << "V0.0.0.00000000" << "2000/00/00" << 0;
        QTest::newRow("with a patch") << QByteArray("[Version]\nMajorVer=1\nMinorVer=1\nRevisionVer=9\nMinVer=1\nYear=23\nMouth=8\nDate=5\n")
                                      << QByteArray("[Version]\nPatch=3\n") << "V1.1.9.23080501" << "2023/08/05" << 3;
        QTest::newRow("malformed") << QByteArray("[Version\nMajorVer=one\n\x01\x02garbage=\n") << QByteArray()
                                   << "V0.0.0.00000000" << "2000/00/00" << 0;
    }

    void versionTexts()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, patch);
        if (!version.isNull())
            dir->write(QStringLiteral("v.ini"), version);
        if (!patch.isNull())
            dir->write(QStringLiteral("p.ini"), patch);
        const SettingsFiles::Version v = SettingsFiles::readVersion(dir->path(QStringLiteral("v.ini")), dir->path(QStringLiteral("p.ini")));
        QTEST(SettingsFiles::versionText(v), "text");
        QTEST(SettingsFiles::dateText(v), "date");
        QTEST(v.patch, "patchNumber");
    }

    // What config.ini switches on ("Show" and "show" only), and a language switch that saves the
    // language alone, or leaves the file as it was and says so.
    void configAndLanguageSave_data()
    {
        QTest::addColumn<QByteArray>("config"); // null: a folder where the file should be
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("saved");
        QTest::newRow("Show") << QByteArray("[Other]\nmainwindow_title=My bench\nwaveform_import=Show\nshowCommData=Show\n\n[Basic]\nLanguage=zh_CN\n")
                              << true << true;
        QTest::newRow("show") << QByteArray("[Other]\nwaveform_import=show\nshowCommData=show\n") << true << true;
        QTest::newRow("SHOW") << QByteArray("[Other]\nwaveform_import=SHOW\nshowCommData=SHOW\n") << false << true;
        // A line that is neither a section nor a key; QSettings would drop it.
        QTest::newRow("does not parse") << QByteArray("[Other]\nwaveform_import=Show\nshowCommData=Show\nno equals sign here\n") << true << false;
        QTest::newRow("cannot be written") << QByteArray() << false << false;
    }

    void configAndLanguageSave()
    {
        QFETCH(QByteArray, config);
        QFETCH(bool, shown);
        QFETCH(bool, saved);
        dir->remove(QStringLiteral("config.ini"));
        if (config.isNull())
            QDir().mkdir(dir->path(QStringLiteral("config.ini")));
        else
            dir->write(QStringLiteral("config.ini"), config + "[Mine]\nnote=keep me\n");
        // A switch that does not read as true leaves its widget off.
        dir->write(QStringLiteral("appsetting.ini"), "not an ini file at all\n[Func]\nUseCompare=perhaps\n");
        prompts->expect(QStringLiteral("语言已切换，但无法保存到config.ini，下次启动时仍使用原来的语言。"));
        startWindow(); // QSettings keeps what it read here for the whole run
        for (const char *name : {"waveDataImport", "label_ServoType", "label_ServoVer", "pushButton_showCommData"})
            QVERIFY2(widget<QWidget>(name)->isHidden() != shown, name);
        QVERIFY(widget<QWidget>("pushButton_ParamCompare")->isHidden());
        const QByteArray before = dir->read(QStringLiteral("config.ini"));
        QSignalSpy announced(window(), &MainWindow::putSavePath);
        window()->LoadTranslation(QStringLiteral("en_US"), true);
        QCOMPARE(announced.size(), saved ? 1 : 0);
        QCOMPARE(prompts->boxes.size(), saved ? 0 : 1);
        QCOMPARE(window()->statusBar()->currentMessage().isEmpty(), !saved);
        const QByteArray after = dir->read(QStringLiteral("config.ini"));
        QCOMPARE(after == before, !saved);
        QCOMPARE(after.contains("Language=en_US\n") && after.contains("\nnote=keep me"), saved);
    }

    // Any text QSettings wrote, '@' included, is read back and survives a language save.
    void textsWrittenByQSettingsAreReadBack()
    {
        const QString path = dir->path(QStringLiteral("config.ini"));
        const QStringList pieces = QStringLiteral("@|@@|Variant(|DateTime(|String(|,|\"|\\| |=|;|\t|\n|\x01|伺服|x40|100|Bench 3")
                                       .split(QLatin1Char('|')) + QStringList{QString(QChar(0))};
        const QRegularExpression spellsAfterSeparator(QStringLiteral("[=,] *@(Variant|DateTime)\\("));
        int refused = 0;
        QRandomGenerator random(20261206);
        for (int round = 0; round < 300; ++round) {
            QString title;
            for (int n = random.bounded(1, 8); n > 0; --n)
                title += pieces.at(random.bounded(pieces.size()));
            const QStringList list{title, pieces.at(random.bounded(pieces.size())) + title};
            QFile::remove(path);
            {
                QSettings settings(path, QSettings::IniFormat);
                settings.setIniCodec("UTF-8");
                settings.setValue(QStringLiteral("Other/mainwindow_title"), title);
                settings.setValue(QStringLiteral("Mine/list"), list);
            }
            // Given up: a serialized form right after '=' or ',' is refused even inside quotes.
            if (spellsAfterSeparator.match(title + QLatin1Char('\n') + list.join(QLatin1Char('\n'))).hasMatch()) {
                QCOMPARE(IniFile::check(path, IniFile::kMaxSettingsSize), IniFile::Access::Refused);
                ++refused;
                continue;
            }
            QVERIFY(SettingsFiles::saveLanguage(path, QStringLiteral("en_US")));
            QCOMPARE(SettingsFiles::readConfig(path).title, title);
            QSettings settings(path, QSettings::IniFormat);
            settings.setIniCodec("UTF-8");
            QCOMPARE(settings.value(QStringLiteral("Mine/list")).toStringList(), list);
        }
        QVERIFY(refused < 30);
    }

    void oversizedSettingsFilesAreNotRead()
    {
        QByteArray bytes("[Basic]\nLanguage=en_US\n");
        bytes.append(QByteArray(int(IniFile::kMaxSettingsSize), ';'));
        dir->write(QStringLiteral("config.ini"), bytes);
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nUseCompare=true\n" + bytes);
        QVERIFY(SettingsFiles::readConfig(dir->path(QStringLiteral("config.ini"))).language.isEmpty());
        QVERIFY(!SettingsFiles::readAppSettings(dir->path(QStringLiteral("appsetting.ini"))).useCompare);
    }

    // Root started by sudo with a user's HOME keeps to its own home.
    void rootKeepsToItsOwnHome_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<bool>("someoneElses");
        QTest::newRow("own") << QStringLiteral("home") << false;
        QTest::newRow("own, not made yet") << QStringLiteral("home/not/made") << false;
        QTest::newRow("someone else's") << QStringLiteral("home") << true;
    }

    void rootKeepsToItsOwnHome()
    {
        QFETCH(QString, home);
        QFETCH(bool, someoneElses);
        QDir().mkpath(dir->path(QStringLiteral("home")));
        const QByteArray before[] = {qgetenv("HOME"), qgetenv("XDG_DATA_HOME")}, given = dir->path(home).toLocal8Bit();
        qputenv("HOME", given);
        qputenv("XDG_DATA_HOME", given);
        const uint owner = QFileInfo(dir->path(QStringLiteral("home"))).ownerId();
        const bool changed = WorkFolder::confineHome(someoneElses ? owner + 1 : owner, QStringLiteral("/own"));
        const QByteArray after[] = {qgetenv("HOME"), qgetenv("XDG_DATA_HOME")};
        qputenv("HOME", before[0]);
        qputenv("XDG_DATA_HOME", before[1]);
        QCOMPARE(changed, someoneElses);
        QCOMPARE(after[0], someoneElses ? QByteArray("/own") : given);
        QCOMPARE(after[1], someoneElses ? QByteArray() : given);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
