// Which drive is connected: the servo information table, the decoding of the
// identification reply, the model switch, the load-source dialog, the
// version stamps and the definition-file test mode.

#include "definitions/servoinfo.h"
#include "dialogs/modelxmllist.h"
#include "dialogs/paramloadseldialog.h"
#include "mainwindow/mainwindow.h"
#include "sim/drivemodel.h"
#include "testsupport.h"

#include <QLabel>
#include <QRadioButton>
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

    void tableKeysIgnoreLetterCaseAndKeepLeadingZeros()
    {
        dir->write(QStringLiteral("t.xml"),
                   tableFile(row(QStringLiteral("000a"), QStringLiteral("0b02"), QStringLiteral("0003"),
                                 QStringLiteral("0068"), QStringLiteral("lower"), QStringLiteral("L.xml"))
                             + row(QStringLiteral("0001"), QStringLiteral("0A02"), QStringLiteral("0003"),
                                   QStringLiteral("68"), QStringLiteral("short"), QStringLiteral("S.xml"))));
        ServoInfoTable table;
        QCOMPARE(ServoInfo::readFile(dir->path(QStringLiteral("t.xml")), table), 2);
        QVERIFY(table.contains(QStringLiteral("000A-0B02-0003-0068")));
        QCOMPARE(table.value(QStringLiteral("000A-0B02-0003-0068")).XMLfileName, QStringLiteral("L.xml"));
        // "68" is not "0068": a drive with firmware 0x68 never matches that row.
        ServoInfo::Identity id;
        id.parts = {{0x0001, 0x0A02, 0x0003, 0x0068}};
        QVERIFY(!table.contains(id.key()));
        QVERIFY(table.contains(QStringLiteral("0001-0A02-0003-68")));
    }

    void aRowLackingAnElementDoesNotTakeItFromTheRowBefore()
    {
        dir->write(QStringLiteral("t.xml"),
                   tableFile(row(QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("0001"),
                                 QStringLiteral("0001"), QStringLiteral("first"), QStringLiteral("First.xml"))
                             + QStringLiteral("<InfoItem><ProductSerial>0002</ProductSerial><Model_1>0001</Model_1>"
                                              "<Model_2>0001</Model_2><FirmwareVer>0001</FirmwareVer></InfoItem>")));
        ServoInfoTable table;
        ServoInfo::readFile(dir->path(QStringLiteral("t.xml")), table);
        const ServoInfoRecord second = table.value(QStringLiteral("0002-0001-0001-0001"));
        QCOMPARE(second.ProductSerial, QStringLiteral("0002"));
        QVERIFY(second.ServoInfo.isEmpty());
        QVERIFY(second.XMLfileName.isEmpty());
    }

    void laterRowsReplaceAndRowsBeforeAnErrorStay()
    {
        const QByteArray text = "<Root><ServoInfoTable>"
            + row(QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("0001"),
                  QStringLiteral("old"), QStringLiteral("a.xml")).toUtf8()
            + row(QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("0001"), QStringLiteral("0001"),
                  QStringLiteral("new"), QStringLiteral("b.xml")).toUtf8()
            + "<InfoItem><ProductSerial>0002</Prod"; // cut off mid-element
        dir->write(QStringLiteral("t.xml"), text);
        ServoInfoTable table;
        QCOMPARE(ServoInfo::readFile(dir->path(QStringLiteral("t.xml")), table), 2);
        QCOMPARE(table.size(), 1);
        QCOMPARE(table.first().ServoInfo, QStringLiteral("new"));
        QCOMPARE(ServoInfo::readFile(dir->path(QStringLiteral("missing.xml")), table), 0);
        QCOMPARE(table.size(), 1);
    }

    void shippedTableNamesOnlyShippedDefinitionFiles()
    {
        ServoInfoTable table;
        QVERIFY(ServoInfo::readFile(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/02-ServoInformation.xml"), table) >= 2);
        QStringList files;
        for (const ServoInfoRecord &r : table) {
            QCOMPARE(ServoInfo::key(r.ProductSerial, r.Model_1, r.Model_2, r.FirmwareVer).size(), 19);
            QVERIFY(QFileInfo::exists(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/zh_CN_") + r.XMLfileName));
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
        QCOMPARE(decode(identification(0, 0, 0, 7)).plainVersion(), QStringLiteral("0.07"));
        QCOMPARE(decode(identification(0, 0, 0, 65535)).version(), QStringLiteral("V655.35"));
    }

    void entriesMayComeInAnyOrderAndRepeat()
    {
        QByteArray payload = entry(0x0204, 1) + entry(0x0999, 5) + entry(0x0201, 0xBEEF) + entry(0x0204, 210);
        const ServoInfo::Identity id = decode(payload);
        QCOMPARE(id.key(), QStringLiteral("BEEF-0000-0000-00D2"));
        QCOMPARE(id.version(), QStringLiteral("V2.10"));
        QCOMPARE(id.serialNumber.size(), 15);
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
        QCOMPARE(ServoInfo::decodeReply(nullptr, 102).key(), QStringLiteral("0000-0000-0000-0000"));
    }

    // --- The window ----------------------------------------------------------

    void knownModelSwitchesFileOnlyWhenItChanges()
    {
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

        identify(identification(0x0002, 0x0B02, 0x0001, 100));
        QCOMPARE(window->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        QVERIFY(paramCount() != a1Count);
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("9");
        identify(identification(0x0002, 0x0B02, 0x0001, 100));
        QCOMPARE(firstValue(), QStringLiteral("9"));
        QCOMPARE(window->deviceModelText(), QStringLiteral("VMR-B2"));
        QCOMPARE(window->deviceVersionText(), QStringLiteral("V1.00"));
    }

    void unknownModelReloadsTheDefaultFileEveryTime()
    {
        startWindow(tableFile(QString()));
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("7");
        identify(identification(0x1234, 0xabcd, 0, 7));
        QCOMPARE(window->deviceModelText(), QStringLiteral("Unknown Device(Code:1234-ABCD-0000-0007)"));
        QCOMPARE(window->deviceVersionText(), QStringLiteral("V0.07"));
        QCOMPARE(window->definitionFileName(), QStringLiteral("Parameter.xml"));
        QVERIFY(firstValue() != QStringLiteral("7"));
        window->definitions().paramGroups[0].first().currentValue = QStringLiteral("7");
        identify(identification(0x1234, 0xabcd, 0, 7));
        QVERIFY(firstValue() != QStringLiteral("7"));
        QCOMPARE(window->paramLoadDialog()->deviceInfo(0), QStringLiteral("未知型号，机型代码:1234-ABCD-0000-0007"));
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
                                  QStringLiteral("0068"), QStringLiteral("VMR-A1"), QStringLiteral("Parameter.xml"))));
        auto *type = window->findChild<QLabel *>(QStringLiteral("label_ServoType"));
        QCOMPARE(type->text(), QStringLiteral("型号：无"));
        identify(identification(0x0001, 0x0A02, 0x0003, 0x0068));
        QCOMPARE(type->text(), QStringLiteral("型号：VMR-A1"));
        QCOMPARE(window->findChild<QLabel *>(QStringLiteral("label_ServoVer"))->text(), QStringLiteral("版本号：V1.04"));
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
