// The waveform page's trigger: the controls, the windows around a trigger
// shown in place of the running stream, and the markers of the trigger
// point and level.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "mainwindow/fastcurve.h"
#include "mainwindow/triggerpanel.h"

#include <qwt_plot_marker.h>

#include <QComboBox>
#include <QDial>

#include <cmath>

void MainWindow::setupTrigger()
{
    m_triggerPanel = new TriggerPanel(ui->wave_page);
    QVBoxLayout *panel = ui->verticalLayout_wavePanel;
    panel->insertWidget(panel->indexOf(ui->groupBox_WF_Files) + 1, m_triggerPanel);

    m_triggerTimeMarker = new QwtPlotMarker;
    m_triggerTimeMarker->setLineStyle(QwtPlotMarker::VLine);
    m_triggerTimeMarker->setLinePen(QColor(Qt::red), 1, Qt::DashLine);
    m_triggerTimeMarker->setLabel(QwtText(QStringLiteral("T")));
    m_triggerTimeMarker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    m_triggerLevelMarker = new QwtPlotMarker;
    m_triggerLevelMarker->setLineStyle(QwtPlotMarker::HLine);
    for (QwtPlotMarker *marker : {m_triggerTimeMarker, m_triggerLevelMarker}) {
        marker->setVisible(false);
        marker->attach(ui->qwtPlot);
    }
    connect(m_triggerPanel, &TriggerPanel::changed, this, &MainWindow::triggerSettingsChanged);
    armTrigger();
}

bool MainWindow::triggerActive() const
{
    return m_trigger.settings().mode != WaveTrigger::Off;
}

double MainWindow::waveCoefficient(int channel) const
{
    const QString name = waveName(channel);
    for (const WaveChannelRecord &record : defs.waveChannels) {
        if (record.WaveChName == name)
            return WaveTrigger::coefficient(record.WaveCoeff);
    }
    return 1.0;
}

int MainWindow::triggerWindowSets() const
{
    // As long as the time dial's width.
    const double width = WaveCapture::wholeWindow(m_sampleCapacity, m_samplePeriod)
        * std::pow(2.0, -ui->dial_horizontal->value() / 9.0);
    return qBound(2, int(std::lround(width / double(m_samplePeriod))), m_sampleCapacity);
}

void MainWindow::triggerSettingsChanged()
{
    // Between the running stream and trigger windows a capture starts over.
    if (waveRecording && triggerActive() != (m_triggerPanel->mode() != WaveTrigger::Off)) {
        clearWavePoints();
        zoomWithDial(ui->dial_horizontal, ui->dial_horizontal->value());
    }
    armTrigger();
    ui->qwtPlot->replot();
}

void MainWindow::armTrigger()
{
    WaveTrigger::Settings settings;
    settings.mode = m_triggerPanel->mode();
    settings.source = m_triggerPanel->source();
    settings.edge = m_triggerPanel->edge();
    settings.preTrigger = m_triggerPanel->preTrigger();
    settings.coefficient = waveCoefficient(settings.source);
    m_triggerPanel->setLevelUnit(settings.coefficient);
    settings.level = m_triggerPanel->level();
    settings.window = triggerWindowSets();
    settings.period = m_samplePeriod;
    m_trigger.setSettings(settings);
    m_triggerFree = false;
    if (waveRecording && triggerActive()) {
        const double pre = WaveTrigger::preTriggerSets(settings.window, settings.preTrigger) * double(m_samplePeriod);
        setWaveAxis(QwtPlot::xBottom, -pre, settings.window * double(m_samplePeriod) - pre);
    }
    placeTriggerMarkers();
    showTriggerState();
}

void MainWindow::feedTrigger(const WaveCapture::Batch *batch, int lostSets)
{
    const WaveTrigger::State before = m_trigger.state();
    if (batch)
        m_trigger.feed(*batch);
    else
        m_trigger.gap(lostSets);
    WaveTrigger::Window window;
    const bool shown = m_trigger.takeWindow(&window);
    if (shown)
        showTriggerWindow(window);
    if ((shown && window.triggered) || (before != WaveTrigger::Triggered && m_trigger.state() == WaveTrigger::Triggered))
        recordingSawTrigger();
    showTriggerState();
    // A single shot ends the capture as the record button would, unless a
    // recording is to go on for its post-trigger time: that time ends it.
    if (m_trigger.state() == WaveTrigger::Stopped && waveRecording && !recordingOutlastsShot())
        stopWaveRecording();
}

void MainWindow::showTriggerWindow(const WaveTrigger::Window &window)
{
    // The stored points start at the window's first sample set, as a file
    // holds them; the curves show them with time 0 at the trigger.
    m_triggerTime = window.preTrigger * double(m_samplePeriod);
    m_triggerShown = true;
    m_triggerFree = !window.triggered;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        QVector<QPointF> points = window.points[size_t(c)];
        for (QPointF &p : points)
            p.rx() += m_triggerTime;
        m_wave.setPoints(c, points);
    }
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        if (m_shown[size_t(c)])
            redisplayChannel(c);
    }
    placeTriggerMarkers();
    autoScaleValueAxis();
    ui->qwtPlot->replot();
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        setCurveTitle(c);
}

void MainWindow::placeTriggerMarkers()
{
    const WaveTrigger::Settings &armed = m_trigger.settings();
    m_triggerTimeMarker->setVisible(triggerActive() || m_triggerShown);
    // The level in the source channel's unit, drawn as that channel's curve is.
    const size_t source = size_t(armed.source);
    m_triggerLevelMarker->setYValue(double(m_scale[source]) * armed.level / armed.coefficient + m_offset[source]);
    m_triggerLevelMarker->setLinePen(m_curves[source]->pen().color(), 1, Qt::DashLine);
    m_triggerLevelMarker->setLabel(QwtText(QString::number(armed.level, 'g', 6), QwtText::PlainText));
    m_triggerLevelMarker->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_triggerLevelMarker->setVisible(triggerActive() && m_shown[source]);
}

void MainWindow::showTriggerState()
{
    if (!triggerActive())
        m_triggerPanel->showState(WaveTrigger::Idle);
    else
        m_triggerPanel->showState(waveRecording ? m_trigger.state() : WaveTrigger::Stopped, m_triggerFree);
}
