// Parameter files on the parameter page (export and import of ".conf"
// files) and the comparison of the drive's values with the factory defaults
// and with the reference sets saved for its model.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/prompt.h"
#include "mainwindow/paramfile.h"

#include <QDir>
#include <QFile>

namespace {
// The drive's serial number travels as an extra key that older readers pass by.
QMap<QString, QString> serialKey(const QString &serial)
{
    QMap<QString, QString> extra;
    if (!serial.isEmpty())
        extra.insert(QStringLiteral("SerialNumber"), serial);
    return extra;
}
} // namespace

bool MainWindow::writeParameterFile(const QString &path, QString *error)
{
    return ParamFile::write(path, defs, deviceModel, deviceVersion, error, nullptr, serialKey(m_serialNumber));
}

void MainWindow::on_pushButton_paramExportFile_clicked()
{
    // The reply arrives while the file dialog is open and refreshes the
    // model and version the file will carry.
    if (isCommunicateSetUp == 1)
        ProductSerial_Query();
    const QString path =
        Prompt::getSaveFileName(this, tr("参数另存为"), QStringLiteral("/"), tr("参数文件 (*.conf)"));
    if (path.isEmpty())
        return;
    // A file without values would only overwrite good ones on import.
    if (ParamFile::valueCount(defs) == 0) {
        Prompt::warning(this, tr("导出失败"), tr("没有可导出的参数值，未写入文件。") + QLatin1Char('\n')
                                                  + tr("请先从驱动器读取参数。"));
        return;
    }
    QString error;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite))
            error = tr("文件无法创建：%1\n%2").arg(QDir::toNativeSeparators(path), file.errorString());
    }
    int leftOut = 0;
    if (error.isEmpty() && ParamFile::write(path, defs, deviceModel, deviceVersion, &error, &leftOut,
                                             serialKey(m_serialNumber))) {
        QString text = tr("导出成功！");
        if (leftOut > 0)
            text += QLatin1Char('\n') + tr("%1个参数没有读取到的值，未写入文件。").arg(leftOut);
        Prompt::information(this, tr("结果"), text);
        return;
    }
    qCWarning(lcWindow) << "export failed:" << error;
    Prompt::critical(this, tr("导出失败"), error);
}

void MainWindow::on_pushButton_paramImportFile_clicked()
{
    qCDebug(lcWindow) << "import file buttom Clicked!";
    if (isCommunicateSetUp == 1)
        ProductSerial_Query();
    const QString path = Prompt::getOpenFileName(this, tr("参数文件"), QStringLiteral("/"), tr("参数文件 (*.conf)"));
    if (path.isEmpty())
        return;
    const ParamFile::Contents file = ParamFile::read(path);
    qCDebug(lcWindow) << "model = " << file.model << "version = " << file.version;
    if (file.status != ParamFile::Contents::Ok) {
        const QString reason = file.status == ParamFile::Contents::Incomplete
            ? tr("文件不完整（可能被截断）或格式有误，参数不做修改。")
            : tr("文件无法读取，参数不做修改。");
        Prompt::warning(this, tr("参数导入失败"), reason + QLatin1Char('\n') + QDir::toNativeSeparators(path));
        return;
    }
    // These boxes use markup; the model and version come from files and the
    // drive and are shown as the plain text they are.
    const QString fileModel = file.model.toHtmlEscaped();
    const QString fileVersion = file.version.toHtmlEscaped();
    // A file from another drive of the same model is no reason to refuse it;
    // the box says so.
    QString serialNote;
    if (!file.serialNumber.isEmpty() && !m_serialNumber.isEmpty() && file.serialNumber != m_serialNumber)
        serialNote = QStringLiteral("<br/><br/>")
            + tr("文件来自另一台驱动器：<br/>文件序列号:%1<br/>当前驱动器序列号:%2")
                  .arg(file.serialNumber.toHtmlEscaped(), m_serialNumber.toHtmlEscaped());
    if (file.model == deviceModel && file.version == deviceVersion) {
        const QMessageBox::StandardButton button = Prompt::information(
            this, tr("当前文件机型版本信息"),
            Prompt::Rich{tr("机型名称:%1<br/>固件版本:%2").arg(fileModel, fileVersion) + serialNote});
        qCDebug(lcWindow) << "button=" << button;
        if (button != QMessageBox::Ok)
            return;
    } else {
        const QMessageBox::StandardButton button =
            Prompt::warning(this, tr("文件与当前机型不一致"),
                            Prompt::Rich{tr("文件机型名称:%1，<br/>固件版本:%2<br/>当前机型名称:%3，<br/>固件版本:%4<br/>"
                                            "是否继续导入？点击“是”导入，点击“否”取消")
                                             .arg(fileModel, fileVersion, deviceModel.toHtmlEscaped(),
                                                  deviceVersion.toHtmlEscaped())
                                             + serialNote},
                            QMessageBox::Yes | QMessageBox::No);
        if (button != QMessageBox::Yes)
            return;
    }

    const ParamFile::ImportResult result = ParamFile::apply(file, defs);
    if (result.changed > 0) {
        refreshParamTable(currentGroup);
        Prompt::information(this, tr("参数导入完成"), tr("共有：%1个值被修改").arg(result.changed));
    } else if (result.present > 0) {
        Prompt::information(this, tr("参数导入完成"), tr("未发现改动的参数"));
    } else if (result.refused.isEmpty()) {
        // Values that were there but refused are named below, not called empty.
        Prompt::warning(this, tr("参数导入失败"), tr("参数值为空，参数不做修改"));
    }
    QStringList notes;
    if (!result.refused.isEmpty())
        notes << tr("以下参数的文件值不是驱动器可以保存的数值，未载入：\n%1").arg(result.refused.join(QStringLiteral(", ")));
    if (!result.outOfRange.isEmpty())
        notes << tr("以下参数的文件值超出参数范围，已载入但未勾选，不会被下载：\n%1")
                     .arg(result.outOfRange.join(QStringLiteral(", ")));
    if (!notes.isEmpty())
        Prompt::warning(this, tr("参数导入"), notes.join(QStringLiteral("\n\n")));
}

// --- Comparison with the model's factory set --------------------------------

void MainWindow::showParamCodes(const QStringList &codes)
{
    QTableWidget *table = ui->tableWidget_Param;
    table->setUpdatesEnabled(false);
    table->setRowCount(0);
    ui->listWidget_ParamDetail->clear();
    m_downloadHighlight = false;
    for (const QString &code : codes) {
        if (const ParamRecord *p = defs.findParam(code))
            appendParamRow(*p);
    }
    table->setUpdatesEnabled(true);
    setDownloadHighlight(m_downloadHighlight);
}

void MainWindow::compareWithModelDefaults()
{
    const ParamCompare::Differences d = ParamCompare::markDefaults(defs);
    // Every result names both sides: the drive as identified, and what it is
    // compared with. Differences are a result, not a failure of the tool.
    QStringList lines{deviceModel.isEmpty() ? tr("驱动器：型号未识别")
                                            : tr("驱动器：%1 %2").arg(deviceModel, deviceVersion).trimmed()};
    const QString defaults = tr("参考：参数定义文件中的出厂默认值");
    if (d.diffCodes.isEmpty()) {
        lines << defaults << tr("当前参数为：标准默认参数");
        Prompt::information(this, tr("参数比较完成"), lines.join(QLatin1Char('\n')));
        return;
    }
    const ParamCompare::Match match = ParamCompare::findReference(QStringLiteral("ParameterCompare"), deviceModel,
                                                                  deviceVersion, d.allCodes, defs);
    showParamCodes(d.diffCodes);
    if (match.file.isEmpty())
        lines << defaults + tr("（ParameterCompare文件夹中没有该机型和版本的参数文件）")
              << tr("结果：%1个参数与参考不同。").arg(d.diffCodes.size());
    else
        lines << tr("参考：%1（ParameterCompare文件夹中该机型和版本的参数文件）").arg(match.name)
              << (match.success ? tr("结果：驱动器参数与参考相同。")
                                : tr("结果：%1个参数与参考不同或参考中没有。").arg(d.allCodes.size() - match.count));
    lines << tr("与出厂默认值不同的%1个参数列在参数表中，变化列为“默认值 → 驱动器值”。").arg(d.diffCodes.size());
    if (!match.success)
        lines << tr("如果恢复过出厂设置，请确认恢复是否成功。");
    Prompt::information(this, tr("参数比较完成"), lines.join(QLatin1Char('\n')));
}
