// The parameter comparison window: the drive's values against a parameter
// file, or two files; writing the ticked file values to the drive, reading
// them back, and the export of the comparison as CSV.

#include "mainwindow/mainwindow.h"

#include "app/applog.h"
#include "dialogs/paramdiffdialog.h"
#include "dialogs/prompt.h"
#include "mainwindow/paramfile.h"
#include "mainwindow/paramtransfer.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

// A parameter file's values, or an empty name after a warning.
bool readDiffFile(QWidget *parent, const QString &path, ParamFile::Contents *contents)
{
    *contents = ParamFile::read(path);
    if (contents->status == ParamFile::Contents::Ok)
        return true;
    Prompt::warning(parent, MainWindow::tr("参数差异比较"),
                    MainWindow::tr("文件无法读取或不完整：%1").arg(QFileInfo(path).fileName()));
    return false;
}

} // namespace

void MainWindow::on_pushButton_ParamDiff_clicked()
{
    if (!m_diffDialog) {
        m_diffDialog = new ParamDiffDialog(this);
        connect(m_diffDialog, &ParamDiffDialog::compareWithDrive, this, &MainWindow::paramDiffWithDrive);
        connect(m_diffDialog, &ParamDiffDialog::compareFiles, this, &MainWindow::paramDiffFiles);
        connect(m_diffDialog, &ParamDiffDialog::writeTicked, this, &MainWindow::paramDiffWrite);
        connect(m_diffDialog, &ParamDiffDialog::exportCsv, this, &MainWindow::paramDiffExport);
    }
    m_diffDialog->show();
    m_diffDialog->raise();
}

void MainWindow::paramDiffWithDrive()
{
    if (!linkReady() || paramTransferBusy)
        return;
    const QString path = Prompt::getOpenFileName(m_diffDialog, tr("参数文件"), QStringLiteral("/"),
                                                 tr("参数文件 (*.conf)"));
    if (path.isEmpty())
        return;
    ParamFile::Contents file;
    if (!readDiffFile(m_diffDialog, path, &file))
        return;
    m_diffFileValues = file.values;
    m_diffFileName = QFileInfo(path).fileName();
    // The drive's values as they are now, not as the table last showed them.
    startReadAll(false);
    m_diffAfterRead = paramTransferBusy;
}

void MainWindow::showDriveDiff()
{
    if (!m_diffDialog)
        return;
    m_diffDialog->setComparison(ParamDiff::compare(defs, ParamDiff::currentValues(defs, &m_diffFileValues), m_diffFileValues),
                                tr("驱动器"), m_diffFileName, true);
}

void MainWindow::paramDiffFiles()
{
    const QString filter = tr("参数文件 (*.conf)");
    const QString left = Prompt::getOpenFileName(m_diffDialog, tr("参数文件"), QStringLiteral("/"), filter);
    if (left.isEmpty())
        return;
    const QString right = Prompt::getOpenFileName(m_diffDialog, tr("参数文件"), QFileInfo(left).path(), filter);
    if (right.isEmpty())
        return;
    ParamFile::Contents a, b;
    if (!readDiffFile(m_diffDialog, left, &a) || !readDiffFile(m_diffDialog, right, &b))
        return;
    m_diffDialog->setComparison(ParamDiff::compare(defs, a.values, b.values), QFileInfo(left).fileName(),
                                QFileInfo(right).fileName(), false);
}

void MainWindow::paramDiffWrite(const QStringList &codes)
{
    if (codes.isEmpty()) {
        Prompt::warning(m_diffDialog, tr("未选中要下载的参数"), tr("请先勾选要下载的参数！"));
        return;
    }
    if (!linkReady() || paramTransferBusy)
        return;
    // Values outside the parameter's limits are not sent.
    QHash<QString, QString> values;
    QStringList refused;
    for (const ParamDiff::Row &row : m_diffDialog->rows()) {
        if (!codes.contains(row.code))
            continue;
        const ParamRecord *p = defs.findParam(row.code);
        if (!p || ParamDiff::modifyOf(*p) == ParamDiff::Modify::ReadOnly)
            continue;
        if (ParamFile::transferable(row.right, defs.wideValues()) && ParamFile::withinLimits(row.right, *p))
            values.insert(row.code, row.right);
        else
            refused.append(row.code);
    }
    if (!refused.isEmpty()) {
        Prompt::warning(m_diffDialog, tr("参数差异比较"),
                        tr("以下参数的文件值超出范围或不是数值，未写入：%1").arg(refused.join(QStringLiteral(", "))));
    }
    if (values.isEmpty())
        return;
    resetParamTransfer();
    successTotal = 0;
    failTotal = 0;
    failDetails.clear();
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        ParamRecord *p = defs.findParam(it.key());
        p->currentValue = it.value();
        p->state |= ParamState::ToWrite;
    }
    m_diffWritten = values;
    const BatchResult result = sendDownloadBatch();
    if (result == BatchNone)
        finishDownload();
    else if (result == BatchFailed)
        m_diffWritten.clear();
}

void MainWindow::paramDiffReadBack()
{
    bool failed = false;
    m_diffSummary = ParamTransfer::downloadSummary(successTotal, failTotal, failDetails, &failed);
    for (auto it = m_diffWritten.cbegin(); it != m_diffWritten.cend(); ++it) {
        if (ParamRecord *p = defs.findParam(it.key()))
            p->state |= ParamState::ToRead;
    }
    m_diffReadingBack = true;
    const BatchResult result = sendReadSelectedBatch();
    if (result == BatchNone) {
        resetParamTransfer();
        finishParamDiffWrite();
    } else if (result == BatchFailed) {
        m_diffWritten.clear();
    }
}

void MainWindow::finishParamDiffWrite()
{
    QStringList differing;
    int equal = 0;
    for (auto it = m_diffWritten.cbegin(); it != m_diffWritten.cend(); ++it) {
        const ParamRecord *p = defs.findParam(it.key());
        if (p && ParamDiff::sameValue(p->currentValue, it.value()))
            ++equal;
        else
            differing.append(QStringLiteral("%1: %2 → %3")
                                 .arg(it.key(), it.value().toHtmlEscaped(),
                                      p ? p->currentValue.toHtmlEscaped() : QString()));
    }
    m_diffWritten.clear();
    refreshParamTable(currentGroup);
    std::sort(differing.begin(), differing.end());
    QString text = m_diffSummary + QStringLiteral("<br/><br/>")
        + tr("回读一致：%1个，回读不一致：%2个").arg(equal).arg(differing.size());
    if (!differing.isEmpty())
        text += QStringLiteral("<br/>") + differing.join(QStringLiteral("<br/>"));
    if (differing.isEmpty() && failTotal == 0)
        Prompt::information(m_diffDialog, tr("参数写入结果"), Prompt::Rich{text});
    else
        Prompt::critical(m_diffDialog, tr("参数写入结果"), Prompt::Rich{text});
    // What the drive holds now against the same file.
    if (m_diffDialog && m_diffDialog->toDrive())
        showDriveDiff();
}

void MainWindow::paramDiffExport()
{
    const QString path = Prompt::getSaveFileName(m_diffDialog, tr("导出比较结果"), QStringLiteral("/"),
                                                 tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    ParamDiff::Header header;
    header.serialNumber = m_diffDialog->toDrive() ? m_loadInfo.value(2) : QString();
    header.leftName = m_diffDialog->leftName();
    header.rightName = m_diffDialog->rightName();
    header.date = QDateTime::currentDateTime();
    QString date, patch;
    makeVersionTexts(header.toolVersion, date, patch);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ParamDiff::csv(header, m_diffDialog->rows())) < 0
        || !file.commit()) {
        Prompt::critical(m_diffDialog, tr("导出比较结果"), tr("文件无法写入：%1").arg(QFileInfo(path).fileName()));
        return;
    }
    Prompt::information(m_diffDialog, tr("结果"), tr("导出成功！"));
}
