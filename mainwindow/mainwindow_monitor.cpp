// The monitor page: the table of monitor variables, one-off and periodic
// queries, and the alarm tooltips.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "definitions/codes.h"
#include "definitions/enumtext.h"

#include <QHeaderView>
#include <QTimer>

namespace {
enum UnColumn { UnCode, UnName, UnValue, UnUnit, UnColumns };
}

void MainWindow::setupMonitorPage()
{
    QTableWidget *table = ui->tableWidget_UnDisplay;
    table->setColumnCount(UnColumns);
    table->setColumnWidth(UnName, 450);
    table->setColumnWidth(UnValue, 220);
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setStyleSheet(QStringLiteral("QHeaderView::section{background:rgb(20,205,227);}"));
    m_unTimer = new QTimer(this);
    m_unTimer->setObjectName(QStringLiteral("timer_UnQueryPeriod"));
    connect(m_unTimer, &QTimer::timeout, this, &MainWindow::UnDisp_PeriodQueryTimerCB);
    unQueryBusy = false;
    setupMonitorTrend();
    buildMonitorTable();
}

void MainWindow::buildMonitorTable()
{
    QTableWidget *table = ui->tableWidget_UnDisplay;
    table->setRowCount(0);
    for (UnGroup &group : defs.unGroups) {
        for (UnDisplayRecord &item : group) {
            item.state |= MonitorQuery::Shown;
            const int row = table->rowCount();
            table->insertRow(row);
            const QString texts[UnColumns] = {item.UnDisplayIndex, item.UnDisplayName, item.valueText,
                                              item.UnDisplayUnit};
            for (int c = 0; c < UnColumns; ++c) {
                auto *cell = new QTableWidgetItem(texts[c]);
                if (c != UnName)
                    cell->setTextAlignment(Qt::AlignCenter);
                table->setItem(row, c, cell);
            }
        }
    }
    markTrendRows();
}

void MainWindow::refreshMonitorValues()
{
    QTableWidget *table = ui->tableWidget_UnDisplay;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString code = table->item(row, UnCode)->text();
        const UnDisplayRecord *item = nullptr;
        for (const UnGroup &group : defs.unGroups) {
            auto it = group.constFind(code);
            if (it != group.constEnd()) {
                item = &it.value();
                break;
            }
        }
        QTableWidgetItem *value = table->item(row, UnValue);
        if (!item || !value)
            continue;
        // A variable whose bits the definition file names shows the names of
        // the set ones, and lists them all, set or clear, in its tooltip (the
        // names come from the file, so they are escaped there).
        const EnumText::Names bits = EnumText::parse(item->UnDisplayBits);
        const bool named = !bits.isEmpty() && !item->valueText.isEmpty();
        value->setText(named ? EnumText::withSetBits(item->valueText, item->rawValue, bits) : item->valueText);
        if (named)
            value->setToolTip(EnumText::bitLines(item->rawValue, bits).toHtmlEscaped().replace(
                QLatin1Char('\n'), QLatin1String("<br/>")));
        else
            value->setToolTip(MonitorQuery::alarmTooltip(*item, defs));
    }
}

void MainWindow::startMonitorCycle()
{
    m_monitorQuery.startCycle(defs);
    m_cycleCodes.clear();
    unQueryBusy = true;
    sendMonitorBatch();
}

int MainWindow::sendMonitorBatch()
{
    m_monitorBatch = m_monitorQuery.nextBatch(defs);
    if (m_monitorBatch.codes.isEmpty())
        return 0;
    if (!linkReady())
        return int(m_monitorBatch.codes.size());
    if (!m_monitorBatch.ok) {
        emit showWrongSet(tr("参数组名称不正确！"));
        return int(m_monitorBatch.codes.size());
    }
    qCDebug(lcWindow) << "cmd:" << m_monitorBatch.payload.toHex(' ');
    sendCommand(Cmd::ReadMonitor, m_monitorBatch.payload, m_monitorBatch.rxLen);
    return int(m_monitorBatch.codes.size());
}

void MainWindow::monitorReply(const QByteArray &payload)
{
    qCDebug(lcWindow) << "读取Un监视量收到下位机应答";
    for (const QString &code : m_monitorQuery.takeReply(payload, m_monitorBatch, defs))
        m_cycleCodes.insert(code);
    refreshMonitorValues();
    emit funcEnd();
    if (sendMonitorBatch() == 0) {
        unQueryBusy = false;
        monitorCycleDone();
    }
}

void MainWindow::on_pushButton_UnQueryManual_clicked()
{
    if (!unQueryBusy)
        startMonitorCycle();
}

void MainWindow::on_checkBox_UnPeriodQuery_clicked()
{
    const bool on = ui->checkBox_UnPeriodQuery->isChecked();
    qCDebug(lcWindow) << "点击了Un监视量的定时查询框" << "当前状态为：" << on;
    if (on) {
        m_unPeriodMs = 0; // the first timeout comes at once and takes the period
        m_unTimer->start(0);
        ui->pushButton_UnQueryManual->setEnabled(false);
    } else {
        m_unTimer->stop();
        ui->pushButton_UnQueryManual->setEnabled(true);
        unQueryBusy = false;
    }
}

void MainWindow::UnDisp_PeriodQueryTimerCB()
{
    m_unAccumulatedMs += m_unTimer->interval();
    if (ui->spinBox_UnQueryPeriod->value() != m_unPeriodMs) {
        m_unPeriodMs = ui->spinBox_UnQueryPeriod->value();
        m_unTimer->setInterval(m_unPeriodMs);
    }
    qCDebug(lcWindow) << "Current index:" << ui->stackedWidget->currentIndex();
    if (ui->stackedWidget->currentIndex() == MonitorPage && !unQueryBusy && isCommunicateSetUp == 1) {
        startMonitorCycle();
        m_unAccumulatedMs = 0;
    } else if (m_unAccumulatedMs > 2999) {
        qCDebug(lcWindow) << "Un监视量查询超时";
        unQueryBusy = false;
    }
}
