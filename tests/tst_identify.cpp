// Which drive is connected: the servo information table, the decoding of the
// identification reply, the model switch, the load-source dialog, the
// version stamps and the definition-file test mode.

#include "definitions/codes.h"
#include "definitions/servoinfo.h"
#include "dialogs/modelxmllist.h"
#include "dialogs/paramloadseldialog.h"
#include "mainwindow/mainwindow.h"
#include "sim/drivemodel.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <QLabel>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

// One identification entry: identifier, two ignored bytes, value.
QByteArray entry(quint16 id, quint16 value)
{
    QByteArray e;
    e.append(char(id >> 8)).append(char(id)).append("\xAA\x55", 2).append(char(value >> 8)).append(char(value));
    return e;
}

// A whole device-information payload (16 entries) as the drive sends it.
QByteArray identification(quint16 a, quint16 b, quint16 c, quint16 d, const QByteArray &serial = "SN0123456789ABC")
{
    QByteArray payload = entry(0x0201, a) + entry(0x0202, b) + entry(0x0203, c) + entry(0x0204, d);
    for (quint16 id = 0x0205; id <= 0x0208; ++id)
        payload += entry(id, 0xFFFF);
    const QByteArray s = serial.leftJustified(15, ' ');
    for (int i = 0; i < 7; ++i)
        payload += entry(quint16(0x0209 + i), quint16(uint8_t(s.at(2 * i)) << 8 | uint8_t(s.at(2 * i + 1))));
    payload += entry(0x0210, quint16(uint8_t(s.at(14)) << 8 | 0x7F));
    return payload;
}

ServoInfo::Identity decode(const QByteArray &payload)
{
    return ServoInfo::decodeReply(reinterpret_cast<const uint8_t *>(payload.constData()), payload.size() + 6);
}

QByteArray tableFile(const QString &rows)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root><ServoInfoTable Version=\"2\">%1"
                          "</ServoInfoTable></Root>")
        .arg(rows)
        .toUtf8();
}

QString row(const QString &p, const QString &m1, const QString &m2, const QString &fw, const QString &name,
            const QString &file)
{
    return QStringLiteral("<InfoItem><ProductSerial>%1</ProductSerial><Model_1>%2</Model_1><Model_2>%3</Model_2>"
                          "<FirmwareVer>%4</FirmwareVer><ServoInfo>%5</ServoInfo><XMLfileName>%6</XMLfileName>"
                          "</InfoItem>")
        .arg(p, m1, m2, fw, name, file);
}

QByteArray stamps(quint16 length1, QByteArray eeprom, quint16 length2, QByteArray defaults)
{
    QByteArray p;
    p.append(char(length1 >> 8)).append(char(length1)).append(eeprom);
    p.append(char(length2 >> 8)).append(char(length2)).append(defaults);
    return p;
}

} // namespace

class TestIdentify : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<MainWindow> window;

    void startWindow(const QByteArray &table)
    {
        dir->write(QStringLiteral("ParameterFile/02-ServoInformation.xml"), table);
        window = std::make_unique<MainWindow>();
    }
    void identify(const QByteArray &payload)
    {
        window->identifyDevice(reinterpret_cast<const uint8_t *>(payload.constData()), payload.size() + 6);
    }
    int paramCount() const
    {
        int n = 0;
        for (const ParamGroup &g : window->definitions().paramGroups)
            n += g.size();
        return n;
    }
    QString firstValue() const { return window->definitions().paramGroups[0].first().currentValue; }

private slots:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        prompts = std::make_unique<PromptRecorder>();
    }
    void cleanup()
    {
        window.reset();
        prompts.reset();
        dir.reset();
    }

    // --- The table -----------------------------------------------------------

    void tableRows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("model"); // null: no such row
        const QString one = QStringLiteral("0001");
        QTest::newRow("letter case does not matter")
            << tableFile(row(QStringLiteral("000a"), QStringLiteral("0b02"), one, one, QStringLiteral("lower"), QStringLiteral("L.xml")))
            << 1 << QStringLiteral("000A-0B02-0001-0001") << QStringLiteral("lower");
        // "68" is not "0068": a drive with firmware 0x68 never matches that row.
        QTest::newRow("leading zeros count")
            << tableFile(row(one, one, one, QStringLiteral("68"), QStringLiteral("short"), QStringLiteral("S.xml")))
            << 1 << QStringLiteral("0001-0001-0001-0068") << QString();
        QTest::newRow("a row lacking an element does not take it from the one before")
            << tableFile(row(one, one, one, one, QStringLiteral("first"), QStringLiteral("First.xml"))
                         + QStringLiteral("<InfoItem><ProductSerial>0002</ProductSerial><Model_1>0001</Model_1>"
                                          "<Model_2>0001</Model_2><FirmwareVer>0001</FirmwareVer></InfoItem>"))
            << 2 << QStringLiteral("0002-0001-0001-0001") << QStringLiteral("");
        QTest::newRow("later rows replace, rows before an error stay")
            << "<Root><ServoInfoTable>" + row(one, one, one, one, QStringLiteral("old"), QStringLiteral("a.xml")).toUtf8()
                   + row(one, one, one, one, QStringLiteral("new"), QStringLiteral("b.xml")).toUtf8()
                   + "<InfoItem><ProductSerial>0002</Prod"
            << 2 << QStringLiteral("0001-0001-0001-0001") << QStringLiteral("new");
        QTest::newRow("missing file") << QByteArray() << 0 << QStringLiteral("0001-0001-0001-0001") << QString();
    }

    void tableRows()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, key);
        QFETCH(QString, model);
        if (!text.isNull())
            dir->write(QStringLiteral("t.xml"), text);
        ServoInfoTable table;
        QTEST(ServoInfo::readFile(dir->path(QStringLiteral("t.xml")), table), "rows");
        QCOMPARE(table.contains(key), !model.isNull());
        QCOMPARE(table.value(key).ServoInfo, model.isNull() ? QString() : model);
    }

    void shippedTableNamesOnlyShippedDefinitionFiles()
    {
        ServoInfoTable table;
        QVERIFY(ServoInfo::readFile(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/02-ServoInformation.xml"), table) >= 2);
        QStringList files;
        for (const ServoInfoRecord &r : table) {
            QCOMPARE(ServoInfo::key(r.ProductSerial, r.Model_1, r.Model_2, r.FirmwareVer).size(), 19);
            for (const char *lang : {"/ParameterFile/zh_CN_", "/ParameterFile/en_US_"}) {
                Definitions defs;
                QVERIFY(readParameterFile(QStringLiteral(SERVO_DATA_DIR) + QLatin1String(lang) + r.XMLfileName, defs).clean());
            }
            files.append(r.XMLfileName);
        }
        QVERIFY(files.contains(QStringLiteral("Parameter.xml")));
        QVERIFY(files.contains(QStringLiteral("Parameter_B2.xml")));
        // The simulated drive's default identity is a known model.
        DriveModel model;
        const DriveIdentity id = model.identity();
        ServoInfo::Identity reported;
        reported.parts = {{id.productSerial, id.model1, id.model2, id.firmware}};
        QVERIFY(table.contains(reported.key()));
    }

    // --- The reply ------------------------------------------------------------

    void replyGivesKeyVersionAndSerial()
    {
        const ServoInfo::Identity id = decode(identification(0x0001, 0x0a02, 0x0003, 104, "ABABABABABABABA"));
        QCOMPARE(id.key(), QStringLiteral("0001-0A02-0003-0068"));
        QCOMPARE(id.version(), QStringLiteral("V1.04"));
        QCOMPARE(id.serialNumber, QStringLiteral("ABABABABABABABA"));
        QCOMPARE(decode(identification(0, 0, 0, 7)).version(), QStringLiteral("V0.07"));
        QCOMPARE(decode(identification(0, 0, 0, 65535)).version(), QStringLiteral("V655.35"));
    }

    void entriesMayComeInAnyOrderAndRepeat()
    {
        QByteArray payload = entry(0x0204, 1) + entry(0x0999, 5) + entry(0x0201, 0xBEEF) + entry(0x0204, 210);
        const ServoInfo::Identity id = decode(payload);
        QCOMPARE(id.key(), QStringLiteral("BEEF-0000-0000-00D2"));
        QCOMPARE(id.version(), QStringLiteral("V2.10"));
    }

    void shortRepliesHaveNoEntries()
    {
        const QByteArray payload = identification(1, 2, 3, 4);
        for (int length : {0, 5, 6, 11}) {
            const ServoInfo::Identity id = ServoInfo::decodeReply(reinterpret_cast<const uint8_t *>(payload.constData()), length);
            QCOMPARE(id.key(), QStringLiteral("0000-0000-0000-0000"));
        }
        // 12 bytes: one entry; a partial entry after it is never read.
        QCOMPARE(ServoInfo::decodeReply(reinterpret_cast<const uint8_t *>(payload.constData()), 17).key(),
                 QStringLiteral("0001-0000-0000-0000"));
    }

    // --- The window ----------------------------------------------------------

    void knownModelSwitchesFileOnlyWhenItChanges()
    {
        // The table shows the group the transfers act on.
        auto shows = [this](int group) {
            auto *table = window->findChild<QTableWidget *>(QStringLiteral("tableWidget_Param"));
            return window->shownGroup() == group && Codes::parameterGroup(table->item(0, 2)->text()) == group
                && table->rowCount() == window->definitions().paramGroups[size_t(group)].size();
        };
        startWindow(tableFile(row(QStringLiteral("0001"), QStringLiteral("0a02"), QStringLiteral("0003"),
                                  QStringLiteral("0068"), QStringLiteral("VMR-A1"), QStringLiteral("Parameter.xml"))
                              + row(QStringLiteral("0002"), QStringLiteral("0B02"), QStringLiteral("0001"),
                                    QStringLiteral("0064"), QStringLiteral("VMR-B2"), QStringLiteral("Parameter_B2.xml"))));
        const int a1Count = paramCount();
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("7");
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0068));
        QCOMPARE(window->deviceModelText(), QStringLiteral("VMR-A1"));
        QCOMPARE(window->deviceVersionText(), QStringLiteral("V1.04"));
        QCOMPARE(firstValue(), QStringLiteral("7")); // same file: nothing reloaded

        // Another model's file: the values stay with the codes it also has;
        // group 0 is shown in place of the P20 that B2 lacks, a group both
        // have stays.
        window->paramGrpClickSlot(window->findChild<QTreeWidget *>()->topLevelItem(0)->child(20), 0);
        identify(identification(0x0002, 0x0B02, 0x0001, 100));
        QCOMPARE(window->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        QVERIFY(paramCount() != a1Count);
        QCOMPARE(firstValue(), QStringLiteral("7"));
        QVERIFY(shows(0));
        window->paramGrpClickSlot(window->findChild<QTreeWidget *>()->topLevelItem(0)->child(5), 0);
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0068));
        QVERIFY(shows(5));
        identify(identification(0x0002, 0x0B02, 0x0001, 100));
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("9");
        identify(identification(0x0002, 0x0B02, 0x0001, 100));
        QCOMPARE(firstValue(), QStringLiteral("9"));
        QCOMPARE(window->deviceModelText(), QStringLiteral("VMR-B2"));
        QCOMPARE(window->deviceVersionText(), QStringLiteral("V1.00"));
    }

    void unknownModelKeepsTheValues()
    {
        startWindow(tableFile(QString()));
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("7");
        for (int i = 0; i < 2; ++i) {
            identify(identification(0x1234, 0xabcd, 0, 7));
            QCOMPARE(window->deviceModelText(), QStringLiteral("Unknown Device(Code:1234-ABCD-0000-0007)"));
            QCOMPARE(window->deviceVersionText(), QStringLiteral("V0.07"));
            QCOMPARE(window->definitionFileName(), QStringLiteral("Parameter.xml"));
            QCOMPARE(firstValue(), QStringLiteral("7"));
        }
        QCOMPARE(window->paramLoadDialog()->deviceInfo(0), QStringLiteral("未知型号，机型代码:1234-ABCD-0000-0007"));
    }

    // A definition file that does not load as a whole, or a file name that
    // leaves ParameterFile/, is reported once, with what was loaded.
    void definitionProblemsAreReportedOnce_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("loaded");
        const QByteArray one = "<Root>\n<Parameter><ParameterIndex>P00_01</ParameterIndex></Parameter>\n";
        QTest::newRow("missing") << QStringLiteral("Missing.xml") << QByteArray()
                                 << QStringList{QStringLiteral("zh_CN_Missing.xml"), QStringLiteral("文件不存在或无法读取"),
                                                QStringLiteral("已载入：0个参数")}
                                 << QStringLiteral("Missing.xml");
        QTest::newRow("code beyond a byte, then cut short")
            << QStringLiteral("Cut.xml") << one + "<Parameter><ParameterIndex>P01_256</ParameterIndex></Parameter><Param"
            << QStringList{QStringLiteral("zh_CN_Cut.xml"), QStringLiteral("第3行"), QStringLiteral("P01_256"),
                           QStringLiteral("已载入：1个参数")}
            << QStringLiteral("Cut.xml");
        for (const char *name : {"../Parameter_B2.xml", "sub/Parameter_B2.xml", "..\\x.xml"})
            QTest::newRow(name) << QString::fromLatin1(name) << one
                                << QStringList{QStringLiteral("文件名：") + QString::fromLatin1(name), QStringLiteral("机型：X")}
                                << QStringLiteral("Parameter.xml");
    }

    void definitionProblemsAreReportedOnce()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, said);
        if (!contents.isNull())
            dir->write(QStringLiteral("ParameterFile/zh_CN_") + fileName, contents);
        startWindow(tableFile(row(QStringLiteral("0001"), QStringLiteral("0002"), QStringLiteral("0003"),
                                  QStringLiteral("0004"), QStringLiteral("X"), fileName)));
        identify(identification(1, 2, 3, 4));
        identify(identification(1, 2, 3, 4));
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->boxes.first().icon, Prompt::Icon::Warning);
        for (const QString &text : said)
            QVERIFY2(prompts->boxes.first().text.contains(text), qPrintable(prompts->boxes.first().text));
        QTEST(window->definitionFileName(), "loaded");
    }

    void dialogGetsTheDriveAndShowsOnlyWhenAsked()
    {
        startWindow(tableFile(row(QStringLiteral("0001"), QStringLiteral("0A02"), QStringLiteral("0003"),
                                  QStringLiteral("0068"), QStringLiteral("VMR-A1"), QStringLiteral("Parameter.xml"))));
        QVERIFY(!window->paramLoadDialog());
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0068, "ABABABABABABABA"));
        ParamLoadSelDialog *dialog = window->paramLoadDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible()); // identified while another page was asking
        QCOMPARE(dialog->deviceInfo(0), QStringLiteral("VMR-A1"));
        QCOMPARE(dialog->deviceInfo(1), QStringLiteral("1.04"));
        QCOMPARE(dialog->deviceInfo(2), QStringLiteral("ABABABABABABABA"));
        QCOMPARE(dialog->deviceInfo(3), QStringLiteral("MX70K-06420S-R3C"));
        // A second identification updates the same dialog.
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0069));
        QCOMPARE(window->paramLoadDialog(), dialog);
        QCOMPARE(dialog->deviceInfo(1), QStringLiteral("1.05"));
        QVERIFY(prompts->boxes.isEmpty());
    }

    void loadSourceChoices()
    {
        startWindow(tableFile(QString()));
        auto choose = [&](const char *button) {
            identify(identification(1, 2, 3, 4));
            ParamLoadSelDialog *dialog = window->paramLoadDialog();
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("radioButton_fromServo"))->isChecked());
            dialog->findChild<QRadioButton *>(QString::fromLatin1(button))->setChecked(true);
            QSignalSpy gone(dialog, &QObject::destroyed);
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
            QVERIFY(!window->paramLoadDialog());
            QVERIFY(gone.wait(1000));
        };
        // Nothing: no box, no file request.
        choose("radioButton_noLoad");
        QVERIFY(prompts->boxes.isEmpty() && prompts->files.isEmpty());
        // From the drive without a link: the refusal.
        choose("radioButton_fromServo");
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("通信未建立，请先连接设备！"));
        // From a file: the import's file request (cancelled here).
        choose("radioButton_fromFile");
        QCOMPARE(prompts->files.size(), 1);
        QCOMPARE(prompts->files.last().caption, QStringLiteral("参数文件"));
        QCOMPARE(prompts->boxes.size(), 1);

        // Cancel forgets the dialog as well.
        identify(identification(1, 2, 3, 4));
        window->paramLoadDialog()->findChild<QPushButton *>(QStringLiteral("pushButton_Cancel"))->click();
        QVERIFY(!window->paramLoadDialog());
    }

    void labelsShowTheIdentifiedDrive()
    {
        dir->write(QStringLiteral("config.ini"), "[Other]\nwaveform_import=Show\n");
        startWindow(tableFile(row(QStringLiteral("0001"), QStringLiteral("0A02"), QStringLiteral("0003"),
                                  QStringLiteral("0068"), QStringLiteral("&lt;b&gt;VMR-A1"), QStringLiteral("Parameter.xml"))));
        auto *type = window->findChild<QLabel *>(QStringLiteral("label_ServoType"));
        QCOMPARE(type->text(), QStringLiteral("型号：无"));
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0068));
        // A name from the table is shown as the plain text it is.
        QCOMPARE(type->text(), QStringLiteral("型号：<b>VMR-A1"));
        QCOMPARE(type->textFormat(), Qt::PlainText);
        QCOMPARE(window->paramLoadDialog()->deviceInfo(0), QStringLiteral("<b>VMR-A1"));
        auto *version = window->findChild<QLabel *>(QStringLiteral("label_ServoVer"));
        QCOMPARE(version->text(), QStringLiteral("版本号：V1.04"));
        QCOMPARE(version->textFormat(), Qt::PlainText);
    }

    void modelNamesFindTheirFileCaseSensitively()
    {
        startWindow(tableFile(row(QStringLiteral("0002"), QStringLiteral("0B02"), QStringLiteral("0001"),
                                  QStringLiteral("0064"), QStringLiteral("VMR-B2"), QStringLiteral("Parameter_B2.xml"))));
        QString file = QStringLiteral("unchanged");
        window->findFilebyTypeName(QStringLiteral("vmr-b2"), file);
        QCOMPARE(file, QStringLiteral("unchanged"));
        window->findFilebyTypeName(QStringLiteral("VMR-B2"), file);
        QCOMPARE(file, QStringLiteral("Parameter_B2.xml"));
    }

    // --- Version stamps ---------------------------------------------------------

    void versionStampsDecideTheWarnings()
    {
        const QByteArray a("\x1A\x0C\x01\x0A\x1E\x00", 6);
        const QByteArray b("\x1A\x0B\x0F\x08\x00\x00", 6);
        const QByteArray zero(6, '\0');
        auto decoded = [](const QByteArray &p) {
            return ServoInfo::decodeStamps(reinterpret_cast<const uint8_t *>(p.constData()), p.size());
        };
        QCOMPARE(decoded(stamps(1, a, 1, b)).eeprom, QStringLiteral("26-12-01 10:30:00"));
        QCOMPARE(decoded(stamps(1, zero, 1, zero)).defaults, QStringLiteral("00-00-00 00:00:00"));
        QVERIFY(!decoded(stamps(0x120, a, 0x120, a)).mismatch());
        QVERIFY(decoded(stamps(0x120, a, 0x121, a)).mismatch()); // equal stamps, other lengths
        QVERIFY(decoded(stamps(1, a, 1, b)).mismatch());
        QVERIFY(decoded(stamps(0, zero, 0, zero)).resetRefused());
        QVERIFY(!decoded(stamps(0, zero, 0, a)).resetRefused());
        QVERIFY(!decoded(QByteArray(3, '\x63')).complete);

        // Replies nobody waits for (any more) bring only the warnings, which
        // the window's tests against the drive show.
        startWindow(tableFile(QString()));
        window->versionCheckReply(Cmd::VersionCheck1, stamps(0x120, a, 0x120, a));
        window->versionCheckReply(Cmd::VersionCheck2, stamps(0, zero, 0, a));
        QVERIFY(prompts->boxes.isEmpty());
        window->versionCheckReply(Cmd::VersionCheck1, stamps(0x120, a, 0x121, a));
        QCOMPARE(prompts->boxes.size(), 1);
    }

    // --- Definition-file test mode -------------------------------------------------

    void testModeListsModelFilesFolderByFolder()
    {
        dir->write(QStringLiteral("b/zh_CN_Parameter_X.xml"), "<Root/>");
        dir->write(QStringLiteral("b/c/en_US_Parameter_Y.xml"), "<Root/>");
        dir->write(QStringLiteral("a_Parameter_dir/plain.xml"), "<Root/>");
        dir->write(QStringLiteral("top_Parameter_Z.xml"), "<Root/>");
        dir->write(QStringLiteral("b/notes.txt"), "x");
        const QStringList found = ModelXmlList::findXmlFiles(QStringLiteral("."));
        QVERIFY(found.indexOf(QStringLiteral("./b/c/en_US_Parameter_Y.xml")) < found.indexOf(QStringLiteral("./b/zh_CN_Parameter_X.xml")));
        QVERIFY(found.indexOf(QStringLiteral("./b/zh_CN_Parameter_X.xml")) < found.indexOf(QStringLiteral("./top_Parameter_Z.xml")));
        QVERIFY(!found.join(QLatin1Char(' ')).contains(QLatin1String("notes")));
        const QStringList names = ModelXmlList::definitionFiles(found);
        QVERIFY(names.contains(QStringLiteral("plain.xml"))); // the folder's name counts
        QVERIFY(names.contains(QStringLiteral("zh_CN_Parameter_B2.xml")));
        QVERIFY(!names.contains(QStringLiteral("zh_CN_Parameter.xml")));
        QVERIFY(!names.contains(QStringLiteral("02-ServoInformation.xml")));
    }

    void testModeLoadsTheChosenFile()
    {
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nTestXml=true\n");
        startWindow(tableFile(QString()));
        ModelXmlList *list = window->modelXmlList();
        QVERIFY(list && list->isVisible());
        QVERIFY(list->files().contains(QStringLiteral("zh_CN_Parameter_B2.xml")));
        const int before = paramCount();
        emit list->selectFiles(QStringLiteral("zh_CN_Parameter_B2.xml"));
        QVERIFY(paramCount() != before);
        QCOMPARE(window->definitionFileName(), QStringLiteral("Parameter.xml"));
        auto *faults = window->findChild<QComboBox *>(QStringLiteral("comboBox_FaultCodeTest"));
        QCOMPARE(faults->count(), window->definitions().faultTable.size());
    }
};

QTEST_MAIN(TestIdentify)
#include "tst_identify.moc"
