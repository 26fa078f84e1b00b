// Which drive is connected: servo information table, identification reply, window, version stamps, test mode.

#include "definitions/codes.h"
#include "definitions/servoinfo.h"
#include "dialogs/modelxmllist.h"
#include "dialogs/paramloadseldialog.h"
#include "testsupport.h"

#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray tableFile(const QString &rows)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Root><ServoInfoTable Version=\"2\">" + rows.toUtf8() + "</ServoInfoTable></Root>";
}

QString row(const QString &key, const QString &name, const QString &file)
{
    const QStringList parts = key.split(QLatin1Char('-'));
    return QStringLiteral("<InfoItem><ProductSerial>%1</ProductSerial><Model_1>%2</Model_1><Model_2>%3</Model_2>"
                          "<FirmwareVer>%4</FirmwareVer><ServoInfo>%5</ServoInfo><XMLfileName>%6</XMLfileName>"
                          "</InfoItem>")
        .arg(parts.value(0), parts.value(1), parts.value(2), parts.value(3), name, file);
}

QByteArray stamps(quint16 length1, const QByteArray &eeprom, quint16 length2, const QByteArray &defaults)
{
    return QByteArray(1, char(length1 >> 8)) + char(length1) + eeprom + char(length2 >> 8) + char(length2) + defaults;
}

} // namespace

class TestIdentify : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    MainWindow *open(const QString &rows)
    {
        dir->write(QStringLiteral("ParameterFile/02-ServoInformation.xml"), tableFile(rows));
        return startWindow();
    }
    QString &firstValue() const { return window()->definitions().paramGroups[0].first().currentValue; }
    void showGroup(int group) { window()->paramGrpClickSlot(widget<QTreeWidget>("treeWidget_ParamGroup")->topLevelItem(0)->child(group), 0); }
    bool shows(int group) const
    {
        auto *table = widget<QTableWidget>("tableWidget_Param");
        return window()->shownGroup() == group && Codes::parameterGroup(table->item(0, 2)->text()) == group
            && table->rowCount() == window()->definitions().paramGroups[size_t(group)].size();
    }

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    void tableRows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("model"); // null: no such row
        const QString one = QStringLiteral("0001-0001-0001-0001");
        const auto single = [](const char *key) { return tableFile(row(QString::fromLatin1(key), QStringLiteral("M"), QString())); };
        QTest::newRow("letter case does not matter")
            << single("000a-0b02-0001-0001") << 1 << QStringLiteral("000A-0B02-0001-0001") << QStringLiteral("M");
        QTest::newRow("leading zeros count") << single("0001-0001-0001-68") << 1 << QStringLiteral("0001-0001-0001-0068") << QString();
        QTest::newRow("a row lacking an element does not take it from the one before")
            << tableFile(row(one, QStringLiteral("first"), QStringLiteral("First.xml"))
                         + QStringLiteral("<InfoItem><ProductSerial>0002</ProductSerial><Model_1>0001</Model_1>"
                                          "<Model_2>0001</Model_2><FirmwareVer>0001</FirmwareVer></InfoItem>"))
            << 2 << QStringLiteral("0002-0001-0001-0001") << QStringLiteral("");
        QTest::newRow("later rows replace, rows before an error stay")
            << "<Root><ServoInfoTable>" + row(one, QStringLiteral("old"), QStringLiteral("a.xml")).toUtf8()
                   + row(one, QStringLiteral("new"), QStringLiteral("b.xml")).toUtf8() + "<InfoItem><ProductSerial>0002</Prod"
            << 2 << one << QStringLiteral("new");
        QTest::newRow("missing file") << QByteArray() << 0 << one << QString();
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
        QCOMPARE(table.value(key).ServoInfo, model);
    }

    // Every row of the shipped table names a file that loads cleanly in each language.
    void shippedTableNamesOnlyShippedDefinitionFiles()
    {
        ServoInfoTable table;
        QVERIFY(ServoInfo::readFile(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/02-ServoInformation.xml"), table) >= 2);
        for (const ServoInfoRecord &r : table) {
            QCOMPARE(ServoInfo::key(r.ProductSerial, r.Model_1, r.Model_2, r.FirmwareVer).size(), 19);
            for (const char *lang : {"/ParameterFile/zh_CN_", "/ParameterFile/en_US_"}) {
                Definitions defs;
                QVERIFY(readParameterFile(QStringLiteral(SERVO_DATA_DIR) + QLatin1String(lang) + r.XMLfileName, defs).clean());
            }
        }
    }

    void decodeReply_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("length"); // of the reply, frame overhead included
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("version");
        const QByteArray whole = Ident::payload(0x0001, 0x0a02, 0x0003, 104);
        QTest::newRow("firmware 65535") << Ident::words(0, 0, 0, 65535) << 30 << QStringLiteral("0000-0000-0000-FFFF")
                                        << QStringLiteral("V655.35");
        QTest::newRow("any order, unknown ignored, the last one counts")
            << Ident::entry(0x0204, 1) + Ident::entry(0x0999, 5) + Ident::entry(0x0201, 0xBEEF) + Ident::entry(0x0204, 210)
            << 30 << QStringLiteral("BEEF-0000-0000-00D2") << QStringLiteral("V2.10");
        for (const int length : {0, 5, 6, 11})
            QTest::addRow("%d bytes: no entries", length) << whole << length << QStringLiteral("0000-0000-0000-0000") << QStringLiteral("V0.00");
        QTest::newRow("one entry and a partial one") << whole << 17 << QStringLiteral("0001-0000-0000-0000") << QStringLiteral("V0.00");
    }

    void decodeReply()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, length);
        const ServoInfo::Identity id = ServoInfo::decodeReply(reinterpret_cast<const uint8_t *>(payload.constData()), length);
        QTEST(id.key(), "key");
        QTEST(id.version(), "version");
    }

    // Labels and the load-source dialog (made, filled, not shown unasked) follow each
    // identification; table names are plain text; no values are lost; each choice acts once.
    void identificationReachesLabelsAndDialog_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("version");
        QTest::newRow("known") << row(QStringLiteral("0001-0a02-0003-0068"), QStringLiteral("&lt;b&gt;VMR-A1"), QStringLiteral("Parameter.xml"))
                               << Ident::payload(0x0001, 0x0A02, 0x0003, 0x0068, "ABABABABABABABA")
                               << QStringLiteral("<b>VMR-A1") << QStringLiteral("<b>VMR-A1") << QStringLiteral("V1.04");
        QTest::newRow("unknown") << QString() << Ident::payload(0x1234, 0xabcd, 0, 7, "ABABABABABABABA")
                                 << QStringLiteral("Unknown Device(Code:1234-ABCD-0000-0007)")
                                 << QStringLiteral("未知型号，机型代码:1234-ABCD-0000-0007") << QStringLiteral("V0.07");
    }

    void identificationReachesLabelsAndDialog()
    {
        QFETCH(QString, rows);
        QFETCH(QByteArray, payload);
        QFETCH(QString, model);
        QFETCH(QString, version);
        MainWindow *w = open(rows);
        QVERIFY(!w->paramLoadDialog());
        firstValue() = QStringLiteral("7");
        Ident::identify(w, payload);
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter.xml"));
        QCOMPARE(firstValue(), QStringLiteral("7"));
        for (const char *name : {"label_ServoType", "label_ServoVer"})
            QCOMPARE(widget<QLabel>(name)->textFormat(), Qt::PlainText);
        QCOMPARE(widget<QLabel>("label_ServoType")->text(), QStringLiteral("型号：") + model);
        QCOMPARE(widget<QLabel>("label_ServoVer")->text(), QStringLiteral("版本号：") + version);

        ParamLoadSelDialog *dialog = w->paramLoadDialog();
        QVERIFY(dialog && !dialog->isVisible());
        QTEST(dialog->deviceInfo(0), "shown");
        QCOMPARE(dialog->deviceInfo(2), QStringLiteral("ABABABABABABABA"));
        Ident::identify(w, Ident::payload(1, 2, 3, 4));
        QCOMPARE(w->paramLoadDialog(), dialog);
        QCOMPARE(dialog->deviceInfo(1), QStringLiteral("0.04"));
        // Each choice acts once and forgets the dialog; Cancel does nothing else.
        prompts->expect(QStringLiteral("通信未建立，请先连接设备！"));
        auto choose = [&](const char *choice, const char *button) {
            Ident::identify(w, Ident::payload(1, 2, 3, 4));
            ParamLoadSelDialog *current = w->paramLoadDialog();
            current->findChild<QRadioButton *>(QString::fromLatin1(choice))->setChecked(true);
            QSignalSpy gone(current, &QObject::destroyed);
            current->findChild<QPushButton *>(QString::fromLatin1(button))->click();
            QVERIFY(!w->paramLoadDialog());
            QVERIFY(gone.wait(1000));
        };
        choose("radioButton_noLoad", "pushButton_OK");
        choose("radioButton_fromServo", "pushButton_Cancel");
        QVERIFY(prompts->boxes.isEmpty() && prompts->files.isEmpty());
        choose("radioButton_fromServo", "pushButton_OK"); // refused: no link
        QCOMPARE(prompts->boxes.size(), 1);
        choose("radioButton_fromFile", "pushButton_OK"); // the import's file request, cancelled
        QCOMPARE(prompts->files.size(), 1);
        QCOMPARE(prompts->files.last().caption, QStringLiteral("参数文件"));
        QCOMPARE(prompts->boxes.size(), 1);
    }

    void knownModelSwitchesFileOnlyWhenItChanges()
    {
        MainWindow *w = open(row(QStringLiteral("0001-0a02-0003-0068"), QStringLiteral("VMR-A1"), QStringLiteral("Parameter.xml"))
                             + row(QStringLiteral("0002-0B02-0001-0064"), QStringLiteral("VMR-B2"), QStringLiteral("Parameter_B2.xml")));
        firstValue() = QStringLiteral("7");
        // Values stay with the codes B2 also has; group 0 replaces the P20 that B2 lacks.
        showGroup(20);
        Ident::identify(w, Ident::payload(0x0002, 0x0B02, 0x0001, 100));
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        QCOMPARE(firstValue(), QStringLiteral("7"));
        QVERIFY(shows(0));
        showGroup(5);
        Ident::identify(w, Ident::payload(0x0001, 0x0A02, 0x0003, 0x0068));
        QVERIFY(shows(5));

        // A waveform file's model name finds its definition file case-sensitively.
        QString file = QStringLiteral("unchanged");
        w->findFilebyTypeName(QStringLiteral("vmr-b2"), file);
        QCOMPARE(file, QStringLiteral("unchanged"));
        w->findFilebyTypeName(QStringLiteral("VMR-B2"), file);
        QCOMPARE(file, QStringLiteral("Parameter_B2.xml"));
    }

    // A definition file that does not load whole, or a name leaving ParameterFile/, is reported once.
    void definitionProblemsAreReportedOnce_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<QString>("loaded");
        const QByteArray one = "<Root>\n<Parameter><ParameterIndex>P00_01</ParameterIndex></Parameter>\n";
        QTest::newRow("missing") << QStringLiteral("Missing.xml") << QByteArray()
            << QStringList{QStringLiteral("zh_CN_Missing.xml"), QStringLiteral("文件不存在或无法读取"), QStringLiteral("已载入：0个参数")}
            << QStringLiteral("Missing.xml");
        QTest::newRow("code beyond a byte, then cut short")
            << QStringLiteral("Cut.xml") << one + "<Parameter><ParameterIndex>P01_256</ParameterIndex></Parameter><Param"
            << QStringList{QStringLiteral("zh_CN_Cut.xml"), QStringLiteral("第3行"), QStringLiteral("P01_256"), QStringLiteral("已载入：1个参数")}
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
        prompts->expect(QStringLiteral("参数定义文件"));
        MainWindow *w = open(row(QStringLiteral("0001-0002-0003-0004"), QStringLiteral("X"), fileName));
        Ident::identify(w, Ident::payload(1, 2, 3, 4));
        Ident::identify(w, Ident::payload(1, 2, 3, 4));
        QCOMPARE(prompts->boxes.size(), 1);
        for (const QString &text : said)
            QVERIFY2(prompts->boxes.first().text.contains(text), qPrintable(prompts->boxes.first().text));
        QTEST(w->definitionFileName(), "loaded");
    }

    void versionStampsDecideTheWarnings()
    {
        const QByteArray a("\x1A\x0C\x01\x0A\x1E\x00", 6);
        const QByteArray b("\x1A\x0B\x0F\x08\x00\x00", 6);
        const QByteArray zero(6, '\0');
        auto decoded = [](const QByteArray &p) { return ServoInfo::decodeStamps(reinterpret_cast<const uint8_t *>(p.constData()), p.size()); };
        QCOMPARE(decoded(stamps(1, a, 1, b)).eeprom, QStringLiteral("26-12-01 10:30:00"));
        QVERIFY(decoded(stamps(1, a, 1, b)).mismatch());
        QVERIFY(decoded(stamps(0, zero, 0, zero)).resetRefused());
        // Replies nobody waits for bring only the warnings: none for a reset that is allowed.
        MainWindow *w = open(QString());
        w->versionCheckReply(Cmd::VersionCheck1, stamps(0x120, a, 0x120, a));
        w->versionCheckReply(Cmd::VersionCheck2, stamps(0, zero, 0, a));
        prompts->expect(QStringLiteral("EEPROM版本不一致"));
        w->versionCheckReply(Cmd::VersionCheck1, stamps(0x120, a, 0x121, a));
        QCOMPARE(prompts->boxes.size(), 1);
    }

    // Test mode lists model files below the working folder, sub-folders before files, and loads the one chosen.
    void testModeListsAndLoadsModelFiles()
    {
        for (const char *name : {"b/zh_CN_Parameter_X.xml", "b/c/en_US_Parameter_Y.xml", "a_Parameter_dir/plain.xml",
                                 "top_Parameter_Z.xml", "b/notes_Parameter_.txt"})
            dir->write(QString::fromLatin1(name), "<Root/>");
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nTestXml=true\n");
        MainWindow *w = open(QString());
        ModelXmlList *list = w->modelXmlList();
        QVERIFY(list && list->isVisible());
        const auto at = [&](const char *name) { return list->files().indexOf(QString::fromLatin1(name)); };
        QVERIFY2(at("en_US_Parameter_Y.xml") >= 0 && at("en_US_Parameter_Y.xml") < at("zh_CN_Parameter_X.xml")
                     && at("zh_CN_Parameter_X.xml") < at("top_Parameter_Z.xml"),
                 qPrintable(list->files().join(QLatin1Char(' '))));
        QVERIFY(at("plain.xml") >= 0 && at("zh_CN_Parameter_B2.xml") >= 0); // the folder's name counts
        QVERIFY(at("zh_CN_Parameter.xml") < 0 && at("02-ServoInformation.xml") < 0 && at("notes_Parameter_.txt") < 0);

        const int before = w->definitions().parameterCount();
        emit list->selectFiles(QStringLiteral("zh_CN_Parameter_B2.xml"));
        QVERIFY(w->definitions().parameterCount() != before);
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter.xml"));
        QCOMPARE(widget<QComboBox>("comboBox_FaultCodeTest")->count(), w->definitions().faultTable.size());
    }
};

QTEST_MAIN(TestIdentify)
#include "tst_identify.moc"
