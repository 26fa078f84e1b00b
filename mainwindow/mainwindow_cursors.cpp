// The waveform page's engineering units, units per division, cursors and
// measurements: values shown in the unit of their channel item, two time
// cursors A and B and two horizontal cursors on the plot, and a readout of
// the values at the cursors with statistics over the span between them.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "mainwindow/fastcurve.h"
#include "mainwindow/wavemeasure.h"

#include <qwt_plot_canvas.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The value axis of the per-division mode: five divisions either side.
constexpr double kHalfScreen = 5;
// "auto" keeps a channel's peak within four divisions of the centre.
constexpr double kAutoDivisions = 4;
// How near, in pixels, a press must come to a cursor to take it.
constexpr int kGrab = 6;
enum Column { AtA, AtB, Diff, Min, Max, Mean, Rms, PeakToPeak, Columns };

// The raw x scale factors of the scale lists, for captures and files read that way.
const char *const kRawScales[] = {"1000", "100", "50", "30", "20", "10",   "5",    "3",    "2",
                                  "1",    "0.5", "0.3", "0.2", "0.1", "0.05", "0.03", "0.02", "0.01"};

// What the scale lists hold in either mode.
QStringList scaleTexts(bool raw)
{
    QStringList texts;
    if (raw) {
        for (const char *text : kRawScales)
            texts << QLatin1String(text);
    } else {
        texts << QStringLiteral("auto");
        for (double step : WaveMeasure::divisionSteps())
            texts << QString::number(step, 'g', 6);
    }
    return texts;
}

class EventHook : public QObject
{
public:
    EventHook(QObject *parent, std::function<bool(QEvent *)> handle) : QObject(parent), m_handle(std::move(handle)) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override { return m_handle(event); }

private:
    std::function<bool(QEvent *)> m_handle;
};

QwtPlotMarker *newMarker(QwtPlot *plot, QwtPlotMarker::LineStyle style, const QColor &colour, const QString &label)
{
    auto *marker = new QwtPlotMarker;
    marker->setLineStyle(style);
    marker->setLinePen(colour, 1, Qt::DashLine);
    QwtText text(label);
    text.setColor(colour);
    marker->setLabel(text);
    marker->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    marker->setVisible(false);
    marker->attach(plot);
    return marker;
}

QString keyNamed(const QMap<QString, WaveChannelRecord> &channels, const QString &name)
{
    for (auto it = channels.constBegin(); it != channels.constEnd(); ++it) {
        if (it->WaveChName == name)
            return it.key();
    }
    return QString();
}

} // namespace

void MainWindow::setupWaveMeasure()
{
    QwtPlot *plot = ui->qwtPlot;
    auto *group = new QGroupBox(ui->wave_page);
    group->setObjectName(QStringLiteral("groupBox_WF_Measure"));
    auto *grid = new QGridLayout(group);
    m_scope.rawScale = new QCheckBox(group);
    m_scope.rawScale->setObjectName(QStringLiteral("checkBox_WF_RawScale"));
    m_scope.cursors = new QCheckBox(group);
    m_scope.cursors->setObjectName(QStringLiteral("checkBox_WF_Cursors"));
    m_scope.levelChannel = new QComboBox(group);
    m_scope.levelChannel->setObjectName(QStringLiteral("comboBox_WF_LevelCursors"));
    for (int c = 0; c <= WaveCapture::kChannels; ++c)
        m_scope.levelChannel->addItem(QString());
    grid->addWidget(m_scope.cursors, 0, 0);
    grid->addWidget(m_scope.rawScale, 0, 1);
    grid->addWidget(m_scope.levelChannel, 1, 0, 1, 2);
    ui->verticalLayout_wavePanel->insertWidget(ui->verticalLayout_wavePanel->count() - 1, group);

    // The readout goes under the plot, as wide as it.
    m_scope.cursorText = new QLabel(ui->wave_page);
    m_scope.cursorText->setObjectName(QStringLiteral("label_WF_Cursors"));
    m_scope.cursorText->setTextFormat(Qt::PlainText);
    // Neither the readout line nor the table may widen the window.
    m_scope.cursorText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_scope.cursorText->setWordWrap(true);
    m_scope.table = new QTableWidget(WaveCapture::kChannels, Columns, ui->wave_page);
    m_scope.table->setObjectName(QStringLiteral("tableWidget_WF_Measure"));
    QFont small = m_scope.table->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_scope.table->setFont(small);
    m_scope.cursorText->setFont(small);
    m_scope.table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_scope.table->setSelectionMode(QAbstractItemView::NoSelection);
    m_scope.table->setFocusPolicy(Qt::NoFocus);
    m_scope.table->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_scope.table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scope.table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scope.table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_scope.table->verticalHeader()->setDefaultSectionSize(QFontMetrics(small).height() + 4);
    m_scope.table->setVerticalHeaderLabels(
        {QStringLiteral("CH1"), QStringLiteral("CH2"), QStringLiteral("CH3"), QStringLiteral("CH4")});
    m_scope.table->setFixedHeight(m_scope.table->horizontalHeader()->sizeHint().height()
                                  + WaveCapture::kChannels * m_scope.table->verticalHeader()->defaultSectionSize()
                                  + 2 * m_scope.table->frameWidth());
    auto *column = new QVBoxLayout;
    const int at = ui->horizontalLayout_wave->indexOf(plot);
    ui->horizontalLayout_wave->removeWidget(plot);
    column->addWidget(plot, 1);
    column->addWidget(m_scope.cursorText);
    column->addWidget(m_scope.table);
    ui->horizontalLayout_wave->insertLayout(at, column, 1);

    m_scope.time = {newMarker(plot, QwtPlotMarker::VLine, QColor(220, 90, 0), QStringLiteral("A")),
                    newMarker(plot, QwtPlotMarker::VLine, QColor(150, 0, 150), QStringLiteral("B"))};
    m_scope.level = {newMarker(plot, QwtPlotMarker::HLine, Qt::darkGray, QStringLiteral("H1")),
                     newMarker(plot, QwtPlotMarker::HLine, Qt::darkGray, QStringLiteral("H2"))};
    m_scope.refresh = new QTimer(this);
    m_scope.refresh->setSingleShot(true);
    m_scope.refresh->setInterval(0);
    connect(m_scope.refresh, &QTimer::timeout, this, &MainWindow::refreshWaveReadout);

    // Filters run last-installed first: the cursors see a press before the
    // panner and the picker do, and keep it when it takes a cursor.
    plot->canvas()->setFocusPolicy(Qt::StrongFocus);
    m_scope.cursorHook = new EventHook(this, [this](QEvent *event) { return waveCursorEvent(event); });
    plot->canvas()->installEventFilter(m_scope.cursorHook);

    connect(m_scope.rawScale, &QCheckBox::toggled, this, [this] {
        fillScaleLists();
        retranslateWaveMeasure();
        for (int c = 0; c < WaveCapture::kChannels; ++c)
            changeScale(c, scaleList(c)->currentText());
    });
    connect(m_scope.cursors, &QCheckBox::toggled, this, &MainWindow::showWaveCursors);
    connect(m_scope.levelChannel, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index > 0) {
            // Start a quarter of the axis from its ends.
            const QwtScaleDiv &axis = ui->qwtPlot->axisScaleDiv(QwtPlot::yLeft);
            const WaveChannelRecord item = waveChannelItem(index - 1);
            const double coeff = WaveMeasure::coefficient(item.WaveCoeff);
            const double scale = plotScale(index - 1);
            for (int i = 0; i < 2; ++i) {
                const double y = axis.lowerBound() + axis.range() * (i ? 0.25 : 0.75);
                m_scope.value[size_t(i)] = scale != 0 ? (y - m_offset[size_t(index - 1)]) / scale * coeff : 0;
            }
        }
        placeLevelCursors();
        ui->qwtPlot->replot();
        refreshWaveReadout();
    });
    fillScaleLists();
    retranslateWaveMeasure();
}

void MainWindow::retranslateWaveMeasure()
{
    const bool raw = m_scope.rawScale->isChecked();
    static_cast<QGroupBox *>(m_scope.rawScale->parentWidget())->setTitle(tr("测量"));
    m_scope.rawScale->setText(tr("原始值×比例"));
    m_scope.cursors->setText(tr("光标 A/B"));
    m_scope.levelChannel->setItemText(0, tr("水平光标：关"));
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        m_scope.levelChannel->setItemText(c + 1, tr("水平光标：CH%1").arg(c + 1));
    m_scope.table->setHorizontalHeaderLabels({QStringLiteral("A"), QStringLiteral("B"),
                                              QStringLiteral("B−A"), tr("最小"), tr("最大"), tr("平均"),
                                              QStringLiteral("RMS"), tr("峰峰值")});
    // The form's own texts have just replaced the first entries of the scale
    // lists: put the mode's texts back, keeping each list's choice.
    const QStringList texts = scaleTexts(raw);
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        for (int i = 0; i < scaleList(c)->count(); ++i)
            scaleList(c)->setItemText(i, texts.value(i));
    }
    ui->label_WF_Head3->setText(raw ? tr("比例 1:") : tr("单位/格"));
    ui->qwtPlot->setAxisTitle(QwtPlot::yLeft, raw ? QString() : tr("格"));
    refreshWaveReadout();
}

void MainWindow::fillScaleLists()
{
    const QStringList texts = scaleTexts(m_scope.rawScale->isChecked());
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        QComboBox *list = scaleList(c);
        const QString was = list->currentText();
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(texts);
        list->setCurrentIndex(qMax(0, list->findText(was, Qt::MatchExactly | Qt::MatchCaseSensitive)));
        // What the list shows is what the channel uses.
        takeScaleText(c, list->currentText());
    }
}

bool MainWindow::takeScaleText(int channel, const QString &text)
{
    bool ok = false;
    if (m_scope.rawScale->isChecked()) {
        const float scale = text.toFloat(&ok);
        if (ok)
            m_scale[size_t(channel)] = scale;
        return ok;
    }
    const bool automatic = text == QLatin1String("auto");
    const double perDivision = automatic ? 0 : text.toDouble(&ok);
    if (!automatic && !(ok && perDivision > 0))
        return false;
    m_scope.perDivision[size_t(channel)] = perDivision;
    return true;
}

WaveChannelRecord MainWindow::waveChannelItem(int channel) const
{
    const QString key = m_waveNames[size_t(channel)].isEmpty()
                            ? keyNamed(defs.waveChannels, channelList(channel)->currentText())
                            : m_waveKeys[size_t(channel)];
    return key.isEmpty() ? WaveChannelRecord() : defs.waveChannels.value(key);
}

void MainWindow::noteWaveChannels()
{
    // By key, so that the units stay with the points in another language.
    for (int c = 0; c < WaveCapture::kChannels; ++c)
        m_waveKeys[size_t(c)] = keyNamed(defs.waveChannels, m_waveNames[size_t(c)]);
}

double MainWindow::unitsPerDivision(int channel) const
{
    const double set = m_scope.perDivision[size_t(channel)];
    if (set > 0)
        return set;
    double peak = 0;
    for (const QPointF &p : m_wave.raw(channel))
        peak = qMax(peak, std::abs(p.y()));
    return WaveMeasure::autoDivision(
        peak * std::abs(WaveMeasure::coefficient(waveChannelItem(channel).WaveCoeff)), kAutoDivisions);
}

double MainWindow::plotScale(int channel) const
{
    if (m_scope.rawScale->isChecked())
        return double(m_scale[size_t(channel)]);
    return WaveMeasure::coefficient(waveChannelItem(channel).WaveCoeff) / unitsPerDivision(channel);
}

QString MainWindow::scaleLegend(int channel) const
{
    if (m_scope.rawScale->isChecked())
        return QLatin1Char('\n') + tr("比例：1 : %1 ").arg(QString::number(double(m_scale[size_t(channel)]), 'g'));
    return QLatin1Char('\n') + WaveMeasure::divisionText(unitsPerDivision(channel), waveChannelItem(channel).WaveUnit);
}

bool MainWindow::divisionAxis()
{
    if (m_scope.rawScale->isChecked())
        return false;
    ui->qwtPlot->setAxisScale(QwtPlot::yLeft, -kHalfScreen, kHalfScreen, 1);
    ui->qwtPlot->updateAxes();
    syncVerticalDial();
    return true;
}

// --- Cursors ----------------------------------------------------------------------

double MainWindow::waveTimeShift() const
{
    return m_triggerShown ? m_triggerTime : 0;
}

bool MainWindow::waveCursorSpan(double *from, double *to) const
{
    if (!m_scope.cursors->isChecked())
        return false;
    *from = qMin(m_scope.at[0], m_scope.at[1]);
    *to = qMax(m_scope.at[0], m_scope.at[1]);
    return true;
}

void MainWindow::showWaveCursors(bool on)
{
    if (on) {
        const QwtScaleDiv &axis = ui->qwtPlot->axisScaleDiv(QwtPlot::xBottom);
        const double lower = axis.lowerBound() + waveTimeShift(), width = axis.range();
        moveTimeCursor(1, lower + width * 0.75);
        moveTimeCursor(0, lower + width * 0.25);
    }
    for (QwtPlotMarker *marker : m_scope.time)
        marker->setVisible(on);
    ui->qwtPlot->replot();
    refreshWaveReadout();
}

void MainWindow::moveTimeCursor(int which, double t)
{
    m_scope.selected = which;
    m_scope.at[size_t(which)] = WaveMeasure::snap(t, double(m_samplePeriod), m_wave.length());
    for (int i = 0; i < 2; ++i) {
        QwtPlotMarker *marker = m_scope.time[size_t(i)];
        marker->setXValue(m_scope.at[size_t(i)] - waveTimeShift());
        // The cursor the arrow keys move is drawn solid.
        QPen pen = marker->linePen();
        pen.setStyle(i == which ? Qt::SolidLine : Qt::DashLine);
        marker->setLinePen(pen);
    }
    ui->qwtPlot->replot();
    refreshWaveReadout();
}

void MainWindow::placeLevelCursors()
{
    const int channel = m_scope.levelChannel->currentIndex() - 1;
    for (int i = 0; i < 2; ++i) {
        QwtPlotMarker *marker = m_scope.level[size_t(i)];
        marker->setVisible(channel >= 0);
        if (channel < 0)
            continue;
        const double coeff = WaveMeasure::coefficient(waveChannelItem(channel).WaveCoeff);
        marker->setYValue(m_scope.value[size_t(i)] / coeff * plotScale(channel) + m_offset[size_t(channel)]);
    }
}

bool MainWindow::waveCursorEvent(QEvent *event)
{
    QwtPlot *plot = ui->qwtPlot;
    const bool timeOn = m_scope.cursors->isChecked();
    const int level = m_scope.levelChannel->currentIndex() - 1;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const QwtScaleMap x = plot->canvasMap(QwtPlot::xBottom), y = plot->canvasMap(QwtPlot::yLeft);
        for (int i = 0; i < 2; ++i) {
            if (timeOn && std::abs(x.transform(m_scope.at[size_t(i)] - waveTimeShift()) - mouse->pos().x()) <= kGrab) {
                m_scope.dragging = i;
                moveTimeCursor(i, m_scope.at[size_t(i)]);
                return true;
            }
            if (level >= 0 && std::abs(y.transform(m_scope.level[size_t(i)]->yValue()) - mouse->pos().y()) <= kGrab) {
                m_scope.dragging = 2 + i;
                return true;
            }
        }
        return false;
    }
    case QEvent::MouseMove: {
        if (m_scope.dragging < 0)
            return false;
        const QPoint pos = static_cast<QMouseEvent *>(event)->pos();
        if (m_scope.dragging < 2) {
            moveTimeCursor(m_scope.dragging, plot->canvasMap(QwtPlot::xBottom).invTransform(pos.x()) + waveTimeShift());
        } else if (level >= 0 && plotScale(level) != 0) {
            const double y = plot->canvasMap(QwtPlot::yLeft).invTransform(pos.y());
            m_scope.value[size_t(m_scope.dragging - 2)] = (y - m_offset[size_t(level)]) / plotScale(level)
                                                          * WaveMeasure::coefficient(waveChannelItem(level).WaveCoeff);
            placeLevelCursors();
            plot->replot();
            refreshWaveReadout();
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const bool dragged = m_scope.dragging >= 0;
        m_scope.dragging = -1;
        return dragged;
    }
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!timeOn)
            return false;
        if (key->key() == Qt::Key_A || key->key() == Qt::Key_B) {
            const int which = key->key() == Qt::Key_B ? 1 : 0;
            moveTimeCursor(which, m_scope.at[size_t(which)]);
            return true;
        }
        if (key->key() != Qt::Key_Left && key->key() != Qt::Key_Right)
            return false;
        const int steps = (key->modifiers() & Qt::ShiftModifier ? 10 : 1) * (key->key() == Qt::Key_Left ? -1 : 1);
        const int which = m_scope.selected;
        moveTimeCursor(which, m_scope.at[size_t(which)] + steps * double(m_samplePeriod));
        return true;
    }
    default:
        return false;
    }
}

// --- Readout ----------------------------------------------------------------------

void MainWindow::refreshWaveReadout()
{
    using WaveMeasure::valueText;
    const double period = double(m_samplePeriod);
    const bool on = m_scope.cursors->isChecked();
    const std::array<double, 2> &at = m_scope.at;
    QStringList parts;
    if (on) {
        // A window around a trigger reads its times from the trigger.
        const double shift = waveTimeShift();
        bool moved = false;
        for (int i = 0; i < 2; ++i) {
            moved = moved || m_scope.time[size_t(i)]->xValue() != at[size_t(i)] - shift;
            m_scope.time[size_t(i)]->setXValue(at[size_t(i)] - shift);
        }
        if (moved)
            ui->qwtPlot->replot();
        const double dt = at[1] - at[0];
        parts << QStringLiteral("A: ") + valueText(at[0] - shift, QStringLiteral("s"))
              << QStringLiteral("B: ") + valueText(at[1] - shift, QStringLiteral("s"))
              << QStringLiteral("Δt: ") + valueText(dt, QStringLiteral("s"))
              << QStringLiteral("1/Δt: ")
                     + (dt != 0 ? valueText(1 / std::abs(dt), QStringLiteral("Hz")) : QStringLiteral("-"));
    }
    const int level = m_scope.levelChannel->currentIndex() - 1;
    if (level >= 0) {
        // The horizontal cursors follow their channel's scale and offset.
        placeLevelCursors();
        ui->qwtPlot->replot();
        const QString unit = waveChannelItem(level).WaveUnit;
        const std::array<double, 2> &v = m_scope.value;
        parts << QStringLiteral("H1: ") + valueText(v[0], unit) << QStringLiteral("H2: ") + valueText(v[1], unit)
              << QStringLiteral("ΔV: ") + valueText(v[1] - v[0], unit);
    }
    m_scope.cursorText->setText(parts.join(QStringLiteral("   ")));

    // Statistics between the cursors, else over the whole capture.
    double from = 0, to = m_wave.length() * period;
    waveCursorSpan(&from, &to);
    QTableWidget *table = m_scope.table;
    // Five digits fit the narrow columns beside a low screen's plot; a cell
    // cut all the same shows its number whole in the tooltip.
    const auto number = [](double value) { return QString::number(value, 'g', 5); };
    const auto cell = [table](int row, int column, const QString &text) {
        QTableWidgetItem *item = table->item(row, column);
        if (!item)
            table->setItem(row, column, item = new QTableWidgetItem);
        item->setText(text);
        item->setToolTip(text);
    };
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        const QVector<QPointF> &points = m_wave.raw(c);
        table->setRowHidden(c, !m_shown[size_t(c)] || points.isEmpty());
        if (table->isRowHidden(c))
            continue;
        const WaveChannelRecord item = waveChannelItem(c);
        const double coeff = WaveMeasure::coefficient(item.WaveCoeff);
        // The row names its unit once; the cells hold plain numbers.
        table->verticalHeaderItem(c)->setText(item.WaveUnit.isEmpty()
                                                  ? QStringLiteral("CH%1").arg(c + 1)
                                                  : QStringLiteral("CH%1 (%2)").arg(c + 1).arg(item.WaveUnit));
        double va = 0, vb = 0;
        const bool hasA = on && WaveMeasure::valueAt(points, at[0], period, coeff, &va);
        const bool hasB = on && WaveMeasure::valueAt(points, at[1], period, coeff, &vb);
        cell(c, AtA, hasA ? number(va) : QString());
        cell(c, AtB, hasB ? number(vb) : QString());
        cell(c, Diff, hasA && hasB ? number(vb - va) : QString());
        const WaveMeasure::Stats s = WaveMeasure::statistics(points, from, to, period, coeff);
        const bool any = s.count > 0;
        cell(c, Min, any ? number(s.min) : QString());
        cell(c, Max, any ? number(s.max) : QString());
        cell(c, Mean, any ? number(s.mean) : QString());
        cell(c, Rms, any ? number(s.rms) : QString());
        cell(c, PeakToPeak, any ? number(s.peakToPeak()) : QString());
    }
}

QString MainWindow::waveTrackerText(const QPointF &pos) const
{
    const double period = double(m_samplePeriod);
    // The values belong to the sample nearest the pointer: show its time.
    const double shift = waveTimeShift();
    const double t = m_wave.length() > 0 ? WaveMeasure::snap(pos.x() + shift, period, m_wave.length()) : pos.x() + shift;
    QString text = QStringLiteral("t: ") + WaveMeasure::valueText(t - shift, QStringLiteral("s"));
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        if (!m_shown[size_t(c)])
            continue;
        const WaveChannelRecord item = waveChannelItem(c);
        double value = 0;
        if (WaveMeasure::valueAt(m_wave.raw(c), t, period, WaveMeasure::coefficient(item.WaveCoeff), &value))
            text += QLatin1Char('\n') + waveName(c) + QStringLiteral(": ")
                    + WaveMeasure::valueText(value, item.WaveUnit);
    }
    return text;
}
