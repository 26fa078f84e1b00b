// The parameter definition file reader: what is registered, dropped and reported.

#include "app/langfile.h"
#include "definitions/definitions.h"
#include "definitions/servoinfo.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
QString parameter(const QString &code, const QString &extra = QString())
{
    return QStringLiteral("<Parameter><ParameterIndex>%1</ParameterIndex><parametername>name %1</parametername>"
                          "<DefaultValue>1</DefaultValue><ModifyTime>运行设定</ModifyTime>%2</Parameter>")
        .arg(code, extra);
}
} // namespace

class TestDefinitions : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    Definitions read(const QString &body, bool wrap = true, DefinitionLoad *load = nullptr)
    {
        const QString path = dir.filePath(QStringLiteral("defs.xml"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write((QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
                    + (wrap ? QStringLiteral("<Root Version=\"1.0\">") + body + QStringLiteral("</Root>") : body))
                       .toUtf8());
        file.close();
        Definitions defs;
        const DefinitionLoad result = readParameterFile(path, defs);
        if (load)
            *load = result;
        return defs;
    }

private slots:
    void parametersAreFiledUnderTheirCodeAsWritten()
    {
        DefinitionLoad load;
        const Definitions defs = read(parameter(QStringLiteral("p03_07")) + parameter(QStringLiteral("P03-07"))
                                          + parameter(QStringLiteral("P21-01")) + parameter(QStringLiteral("P20_05"))
                                          + parameter(QStringLiteral("P01_256")) + parameter(QStringLiteral("P01_255")),
                                      true, &load);
        QCOMPARE(defs.paramGroups[3].keys(), (QStringList{QStringLiteral("P03-07"), QStringLiteral("p03_07")}));
        QCOMPARE(defs.paramGroups[20].keys(), QStringList{QStringLiteral("P20_05")});
        // An index beyond a byte would go out as another code: refused, and said.
        QCOMPARE(defs.paramGroups[1].keys(), QStringList{QStringLiteral("P01_255")});
        QCOMPARE(load.refused, QStringList{QStringLiteral("P01_256")});
        QCOMPARE(load.problem, DefinitionLoad::None);
        QCOMPARE(defs.parameterCount(), 4);
    }

    // What a load says about a file that stops early or has no definitions.
    void loadsThatStopEarlyAreReported_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("problem");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("parameters");
        const QString first = parameter(QStringLiteral("P00_01")) + QLatin1Char('\n');
        QTest::newRow("clean") << first << true << int(DefinitionLoad::None) << 0 << 1;
        // A leaf element with a child ends reading; what came before stays.
        QTest::newRow("element inside a text")
            << first + QStringLiteral("<Parameter><ParameterIndex>P00_02<b>x</b></ParameterIndex></Parameter>")
                   + parameter(QStringLiteral("P00_03"))
            << true << int(DefinitionLoad::Malformed) << 3 << 1;
        QTest::newRow("truncated") << QStringLiteral("<Root>") + first + QStringLiteral("<Param") << false
                                   << int(DefinitionLoad::Malformed) << 3 << 1;
        QTest::newRow("no Root") << first << false << int(DefinitionLoad::NoRoot) << 0 << 0;
        // Unknown and deeply nested elements are stepped through.
        QString nested, closing;
        for (int i = 0; i < 2000; ++i) {
            nested += QStringLiteral("<Wrap%1>").arg(i % 7);
            closing.prepend(QStringLiteral("</Wrap%1>").arg(i % 7));
        }
        QTest::newRow("nested") << nested + first + closing + QStringLiteral("<Mystery attr='1'>text</Mystery>") << true
                                << int(DefinitionLoad::None) << 0 << 1;
    }

    void loadsThatStopEarlyAreReported()
    {
        QFETCH(QString, body);
        QFETCH(bool, wrap);
        DefinitionLoad load;
        const Definitions defs = read(body, wrap, &load);
        QTEST(int(load.problem), "problem");
        QTEST(int(load.line), "line");
        QTEST(defs.parameterCount(), "parameters");
    }

    void specialFilesAreRefusedAtOnce()
    {
        // A FIFO in place of a file would block a reader for good.
        const QString path = dir.filePath(QStringLiteral("fifo.xml"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        Definitions defs;
        QCOMPARE(readParameterFile(path, defs).problem, DefinitionLoad::Unreadable);
        ServoInfoTable table;
        QCOMPARE(ServoInfo::readFile(path, table), 0);
        QString error;
        QVERIFY(LangFile::read(path, &error).isEmpty() && !error.isEmpty());
    }

    // A record starts with every field empty; a duplicate code keeps the second.
    void recordsStartEmptyAndDuplicatesKeepTheSecond()
    {
        const Definitions defs = read(parameter(QStringLiteral("P00_01"), QStringLiteral("<MinValue>-5</MinValue>"))
                                      + QStringLiteral("<Parameter><ParameterIndex>P00_02</ParameterIndex></Parameter>")
                                      + parameter(QStringLiteral("P01_01"), QStringLiteral("<Uint>ms</Uint>"))
                                      + parameter(QStringLiteral("P01_01"), QStringLiteral("<Uint>rpm</Uint>")));
        const ParamRecord &second = defs.paramGroups[0][QStringLiteral("P00_02")];
        QVERIFY(second.DefaultValue.isEmpty() && second.ModifyTime.isEmpty() && second.MinValue.isEmpty());
        QCOMPARE(second.state, quint16(0));
        QCOMPARE(defs.paramGroups[1].size(), 1);
        QCOMPARE(defs.paramGroups[1].first().Uint, QStringLiteral("rpm"));
    }

    void monitorItemsFaultsAndChannels()
    {
        Definitions defs = read(parameter(QStringLiteral("P00_01")) + QStringLiteral(
            "<UnDisplay>"
            "<UnDisplayItem><UnDisplayIndex>U2-05</UnDisplayIndex><UnDisplayFormat>DISP_AS_HEX</UnDisplayFormat></UnDisplayItem>"
            "<UnDisplayItem><UnDisplayIndex>U3-05</UnDisplayIndex></UnDisplayItem>"
            "<UnDisplayItem><UnDisplayIndex>U0-01</UnDisplayIndex></UnDisplayItem>"
            "<UnDisplayItem><UnDisplayIndex>U0-256</UnDisplayIndex></UnDisplayItem>"
            "</UnDisplay>"
            "<FaultWarmItem><FaultWarmCode></FaultWarmCode><FaultWarmName>nothing</FaultWarmName></FaultWarmItem>"
            "<FaultWarmItem><FaultWarmCode>101</FaultWarmCode><FaultWarmOperate>STOP</FaultWarmOperate></FaultWarmItem>"
            "<WaveformChannelItem><WaveChIndex>0</WaveChIndex><WaveCoeff>0.1</WaveCoeff><WaveChName>late</WaveChName><WaveUnit>%</WaveUnit></WaveformChannelItem>"
            "<WaveformChannelItem><WaveChIndex>1</WaveChIndex><WaveChName>speed</WaveChName><WaveCoeff>1</WaveCoeff></WaveformChannelItem>"
            "<WaveformChannelDef>0,1,0,1</WaveformChannelDef><WaveformScaleToq>1,1,1,1</WaveformScaleToq>"
            "<FuncCodeVersion>V1.1</FuncCodeVersion>"));
        QCOMPARE(defs.unGroups[2].keys(), QStringList{QStringLiteral("U2-05")});
        QCOMPARE(defs.unGroups[0].size(), 1);
        QCOMPARE(defs.faultTable.keys(), QStringList{QStringLiteral("101")});
        // A channel is stored when its coefficient is read: a name after it is lost.
        QCOMPARE(defs.waveChannels[QStringLiteral("0")].WaveChName, QString());
        QCOMPARE(defs.waveChannels[QStringLiteral("1")].WaveChName, QStringLiteral("speed"));
        // A unit after the coefficient still counts; an item without one has none.
        QCOMPARE(defs.waveChannels[QStringLiteral("0")].WaveUnit, QStringLiteral("%"));
        QCOMPARE(defs.waveChannels[QStringLiteral("1")].WaveUnit, QString());
        QCOMPARE(defs.waveChannelDefault[0], QStringLiteral("0,1,0,1"));
        QCOMPARE(defs.waveScaleDefault[3], QStringLiteral("1,1,1,1"));
        QVERIFY(defs.wideValues());
        // A reload clears all but the waveform defaults.
        defs.clear();
        QVERIFY(!defs.wideValues());
        QCOMPARE(defs.waveChannelDefault[0], QStringLiteral("0,1,0,1"));
    }

    void groupMembersOnlyInsideParameterGroups()
    {
        const Definitions defs = read(QStringLiteral(
            "<ParameterGrpMember>P01 outside</ParameterGrpMember>"
            "<ParameterGroups><ParameterGrpMember>P05 位置控制</ParameterGrpMember>"
            "<ParameterGrpMember>PAB broken</ParameterGrpMember></ParameterGroups>"));
        QCOMPARE(defs.groupMembers.size(), 1);
        QCOMPARE(defs.groupMembers.value(QStringLiteral("P05- 位置控制"), -1), 5);
    }

    void hugeFilesLoad()
    {
        // Every code the wire can carry, in two spellings, and a megabyte of description.
        QString body;
        body.reserve(4 * 1024 * 1024);
        for (int i = 0; i < 21 * 256; ++i) {
            body += parameter(QStringLiteral("P%1_%2").arg(i % 21, 2, 10, QLatin1Char('0')).arg(i / 21));
            body += parameter(QStringLiteral("p%1-%2").arg(i % 21, 2, 10, QLatin1Char('0')).arg(i / 21));
        }
        body += parameter(QStringLiteral("P00_0255"), QStringLiteral("<Detial>") + QString(1 << 20, QLatin1Char('x'))
                                                          + QStringLiteral("</Detial>"));
        const Definitions defs = read(body);
        QCOMPARE(defs.parameterCount(), 2 * 21 * 256 + 1);
        QCOMPARE(defs.paramGroups[0][QStringLiteral("P00_0255")].Detial.size(), 1 << 20);
    }
};

QTEST_GUILESS_MAIN(TestDefinitions)
#include "tst_definitions.moc"
