// The monitor page and the fault display.

#include "definitions/codes.h"
#include "mainwindow/monitortrend.h"
#include "testsupport.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QtTest>
#include <QtWidgets>

namespace {

Definitions monitors(const QList<QPair<int, int>> &groupCounts)
{
    Definitions defs;
    for (const auto &gc : groupCounts)
        for (int i = 1; i <= gc.second; ++i) {
            UnDisplayRecord item;
            item.UnDisplayIndex = Codes::monitorCode(gc.first, i);
            item.state = MonitorQuery::Shown;
            defs.unGroups[size_t(gc.first)].insert(item.UnDisplayIndex, item);
        }
    return defs;
}

QByteArray item(int group, int index, quint32 value)
{
    QByteArray b;
    QDataStream(&b, QIODevice::WriteOnly) << quint8(group) << quint8(index) << value;
    return b;
}

const char kDefinitions[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Root>
 <UnDisplay>
  <UnDisplayItem><UnDisplayIndex>U0-01</UnDisplayIndex><UnDisplayName>转矩</UnDisplayName><UnDisplayVarType>int16</UnDisplayVarType><UnDisplayFormat>DISP_AS_DEC_ONE_DOT</UnDisplayFormat><UnDisplayBits>0：DI1；1：&lt;b&gt;DI2</UnDisplayBits></UnDisplayItem>
  <UnDisplayItem><UnDisplayIndex>U0-08</UnDisplayIndex><UnDisplayName>故障码</UnDisplayName><UnDisplayVarType>uint16</UnDisplayVarType><UnDisplayFormat>DISP_AS_ALM</UnDisplayFormat></UnDisplayItem>
 </UnDisplay>
 <FaultWarmItem><FaultWarmCode>5</FaultWarmCode><FaultWarmType>&lt;i&gt;故障</FaultWarmType><FaultWarmName>过电压</FaultWarmName>
  <FaultWarmContext>电源电压过高</FaultWarmContext><FaultWarmExclude>检查电源</FaultWarmExclude><FaultWarmOperate>STOP</FaultWarmOperate></FaultWarmItem>
 <FaultWarmItem><FaultWarmCode>12</FaultWarmCode><FaultWarmType>告警</FaultWarmType><FaultWarmName>过载告警</FaultWarmName>
  <FaultWarmContext>负载过大</FaultWarmContext><FaultWarmExclude>减小负载</FaultWarmExclude><FaultWarmOperate>NONE</FaultWarmOperate></FaultWarmItem>
</Root>
)";

// A disk that fills up after `writes` writes.
class FillingDevice : public QIODevice
{
public:
    FillingDevice(int writes, QByteArray *out) : m_writes(writes), m_out(out) { open(WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (m_writes-- <= 0) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_out->append(data, int(size));
        return size;
    }

private:
    int m_writes;
    QByteArray *m_out;
};

} // namespace

class TestMonitor : public QObject, private DriveFixture
{
    Q_OBJECT

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    // A cycle's first batch lists the marked codes, asks for the right span, leaves the rest.
    void batchesOfACycle_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // items in groups 0, 1, 2
        QTest::addColumn<QList<int>>("unmarked"); // of group 0
        QTest::addColumn<int>("listed");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("rest");
        QTest::newRow("forty items: 33 and 7") << QList<int>{40, 0, 0} << QList<int>{} << 33
                                              << QByteArray::fromHex("000100210021") << 7;
        QTest::newRow("across groups") << QList<int>{3, 5, 16} << QList<int>{} << 24 << QByteArray::fromHex("000102100018") << 0;
        QTest::newRow("unmarked items inside count, are not listed")
            << QList<int>{10, 0, 0} << QList<int>{2, 3, 4, 8} << 6 << QByteArray::fromHex("0001000A000A") << 0;
    }

    void batchesOfACycle()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, unmarked);
        QFETCH(QByteArray, payload);
        Definitions defs = monitors({{0, sizes[0]}, {1, sizes[1]}, {2, sizes[2]}});
        MonitorQuery query;
        query.startCycle(defs);
        for (int i : unmarked)
            defs.unGroups[0][Codes::monitorCode(0, i)].state &= quint16(~MonitorQuery::ToQuery);
        const MonitorQuery::Batch batch = query.nextBatch(defs);
        QTEST(batch.codes.size(), "listed");
        QCOMPARE(batch.payload, payload);
        QCOMPARE(batch.rxLen, 6 * payload.at(5) + 6);
        QByteArray reply;
        for (const QString &code : batch.codes)
            reply += item(Codes::monitorGroup(code), code.mid(3).toInt(), 1);
        query.takeReply(reply, batch, defs);
        QTEST(query.nextBatch(defs).codes.size(), "rest");
    }

    // An item missing from a reply is asked once more, then left until the next cycle.
    void missingItemsAreAskedOnceMoreThenLeft()
    {
        Definitions defs = monitors({{0, 3}});
        MonitorQuery query;
        query.startCycle(defs);
        MonitorQuery::Batch batch = query.nextBatch(defs);
        query.takeReply(item(0, 1, 1) + item(0, 3, 3) + QByteArray::fromHex("FFFF00000000"), batch, defs);
        batch = query.nextBatch(defs);
        QCOMPARE(batch.codes, QStringList{QStringLiteral("U0-02")});
        query.takeReply(QByteArray::fromHex("FFFF00000000"), batch, defs);
        QVERIFY(query.nextBatch(defs).codes.isEmpty());
        query.startCycle(defs);
        QCOMPARE(query.nextBatch(defs).codes.size(), 3);
    }

    // A new period takes effect at the next timeout; unticking stops the timer.
    void periodChangeTakesEffectAtTheNextTimeout()
    {
        startWindow();
        auto *timer = window()->findChild<QTimer *>(QStringLiteral("timer_UnQueryPeriod"));
        auto *period = widget<QSpinBox>("spinBox_UnQueryPeriod");
        auto *box = widget<QCheckBox>("checkBox_UnPeriodQuery");
        period->setValue(300);
        box->click();
        QVERIFY(!widget<QWidget>("pushButton_UnQueryManual")->isEnabled());
        QTRY_COMPARE(timer->interval(), 300);
        period->setValue(700);
        QCOMPARE(timer->interval(), 300);
        QTRY_COMPARE(timer->interval(), 700);
        box->click();
        QVERIFY(!timer->isActive());
    }

    // However long a trend runs, it stays within its capacity, in time order,
    // keeps every peak and valley, and ends at the latest value.
    void trendKeepsExtremesInBoundedMemory_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("spike"); // +1000 there, -1000 right after
        QTest::newRow("below capacity") << 10 << 3;
        QTest::newRow("merged many times") << 5000 << 2345;
        QTest::newRow("at the start, a long run") << 20000 << 0;
        QTest::newRow("in the bucket being filled") << 4099 << 4096;
    }

    void trendKeepsExtremesInBoundedMemory()
    {
        QFETCH(int, count);
        QFETCH(int, spike);
        const auto value = [&](int i) { return i == spike ? 1000 : i == spike + 1 ? -1000 : std::sin(i); };
        TrendSeries series(16);
        for (int i = 0; i < count; ++i)
            series.append(i, value(i));
        const QVector<QPointF> points = series.points();
        QVERIFY(points.size() <= qMax(count, 16) + 3);
        QVERIFY(std::adjacent_find(points.cbegin(), points.cend(),
                                   [](const QPointF &a, const QPointF &b) { return a.x() >= b.x(); }) == points.cend());
        QVERIFY(points.contains(QPointF(spike, 1000)));
        QVERIFY(points.contains(QPointF(spike + 1, -1000)));
        QCOMPARE(points.last(), QPointF(count - 1, value(count - 1)));
    }

    // Each format logs and plots the number the table shows, or the integer behind its text.
    void valuesAsNumbers_data()
    {
        QTest::addColumn<quint32>("raw");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("varType");
        QTest::addColumn<QString>("number");
        QTest::newRow("one decimal, negative") << quint32(-15) << "DISP_AS_DEC_ONE_DOT" << "int16" << "-1.5";
        QTest::newRow("alarm: low 16 bits, signed") << 0x1234FFFEu << "DISP_AS_ALM" << "uint16" << "-2";
        QTest::newRow("16-bit hexadecimal") << 0x12345678u << "DISP_AS_HEX" << "int16" << "22136";
        QTest::newRow("32-bit hexadecimal") << 0xFFFFFFFFu << "DISP_AS_HEX" << "uint32" << "4294967295";
        QTest::newRow("inputs and outputs") << 0x00010035u << "DISP_AS_IO" << "uint16" << "53";
    }

    void valuesAsNumbers()
    {
        QFETCH(quint32, raw);
        QFETCH(QString, format);
        QFETCH(QString, varType);
        QTEST(MonitorTrend::numberText(raw, format, varType), "number");
    }

    // The log: a quoted header, a line per cycle, and a full disk ends it
    // with a reason, keeping the lines before.
    void logLinesAndAFullDisk_data()
    {
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("expected");
        const QString header = QStringLiteral("time,seconds,U0-01 电机转速 (rpm),\"U0-02 a, \"\"b\"\"\"\n");
        const QString first = QStringLiteral("2026-12-07T10:00:00.250+01:00,1.500,12,-1.5\n");
        const QString second = QStringLiteral("2026-12-07T10:00:00.250+01:00,2.000,7,\n");
        QTest::newRow("room for all") << 3 << header + first + second;
        QTest::newRow("full at the second cycle") << 2 << header + first;
    }

    void logLinesAndAFullDisk()
    {
        QFETCH(int, writes);
        QByteArray written;
        MonitorLog log;
        QString error;
        QVERIFY(log.start(std::make_unique<FillingDevice>(writes, &written),
                          {{"U0-01", "电机转速", "rpm"}, {"U0-02", "a, \"b\"", ""}}, &error));
        const QDateTime at(QDate(2026, 12, 7), QTime(10, 0, 0, 250), Qt::OffsetFromUTC, 3600);
        QVERIFY(log.append(at, 1.5, {"12", "-1.5"}, &error));
        QCOMPARE(log.append(at, 2, {"7"}, &error), writes > 2);
        QCOMPARE(log.isOpen(), writes > 2);
        QCOMPARE(error.isEmpty(), writes > 2);
        QTEST(QString::fromUtf8(written), "expected");
    }

    // A periodic query with two variables ticked plots both and logs a line per cycle.
    void trendAndLogOfAPeriodicQuery()
    {
        QVERIFY(startLinked());
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::MonitorPage);
        auto *table = widget<QTableWidget>("tableWidget_UnDisplay");
        table->item(0, 0)->setCheckState(Qt::Checked);
        table->item(2, 0)->setCheckState(Qt::Checked);
        prompts->fileAnswers << dir->path(QStringLiteral("log.csv"));
        widget<QCheckBox>("checkBox_UnLogToFile")->click();
        widget<QSpinBox>("spinBox_UnQueryPeriod")->setValue(100);
        widget<QCheckBox>("checkBox_UnPeriodQuery")->click();
        QTRY_VERIFY_WITH_TIMEOUT(dir->read(QStringLiteral("log.csv")).count('\n') > 3, 10000);
        widget<QCheckBox>("checkBox_UnLogToFile")->click();
        const QList<QByteArray> lines = dir->read(QStringLiteral("log.csv")).split('\n');
        QCOMPARE(lines.first(), QByteArray("time,seconds,U0-01 电机转速 (rpm),U0-03 转矩指令 (%)"));
        const QRegularExpression cycle(QStringLiteral("^[-0-9T:.+Z]+,[0-9.]+,-?[0-9]+,-?[0-9]+\\.[0-9]$"));
        for (const QByteArray &line : lines.mid(1, lines.size() - 2))
            QVERIFY2(cycle.match(line).hasMatch(), line);
        window()->reloadDefinitions(); // as a language change does: the ticks stay
        QCOMPARE(table->item(2, 0)->checkState(), Qt::Checked);
        const QwtPlotItemList curves = widget<QwtPlot>("qwtPlot_UnTrend")->itemList(QwtPlotItem::Rtti_PlotCurve);
        QCOMPARE(curves.size(), 2);
        for (const QwtPlotItem *curve : curves)
            QVERIFY(static_cast<const QwtPlotCurve *>(curve)->dataSize() >= size_t(lines.size() - 2));
    }

    // The alarm cell and the fault pages show the file's texts, as plain text,
    // and an unknown or cleared fault code leaves none over.
    void definitionTextsShowOnThePages()
    {
        dir->write(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"), kDefinitions);
        startWindow();
        auto *table = widget<QTableWidget>("tableWidget_UnDisplay");
        QCOMPARE(table->rowCount(), 2);
        QByteArray items = item(0, 1, quint32(-15)) + item(0, 8, 5);
        commandTable[Cmd::ReadMonitor].rxData = reinterpret_cast<uint8_t *>(items.data());
        commandTable[Cmd::ReadMonitor].rxDataLen = uint8_t(items.size());
        window()->showData(Cmd::ReadMonitor);
        QCOMPARE(table->item(1, 2)->toolTip(), QStringLiteral("故障码：5 （&lt;i&gt;故障故障/告警）<br/>过电压"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("-1.5（DI1）")); // -15: bit 0 set, bit 1 clear
        QCOMPARE(table->item(0, 2)->toolTip(), QStringLiteral("● DI1<br/>○ &lt;b&gt;DI2"));
        const auto text = [&](const char *name) {
            const QWidget *shown = widget<QWidget>(name);
            return shown->property(shown->inherits("QLabel") ? "text" : "plainText").toString();
        };
        window()->showFaultCode(5);
        QCOMPARE(text("label_ManualRun_ErrorCode"), QStringLiteral("报警代码：05"));
        QCOMPARE(text("label_ManualRun_ErrorCode_3"), QStringLiteral("报警代码：05（过电压）"));
        QVERIFY(text("textEdit_ManualRun_ErrorDetial").startsWith(QStringLiteral("05-过电压")));
        QCOMPARE(text("textEdit_ManualRun_ErrorDetial_3"), QStringLiteral("电源电压过高"));
        QCOMPARE(text("textEdit_ManualRun_ErrorEliminate"), QStringLiteral("检查电源"));

        window()->showFaultCode(321);
        QCOMPARE(text("label_ManualRun_ErrorCode_3"), QStringLiteral("报警代码：321（）"));
        QVERIFY(text("textEdit_ManualRun_ErrorDetial").isEmpty());
        QVERIFY(text("textEdit_ManualRun_ErrorEliminate").isEmpty());

        window()->showFaultCode(0);
        QCOMPARE(text("label_ManualRun_ErrorCode"), QStringLiteral("报警代码："));
        QVERIFY(text("textEdit_ManualRun_ErrorDetial_3").isEmpty());

        widget<QComboBox>("comboBox_FaultCodeTest")->setCurrentText(QStringLiteral("5"));
        QCOMPARE(text("label_ManualRun_ErrorCode_3"), QStringLiteral("报警代码：05（过电压）"));
    }
};

QTEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
