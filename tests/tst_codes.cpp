// Parameter and monitor codes, monitor value display and the numeric entry filter.

#include "definitions/codes.h"
#include "definitions/enumtext.h"

#include <QtTest>

class TestCodes : public QObject
{
    Q_OBJECT

private slots:
    void codesAreFiledSplitAndNamed()
    {
        QCOMPARE(Codes::parameterGroup(QStringLiteral("P01-05")), 1);
        QCOMPARE(Codes::parameterGroup(QStringLiteral("p01_05")), 1);
        QCOMPARE(Codes::parameterGroup(QStringLiteral("P20_99")), 20);
        for (const char *bad : {"P1_05", "P01.05", "X00-01", "P0-01", "P21-01", "P01_", "P01_05 "})
            QVERIFY2(Codes::parameterGroup(QString::fromLatin1(bad)) == Codes::kNoGroup, bad);
        QCOMPARE(Codes::monitorGroup(QStringLiteral("U2-05")), 2);
        QCOMPARE(Codes::monitorGroup(QStringLiteral("u0_1")), 0);
        QCOMPARE(Codes::monitorGroup(QStringLiteral("U3-05")), Codes::kNoGroup);
        QCOMPARE(Codes::monitorGroup(QStringLiteral("U10-05")), Codes::kNoGroup);
        QString group, index;
        QVERIFY(Codes::split(QStringLiteral("P01_05"), &group, &index));
        QCOMPARE(group, QStringLiteral("01"));
        QCOMPARE(index, QStringLiteral("05"));
        QVERIFY(!Codes::split(QStringLiteral("P0105"), &group, &index));
        QCOMPARE(Codes::number(QStringLiteral("P0105")), quint16(0));
        QCOMPARE(Codes::number(QStringLiteral("P01_05")), quint16(105));
        QCOMPARE(Codes::number(QStringLiteral("P10_00")), quint16(1000));
        QCOMPARE(Codes::number(QStringLiteral("Pxx_00")), quint16(0));
        // Replies name codes in the definition file's form.
        QCOMPARE(Codes::parameterCode(1, 5), QStringLiteral("P01_05"));
        QCOMPARE(Codes::parameterCode(20, 123), QStringLiteral("P20_123"));
        QCOMPARE(Codes::monitorCode(1, 5), QStringLiteral("U1-05"));
        QCOMPARE(Codes::monitorCode(0, 12), QStringLiteral("U0-12"));
    }

    void monitorValuesShowInTheirFormat_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("varType");
        QTest::addColumn<QString>("shown");
        QTest::newRow("dec negative") << quint32(-1234) << "DISP_AS_DEC" << "int32" << "-1234";
        QTest::newRow("one dot") << quint32(-15) << "DISP_AS_DEC_ONE_DOT" << "int16" << "-1.5";
        QTest::newRow("two dot") << quint32(12345) << "DISP_AS_DEC_TWO_DOT" << "int32" << "123.45";
        QTest::newRow("three dot") << quint32(5) << "DISP_AS_DEC_THREE_DOT" << "int32" << "0.005";
        QTest::newRow("bin") << quint32(0x1234) << "DISP_AS_BIN" << "uint16" << "0b0001 0010 0011 0100";
        QTest::newRow("io") << quint32(0x0035) << "DISP_AS_IO" << "uint16" << "0b0011 0101";
        QTest::newRow("io wide") << quint32(0x1A35) << "DISP_AS_IO" << "uint16" << "0b110100011 0101";
        QTest::newRow("hex int16") << quint32(0x12340ABC) << "DISP_AS_HEX" << "int16" << "0x0ABC";
        QTest::newRow("hex 32") << quint32(0xABC) << "DISP_AS_HEX" << "uint32" << "0x00000ABC";
        QTest::newRow("alarm") << quint32(0x0001FFFF) << "DISP_AS_ALM" << "int16" << "-1";
        QTest::newRow("alarm code") << quint32(215) << "DISP_AS_ALM" << "uint16" << "215";
        QTest::newRow("unknown") << quint32(0xABCDEF) << "SOMETHING" << "uint32" << "0x00abcdef";
    }

    void monitorValuesShowInTheirFormat()
    {
        QFETCH(quint32, value);
        QFETCH(QString, format);
        QFETCH(QString, varType);
        QTEST(Codes::formatMonitorValue(value, format, varType), "shown");
    }

    void entryFilterKeepsWhatTheRangeAllows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("kept");
        QTest::newRow("leading zeros") << "007" << 0 << 100 << "7";
        QTest::newRow("minus not allowed") << "-5" << 0 << 100 << "5";
        QTest::newRow("minus allowed") << "-5" << -10 << 100 << "-5";
        QTest::newRow("too big") << "1000" << 0 << 999 << "100";
        QTest::newRow("too small") << "-123" << -50 << 100 << "-12";
        QTest::newRow("zero outside") << "0" << 5 << 10 << "";
        QTest::newRow("zero inside") << "0" << -5 << 10 << "0";
        QTest::newRow("letters") << "1a2b" << 0 << 1000 << "12";
        QTest::newRow("short of min") << "3" << 10 << 500 << "3";
    }

    void entryFilterKeepsWhatTheRangeAllows()
    {
        QFETCH(QString, typed);
        QFETCH(int, min);
        QFETCH(int, max);
        QTEST(Codes::filterEntry(typed, min, max), "kept");
    }

    // Named values in descriptions, written "value, separator, name" in either language.
    void namedValuesAreReadFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("names");
        QTest::newRow("lines of lists") << "选择控制方式。\n0：位置模式；1：速度模式\n2：转矩模式；" << "0=位置模式|1=速度模式|2=转矩模式";
        QTest::newRow("english") << "0: Off; 1: On (CW, seen from the shaft end)." << "0=Off|1=On (CW, seen from the shaft end)";
        QTest::newRow("odd separators") << "0:关，1 ： 开;2=保持  -1：反向,3: x" << "-1=反向|0=关|1=开|2=保持|3=x";
        QTest::newRow("commas inside names") << "0：正向，原点开关；1：反向，Z相" << "0=正向，原点开关|1=反向，Z相";
        QTest::newRow("prose around a list") << "32位参数的存放顺序。\n0：高16位在前\n注：1：2不算" << "0=高16位在前";
        QTest::newRow("a number in prose") << "0表示未识别到电机，比例 1:2。" << "";
        QTest::newRow("a value named twice") << "0：A；1：B\n0：C" << "";
    }

    void namedValuesAreReadFromText()
    {
        QFETCH(QString, text);
        const EnumText::Names names = EnumText::parse(text);
        QStringList pairs;
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            pairs << QStringLiteral("%1=%2").arg(it.key()).arg(it.value());
        QTEST(pairs.join(QLatin1Char('|')), "names");
    }

    void minimumCheckWhenEditingEnds()
    {
        QCOMPARE(Codes::checkMinimum(QString(), 10), Codes::MinimumCheck::Empty);
        QCOMPARE(Codes::checkMinimum(QStringLiteral("3"), 10), Codes::MinimumCheck::BelowMinimum);
        QCOMPARE(Codes::checkMinimum(QStringLiteral("-"), -10), Codes::MinimumCheck::BelowMinimum);
        QCOMPARE(Codes::checkMinimum(QStringLiteral("10"), 10), Codes::MinimumCheck::Ok);
    }
};

QTEST_GUILESS_MAIN(TestCodes)
#include "tst_codes.moc"
