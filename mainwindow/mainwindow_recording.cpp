// Recording the waveform stream to disk while a capture runs, and opening
// recordings to browse them.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/prompt.h"
#include "mainwindow/recordingview.h"
#include "mainwindow/waverecorder.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSpinBox>
#include <QTimer>

void MainWindow::setupRecording()
{
    m_recorder = new WaveRecorder(this);
    // The writer's thread tells of a failed write; the window acts on it.
    connect(m_recorder, &WaveRecorder::failed, this, &MainWindow::recordingFailed, Qt::QueuedConnection);
    m_openRecording = new QPushButton(ui->groupBox_WF_Files);
    m_openRecording->setObjectName(QStringLiteral("pushButton_WF_OpenRecording"));
    m_openRecording->setMinimumSize(80, 30);
    ui->gridLayout_WF_Files->addWidget(m_openRecording, 2, 1);
    m_recordToFile = new QCheckBox(ui->groupBox_WF_Files);
    m_recordToFile->setObjectName(QStringLiteral("checkBox_WF_RecordToFile"));
    ui->gridLayout_WF_Files->addWidget(m_recordToFile, 3, 0, 1, 2);
    connect(m_recordToFile, &QCheckBox::clicked, this, &MainWindow::chooseRecordingFile);
    // An overnight recording can keep the minutes around an event: it ends
    // by itself a chosen time after the scope's trigger.
    m_recordStopOnTrigger = new QCheckBox(ui->groupBox_WF_Files);
    m_recordStopOnTrigger->setObjectName(QStringLiteral("checkBox_WF_RecordStopOnTrigger"));
    ui->gridLayout_WF_Files->addWidget(m_recordStopOnTrigger, 4, 0);
    m_recordPostTrigger = new QSpinBox(ui->groupBox_WF_Files);
    m_recordPostTrigger->setObjectName(QStringLiteral("spinBox_WF_RecordPostTrigger"));
    m_recordPostTrigger->setRange(0, 3600);
    m_recordPostTrigger->setValue(60);
    m_recordPostTrigger->setSuffix(QStringLiteral(" s"));
    ui->gridLayout_WF_Files->addWidget(m_recordPostTrigger, 4, 1);
    connect(m_openRecording, &QPushButton::clicked, this, [this] {
        const QString start = m_lastRecording.isEmpty() ? quickSaveFolder() : m_lastRecording;
        openRecording(Prompt::getOpenFileName(this, tr("打开录波"), start, tr("录波文件 (*.wrec)")));
    });
    retranslateRecording();
}

void MainWindow::retranslateRecording()
{
    m_openRecording->setText(tr("打开录波..."));
    m_recordToFile->setText(tr("录制到文件"));
    m_recordStopOnTrigger->setText(tr("触发后停止录制"));
    m_recordStopOnTrigger->setToolTip(tr("触发后再录制右侧所设的时间，然后停止采样与录制（触发模式不为关闭时有效）"));
    // A file name is shown as it is, whatever characters it holds.
    m_recordToFile->setToolTip(m_recordTarget.isEmpty() ? QString()
                                                        : QStringLiteral("<p style='white-space:pre'>%1</p>")
                                                              .arg(m_recordTarget.toHtmlEscaped()));
}

void MainWindow::chooseRecordingFile(bool on)
{
    if (!on) {
        m_recordTarget.clear();
        retranslateRecording();
        return;
    }
    const QString folder = quickSaveFolder();
    QDir().mkpath(folder);
    const QString proposal = folder + QStringLiteral("/recording_")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd hh_mm_ss")) + QStringLiteral(".wrec");
    QString path = Prompt::getSaveFileName(this, tr("录制到文件"), proposal, tr("录波文件 (*.wrec)"));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".wrec");
    m_recordTarget = path;
    m_recordToFile->setChecked(!path.isEmpty());
    retranslateRecording();
}

QString MainWindow::recordingPath() const
{
    return m_recorder && m_recorder->active() ? m_recorder->path() : QString();
}

bool MainWindow::startFileRecording()
{
    if (!m_recordToFile->isChecked() || m_recordTarget.isEmpty())
        return true;
    WaveRecording::Header header;
    header.rate = 1.0 / double(m_samplePeriod);
    header.startUtcMs = QDateTime::currentMSecsSinceEpoch();
    header.model = deviceModel;
    header.version = deviceVersion;
    header.serial = m_serialNumber;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        const WaveChannelRecord item = waveChannelItem(c);
        header.names[size_t(c)] = m_waveNames[size_t(c)];
        header.units[size_t(c)] = item.WaveUnit;
        header.coefficients[size_t(c)] = item.WaveCoeff;
    }
    QString error;
    if (!m_recorder->start(m_recordTarget, header, &error)) {
        Prompt::critical(this, tr("录制到文件"),
                         Prompt::Rich{tr("无法写入录波文件，采样未开始。<br/>%1<br/>%2")
                                          .arg(m_recordTarget.toHtmlEscaped(), error.toHtmlEscaped())});
        // Another name is asked for next time.
        m_recordToFile->setChecked(false);
        m_recordTarget.clear();
        return false;
    }
    m_recordToFile->setEnabled(false);
    return true;
}

void MainWindow::finishFileRecording()
{
    if (!m_recorder->active())
        return;
    QString error;
    const bool ok = m_recorder->finish(&error);
    m_lastRecording = m_recorder->path();
    m_recordToFile->setEnabled(true);
    // The next capture must not overwrite this one: a new name is asked for.
    m_recordToFile->setChecked(false);
    m_recordTarget.clear();
    retranslateRecording();
    qCDebug(lcWindow) << "recording ended" << m_lastRecording << m_recorder->setsWritten() << error;
    if (!ok) {
        Prompt::critical(this, tr("录制到文件"),
                         Prompt::Rich{tr("录波写入失败，已停止录制；已写入的%1组数据保留在：<br/>%2<br/>%3")
                                          .arg(m_recorder->setsWritten())
                                          .arg(m_lastRecording.toHtmlEscaped(), error.toHtmlEscaped())});
    }
}

void MainWindow::recordingFailed(const QString &reason)
{
    Q_UNUSED(reason)
    // The capture goes on on the page; only the file ends.
    finishFileRecording();
}

void MainWindow::endRecordingAfter(double seconds)
{
    const int capture = m_captureNumber;
    QTimer::singleShot(qMax(0, int(seconds * 1000)), this, [this, capture] {
        if (waveRecording && capture == m_captureNumber)
            stopWaveRecording();
    });
}

void MainWindow::recordingSawTrigger()
{
    if (!m_recordStopOnTrigger->isChecked() || !m_recorder->active() || m_recordStopCapture == m_captureNumber)
        return;
    m_recordStopCapture = m_captureNumber;
    qCDebug(lcWindow) << "recording ends" << m_recordPostTrigger->value() << "s after the trigger";
    endRecordingAfter(m_recordPostTrigger->value());
}

bool MainWindow::recordingOutlastsShot() const
{
    return m_recorder->active() && m_recordStopCapture == m_captureNumber;
}

RecordingView *MainWindow::recordingView() const
{
    return m_recordingView;
}

void MainWindow::openRecording(const QString &path)
{
    if (path.isEmpty())
        return;
    auto reader = std::make_unique<WaveRecording::Reader>();
    QString error;
    if (!reader->open(path, &error)) {
        Prompt::warning(this, tr("打开录波"),
                        Prompt::Rich{tr("无法打开录波文件：<br/>%1<br/>%2")
                                         .arg(path.toHtmlEscaped(),
                                              (error.isEmpty() ? tr("不是录波文件") : error).toHtmlEscaped())});
        return;
    }
    if (m_recordingView)
        m_recordingView->close();
    m_recordingView = new RecordingView(std::move(reader), path, m_sampleCapacity, this);
    connect(m_recordingView, &RecordingView::showOnPage, this, &MainWindow::showRecordingOnPage);
    m_recordingView->show();
}

void MainWindow::showRecordingOnPage(const WaveRecording::Samples &samples, qint64 from)
{
    if (waveImportRefused())
        return;
    const WaveRecording::Header &header = m_recordingView->reader().header();
    // The page's time axis runs at its own sample rate.
    if (std::abs(header.rate * double(m_samplePeriod) - 1) > 1e-6) {
        Prompt::warning(this, tr("在波形页显示"),
                        tr("录波的采样率（%1 Hz）与波形页当前的采样率不同。").arg(header.rate));
        return;
    }
    clearWavePoints();
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        QVector<QPointF> points(samples.positions.size());
        for (int i = 0; i < points.size(); ++i)
            points[i] = QPointF(double(samples.positions[i] - from) * double(m_samplePeriod),
                                samples.values[size_t(c)][i]);
        m_wave.setPoints(c, points);
        m_waveNames[size_t(c)] = header.names[size_t(c)];
    }
    noteWaveChannels();
    m_waveModel = header.model;
    m_waveVersion = header.version;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        redisplayChannel(c);
        setCurveTitle(c);
    }
    setWaveAxis(QwtPlot::xBottom, 0, qMax(m_wave.length(), 10) * double(m_samplePeriod));
    autoScaleValueAxis();
    ui->qwtPlot->replot();
}
