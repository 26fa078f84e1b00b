// Waveform files: saving the captured points as CSV, a picture of the plot,
// and importing a saved file back, by button or by dropping it on the page.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/prompt.h"
#include "mainwindow/fastcurve.h"
#include "mainwindow/plotexport.h"
#include "mainwindow/wavefile.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSpinBox>
#include <QStandardPaths>

#include <cmath>

QString MainWindow::quickSaveFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/vemar");
}

bool MainWindow::writeWaveFile(const QString &path, QString *error)
{
    QStringList names;
    std::array<QVector<QPointF>, WaveCapture::kChannels> raw;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        names.append(waveName(c));
        raw[size_t(c)] = m_wave.raw(c);
    }
    return WaveFile::write(path, names, m_waveModel, m_waveVersion, raw, m_samplePeriod, error,
                           m_triggerShown ? m_triggerTime : -1);
}

namespace {

// A quick-save name of its own: the time, and a number after it when a file
// of that time is already there. The empty file made here holds the name
// until the waveform replaces it.
QString claimQuickSaveName(const QString &folder, QString *error)
{
    const QString stem =
        folder + QLatin1Char('/') + QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd hh_mm_ss"));
    for (int n = 1; n <= 1000; ++n) {
        const QString path = stem + (n > 1 ? QStringLiteral("_%1").arg(n) : QString()) + QStringLiteral(".csv");
        QFile claim(path);
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        *error = claim.errorString();
        if (!QFileInfo::exists(path))
            break;
    }
    return QString();
}

} // namespace

void MainWindow::waveDataSave()
{
    if (m_wave.longest() == 0) {
        Prompt::warning(this, tr("无法保存"), tr("波形点数为0！"));
        return;
    }
    const QString folder = quickSaveFolder();
    if (!QDir().mkpath(folder)) {
        Prompt::warning(this, tr("无法保存"), folder + tr("不存在！"));
        return;
    }
    QString error;
    const QString path = claimQuickSaveName(folder, &error);
    // Success is told only once every line is written and the file is in place.
    if (path.isEmpty() || !writeWaveFile(path, &error)) {
        qCDebug(lcWindow) << "Cannot open file for writing" << error;
        if (!path.isEmpty())
            QFile::remove(path);
        Prompt::critical(this, tr("数据保存结果"),
                         Prompt::Rich{tr("保存失败！<br/>%1<br/>%2").arg((path.isEmpty() ? folder : path).toHtmlEscaped(),
                                                                         error.toHtmlEscaped())});
        return;
    }
    Prompt::information(this, tr("数据保存结果"),
                        Prompt::Rich{tr("保存成功！<br/>波形点数：%1<br/>保存到:%2").arg(m_wave.longest()).arg(path.toHtmlEscaped())});
}

void MainWindow::waveDataSaveAs()
{
    if (m_wave.longest() == 0) {
        Prompt::warning(this, tr("无法保存"), tr("波形点数为0！"));
        return;
    }
    const QString proposal = QStringLiteral("waveform_")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd hh_mm_ss")) + QStringLiteral(".csv");
    const QString path = Prompt::getSaveFileName(this, tr("保存波形"), proposal, tr("CSV 波形文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!writeWaveFile(path, &error)) {
        qCDebug(lcWindow) << "Cannot open file for writing" << error;
        Prompt::critical(this, tr("数据保存结果"),
                         Prompt::Rich{tr("保存失败！<br/>%1<br/>%2").arg(path.toHtmlEscaped(), error.toHtmlEscaped())});
        return;
    }
    Prompt::information(this, tr("数据保存结果"), Prompt::Rich{tr("保存成功！<br/>波形点数：%1").arg(m_wave.longest())});
}

void MainWindow::exportDocument()
{
    if (m_wave.longest() == 0) {
        Prompt::warning(this, tr("无法保存"), tr("波形点数为0！"));
        return;
    }
    const QStringList filters = {tr("图片 (*.png *.bmp *.jpg *.jpeg *.tif)"), tr("PDF 文档 (*.pdf)"),
                                 tr("SVG 文档 (*.svg)"), tr("PostScript 文档 (*.ps)")};
    QString path =
        Prompt::getSaveFileName(this, tr("保存波形截图"), QStringLiteral("waveform.png"), filters.join(QStringLiteral(";;")));
    if (path.isEmpty())
        return;
    // A name typed without an extension gets the first format offered.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    if (QFileInfo::exists(path)
        && Prompt::question(this, tr("文件已存在"), tr("是否覆盖?")) != QMessageBox::Yes)
        return;
    QString error;
    if (!PlotExport::save(ui->qwtPlot, path, QSizeF(300, 200), 85, &error)) {
        Prompt::critical(this, tr("截图结果"),
                         Prompt::Rich{tr("截图保存失败：%1<br/>%2").arg(path.toHtmlEscaped(), error.toHtmlEscaped())});
        return;
    }
    Prompt::information(this, tr("截图结果"), tr("截图保存成功"));
}

bool MainWindow::waveImportRefused()
{
    // File points and captured points never share the plot.
    if (!waveRecording)
        return false;
    Prompt::warning(this, tr("导入波形"), tr("正在采样，请先停止采样再导入波形。"));
    return true;
}

void MainWindow::on_waveDataImport_clicked()
{
    if (waveImportRefused())
        return;
    importWaveData(Prompt::getOpenFileName(this, tr("导入波形"), QString(), tr("CSV 波形文件 (*.csv)")));
}

void MainWindow::importWaveData(QString sFilePath)
{
    if (sFilePath.isEmpty() || waveImportRefused())
        return;
    const WaveFile::Content file = WaveFile::read(sFilePath, m_sampleCapacity);
    if (!file.opened) {
        const QFileInfo info(sFilePath);
        if (info.exists() && !info.isFile())
            Prompt::warning(this, tr("导入波形"),
                            Prompt::Rich{tr("不是普通文件（管道或设备），无法导入：<br/>%1").arg(sFilePath.toHtmlEscaped())});
        else
            Prompt::warning(this, tr("导入波形"), tr("文件无法打开：%1").arg(file.error));
        return;
    }
    qCDebug(lcWindow) << "title:" << file.names;

    int channels = 0;
    int points = 0;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        if (!file.values[size_t(c)].isEmpty()) {
            ++channels;
            points = qMax(points, file.values[size_t(c)].size());
        }
    }
    if (channels == 0) {
        Prompt::warning(this, tr("导入波形"),
                        file.skippedLines ? tr("文件中没有有效的波形数据（%1行无法读取）").arg(file.skippedLines)
                                          : tr("文件中没有波形数据"));
        return;
    }

    clearWavePoints();
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        QVector<QPointF> list;
        const QVector<double> &values = file.values[size_t(c)];
        list.reserve(values.size());
        for (int k = 0; k < values.size(); ++k)
            list.append(QPointF(file.positions[size_t(c)][k] * double(m_samplePeriod), values[k]));
        m_wave.setPoints(c, list);
        qCDebug(lcWindow) << QStringLiteral("ch%1points size =").arg(c + 1) << list.size();
    }

    // Each name picks the entry of its channel list it matches.
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        const QString name = file.names.value(c);
        if (name.isEmpty())
            continue;
        QComboBox *list = channelList(c);
        for (int i = 0; i < list->count(); ++i) {
            if (list->itemText(i).startsWith(name) || name.startsWith(list->itemText(i))) {
                list->setCurrentIndex(i);
                break;
            }
        }
        if (!list->currentText().startsWith(name) && !name.startsWith(list->currentText())) {
            qCDebug(lcWindow) << "名称不一致" << list->currentText() << name;
            Prompt::information(this, tr("未命名通道"), tr("ch %1: %2").arg(c + 1).arg(name));
        }
    }
    // A file of another drive model or version is a waveform like any other:
    // the connected drive, its definitions and its identity stay as they are;
    // only the plot's channel names, and what a save writes, follow the file.
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        m_waveNames[size_t(c)] = file.names.value(c).isEmpty() ? channelList(c)->currentText() : file.names.value(c);
    noteWaveChannels();
    m_waveModel = file.fields >= 6 ? file.model : deviceModel;
    m_waveVersion = file.fields >= 6 ? file.version : deviceVersion;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        const int n = file.values[size_t(c)].size();
        if (n != 0 && n != points)
            Prompt::warning(this, tr("波形数据异常"), tr("通道%1点数为:%2, 期望点数:%3").arg(c + 1).arg(n).arg(points));
    }
    if (file.skippedLines > 0 || file.truncated)
        Prompt::warning(this, tr("波形数据异常"),
                        tr("%1行无法读取，已跳过%2").arg(file.skippedLines)
                            .arg(file.truncated ? tr("；超出%1点的部分未导入").arg(m_sampleCapacity) : QString()));
    Prompt::information(this, tr("导入完成"), tr("共导入%1通道，每通道%2点。").arg(channels).arg(points));

    // A capture around a trigger shows time 0 at the trigger.
    const qint64 trigger = std::llround(file.triggerTime / double(m_samplePeriod));
    m_triggerShown = file.hasTrigger && trigger <= m_sampleCapacity;
    m_triggerTime = m_triggerShown ? trigger * double(m_samplePeriod) : 0;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        redisplayChannel(c);
        setCurveTitle(c);
    }
    setWaveAxis(QwtPlot::xBottom, -m_triggerTime, qMax(m_wave.length(), 400) * double(m_samplePeriod) - m_triggerTime);
    placeTriggerMarkers();
    autoScaleValueAxis();
    ui->qwtPlot->replot();
}

bool MainWindow::waveDropAllowed(const QEvent *event) const
{
    const QMimeData *data = event->type() == QEvent::DragEnter
        ? static_cast<const QDragEnterEvent *>(event)->mimeData()
        : static_cast<const QDropEvent *>(event)->mimeData();
    return ui->stackedWidget->currentIndex() == WavePage && waveformImport && data && data->hasUrls();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!waveDropAllowed(event)) {
            drop->ignore();
            return true;
        }
        if (event->type() == QEvent::DragEnter) {
            drop->acceptProposedAction();
            return true;
        }
        const QList<QUrl> urls = drop->mimeData()->urls();
        if (urls.size() == 1) {
            const QString path = urls.first().toLocalFile();
            if (!path.isEmpty() && !QFileInfo(path).isDir()) {
                importWaveData(path);
                updateServoLabels();
            }
        }
        drop->acceptProposedAction();
        return true;
    }
    // Leading zeros typed into an offset box go at once.
    if (auto *box = qobject_cast<QSpinBox *>(watched)) {
        if (event->type() == QEvent::KeyRelease) {
            QLineEdit *edit = box->findChild<QLineEdit *>();
            if (edit) {
                QString text = edit->text();
                const bool negative = text.startsWith(QLatin1Char('-'));
                QString digits = negative ? text.mid(1) : text;
                while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
                    digits.remove(0, 1);
                const QString cleaned = (negative ? QStringLiteral("-") : QString()) + digits;
                if (cleaned != text)
                    edit->setText(cleaned);
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
