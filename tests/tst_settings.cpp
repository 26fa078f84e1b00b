// The settings and version files: defaults for what is missing or malformed,
// the spellings that switch widgets on, the version texts, a language save
// that keeps the user's other settings, the guard that keeps QSettings from
// deserializing what a file spells, and root's home.

#include "app/inifile.h"
#include "app/settingsfiles.h"
#include "app/workfolder.h"
#include "mainwindow/mainwindow.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
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

    // A QVariant holding the int 5 as QDataStream writes it, spelled with
    // escapes the way it could sit in an INI file.
    static QByteArray serializedInt() { return QByteArrayLiteral("\\0\\0\\0\\x2\\0\\0\\0\\x5)"); }

    void serializedValuesAreRefusedInEveryDisguise_data()
    {
        QTest::addColumn<QByteArray>("value");
        const QByteArray tail = serializedInt();
        QTest::newRow("plain") << "@Variant(" + tail;
        QTest::newRow("date-time form") << "@DateTime(" + tail;
        QTest::newRow("quoted, blanks before") << " \t\"@Variant(" + tail + "\"";
        QTest::newRow("second item of a list") << "a, @Variant(" + tail;
        QTest::newRow("'@' as hex escape") << "\\x40Variant(" + tail;
        QTest::newRow("'@' as long hex escape") << "\\x10040Variant(" + tail;
        QTest::newRow("'@' as octal escape") << "\\100Variant(" + tail;
        QTest::newRow("letters as escapes") << "@\\x56\\x61riant(" + tail;
        QTest::newRow("dropped escape first") << "\\q@Variant(" + tail;
        QTest::newRow("split by quotes") << "\"@Var\"  \"iant(" + tail + "\"";
        QTest::newRow("after an escaped line break") << "\\\n@Variant(" + tail;
    }

    void serializedValuesAreRefusedInEveryDisguise()
    {
        QFETCH(QByteArray, value);
        WorkDir dir(false);
        const QByteArray bytes = "[Other]\nmainwindow_title=" + value + "\n[Basic]\nLanguage=en_US\n";
        dir.write(QStringLiteral("config.ini"), bytes);
        const QString path = dir.path(QStringLiteral("config.ini"));
        {
            // The disguise is real: QSettings would not hand back text.
            QSettings raw(path, QSettings::IniFormat);
            const QVariant title = raw.value(QStringLiteral("Other/mainwindow_title"));
            QVERIFY2(title.type() != QVariant::String && title.type() != QVariant::StringList, title.typeName());
        }
        QString reason;
        QCOMPARE(IniFile::check(path, IniFile::kMaxSettingsSize, &reason), IniFile::Access::Refused);
        QVERIFY(!reason.isEmpty());
        const SettingsFiles::Config config = SettingsFiles::readConfig(path);
        QVERIFY(config.exists);
        QVERIFY(config.language.isEmpty());
        QVERIFY(!SettingsFiles::saveLanguage(path, QStringLiteral("zh_CN")));
        QCOMPARE(dir.read(QStringLiteral("config.ini")), bytes);
    }

    // Whatever text QSettings itself wrote, '@' anywhere included, is read
    // back and survives a language save.
    void textsWrittenByQSettingsAreReadBack()
    {
        WorkDir dir(false);
        const QString path = dir.path(QStringLiteral("config.ini"));
        const QStringList pieces{QStringLiteral("@"), QStringLiteral("@@"), QStringLiteral("Variant("),
                                 QStringLiteral("DateTime("), QStringLiteral("String("), QStringLiteral(","),
                                 QStringLiteral("\""), QStringLiteral("\\"), QStringLiteral(" "),
                                 QStringLiteral("="), QStringLiteral(";"), QStringLiteral("\t"),
                                 QStringLiteral("\n"), QString(QChar(0)), QStringLiteral("\x01"),
                                 QStringLiteral("伺服"), QStringLiteral("x40"), QStringLiteral("100"),
                                 QStringLiteral("Bench 3")};
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
            // The one thing given up: a serialized form right after '=' or
            // ',' is refused even inside quotes, where it is only text.
            if (spellsAfterSeparator.match(title + QLatin1Char('\n') + list.join(QLatin1Char('\n'))).hasMatch()) {
                QCOMPARE(IniFile::check(path, IniFile::kMaxSettingsSize), IniFile::Access::Refused);
                ++refused;
                continue;
            }
            QCOMPARE(IniFile::check(path, IniFile::kMaxSettingsSize), IniFile::Access::Readable);
            QCOMPARE(SettingsFiles::readConfig(path).title, title);
            QVERIFY(SettingsFiles::saveLanguage(path, QStringLiteral("en_US")));
            const SettingsFiles::Config after = SettingsFiles::readConfig(path);
            QCOMPARE(after.title, title);
            QCOMPARE(after.language, QStringLiteral("en_US"));
            QSettings settings(path, QSettings::IniFormat);
            settings.setIniCodec("UTF-8");
            QCOMPARE(settings.value(QStringLiteral("Mine/list")).toStringList(), list);
        }
        QVERIFY(refused < 30);
    }

    void fileThatDoesNotParseIsNotRewritten()
    {
        WorkDir dir(false);
        PromptRecorder prompts;
        // A line that is neither a section nor a key; QSettings would drop it.
        const QByteArray bytes("[Other]\nmainwindow_title=My bench\nno equals sign here\n");
        dir.write(QStringLiteral("config.ini"), bytes);
        MainWindow window; // QSettings keeps what it read here for the whole run
        QVERIFY(!SettingsFiles::saveLanguage(dir.path(QStringLiteral("config.ini")), QStringLiteral("en_US")));
        window.LoadTranslation(QStringLiteral("en_US"), true);
        QCOMPARE(dir.read(QStringLiteral("config.ini")), bytes);
        // The language is not saved, and it says so.
        QVERIFY(prompts.hasText(QStringLiteral("语言已切换，但无法保存到config.ini，下次启动时仍使用原来的语言。")));
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
    }

    void oversizedSettingsFilesAreNotRead()
    {
        WorkDir dir(false);
        QByteArray bytes("[Basic]\nLanguage=en_US\n");
        bytes.append(QByteArray(int(IniFile::kMaxSettingsSize), ';'));
        dir.write(QStringLiteral("config.ini"), bytes);
        dir.write(QStringLiteral("appsetting.ini"), "[Func]\nUseCompare=true\n" + bytes);
        QVERIFY(SettingsFiles::readConfig(dir.path(QStringLiteral("config.ini"))).language.isEmpty());
        QVERIFY(!SettingsFiles::readAppSettings(dir.path(QStringLiteral("appsetting.ini"))).useCompare);
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
        WorkDir dir(false);
        QDir().mkpath(dir.path(QStringLiteral("home")));
        const QByteArray before[] = {qgetenv("HOME"), qgetenv("XDG_DATA_HOME")}, given = dir.path(home).toLocal8Bit();
        qputenv("HOME", given);
        qputenv("XDG_DATA_HOME", given);
        const uint owner = QFileInfo(dir.path(QStringLiteral("home"))).ownerId();
        const bool changed = WorkFolder::confineHome(someoneElses ? owner + 1 : owner, QStringLiteral("/own"));
        const QByteArray after[] = {qgetenv("HOME"), qgetenv("XDG_DATA_HOME")};
        qputenv("HOME", before[0]);
        qputenv("XDG_DATA_HOME", before[1]);
        QCOMPARE(changed, someoneElses);
        QCOMPARE(after[0], someoneElses ? QByteArray("/own") : given);
        QCOMPARE(after[1], someoneElses ? QByteArray() : given);
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
