// The waveform page: capture of four channels streamed by the drive, the
// live plot with its scales, offsets and zoom dials.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/prompt.h"
#include "mainwindow/fastcurve.h"
#include "mainwindow/waverecorder.h"

#include <qwt_legend.h>
#include <qwt_picker_machine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_picker.h>
#include <qwt_scale_div.h>

#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

namespace {

const char kRunningStyle[] = "QPushButton{background-color:rgb(0,255,127);color:rgb(100,100,100);"
                             "border:1px solid #8f8f91;border-radius:5px;font:11pt \"Microsoft YaHei UI\";}";
const char kIdleStyle[] = "QPushButton{background-color:rgb(170,170,255);color:rgb(255,255,255);"
                          "border:1px solid #8f8f91;border-radius:5px;font:11pt \"Microsoft YaHei UI\";}";

double axisLower(const QwtPlot *plot, int axis)
{
    return plot->axisScaleDiv(axis).lowerBound();
}

double axisUpper(const QwtPlot *plot, int axis)
{
    return plot->axisScaleDiv(axis).upperBound();
}

} // namespace

QComboBox *MainWindow::channelList(int channel) const
{
    QComboBox *lists[] = {ui->Channel_A, ui->Channel_B, ui->Channel_C, ui->Channel_D};
    return lists[channel];
}

QToolButton *MainWindow::channelButton(int channel) const
{
    QToolButton *buttons[] = {ui->toolButton_CHA_OnOff, ui->toolButton_CHB_OnOff, ui->toolButton_CHC_OnOff,
                              ui->toolButton_CHD_OnOff};
    return buttons[channel];
}

QComboBox *MainWindow::scaleList(int channel) const
{
    QComboBox *lists[] = {ui->comboBox_WF_CH1_Scale, ui->comboBox_WF_CH2_Scale, ui->comboBox_WF_CH3_Scale,
                          ui->comboBox_WF_CH4_Scale};
    return lists[channel];
}

QSpinBox *MainWindow::offsetBox(int channel) const
{
    QSpinBox *boxes[] = {ui->spinBox_WF_CH1_Offset, ui->spinBox_WF_CH2_Offset, ui->spinBox_WF_CH3_Offset,
                         ui->spinBox_WF_CH4_Offset};
    return boxes[channel];
}

void MainWindow::setWaveAxis(int axis, double lower, double upper)
{
    // The plot works out an axis's scale division only when it lays itself
    // out; do it now, so that what is read back next is the range just set.
    ui->qwtPlot->setAxisScale(axis, lower, upper);
    ui->qwtPlot->updateAxes();
}

void MainWindow::setupWavePage()
{
    QwtPlot *plot = ui->qwtPlot;
    m_wave.setTiming(m_sampleCapacity, m_samplePeriod);
    plot->setAutoFillBackground(true);
    setWaveAxis(QwtPlot::yLeft, -15, 15);
    setWaveAxis(QwtPlot::xBottom, 0, 400 * double(m_samplePeriod));
    plot->setAxisTitle(QwtPlot::xBottom, tr("单位:秒"));
    QPalette palette = plot->palette();
    palette.setBrush(QPalette::Base, QBrush(Qt::blue));
    plot->setPalette(palette);
    auto *canvas = new QwtPlotCanvas;
    canvas->setPalette(QColor(240, 240, 240, 255));
    canvas->setAutoFillBackground(true);
    plot->setCanvas(canvas);
    new QwtPlotPanner(plot->canvas());

    auto *grid = new QwtPlotGrid;
    grid->enableX(true);
    grid->enableY(true);
    grid->setMajorPen(QPen(Qt::black, 0, Qt::DotLine));
    grid->attach(plot);

    auto *picker = new WaveTracker([this](const QPointF &pos) { return waveTrackerText(pos); }, QwtPlot::xBottom,
                                   QwtPlot::yLeft, QwtPlotPicker::CrossRubberBand, QwtPicker::AlwaysOn,
                                   plot->canvas());
    picker->setStateMachine(new QwtPickerDragPointMachine);
    picker->setRubberBandPen(QColor(Qt::green));
    picker->setTrackerPen(QColor(Qt::black));

    plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    const QString titles[] = {QStringLiteral("CH1\n") + tr("比例：1 : 1"), QStringLiteral("CH2\n") + tr("比例：1 : 1"),
                              QStringLiteral("CH3\n") + tr("比例：1 : 1"), QStringLiteral("CH4\n") + tr("比例：1 : 1")};
    const QColor colours[] = {Qt::blue, QColor(0, 255, 255), Qt::magenta, QColor(0, 255, 0)};
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        m_curves[size_t(c)] = new FastCurve(titles[c]);
        m_curves[size_t(c)]->setPen(QPen(colours[c], 2, Qt::SolidLine));
        // Lost sample sets leave a break in the line.
        m_curves[size_t(c)]->setMaxStep(1.5 * double(m_samplePeriod));
        m_curves[size_t(c)]->setPoints(m_wave.raw(c));
        m_curves[size_t(c)]->attach(plot);
        m_curves[size_t(c)]->setVisible(true);
        m_shown[size_t(c)] = true;
        m_scale[size_t(c)] = 1.0f;
        m_offset[size_t(c)] = 0;
        offsetBox(c)->installEventFilter(this);
        // Long channel names must not squeeze the plot: the list shows about
        // twelve characters and its popup the whole names.
        channelList(c)->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        channelList(c)->setMinimumContentsLength(12);
    }

    connect(ui->waveDataReadSave, &QPushButton::clicked, this, &MainWindow::waveDataSave);
    connect(ui->waveDataReadSaveAs, &QPushButton::clicked, this, &MainWindow::waveDataSaveAs);
    connect(ui->waveReadSave, &QPushButton::clicked, this, &MainWindow::exportDocument);
    connect(ui->dial_horizontal, &QDial::valueChanged, this, &MainWindow::showDialValue);
    connect(ui->dial_vertical, &QDial::valueChanged, this, &MainWindow::showDialValue);
    ui->pushButton_waveformRec->setStyleSheet(QString::fromLatin1(kIdleStyle));
    setupSpectrumButton();
    setupRecording();
    setupWaveMeasure();
    setupTrigger();
    fillChannelLists();
}

void MainWindow::fillChannelLists()
{
    std::array<int, WaveCapture::kChannels> selected;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        selected[size_t(c)] = channelList(c)->currentIndex();
        channelList(c)->clear();
    }
    for (int k = 0; k <= 256; ++k) {
        auto it = defs.waveChannels.constFind(QString::number(k));
        if (it == defs.waveChannels.constEnd() || it->WaveChName.isEmpty())
            continue;
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            QComboBox *list = channelList(c);
            if (list->count() > k)
                list->setItemText(k, it->WaveChName);
            else
                list->addItem(it->WaveChName);
        }
    }
    // A running capture keeps its channels (the drive streams what it was
    // started with) and its scales; only the texts change.
    if (!waveRecording) {
        applyWaveSelection(0);
        return;
    }
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        if (selected[size_t(c)] < channelList(c)->count())
            channelList(c)->setCurrentIndex(selected[size_t(c)]);
    }
}

void MainWindow::retranslateWavePage()
{
    ui->pushButton_waveformRec->setText(waveRecording ? tr("停止采样") : tr("开始采样"));
    ui->qwtPlot->setAxisTitle(QwtPlot::xBottom, tr("单位:秒"));
    retranslateSpectrumButton();
    retranslateRecording();
    // The form's own texts have just put every switch back to "ON".
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        channelButton(c)->setText(m_shown[size_t(c)] ? QStringLiteral("ON") : QStringLiteral("OFF"));
    retranslateWaveMeasure();
}

QString MainWindow::waveName(int channel) const
{
    const QString &name = m_waveNames[size_t(channel)];
    return name.isEmpty() ? channelList(channel)->currentText() : name;
}

void MainWindow::applyWaveSelection(int which)
{
    const QStringList positions = defs.waveChannelDefault[size_t(which)].split(QLatin1Char(','));
    if (positions.size() >= 4) {
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            bool ok = false;
            const int at = positions.at(c).toInt(&ok);
            if (ok && at >= 0 && at < channelList(c)->count())
                channelList(c)->setCurrentIndex(at);
        }
    }
    const QStringList scales = defs.waveScaleDefault[size_t(which)].split(QLatin1Char(','));
    if (scales.size() >= 4) {
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            const int at = scaleList(c)->findText(scales.at(c), Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (at >= 0) {
                if (scaleList(c)->currentIndex() == at)
                    changeScale(c, scales.at(c));
                else
                    scaleList(c)->setCurrentIndex(at);
            }
        }
    }
}

void MainWindow::on_pushButton_WF_Sel_Pos_clicked()
{
    applyWaveSelection(1);
}

void MainWindow::on_pushButton_WF_Sel_Spd_clicked()
{
    applyWaveSelection(2);
}

void MainWindow::on_pushButton_WF_Sel_Toq_clicked()
{
    applyWaveSelection(3);
}

// --- Capture ------------------------------------------------------------------

void MainWindow::on_pushButton_waveformRec_clicked()
{
    if (isCommunicateSetUp == 1 && !waveRecording)
        startWaveRecording();
    else
        stopWaveRecording();
}

void MainWindow::startWaveRecording()
{
    ++m_captureNumber;
    waveRecording = true;
    clearWavePoints();
    // What the points are, for the legend and for saving, whatever the lists
    // show later.
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        m_waveNames[size_t(c)] = channelList(c)->currentText();
    noteWaveChannels();
    // A capture asked to go to a file does not start without it.
    if (!startFileRecording()) {
        waveRecording = false;
        return;
    }
    m_waveModel = deviceModel;
    m_waveVersion = deviceVersion;
    // Bytes left from an earlier capture are not part of this one.
    m_wave.clearReceiveBuffer();
    // Every capture starts at the same zoom, also when the dials already
    // stand there (the cleared time axis would otherwise stay 400 samples wide);
    // but a trigger's window keeps the width the dial was last set to, as a
    // scope keeps its time base (the dial as it stands at start-up has set none).
    for (auto dial : {std::make_pair(ui->dial_horizontal, 27), std::make_pair(ui->dial_vertical, 50)}) {
        if (dial.first == ui->dial_horizontal && triggerActive() && m_previousHorizontal == dial.first->value())
            continue;
        if (dial.first->value() == dial.second)
            zoomWithDial(dial.first, dial.second);
        else
            dial.first->setValue(dial.second);
    }
    ui->pushButton_waveformRec->setStyleSheet(QString::fromLatin1(kRunningStyle));
    ui->pushButton_waveformRec->setText(tr("停止采样"));
    QByteArray payload(24, '\0');
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        const int at = qMax(0, channelList(c)->currentIndex());
        payload[2 * c] = char(at >> 8);
        payload[2 * c + 1] = char(at & 0xFF);
    }
    for (int w = 0; w < 8; ++w)
        payload[8 + 2 * w + 1] = 1;
    sendCommand(Cmd::WaveStart, payload);
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        channelList(c)->setEnabled(false);
    ui->pushButton_WF_Sel_Pos->setEnabled(false);
    ui->pushButton_WF_Sel_Spd->setEnabled(false);
    ui->pushButton_WF_Sel_Toq->setEnabled(false);
    armTrigger();
}

void MainWindow::stopWaveRecording()
{
    const bool wasRecording = waveRecording;
    // Every sample set received so far belongs to the capture, also those
    // still waiting below the batch threshold. Not recording by then, so
    // that a single shot they complete does not stop the capture again.
    waveRecording = false;
    if (wasRecording)
        flushWaveBuffer();
    showTriggerState();
    if (isCommunicateSetUp != 1 && !wasRecording)
        Prompt::critical(this, tr("错误"), tr("通信未建立，请先连接设备！"));
    ui->pushButton_waveformRec->setStyleSheet(QString::fromLatin1(kIdleStyle));
    ui->pushButton_waveformRec->setText(tr("开始采样"));
    if (isCommunicateSetUp == 1)
        sendCommand(Cmd::WaveStop, QByteArray(2, '\0'));
    syncVerticalDial();
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        channelList(c)->setEnabled(true);
    ui->pushButton_WF_Sel_Pos->setEnabled(true);
    ui->pushButton_WF_Sel_Spd->setEnabled(true);
    ui->pushButton_WF_Sel_Toq->setEnabled(true);
    finishFileRecording();
}

void MainWindow::waveform_recvDataFromThread(QByteArray samples)
{
    qCDebug(lcWindow) << "new income waveform points:" << samples.size() / 8;
    if (staleWaveData())
        return;
    // Every set of a capture goes to its recording as it comes.
    if (waveRecording)
        m_recorder->append(samples);
    WaveCapture::Batch batch;
    const int threshold = m_appSettings.waveFormRate10Khz ? 4000 : 400;
    if (m_wave.receive(samples, threshold, &batch) && waveRecording)
        appendWaveBatch(batch);
}

void MainWindow::waveform_gapFromThread(int sampleSets)
{
    qCDebug(lcWindow) << "waveform sample sets lost:" << sampleSets;
    if (!waveRecording || staleWaveData())
        return;
    m_recorder->gap(sampleSets);
    // The bytes still waiting came before the loss.
    flushWaveBuffer();
    if (triggerActive())
        feedTrigger(nullptr, sampleSets);
    else
        m_wave.gap(sampleSets);
}

bool MainWindow::staleWaveData() const
{
    // Until the drive has acknowledged the start, what comes is the tail of
    // the stream before it, which the link still hands over after a stop;
    // it must not open the new capture (nor trigger it).
    return m_awaiting[Cmd::WaveStart] > 0;
}

void MainWindow::flushWaveBuffer()
{
    WaveCapture::Batch batch;
    if (m_wave.takeBuffered(&batch))
        appendWaveBatch(batch);
}

void MainWindow::waveLinkDown(uint16_t state)
{
    // A capture the link ended is over: the drive no longer hears us, so
    // there is no stop command to send and nothing to refuse.
    if (state == 0 && waveRecording)
        stopWaveRecording();
}

void MainWindow::appendWaveBatch(const WaveCapture::Batch &batch)
{
    if (triggerActive()) {
        feedTrigger(&batch);
        return;
    }
    QwtPlot *plot = ui->qwtPlot;
    m_wave.append(batch);
    double lower, upper;
    if (WaveCapture::scrollTimeAxis(axisLower(plot, QwtPlot::xBottom), axisUpper(plot, QwtPlot::xBottom),
                                    m_wave.length(), m_samplePeriod, &lower, &upper))
        setWaveAxis(QwtPlot::xBottom, lower, upper);
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        if (m_shown[size_t(c)])
            redisplayChannel(c);
    }
    autoScaleValueAxis();
    plot->replot();
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        setCurveTitle(c);
}

void MainWindow::clearWavePoints()
{
    m_wave.clear();
    m_triggerShown = false;
    m_triggerTime = 0;
    placeTriggerMarkers();
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        m_display[size_t(c)].clear();
        m_displaySpan[size_t(c)] = WaveCapture::Span();
        m_curves[size_t(c)]->setPoints(m_display[size_t(c)]);
    }
    setWaveAxis(QwtPlot::xBottom, 0, 400 * double(m_samplePeriod));
    ui->qwtPlot->replot();
    m_scope.refresh->start();
}

void MainWindow::redisplayChannel(int channel)
{
    m_display[size_t(channel)] = WaveCapture::displayed(m_wave.raw(channel), float(plotScale(channel)),
                                                         m_offset[size_t(channel)], &m_displaySpan[size_t(channel)]);
    if (m_triggerShown) {
        for (QPointF &p : m_display[size_t(channel)])
            p.rx() -= m_triggerTime;
    }
    if (channel == m_trigger.settings().source)
        placeTriggerMarkers();
    m_curves[size_t(channel)]->setPoints(m_display[size_t(channel)]);
    m_scope.refresh->start();
}

void MainWindow::setCurveTitle(int channel)
{
    // Channel names come from definition and waveform files: plain text.
    m_curves[size_t(channel)]->setTitle(QwtText(waveName(channel) + scaleLegend(channel), QwtText::PlainText));
}

void MainWindow::autoScaleValueAxis()
{
    if (divisionAxis())
        return;
    const double extent = WaveCapture::valueExtent(m_displaySpan);
    setWaveAxis(QwtPlot::yLeft, -extent, extent);
    syncVerticalDial();
}

void MainWindow::syncVerticalDial()
{
    QwtPlot *plot = ui->qwtPlot;
    // The ten divisions stay as they are; the dial only follows them.
    const QSignalBlocker block(m_scope.rawScale->isChecked() ? nullptr : ui->dial_vertical);
    ui->dial_vertical->setValue(
        WaveCapture::verticalDialFor(axisLower(plot, QwtPlot::yLeft), axisUpper(plot, QwtPlot::yLeft)));
    // Silenced, the dial's move still counts for its wrap guard.
    if (!m_scope.rawScale->isChecked())
        m_previousVertical = ui->dial_vertical->value();
}

// --- Channels -------------------------------------------------------------------

void MainWindow::toggleChannel(int channel)
{
    QToolButton *button = channelButton(channel);
    FastCurve *curve = m_curves[size_t(channel)];
    if (!m_shown[size_t(channel)]) {
        curve->setVisible(true);
        m_shown[size_t(channel)] = true;
        button->setText(QStringLiteral("ON"));
        redisplayChannel(channel);
    } else {
        curve->setVisible(false);
        m_shown[size_t(channel)] = false;
        button->setText(QStringLiteral("OFF"));
        m_scope.refresh->start(); // its row leaves the readout
    }
    placeTriggerMarkers();
    ui->qwtPlot->replot();
}

void MainWindow::on_toolButton_CHA_OnOff_clicked()
{
    toggleChannel(0);
}

void MainWindow::on_toolButton_CHB_OnOff_clicked()
{
    toggleChannel(1);
}

void MainWindow::on_toolButton_CHC_OnOff_clicked()
{
    toggleChannel(2);
}

void MainWindow::on_toolButton_CHD_OnOff_clicked()
{
    toggleChannel(3);
}

void MainWindow::changeScale(int channel, const QString &text)
{
    if (!takeScaleText(channel, text))
        return;
    redisplayChannel(channel);
    autoScaleValueAxis();
    setCurveTitle(channel);
    ui->qwtPlot->replot();
}

void MainWindow::on_comboBox_WF_CH1_Scale_currentIndexChanged(QString text)
{
    changeScale(0, text);
}

void MainWindow::on_comboBox_WF_CH2_Scale_currentIndexChanged(QString text)
{
    changeScale(1, text);
}

void MainWindow::on_comboBox_WF_CH3_Scale_currentIndexChanged(QString text)
{
    changeScale(2, text);
}

void MainWindow::on_comboBox_WF_CH4_Scale_currentIndexChanged(QString text)
{
    changeScale(3, text);
}

void MainWindow::changeOffset(int channel, int offset)
{
    // While a channel is off its offset stays as it was.
    if (!m_shown[size_t(channel)])
        return;
    m_offset[size_t(channel)] = offset;
    redisplayChannel(channel);
    autoScaleValueAxis();
    ui->qwtPlot->replot();
}

void MainWindow::on_spinBox_WF_CH1_Offset_valueChanged(int arg1)
{
    changeOffset(0, arg1);
}

void MainWindow::on_spinBox_WF_CH2_Offset_valueChanged(int arg1)
{
    changeOffset(1, arg1);
}

void MainWindow::on_spinBox_WF_CH3_Offset_valueChanged(int arg1)
{
    changeOffset(2, arg1);
}

void MainWindow::on_spinBox_WF_CH4_Offset_valueChanged(int arg1)
{
    changeOffset(3, arg1);
}

// --- Zoom dials -------------------------------------------------------------------

void MainWindow::showDialValue(int value)
{
    if (auto *dial = qobject_cast<QDial *>(sender()))
        zoomWithDial(dial, value);
}

void MainWindow::zoomWithDial(QDial *dial, int value)
{
    QwtPlot *plot = ui->qwtPlot;
    int &previous = dial == ui->dial_horizontal ? m_previousHorizontal : m_previousVertical;
    const int guarded = WaveCapture::wrapGuard(previous, value, dial->minimum(), dial->maximum());
    if (guarded != value) {
        value = guarded;
        QSignalBlocker block(dial);
        dial->setValue(value);
    }
    previous = value;

    double min, max;
    if (dial == ui->dial_horizontal) {
        // A window around a trigger zooms within itself, though its time runs from before 0.
        const double shift = waveTimeShift();
        WaveCapture::horizontalRange(value, axisLower(plot, QwtPlot::xBottom) + shift,
                                     axisUpper(plot, QwtPlot::xBottom) + shift, m_sampleCapacity, m_samplePeriod,
                                     &min, &max);
        min -= shift;
        max -= shift;
        qCDebug(lcWindow) << "AXIS_MAX_POS=" << WaveCapture::wholeWindow(m_sampleCapacity, m_samplePeriod)
                          << "newXmax" << max;
        setWaveAxis(QwtPlot::xBottom, min, max);
        // The trigger's window follows the dial.
        if (waveRecording && triggerActive())
            armTrigger();
    } else {
        WaveCapture::verticalRange(value, axisLower(plot, QwtPlot::yLeft), axisUpper(plot, QwtPlot::yLeft), &min,
                                   &max);
        qCDebug(lcWindow) << "2^" << (50 - value) * 0.5 << "=" << max - min;
        setWaveAxis(QwtPlot::yLeft, min, max);
    }
    plot->replot();
}
