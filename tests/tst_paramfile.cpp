// Parameter files: export, import, and the comparison with defaults and reference sets.

#include "mainwindow/mainwindow.h"
#include "mainwindow/paramfile.h"
#include "testsupport.h"

#include <QTableWidget>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Four parameters with 32-bit values, one signed; the comparison leaves out P10_05.
const char kDefinitions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Root Version="1.0">
 <FuncCodeVersion>V1.1</FuncCodeVersion>
 <Parameter><ParameterIndex>P00_01</ParameterIndex><DefaultValue>0</DefaultValue>
  <MinValue>0</MinValue><MaxValue>6</MaxValue><DataWidth>16bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
 <Parameter><ParameterIndex>P00_02</ParameterIndex><DefaultValue>-5</DefaultValue>
  <MinValue>-100000</MinValue><MaxValue>100000</MaxValue><DataWidth>32bit</DataWidth><DataSign>signed</DataSign></Parameter>
 <Parameter><ParameterIndex>P00_03</ParameterIndex><DefaultValue>8388608</DefaultValue>
  <MinValue>0</MinValue><MaxValue>1073741824</MaxValue><DataWidth>32bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
 <Parameter><ParameterIndex>P10_05</ParameterIndex><DefaultValue>40</DefaultValue>
  <MinValue>0</MinValue><MaxValue>65535</MaxValue><DataWidth>16bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
</Root>
)";

const QStringList kCodes = {QStringLiteral("P00_01"), QStringLiteral("P00_02"), QStringLiteral("P00_03"),
                            QStringLiteral("P10_05")};

QByteArray confFile(const QString &parameters, const QString &model = QString(), const QString &version = QString())
{
    return QStringLiteral("[Device_Info]\nModel=%1\nVersion=%2\n\n[Parameter]\n%3").arg(model, version, parameters).toUtf8();
}

// A file for the working folder: its name, a line feed, its contents.
QByteArray ref(const char *name, const QString &parameters, const QString &model = QString(),
               const QString &version = QString())
{
    return QByteArray("ParameterCompare/") + name + '\n' + confFile(parameters, model, version);
}

// The values of the four parameters, comma-separated.
QStringList values(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(','));
}

} // namespace

class TestParamFile : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    ParamRecord &param(const QString &code) { return *window()->definitions().findParam(code); }
    void setValues(const QStringList &values)
    {
        for (int i = 0; i < kCodes.size(); ++i)
            param(kCodes.at(i)).currentValue = values.at(i);
    }
    void exportTo(const QString &name)
    {
        prompts->fileAnswers.append(dir->path(name));
        window()->on_pushButton_paramExportFile_clicked();
    }
    // The simulated drive's model, VMR-A1-0A02 V1.04 with serial SN0123456789ABC, or none.
    void identify(bool known)
    {
        if (known)
            Ident::identify(window(), Ident::payload(1, 0x0A02, 3, 104));
    }

private slots:
    void init()
    {
        openCase();
        dir->write(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"), kDefinitions);
        dir->remove(QStringLiteral("ParameterCompare/VMR-A1-0A02_V1.04.conf"));
        startWindow();
    }
    void cleanup() { closeCase(); }

    // Export: refused without values, written with the model, read back unchanged, failures said.
    void exportWritesWhatWasReadAndSaysWhatFailed()
    {
        prompts->expect(QStringLiteral("导出失败"));
        prompts->expect(QStringLiteral("结果"));
        identify(true);
        dir->write(QStringLiteral("old.conf"), confFile(QStringLiteral("P99_99=1\n"), QStringLiteral("x")));
        // Nothing read yet: no file of empty values over a good one.
        exportTo(QStringLiteral("old.conf"));
        QCOMPARE(prompts->boxes.last().title, QStringLiteral("导出失败"));
        QCOMPARE(ParamFile::read(dir->path(QStringLiteral("old.conf"))).model, QStringLiteral("x"));

        setValues(values("3,-2147483648,,65535"));
        exportTo(QStringLiteral("old.conf"));
        // A parameter without a value is left out, and the message says so; the old key goes.
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("导出成功！\n1个参数没有读取到的值，未写入文件。"));
        QCOMPARE(ParamFile::read(dir->path(QStringLiteral("old.conf"))).values,
                 (QHash<QString, QString>{{QStringLiteral("P00_01"), QStringLiteral("3")},
                                          {QStringLiteral("P00_02"), QStringLiteral("-2147483648")},
                                          {QStringLiteral("P10_05"), QStringLiteral("65535")}}));
        QCOMPARE(ParamFile::read(dir->path(QStringLiteral("old.conf"))).serialNumber, QStringLiteral("SN0123456789ABC"));
        // A file read, then rewritten at once with the same size, reads as it is now.
        const QByteArray written = dir->read(QStringLiteral("old.conf"));
        for (const char *value : {"65533", "65534", "65533", "65534", "65533", "65534", "65533", "65534"}) {
            ParamFile::read(dir->path(QStringLiteral("old.conf")));
            dir->write(QStringLiteral("old.conf"), QByteArray(written).replace("65535", value));
            QCOMPARE(ParamFile::read(dir->path(QStringLiteral("old.conf"))).values.value(QStringLiteral("P10_05")),
                     QString::fromLatin1(value));
        }

        prompts->clear();
        exportTo(QStringLiteral("no/such/folder/set.conf"));
        QCOMPARE(prompts->boxes.last().icon, Prompt::Icon::Critical);
        // A full disk: writes beyond 40 bytes fail as they would on one.
        struct rlimit previous;
        getrlimit(RLIMIT_FSIZE, &previous);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small = {40, previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        exportTo(QStringLiteral("full.conf"));
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, handler);
        window()->on_pushButton_paramExportFile_clicked(); // cancelled: nothing at all
        QCOMPARE(prompts->boxes.size(), 2);
        QCOMPARE(prompts->boxes.last().title, QStringLiteral("导出失败"));
    }

    // What an import shows (title|text it holds) and leaves, from the values "", 2, 3, 4.
    void importShowsWhatCameIn_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("answer"); // to the box about another model; 0: no drive known
        const QString info = QStringLiteral("当前文件机型版本信息|机型名称:<br/>固件版本:");
        const QStringList kept = values(",2,3,4");
        const QString incomplete = QStringLiteral("参数导入失败|文件不完整（可能被截断）或格式有误，参数不做修改。\n");
        QTest::newRow("0 over empty is a change, empty and unknown are not") << confFile(QStringLiteral("P00_01=0\nP00_02=\nP77_01=5\n"))
                                         << QStringList{info, QStringLiteral("参数导入完成|共有：1个值被修改")}
                                         << values("0,2,3,4") << 0;
        QTest::newRow("only empty values") << confFile(QStringLiteral("P00_01=\nP00_03=\n"))
                                           << QStringList{info, QStringLiteral("参数导入失败|参数值为空，参数不做修改")} << kept << 0;
        QTest::newRow("beyond the limits: in, unticked, named")
            << confFile(QStringLiteral("P00_01=7\nP00_02=5\n"))
            << QStringList{info, QStringLiteral("参数导入完成|共有：2个值被修改"),
                           QStringLiteral("参数导入|已载入但未勾选，不会被下载：\nP00_01")}
            << values("7,5,3,4") << 0;
        QTest::newRow("what no field carries: refused, named, not called empty")
            << confFile(QStringLiteral("P00_01=99999999999999999999999\nP00_02=-2147483649\nP00_03=abc\n"
                                       "P10_05=4294967296\nP00_04=1\n"))
            << QStringList{info, QStringLiteral("参数导入|未载入：\nP00_01, P00_02, P00_03, P10_05")}
            << kept << 0;
        QTest::newRow("widest values, byte-order mark")
            << "\xEF\xBB\xBF" + confFile(QStringLiteral("P00_02=-2147483648\nP00_03=4294967295\nP10_05=65535\n"))
            << QStringList{info, QStringLiteral("参数导入完成|共有：3个值被修改"), QStringLiteral("参数导入|P00_02, P00_03")}
            << values(",-2147483648,4294967295,65535") << 0;
        QTest::newRow("a line neither section nor key") << confFile(QStringLiteral("P00_01=1\ngarbage\n")) << QStringList{incomplete} << kept << 0;
        const QByteArray whole = confFile(QStringLiteral("P00_01=1\nP00_02=2\nP00_03=3\nP10_05=44\n"));
        for (int cut : {whole.size() - 2, whole.indexOf("P00_02") + 3, whole.indexOf("[Parameter]") + 4})
            QTest::addRow("cut short at %d: nothing in", cut) << whole.left(cut) << QStringList{incomplete} << kept << 0;
        const QByteArray large = confFile(QStringLiteral("P00_01=6\n")) + QByteArray(ParamFile::kMaxFileSize, '#');
        QTest::newRow("far too large") << large << QStringList{QStringLiteral("参数导入失败|文件无法读取，参数不做修改。\n")} << kept << 0;
        QTest::newRow("other model, No: the file's names as plain text")
            << confFile(QStringLiteral("P00_01=5\n"), QStringLiteral("<b>VMR-B2</b>"), QStringLiteral("V1.00&"))
            << QStringList{QStringLiteral("文件与当前机型不一致|文件机型名称:&lt;b&gt;VMR-B2&lt;/b&gt;，<br/>固件版本:V1.00&amp;<br/>"
                                          "当前机型名称:VMR-A1-0A02，<br/>固件版本:V1.04<br/>是否继续导入？点击“是”导入，点击“否”取消")}
            << kept << int(QMessageBox::No);
        QTest::newRow("another drive of the model: said, not refused")
            << QByteArray("[Device_Info]\nModel=VMR-A1-0A02\nVersion=V1.04\nSerialNumber=SN<9>\n[Parameter]\nP00_01=5\n")
            << QStringList{QStringLiteral("当前文件机型版本信息|文件序列号:SN&lt;9&gt;<br/>当前驱动器序列号:SN0123456789ABC"),
                           QStringLiteral("参数导入完成|共有：1个值被修改")}
            << values("5,2,3,4") << int(QMessageBox::Yes);
        QTest::newRow("no Device_Info with a drive known, Yes")
            << QByteArray("[Parameter]\nP00_01=5\n")
            << QStringList{QStringLiteral("文件与当前机型不一致|点击“是”导入"), QStringLiteral("参数导入完成|共有：1个值被修改")}
            << values("5,2,3,4") << int(QMessageBox::Yes);
    }

    void importShowsWhatCameIn()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, after);
        QFETCH(int, answer);
        identify(answer != 0);
        prompts->expect(QStringLiteral("文件与当前机型不一致"), QMessageBox::StandardButton(answer));
        for (const QString &box : boxes)
            prompts->expect(box.section(QLatin1Char('|'), 0, 0));
        setValues(values(",2,3,4"));
        dir->write(QStringLiteral("in.conf"), file);
        prompts->fileAnswers.append(dir->path(QStringLiteral("in.conf")));
        window()->on_pushButton_paramImportFile_clicked();
        QCOMPARE(prompts->boxes.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i) {
            QCOMPARE(prompts->boxes.at(i).title, boxes.at(i).section(QLatin1Char('|'), 0, 0));
            QVERIFY2(prompts->boxes.at(i).text.contains(boxes.at(i).section(QLatin1Char('|'), 1)),
                     qPrintable(prompts->boxes.at(i).text));
        }
        for (int i = 0; i < kCodes.size(); ++i)
            QCOMPARE(param(kCodes.at(i)).currentValue, after.at(i));
        if (!after.first().isEmpty())
            QCOMPARE(param(kCodes.first()).changeText, QStringLiteral(" → %1（参数载入）").arg(after.first()));
    }

    // Compared with the defaults, then with the model's first reference set.
    void comparisonFindsTheModelsReference_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<QString>("p0001");
        QTest::addColumn<QByteArrayList>("files");
        QTest::addColumn<QString>("box");
        const QString set = QStringLiteral("P00_01=2\nP00_02=-5\nP00_03=8388608\n");
        // Each box names both sides; a difference is a result, not a failure.
        const QString unknown = QStringLiteral("参数比较完成|驱动器：型号未识别\n"), listed = QStringLiteral("\n与出厂默认值不同的1个参数列在参数表中，变化列为“默认值 → 驱动器值”。");
        const QString check = listed + QStringLiteral("\n如果恢复过出厂设置，请确认恢复是否成功。");
        const auto against = [&](const char *name, int differing) {
            return unknown + QStringLiteral("参考：%1（ParameterCompare文件夹中该机型和版本的参数文件）\n结果：%2个参数与参考不同或参考中没有。").arg(name).arg(differing) + check;
        };
        const QString model = QStringLiteral("VMR-A1-0A02"), version = QStringLiteral("V1.04");
        QTest::newRow("all defaults") << false << "0" << QByteArrayList{}
                                      << unknown + "参考：参数定义文件中的出厂默认值\n当前参数为：标准默认参数";
        QTest::newRow("model's set")
            << true << "2"
            << QByteArrayList{ref("a_other.conf", set, QStringLiteral("VMR-B2"), version),
                              ref("b_factory.conf", set, model, version),
                              ref("c_later.conf", QStringLiteral("P00_01=9\n"), model, version),
                              ref("broken.conf.d/x.conf", set)}
            << "参数比较完成|驱动器：VMR-A1-0A02 V1.04\n参考：b_factory（ParameterCompare文件夹中该机型和版本的参数文件）\n"
               "结果：驱动器参数与参考相同。" + listed;
        QTest::newRow("only the first set counts")
            << false << "2" << QByteArrayList{ref("1.conf", QStringLiteral("P00_01=3\nP00_02=-5\nP00_03=8388608\n")), ref("2.conf", set)}
            << against("1", 1);
        QTest::newRow("a value lacking") << false << "2" << QByteArrayList{ref("m.conf", QStringLiteral("P00_01=2\nP00_02=-5\n"))}
                                         << against("m", 1);
        QTest::newRow("a value empty") << false << "2"
                                       << QByteArrayList{ref("m.conf", QStringLiteral("P00_01=2\nP00_02=-5\nP00_03=\n"))} << against("m", 1);
        QTest::newRow("no reference") << false << "2" << QByteArrayList{}
                                      << unknown + "参考：参数定义文件中的出厂默认值（ParameterCompare文件夹中没有该机型和版本的参数文件）\n"
                                                   "结果：1个参数与参考不同。" + check;
        QTest::newRow("garbage and unreadable: no model, no version")
            << false << "2"
            << QByteArrayList{QByteArray("ParameterCompare/garbage.conf\n\xFF\xFE[[[=\n\0\0\0", 40),
                              QByteArray("ParameterCompare/locked.conf\n[Parameter]\nP00_01=2\n")}
            << against("garbage", 3);
    }

    void comparisonFindsTheModelsReference()
    {
        QFETCH(bool, known);
        QFETCH(QString, p0001);
        QFETCH(QByteArrayList, files);
        QFETCH(QString, box);
        identify(known);
        for (const QByteArray &file : files) {
            const QString name = QString::fromUtf8(file.left(file.indexOf('\n')));
            dir->write(name, file.mid(file.indexOf('\n') + 1));
            if (name.contains(QLatin1String("locked")))
                QFile::setPermissions(dir->path(name), QFileDevice::Permissions());
        }
        setValues({p0001, QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("99")});
        auto *table = widget<QTableWidget>("tableWidget_Param");
        const int rowsBefore = table->rowCount();
        prompts->expect(box.section(QLatin1Char('|'), 0, 0));
        window()->compareWithModelDefaults();
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(prompts->boxes.last().title + QLatin1Char('|') + prompts->boxes.last().text, box);
        QVERIFY(!(param(QStringLiteral("P10_05")).state & ParamState::Changed));
        if (p0001 == QLatin1String("0")) {
            QCOMPARE(table->rowCount(), rowsBefore);
            return;
        }
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("P00_01"));
        QCOMPARE(param(QStringLiteral("P00_01")).changeText, QStringLiteral("0 → 2"));
    }
};

QTEST_MAIN(TestParamFile)
#include "tst_paramfile.moc"
