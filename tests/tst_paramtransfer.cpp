// Parameter transfers as units: marking, batches, request bytes, replies, download results.

#include "definitions/codes.h"
#include "mainwindow/paramtransfer.h"

#include <QtTest>

namespace {

ParamRecord param(const QString &code, const char *min = "0", const char *width = "16bit", const char *sign = "unsigned")
{
    ParamRecord p;
    p.ParameterIndex = code;
    p.MinValue = QString::fromLatin1(min);
    p.DataWidth = QString::fromLatin1(width);
    p.DataSign = QString::fromLatin1(sign);
    return p;
}

Definitions withParams(int count, const QString &version)
{
    Definitions defs;
    defs.funcCodeVersion = version;
    for (int i = 0; i < count; ++i) {
        const int group = i / 30;
        const QString code = Codes::parameterCode(group, i % 30);
        defs.paramGroups[size_t(group)].insert(code, param(code));
    }
    return defs;
}

ParamRecord &add(Definitions &defs, const ParamRecord &p)
{
    return *defs.paramGroups[size_t(Codes::parameterGroup(p.ParameterIndex))].insert(p.ParameterIndex, p);
}

} // namespace

class TestParamTransfer : public QObject
{
    Q_OBJECT

private slots:
    void readRequestsFollowTheProtocol()
    {
        Definitions wide = withParams(40, QStringLiteral("V1.1"));
        ParamTransfer::mark(wide, ParamTransfer::MarkAllToRead, 0);
        const QStringList first = ParamTransfer::collect(wide, ParamState::ToRead, ParamTransfer::readAllBatch(true));
        ParamTransfer::Request r = ParamTransfer::readRange(first, true);
        QCOMPARE(r.payload, QByteArray::fromHex("000001022100"));
        QCOMPARE(r.rxLen, 6 * 33 + 6);
        // A batch of one code names it twice.
        r = ParamTransfer::readRange({QStringLiteral("P03_07")}, true);
        QCOMPARE(r.payload, QByteArray::fromHex("030703070100"));
        QCOMPARE(r.txLen, 12);
        // A code beyond a byte never goes out as another one.
        QVERIFY(!ParamTransfer::readRange({QStringLiteral("P03_256")}, true).ok);
        // A code that does not parse is left out of a list, and so is its reply item.
        const QStringList list{QStringLiteral("P01_01"), QStringLiteral("P0101"), QStringLiteral("P01_256"), QStringLiteral("P01_03")};
        r = ParamTransfer::readList(list, true);
        QCOMPARE(r.payload, QByteArray::fromHex("01010103"));
        QVERIFY(r.txLen == 10 && r.rxLen == 6 * 2 + 6);
        QCOMPARE(ParamTransfer::readList(list, false).rxLen, 4 * 2 + 6);
    }

    void valuesReadWithTheirSign()
    {
        const QString code = QStringLiteral("P00_01");
        QCOMPARE(ParamTransfer::valueText(0xFFFF, param(code, "-100"), false), QStringLiteral("-1"));
        QCOMPARE(ParamTransfer::valueText(0xFFFF, param(code), false), QStringLiteral("65535"));
        QCOMPARE(ParamTransfer::valueText(0x7FFF, param(code, "-100"), false), QStringLiteral("32767"));
        QCOMPARE(ParamTransfer::valueText(0x0000FFFF, param(code, "-100", "16bit", "signed"), true), QStringLiteral("-1"));
        QCOMPARE(ParamTransfer::valueText(0xFFFFFFFE, param(code, "-100", "32bit", "signed"), true), QStringLiteral("-2"));
        QCOMPARE(ParamTransfer::valueText(0xFFFFFFFF, param(code, "0", "32bit"), true), QStringLiteral("4294967295"));
    }

    void downloadsCarryWhatFitsAndRefuseTheRest()
    {
        Definitions defs;
        const char *codes[] = {"P01_01", "P01_02", "P01_03", "P01_04", "P01_300"}; // the last beyond a byte
        const char *values[] = {"abc", "70000", "", "12", "5"};
        for (int i = 0; i < 5; ++i) {
            ParamRecord &p = add(defs, param(QString::fromLatin1(codes[i])));
            p.currentValue = QString::fromLatin1(values[i]);
            p.state |= ParamState::ToWrite;
        }
        QStringList refused;
        const ParamTransfer::Request r =
            ParamTransfer::download(ParamTransfer::collect(defs, ParamState::ToWrite, 6), defs, false, &refused);
        QCOMPARE(r.sent, QStringList{QStringLiteral("P01_04")});
        QCOMPARE(r.payload, QByteArray::fromHex("0104000C"));
        QCOMPARE(refused.size(), 4);
        QVERIFY(refused.first().startsWith(QStringLiteral("P01_01")));
        QCOMPARE(ParamTransfer::collect(defs, ParamState::ToWrite, 6), QStringList{QStringLiteral("P01_04")});
        QVERIFY(defs.findParam(QStringLiteral("P01_02"))->state & ParamState::WriteFailed);
        // 70000 does fit a 32-bit field.
        QCOMPARE(ParamTransfer::download({QStringLiteral("P01_02")}, defs, true, nullptr).payload,
                 QByteArray::fromHex("010200011170"));
        // Negative values go out in two's complement.
        add(defs, param(QStringLiteral("P05_01"), "-100")).currentValue = QStringLiteral("-2");
        QCOMPARE(ParamTransfer::download({QStringLiteral("P05_01")}, defs, false, nullptr).payload,
                 QByteArray::fromHex("0501FFFE"));
        const ParamTransfer::Request wide = ParamTransfer::download({QStringLiteral("P05_01")}, defs, true, nullptr);
        QCOMPARE(wide.payload, QByteArray::fromHex("0501FFFFFFFE"));
        QVERIFY(wide.txLen == 12 && wide.rxLen == 10);
    }

    // Codes before the last answered are absent, after it asked again; an empty reply ends the batch.
    void readRepliesSettleTheBatch_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("wide");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<QStringList>("retry");
        QTest::addColumn<QStringList>("values"); // of P01_03, P01_05, P01_07
        const QString p3 = QStringLiteral("P01_03"), p5 = QStringLiteral("P01_05"), p7 = QStringLiteral("P01_07");
        QTest::newRow("last answered") << QByteArray::fromHex("0107002A") << false << QStringList{p3, p5} << QStringList{}
                                       << QStringList{QString(), QString(), QStringLiteral("42")};
        QTest::newRow("middle answered") << QByteArray::fromHex("010500000009") << true << QStringList{p3} << QStringList{p7}
                                         << QStringList{QString(), QStringLiteral("9"), QString()};
        QTest::newRow("absent marker") << QByteArray::fromHex("010300050000000000000000") << false
                                       << QStringList{p5, p7} << QStringList{}
                                       << QStringList{QStringLiteral("5"), QString(), QString()};
        QTest::newRow("nothing answered") << QByteArray() << true << QStringList{p3, p5, p7} << QStringList{}
                                          << QStringList{QString(), QString(), QString()};
    }

    void readRepliesSettleTheBatch()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, wide);
        QFETCH(QStringList, retry);
        QFETCH(QStringList, values);
        Definitions defs;
        const QStringList pending{QStringLiteral("P01_03"), QStringLiteral("P01_05"), QStringLiteral("P01_07")};
        for (const QString &code : pending)
            add(defs, param(code)).state |= ParamState::ToRead;
        const ParamTransfer::ReadResult result = ParamTransfer::decodeRead(reply, pending, defs, wide);
        QTEST(result.absent, "absent");
        QCOMPARE(result.retry, retry);
        QCOMPARE(ParamTransfer::collect(defs, ParamState::ToRead, 33), retry);
        for (int i = 0; i < pending.size(); ++i)
            QCOMPARE(defs.findParam(pending.at(i))->currentValue, values.at(i));
    }

    void downloadResultsAndSummary()
    {
        Definitions defs;
        for (int i = 1; i <= 8; ++i)
            add(defs, param(Codes::parameterCode(4, i))).state |= ParamState::ToWrite | ParamState::Changed | ParamState::Checked;
        QByteArray reply;
        const int results[] = {0, 1, 2, 4, 8, 16, 3};
        for (int i = 0; i < 7; ++i)
            reply += QByteArray::fromHex("04") + char(i + 1) + char(0) + char(results[i]);
        reply += QByteArray::fromHex("09090000"); // not a defined code
        const QStringList out = ParamTransfer::decodeDownload(reply, defs);
        QCOMPARE(out.mid(0, 2), (QStringList{QStringLiteral("Success:1"), QStringLiteral("Fail:6")}));
        QCOMPARE(out.size(), 8);
        QVERIFY(out.at(2).startsWith(QStringLiteral("P04_02: 设置值超过上限值")));
        const ParamRecord *ok = defs.findParam(QStringLiteral("P04_01"));
        QCOMPARE(ok->state & (ParamState::WriteOk | ParamState::Changed | ParamState::ToWrite), int(ParamState::WriteOk));
        QVERIFY(defs.findParam(QStringLiteral("P04_05"))->state & ParamState::WriteFailed);
        // A code the drive does not document is a failure too, shown with its number.
        const ParamRecord *odd = defs.findParam(QStringLiteral("P04_07"));
        QCOMPARE(odd->state & (ParamState::ToWrite | ParamState::WriteOk | ParamState::WriteFailed),
                 int(ParamState::WriteFailed));
        QCOMPARE(out.last(), QStringLiteral("P04_07: 设置失败（应答代码 3）"));
        // The summary counts both and lists what failed.
        bool failed = false;
        const QString summary = ParamTransfer::downloadSummary(1, 2, {QStringLiteral("a"), QStringLiteral("b")}, &failed);
        QVERIFY2(summary.contains(QStringLiteral("</font>1个")) && summary.contains(QStringLiteral("</font>2个"))
                     && summary.endsWith(QStringLiteral("详细信息：<br/>a<br/>b")),
                 qPrintable(summary));
    }

    void markingFollowsTheShownGroup()
    {
        Definitions defs = withParams(60, QStringLiteral("V1.1"));
        defs.findParam(QStringLiteral("P00_01"))->state |= ParamState::Checked;
        defs.findParam(QStringLiteral("P01_01"))->state |= ParamState::Checked | ParamState::WriteOk | ParamState::Mark;
        ParamTransfer::mark(defs, ParamTransfer::MarkCheckedToRead, 1);
        QCOMPARE(ParamTransfer::collect(defs, ParamState::ToRead, 50), QStringList{QStringLiteral("P01_01")});
        ParamTransfer::mark(defs, ParamTransfer::MarkCheckedToWrite, ParamTransfer::kAllGroups);
        QCOMPARE(ParamTransfer::collect(defs, ParamState::ToWrite, 50).size(), 2);
        ParamTransfer::mark(defs, ParamTransfer::ClearResultMarks, 1);
        QCOMPARE(defs.findParam(QStringLiteral("P01_01"))->state & ParamState::ResultMarks, 0);
        QVERIFY(defs.findParam(QStringLiteral("P01_01"))->state & ParamState::Checked);
        QVERIFY(!ParamTransfer::mark(defs, 7, 0));
    }
};

QTEST_GUILESS_MAIN(TestParamTransfer)
#include "tst_paramtransfer.moc"
