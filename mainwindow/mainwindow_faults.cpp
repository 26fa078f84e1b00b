// The fault display: the current fault or alarm code with its name, cause
// and remedy, on the manual run page and the fault page.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

namespace {
QString twoDigits(const QString &code)
{
    bool ok = false;
    const int n = code.toInt(&ok);
    return ok ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : code;
}
} // namespace

void MainWindow::setupFaultPage()
{
    // Fault names come from the definition file.
    ui->label_ManualRun_ErrorCode_3->setTextFormat(Qt::PlainText);
    fillFaultTestList();
    showFaultCode(0);
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

void MainWindow::on_comboBox_FaultCodeTest_currentIndexChanged(QString code)
{
    auto it = defs.faultTable.constFind(code);
    if (it == defs.faultTable.constEnd())
        return;
    showFaultTexts(code, &it.value(), false);
}
