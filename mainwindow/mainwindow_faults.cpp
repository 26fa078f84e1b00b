// The fault display: the current fault or alarm code with its name, cause
// and remedy, on the manual run and fault pages; the fault button on the
// link bar; the faults seen in this session, which can be saved as CSV.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogs/prompt.h"

#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QSaveFile>
#include <QTableWidget>
#include <QTimer>

namespace {
QString twoDigits(const QString &code)
{
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : code;
}

// How often the drive is asked for its fault while the link is up: the idle
// keep-alive, after a second of silence, still goes out between two.
constexpr int kFaultPollMs = 2000;
} // namespace

void MainWindow::setupFaultPage()
{
    // Fault names come from the definition file.
    ui->label_ManualRun_ErrorCode_3->setTextFormat(Qt::PlainText);

    // The fault button sits on the link bar, beside the link state, so that
    // a fault is seen on every page; it leads to the fault page.
    m_faultIndicator = new QPushButton(this);
    m_faultIndicator->setObjectName(QStringLiteral("pushButton_FaultIndicator"));
    m_faultIndicator->setStyleSheet(QStringLiteral(
        "QPushButton{background-color:rgb(220,30,30);color:white;font-weight:bold;padding:2px 8px;border-radius:3px;}"));
    // Whole, whatever else the bar has to give up.
    m_faultIndicator->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_faultIndicator->hide();
    if (auto *bar = qobject_cast<QBoxLayout *>(ui->communicateState->parentWidget()->layout()))
        bar->insertWidget(bar->indexOf(ui->communicateState) + 1, m_faultIndicator);
    connect(m_faultIndicator, &QPushButton::clicked, this, [this] { ui->listWidget->setCurrentRow(FaultPage); });

    m_faultHistoryBox = new QGroupBox(ui->fault_page);
    auto *box = new QVBoxLayout(m_faultHistoryBox);
    m_faultHistoryTable = new QTableWidget(0, 5, m_faultHistoryBox);
    m_faultHistoryTable->setObjectName(QStringLiteral("tableWidget_FaultHistory"));
    m_faultHistoryTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_faultHistoryTable->verticalHeader()->hide();
    m_faultHistoryTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_faultHistoryTable->horizontalHeader()->setStretchLastSection(true);
    box->addWidget(m_faultHistoryTable);
    m_faultHistorySave = new QPushButton(m_faultHistoryBox);
    m_faultHistorySave->setObjectName(QStringLiteral("pushButton_FaultHistorySave"));
    connect(m_faultHistorySave, &QPushButton::clicked, this, &MainWindow::saveFaultHistory);
    box->addWidget(m_faultHistorySave, 0, Qt::AlignRight);
    ui->verticalLayout_fault->addWidget(m_faultHistoryBox);
    retranslateFaultPage();

    m_faultTimer = new QTimer(this);
    m_faultTimer->setObjectName(QStringLiteral("timer_FaultPoll"));
    m_faultTimer->setInterval(kFaultPollMs);
    connect(m_faultTimer, &QTimer::timeout, this, &MainWindow::pollDriveFault);
    m_faultTimer->start();

    fillFaultTestList();
    showFaultCode(0);
}

void MainWindow::retranslateFaultPage()
{
    m_faultHistoryBox->setTitle(tr("本次运行的故障记录"));
    m_faultHistoryTable->setHorizontalHeaderLabels({tr("代码"), tr("名称"), tr("出现时间"), tr("消除时间"), tr("备注")});
    m_faultHistorySave->setText(tr("保存记录..."));
    fillFaultHistoryTable();
    showFaultIndicator();
}

void MainWindow::fillFaultTestList()
{
    QSignalBlocker block(ui->comboBox_FaultCodeTest);
    ui->comboBox_FaultCodeTest->clear();
    ui->comboBox_FaultCodeTest->addItems(defs.faultTable.keys());
}

void MainWindow::showFaultTexts(const QString &code, const FaultRecord *fault, bool runPage)
{
    const QString shown = twoDigits(code);
    if (runPage) {
        ui->label_ManualRun_ErrorCode->setText(tr("报警代码：%1").arg(shown));
        ui->textEdit_ManualRun_ErrorDetial->setHtml(
            fault ? tr("%1-%2<br/>【故障原因】%3<br/>【故障排除】%4")
                        .arg(shown, fault->FaultWarmName.toHtmlEscaped(), fault->FaultWarmContext.toHtmlEscaped(),
                             fault->FaultWarmExclude.toHtmlEscaped())
                  : QString());
    }
    ui->label_ManualRun_ErrorCode_3->setText(tr("报警代码：%1（%2）").arg(shown, fault ? fault->FaultWarmName : QString()));
    ui->textEdit_ManualRun_ErrorDetial_3->setPlainText(fault ? fault->FaultWarmContext : QString());
    ui->textEdit_ManualRun_ErrorEliminate->setPlainText(fault ? fault->FaultWarmExclude : QString());
}

void MainWindow::showFaultCode(quint16 code)
{
    m_faultCode = code;
    if (code == 0) {
        ui->label_ManualRun_ErrorCode->setText(tr("报警代码："));
        ui->label_ManualRun_ErrorCode_3->setText(tr("报警代码："));
        ui->textEdit_ManualRun_ErrorDetial->clear();
        ui->textEdit_ManualRun_ErrorDetial_3->clear();
        ui->textEdit_ManualRun_ErrorEliminate->clear();
        return;
    }
    const QString key = QString::number(code);
    auto it = defs.faultTable.constFind(key);
    showFaultTexts(key, it == defs.faultTable.constEnd() ? nullptr : &it.value(), true);
}

void MainWindow::driveFaultCode(quint16 code)
{
    showFaultCode(code);
    if (code == 0) {
        // The drive said so: that is news, unlike a code nobody asked for yet.
        ui->label_ManualRun_ErrorCode->setText(tr("报警代码：%1").arg(tr("无故障")));
        ui->label_ManualRun_ErrorCode_3->setText(tr("报警代码：%1").arg(tr("无故障")));
    }
    const auto fault = defs.faultTable.constFind(QString::number(code));
    const QString name = fault == defs.faultTable.constEnd() ? QString() : fault->FaultWarmName;
    if (m_faultHistory.report(code, name, QDateTime::currentDateTime()))
        fillFaultHistoryTable();
    showFaultIndicator();
}

void MainWindow::faultLinkEnded()
{
    if (m_faultHistory.linkEnded(QDateTime::currentDateTime()))
        fillFaultHistoryTable();
    showFaultCode(0);
    showFaultIndicator();
}

void MainWindow::showFaultIndicator()
{
    const quint16 code = m_faultHistory.current();
    m_faultIndicator->setVisible(code != 0);
    if (code == 0)
        return;
    const auto fault = defs.faultTable.constFind(QString::number(code));
    const QString name = fault == defs.faultTable.constEnd() ? QString() : fault->FaultWarmName;
    // A long name is cut short on the crowded bar; the tooltip has it whole.
    const QFontMetrics metrics(m_faultIndicator->font());
    const QString shortName = metrics.elidedText(name, Qt::ElideRight, metrics.horizontalAdvance(QLatin1Char('M')) * 12);
    m_faultIndicator->setText(tr("故障 %1 %2").arg(twoDigits(QString::number(code)), shortName).trimmed());
    m_faultIndicator->setToolTip(name + QLatin1Char('\n') + tr("驱动器有故障，点击查看故障信息"));
}

void MainWindow::fillFaultHistoryTable()
{
    const QVector<FaultHistory::Entry> &entries = m_faultHistory.entries();
    m_faultHistoryTable->setRowCount(entries.size());
    // Newest first.
    for (int i = 0; i < entries.size(); ++i) {
        const FaultHistory::Entry &e = entries.at(entries.size() - 1 - i);
        const QStringList texts = {twoDigits(QString::number(e.code)), e.name, FaultHistory::timeText(e.appeared),
                                   FaultHistory::timeText(e.cleared), e.linkEnded ? tr("通信断开") : QString()};
        for (int c = 0; c < texts.size(); ++c)
            m_faultHistoryTable->setItem(i, c, new QTableWidgetItem(texts.at(c)));
    }
}

void MainWindow::pollDriveFault()
{
    // One manual-run request at a time, and none while a transfer, a
    // monitor query, a capture or a stop has the link, or while a tuning run
    // counts its polls. On the manual run page the servo's own poll asks.
    const int state = m_manualRun->state();
    if (isCommunicateSetUp != 1 || waveRecording || m_stop.active || paramTransferBusy || unQueryBusy
        || m_awaiting[size_t(Cmd::ManualRun)] > 0 || m_manualRun->replyPending()
        || (state != ManualRunMachine::ServoOffState && state != ManualRunMachine::JogState))
        return;
    sendManualRunCommand(ManualRunMachine::ReadData, 0, 0, 0);
}

void MainWindow::saveFaultHistory()
{
    const QString name = QStringLiteral("faults-%1.csv")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = Prompt::getSaveFileName(this, tr("保存故障记录"), QDir::home().filePath(name),
                                                 tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QStringList header;
    for (int c = 0; c < m_faultHistoryTable->columnCount(); ++c)
        header << m_faultHistoryTable->horizontalHeaderItem(c)->text();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_faultHistory.toCsv(header, tr("通信断开")).toUtf8()) < 0
        || !file.commit()) {
        Prompt::critical(this, tr("保存故障记录"),
                         tr("文件无法写入：%1").arg(QDir::toNativeSeparators(path)) + QLatin1Char('\n')
                             + file.errorString());
        return;
    }
    Prompt::information(this, tr("保存故障记录"), tr("已保存%1条故障记录。").arg(m_faultHistory.entries().size()));
}

void MainWindow::on_comboBox_FaultCodeTest_currentIndexChanged(QString code)
{
    auto it = defs.faultTable.constFind(code);
    if (it == defs.faultTable.constEnd())
        return;
    showFaultTexts(code, &it.value(), false);
}
