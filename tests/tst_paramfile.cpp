// Parameter files (export, import, the model check and the counts) and the
// comparison with factory defaults and with saved reference sets.

#include "mainwindow/mainwindow.h"
#include "mainwindow/paramfile.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTableWidget>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Four parameters: wide (32-bit) values, one of them signed, P10_05 the one
// the comparison leaves out.
const char kDefinitions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Root Version="1.0">
 <FuncCodeVersion>V1.1</FuncCodeVersion>
 <ParameterGroups>
  <ParameterGrpMember>P00 基本控制</ParameterGrpMember>
  <ParameterGrpMember>P10 制动</ParameterGrpMember>
 </ParameterGroups>
 <Parameter><ParameterIndex>P00_01</ParameterIndex><parametername>模式</parametername><DefaultValue>0</DefaultValue>
  <MinValue>0</MinValue><MaxValue>6</MaxValue><DataWidth>16bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
 <Parameter><ParameterIndex>P00_02</ParameterIndex><parametername>偏置</parametername><DefaultValue>-5</DefaultValue>
  <MinValue>-100000</MinValue><MaxValue>100000</MaxValue><DataWidth>32bit</DataWidth><DataSign>signed</DataSign></Parameter>
 <Parameter><ParameterIndex>P00_03</ParameterIndex><parametername>分辨率</parametername><DefaultValue>8388608</DefaultValue>
  <MinValue>0</MinValue><MaxValue>1073741824</MaxValue><DataWidth>32bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
 <Parameter><ParameterIndex>P10_05</ParameterIndex><parametername>电阻功率</parametername><DefaultValue>40</DefaultValue>
  <MinValue>0</MinValue><MaxValue>65535</MaxValue><DataWidth>16bit</DataWidth><DataSign>unsigned</DataSign></Parameter>
</Root>
)";

QByteArray confFile(const QString &model, const QString &version, const QString &parameters)
{
    return QStringLiteral("[Device_Info]\nModel=%1\nVersion=%2\n\n[Parameter]\n%3").arg(model, version, parameters).toUtf8();
}

} // namespace

class TestParamFile : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<MainWindow> window;

    ParamRecord &param(const QString &code) { return *window->definitions().findParam(code); }
    void setValues(const QStringList &values)
    {
        const QStringList codes = {QStringLiteral("P00_01"), QStringLiteral("P00_02"), QStringLiteral("P00_03"),
                                   QStringLiteral("P10_05")};
        for (int i = 0; i < codes.size(); ++i)
            param(codes.at(i)).currentValue = values.at(i);
    }
    QStringList values()
    {
        return {param(QStringLiteral("P00_01")).currentValue, param(QStringLiteral("P00_02")).currentValue,
                param(QStringLiteral("P00_03")).currentValue, param(QStringLiteral("P10_05")).currentValue};
    }
    void exportTo(const QString &name)
    {
        prompts->fileAnswers.append(dir->path(name));
        window->on_pushButton_paramExportFile_clicked();
    }
    void importFrom(const QString &name)
    {
        prompts->fileAnswers.append(dir->path(name));
        window->on_pushButton_paramImportFile_clicked();
    }
    QString lastText() const { return prompts->boxes.isEmpty() ? QString() : prompts->boxes.last().text; }
    QString lastTitle() const { return prompts->boxes.isEmpty() ? QString() : prompts->boxes.last().title; }
    QStringList shownCodes() const
    {
        auto *table = window->findChild<QTableWidget *>(QStringLiteral("tableWidget_Param"));
        QStringList codes;
        for (int row = 0; row < table->rowCount(); ++row)
            codes.append(table->item(row, 2)->text());
        return codes;
    }
    // Identifies the drive as one of the two models of the table below.
    void identifyAs(const QString &model, const QString &version)
    {
        const quint16 firmware = version == QLatin1String("V1.04") ? 104 : 100;
        const quint16 model1 = model == QLatin1String("M") ? 0x0009 : 0x0A02;
        QByteArray payload;
        const quint16 words[4][2] = {{0x0201, 1}, {0x0202, model1}, {0x0203, 3}, {0x0204, firmware}};
        for (const auto &w : words)
            payload.append(char(w[0] >> 8)).append(char(w[0])).append(2, '\0').append(char(w[1] >> 8)).append(char(w[1]));
        window->identifyDevice(reinterpret_cast<const uint8_t *>(payload.constData()), payload.size() + 6);
        QCOMPARE(window->deviceModelText(), model);
        QCOMPARE(window->deviceVersionText(), version);
    }

private slots:
    void init()
    {
        dir = std::make_unique<WorkDir>();
        dir->write(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"), kDefinitions);
        dir->write(QStringLiteral("ParameterFile/02-ServoInformation.xml"),
                   "<Root><ServoInfoTable>"
                   "<InfoItem><ProductSerial>0001</ProductSerial><Model_1>0A02</Model_1><Model_2>0003</Model_2>"
                   "<FirmwareVer>0068</FirmwareVer><ServoInfo>VMR-A1-0A02</ServoInfo><XMLfileName>Parameter.xml</XMLfileName></InfoItem>"
                   "<InfoItem><ProductSerial>0001</ProductSerial><Model_1>0009</Model_1><Model_2>0003</Model_2>"
                   "<FirmwareVer>0064</FirmwareVer><ServoInfo>M</ServoInfo><XMLfileName>Parameter.xml</XMLfileName></InfoItem>"
                   "</ServoInfoTable></Root>");
        dir->remove(QStringLiteral("ParameterCompare/VMR-A1-0A02_V1.04.conf"));
        prompts = std::make_unique<PromptRecorder>();
        window = std::make_unique<MainWindow>();
    }
    void cleanup()
    {
        window.reset();
        prompts.reset();
        dir.reset();
    }

    // --- Export and import ----------------------------------------------------

    void exportThenImportKeepsEveryValueExactly()
    {
        setValues({QStringLiteral("3"), QStringLiteral("-100000"), QString(), QStringLiteral("65535")});
        exportTo(QStringLiteral("set.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("结果"));
        // A parameter without a value is left out, and the message says so.
        QCOMPARE(lastText(), QStringLiteral("导出成功！\n1个参数没有读取到的值，未写入文件。"));
        QVERIFY(!ParamFile::read(dir->path(QStringLiteral("set.conf"))).values.contains(QStringLiteral("P00_03")));
        QCOMPARE(prompts->files.last().caption, QStringLiteral("参数另存为"));
        QCOMPARE(prompts->files.last().filter, QStringLiteral("configure files(*.conf)"));

        importFrom(QStringLiteral("set.conf"));
        // Nothing identified on either side: the information box, not the warning.
        QCOMPARE(prompts->boxes.at(1).title, QStringLiteral("当前文件机型版本信息"));
        QCOMPARE(prompts->boxes.at(1).text, QStringLiteral("机型名称:<br/>固件版本:"));
        QCOMPARE(lastTitle(), QStringLiteral("参数导入完成"));
        QCOMPARE(lastText(), QStringLiteral("未发现改动的参数"));
        QCOMPARE(values(), QStringList({QStringLiteral("3"), QStringLiteral("-100000"), QString(), QStringLiteral("65535")}));
    }

    void exportCarriesTheModelAndWritesAllKeysAfresh()
    {
        identifyAs(QStringLiteral("VMR-A1-0A02"), QStringLiteral("V1.04"));
        dir->write(QStringLiteral("old.conf"), confFile(QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("P99_99=1\n")));
        // Nothing read yet: no file of empty values over a good one.
        exportTo(QStringLiteral("old.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("导出失败"));
        QCOMPARE(ParamFile::read(dir->path(QStringLiteral("old.conf"))).model, QStringLiteral("x"));
        setValues({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        exportTo(QStringLiteral("old.conf"));
        QCOMPARE(lastText(), QStringLiteral("导出成功！"));
        const ParamFile::Contents c = ParamFile::read(dir->path(QStringLiteral("old.conf")));
        QCOMPARE(c.model, QStringLiteral("VMR-A1-0A02"));
        QCOMPARE(c.version, QStringLiteral("V1.04"));
        QCOMPARE(c.values.size(), 4);
        QVERIFY(!c.values.contains(QStringLiteral("P99_99")));
    }

    void importCounts()
    {
        // 0 over an empty value is a change with nothing before the arrow; an
        // empty file value changes nothing; unknown codes are ignored.
        setValues({QString(), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")});
        dir->write(QStringLiteral("a.conf"), confFile(QString(), QString(), QStringLiteral("P00_01=0\nP00_02=\nP77_01=5\n")));
        importFrom(QStringLiteral("a.conf"));
        QCOMPARE(lastText(), QStringLiteral("共有：1个值被修改"));
        QCOMPARE(param(QStringLiteral("P00_01")).changeText, QStringLiteral(" → 0（参数载入）"));
        QCOMPARE(values(), QStringList({QStringLiteral("0"), QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")}));

        // Nothing but empty and missing values: the failure box.
        dir->write(QStringLiteral("b.conf"), confFile(QString(), QString(), QStringLiteral("P00_01=\nP00_03=\n")));
        importFrom(QStringLiteral("b.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("参数导入失败"));
        QCOMPARE(lastText(), QStringLiteral("参数值为空，参数不做修改"));
        QCOMPARE(prompts->boxes.last().icon, Prompt::Icon::Warning);

        // A value beyond the parameter's limits comes in unticked, and is named.
        dir->write(QStringLiteral("c.conf"), confFile(QString(), QString(), QStringLiteral("P00_01=7\nP00_02=5\n")));
        importFrom(QStringLiteral("c.conf"));
        QCOMPARE(prompts->boxes.at(prompts->boxes.size() - 2).text, QStringLiteral("共有：2个值被修改"));
        QCOMPARE(lastTitle(), QStringLiteral("参数导入"));
        QVERIFY(lastText().endsWith(QLatin1String("\nP00_01")));
        QCOMPARE(param(QStringLiteral("P00_01")).currentValue, QStringLiteral("7"));
        QCOMPARE(param(QStringLiteral("P00_01")).state & (ParamState::Checked | ParamState::Changed), int(ParamState::Changed));
        QVERIFY(param(QStringLiteral("P00_02")).state & ParamState::Checked);
    }

    void mismatchAnsweredNoChangesNothing()
    {
        identifyAs(QStringLiteral("VMR-A1-0A02"), QStringLiteral("V1.04"));
        setValues({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        // The box uses markup; what the file says is shown as plain text.
        dir->write(QStringLiteral("b2.conf"),
                   confFile(QStringLiteral("<b>VMR-B2</b>"), QStringLiteral("V1.00&"), QStringLiteral("P00_01=5\n")));
        prompts->answers.append(QMessageBox::No);
        importFrom(QStringLiteral("b2.conf"));
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(lastTitle(), QStringLiteral("文件与当前机型不一致"));
        QCOMPARE(lastText(), QStringLiteral("文件机型名称:&lt;b&gt;VMR-B2&lt;/b&gt;，<br/>固件版本:V1.00&amp;<br/>"
                                            "当前机型名称:VMR-A1-0A02，<br/>固件版本:V1.04<br/>是否继续导入？点击Yes导入，点击No取消"));
        QCOMPARE(prompts->boxes.last().buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(values().first(), QStringLiteral("1"));

        // A file without Device_Info is a mismatch once a drive is known; Yes imports.
        dir->write(QStringLiteral("bare.conf"), "[Parameter]\nP00_01=5\n");
        prompts->answers.append(QMessageBox::Yes);
        importFrom(QStringLiteral("bare.conf"));
        QCOMPARE(prompts->boxes.at(1).title, QStringLiteral("文件与当前机型不一致"));
        QCOMPARE(values().first(), QStringLiteral("5"));
    }

    void randomValuesSurviveExportAndImport()
    {
        // Every width and sign the fields carry, at their limits and at
        // random: exported from one table, imported into another that held
        // other values, everything comes back and counts as changed.
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const struct {
            const char *width, *sign;
            qint64 low, high;
        } kinds[] = {{"16bit", "unsigned", 0, 65535},
                     {"16bit", "signed", -32768, 32767},
                     {"32bit", "unsigned", 0, 4294967295LL},
                     {"32bit", "signed", -2147483648LL, 2147483647}};
        Definitions defs;
        defs.funcCodeVersion = QStringLiteral("V1.1");
        for (int g = 0; g < 4; ++g) {
            for (int i = 0; i < 40; ++i) {
                ParamRecord p;
                p.ParameterIndex = QStringLiteral("P%1_%2").arg(g, 2, 10, QLatin1Char('0')).arg(i, 2, 10, QLatin1Char('0'));
                p.DataWidth = QString::fromLatin1(kinds[g].width);
                p.DataSign = QString::fromLatin1(kinds[g].sign);
                const qint64 span = kinds[g].high - kinds[g].low;
                const qint64 value = i == 0 ? kinds[g].low
                    : i == 1              ? kinds[g].high
                                          : kinds[g].low + qint64(random.generate64() % (quint64(span) + 1));
                p.currentValue = QString::number(value);
                defs.paramGroups[size_t(g)].insert(p.ParameterIndex, p);
            }
        }
        QString error;
        QVERIFY(ParamFile::write(dir->path(QStringLiteral("random.conf")), defs, QStringLiteral("M"), QStringLiteral("V1.00"), &error));

        Definitions other = defs;
        for (ParamGroup &group : other.paramGroups)
            for (ParamRecord &p : group)
                p.currentValue = QStringLiteral("x") + p.currentValue; // differs from every value
        const ParamFile::ImportResult result = ParamFile::apply(ParamFile::read(dir->path(QStringLiteral("random.conf"))), other);
        QVERIFY2(result.refused.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(result.refused.join(' '))));
        QCOMPARE(result.changed, 160);
        for (const ParamGroup &group : defs.paramGroups)
            for (const ParamRecord &p : group)
                QVERIFY2(other.findParam(p.ParameterIndex)->currentValue == p.currentValue,
                         qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(p.ParameterIndex)));
    }

    void badFilesImportNothingTheyShouldNot()
    {
        setValues({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        // Not INI at all.
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 37) ^ 0x5A);
        dir->write(QStringLiteral("bin.conf"), binary);
        importFrom(QStringLiteral("bin.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("参数导入失败"));
        QVERIFY(lastText().startsWith(QStringLiteral("文件不完整（可能被截断）或格式有误，参数不做修改。\n")));
        QCOMPARE(values(), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));

        // A file cut short anywhere says so, and nothing of it comes in:
        // its last value may be cut too.
        exportTo(QStringLiteral("whole.conf"));
        setValues({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
        const QByteArray whole = dir->read(QStringLiteral("whole.conf"));
        for (int cut : {whole.size() - 2, whole.indexOf("P00_02") + 3, whole.indexOf("[Parameter]") + 4}) {
            dir->write(QStringLiteral("cut.conf"), whole.left(cut));
            importFrom(QStringLiteral("cut.conf"));
            QVERIFY2(lastText().startsWith(QStringLiteral("文件不完整")), qPrintable(lastText()));
            QCOMPARE(values().first(), QStringLiteral("0"));
        }
        setValues({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});

        // Values no field can carry, and text, are refused and named; the rest comes in.
        dir->write(QStringLiteral("huge.conf"),
                   confFile(QString(), QString(),
                            QStringLiteral("P00_01=99999999999999999999999\nP00_02=-2147483649\nP00_03=abc\n"
                                           "P10_05=4294967296\nP00_04=1\n")));
        prompts->boxes.clear();
        importFrom(QStringLiteral("huge.conf"));
        QCOMPARE(values(), QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));
        QCOMPARE(prompts->boxes.last().title, QStringLiteral("参数导入"));
        QVERIFY(lastText().contains(QLatin1String("P00_01, P00_02, P00_03, P10_05")));

        // The widest values still come in, from a file an editor saved with a byte-order mark.
        dir->write(QStringLiteral("edge.conf"),
                   "\xEF\xBB\xBF" + confFile(QString(), QString(), QStringLiteral("P00_02=-2147483648\nP00_03=4294967295\nP10_05=65535\n")));
        importFrom(QStringLiteral("edge.conf"));
        QCOMPARE(values(), QStringList({QStringLiteral("1"), QStringLiteral("-2147483648"), QStringLiteral("4294967295"),
                                        QStringLiteral("65535")}));

        // A file far larger than any parameter file is not read.
        QByteArray large = confFile(QString(), QString(), QStringLiteral("P00_01=6\n"));
        large.append(QByteArray(ParamFile::kMaxFileSize, '#'));
        dir->write(QStringLiteral("large.conf"), large);
        importFrom(QStringLiteral("large.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("参数导入失败"));
        QVERIFY(lastText().startsWith(QStringLiteral("文件无法读取，参数不做修改。\n")));
        QCOMPARE(values().first(), QStringLiteral("1"));
    }

    void exportThatCannotBeWrittenSaysSo()
    {
        setValues({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
        exportTo(QStringLiteral("no/such/folder/set.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("导出失败"));
        QCOMPARE(prompts->boxes.last().icon, Prompt::Icon::Critical);
        // A full disk: writes beyond 40 bytes fail as they would on one.
        {
            struct rlimit previous;
            getrlimit(RLIMIT_FSIZE, &previous);
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit small = previous;
            small.rlim_cur = 40;
            setrlimit(RLIMIT_FSIZE, &small);
            exportTo(QStringLiteral("full.conf"));
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, handler);
            QCOMPARE(lastTitle(), QStringLiteral("导出失败"));
        }
        // A folder where the file should be.
        QDir(dir->path(QString())).mkdir(QStringLiteral("taken.conf"));
        exportTo(QStringLiteral("taken.conf"));
        QCOMPARE(lastTitle(), QStringLiteral("导出失败"));
        // Cancelled: nothing at all.
        const int boxes = prompts->boxes.size();
        window->on_pushButton_paramExportFile_clicked();
        QCOMPARE(prompts->boxes.size(), boxes);
    }

    // --- Comparison --------------------------------------------------------------

    void allDefaultsNeedNoReference()
    {
        setValues({QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("41")});
        const QStringList before = shownCodes();
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较完成"));
        QCOMPARE(lastText(), QStringLiteral("当前参数为：标准默认参数")); // P10_05 does not count
        QCOMPARE(shownCodes(), before);
        QVERIFY(!(param(QStringLiteral("P10_05")).state & ParamState::Changed));
    }

    void referenceSetOfTheModelIsFound()
    {
        identifyAs(QStringLiteral("VMR-A1-0A02"), QStringLiteral("V1.04"));
        setValues({QStringLiteral("2"), QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("99")});
        const QString values = QStringLiteral("P00_01=2\nP00_02=-5\nP00_03=8388608\n");
        dir->write(QStringLiteral("ParameterCompare/a_other.conf"),
                   confFile(QStringLiteral("VMR-B2"), QStringLiteral("V1.04"), values));
        dir->write(QStringLiteral("ParameterCompare/b_factory.conf"),
                   confFile(QStringLiteral("VMR-A1-0A02"), QStringLiteral("V1.04"), values));
        dir->write(QStringLiteral("ParameterCompare/c_later.conf"),
                   confFile(QStringLiteral("VMR-A1-0A02"), QStringLiteral("V1.04"), QStringLiteral("P00_01=9\n")));
        dir->write(QStringLiteral("ParameterCompare/broken.conf.d/x.conf"), values.toUtf8());
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较完成"));
        QCOMPARE(lastText(), QStringLiteral("当前参数为：\r\nb_factory\r\n差异部分详见参数列表"));
        QCOMPARE(shownCodes(), QStringList(QStringLiteral("P00_01")));
        QCOMPARE(param(QStringLiteral("P00_01")).changeText, QStringLiteral("0 → 2"));
        auto *table = window->findChild<QTableWidget *>(QStringLiteral("tableWidget_Param"));
        QCOMPARE(table->item(0, 3)->background().color(), QColor(252, 222, 156));
    }

    void onlyTheFirstReferenceSetCounts()
    {
        identifyAs(QStringLiteral("M"), QStringLiteral("V1.00"));
        setValues({QStringLiteral("2"), QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("40")});
        dir->write(QStringLiteral("ParameterCompare/1.conf"),
                   confFile(QStringLiteral("M"), QStringLiteral("V1.00"), QStringLiteral("P00_01=3\nP00_02=-5\nP00_03=8388608\n")));
        dir->write(QStringLiteral("ParameterCompare/2.conf"),
                   confFile(QStringLiteral("M"), QStringLiteral("V1.00"), QStringLiteral("P00_01=2\nP00_02=-5\nP00_03=8388608\n")));
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较失败"));
        QCOMPARE(lastText(), QStringLiteral("未匹配到特定机型\r\n差异部分详见参数列表\r\n请确认是否恢复过出厂设置！"));
        QCOMPARE(shownCodes(), QStringList(QStringLiteral("P00_01")));
    }

    void aReferenceLackingOrEmptyingAValueFails()
    {
        identifyAs(QStringLiteral("M"), QStringLiteral("V1.00"));
        setValues({QStringLiteral("2"), QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("40")});
        dir->write(QStringLiteral("ParameterCompare/m.conf"),
                   confFile(QStringLiteral("M"), QStringLiteral("V1.00"), QStringLiteral("P00_01=2\nP00_02=-5\n")));
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较失败"));
        dir->write(QStringLiteral("ParameterCompare/m.conf"),
                   confFile(QStringLiteral("M"), QStringLiteral("V1.00"), QStringLiteral("P00_01=2\nP00_02=-5\nP00_03=\n")));
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较失败"));
    }

    void unreadableOrMissingReferencesFail()
    {
        setValues({QStringLiteral("2"), QStringLiteral("-5"), QStringLiteral("8388608"), QStringLiteral("40")});
        window->compareWithModelDefaults(); // no folder at all
        QCOMPARE(lastTitle(), QStringLiteral("参数比较失败"));
        // Before identification only a reference with empty model and
        // version can match; garbage and an unreadable file read as empty.
        dir->write(QStringLiteral("ParameterCompare/garbage.conf"), QByteArray("\xFF\xFE[[[=\n\0\0\0", 10));
        dir->write(QStringLiteral("ParameterCompare/locked.conf"), "[Parameter]\nP00_01=2\n");
        QFile::setPermissions(dir->path(QStringLiteral("ParameterCompare/locked.conf")), QFileDevice::Permissions());
        window->compareWithModelDefaults();
        QCOMPARE(lastTitle(), QStringLiteral("参数比较失败"));
        QCOMPARE(shownCodes(), QStringList(QStringLiteral("P00_01")));
    }

    void shippedReferenceSetCoversTheShippedModel()
    {
        // The factory set shipped for the simulated drive names every
        // parameter of its definition file, with a value the field can carry.
        Definitions defs;
        readParameterFile(QStringLiteral(SERVO_DATA_DIR "/ParameterFile/zh_CN_Parameter.xml"), defs);
        const ParamFile::Contents c =
            ParamFile::read(QStringLiteral(SERVO_DATA_DIR "/ParameterCompare/VMR-A1-0A02_V1.04.conf"));
        QCOMPARE(c.model, QStringLiteral("VMR-A1-0A02"));
        QCOMPARE(c.version, QStringLiteral("V1.04"));
        for (const ParamGroup &g : defs.paramGroups)
            for (const ParamRecord &p : g)
                QVERIFY2(ParamFile::transferable(c.values.value(p.ParameterIndex), defs.wideValues()),
                         qPrintable(p.ParameterIndex));
    }
};

QTEST_MAIN(TestParamFile)
#include "tst_paramfile.moc"
