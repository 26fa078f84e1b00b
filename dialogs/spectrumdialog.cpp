#include "dialogs/spectrumdialog.h"

#include "mainwindow/fastcurve.h"

#include <qwt_legend.h>
#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_picker.h>

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

// Reads frequency and magnitude where the pointer is.
class SpectrumPicker : public QwtPlotPicker
{
public:
    explicit SpectrumPicker(QWidget *canvas)
        : QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPlotPicker::CrossRubberBand, QwtPicker::AlwaysOn,
                        canvas)
    {
        setStateMachine(new QwtPickerDragPointMachine);
        setRubberBandPen(QColor(Qt::green));
        setTrackerPen(QColor(Qt::black));
    }

protected:
    QwtText trackerTextF(const QPointF &pos) const override
    {
        return QwtText(QStringLiteral("%1 Hz, %2 dB").arg(pos.x(), 0, 'f', 1).arg(pos.y(), 0, 'f', 1),
                       QwtText::PlainText);
    }
};

} // namespace

SpectrumDialog::SpectrumDialog(std::function<Capture()> capture, std::function<bool(double *, double *)> cursorSpan,
                               QWidget *parent)
    : QDialog(parent)
    , m_source(std::move(capture))
    , m_cursorSpan(std::move(cursorSpan))
{
    setObjectName(QStringLiteral("SpectrumDialog"));
    resize(960, 640);

    m_plot = new QwtPlot(this);
    m_plot->setObjectName(QStringLiteral("qwtPlot_Spectrum"));
    auto *canvas = new QwtPlotCanvas;
    canvas->setPalette(QColor(240, 240, 240, 255));
    m_plot->setCanvas(canvas);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QPen(Qt::black, 0, Qt::DotLine));
    grid->attach(m_plot);
    new SpectrumPicker(m_plot->canvas());
    m_plot->insertLegend(new QwtLegend, QwtPlot::BottomLegend);

    m_window = new QComboBox(this);
    m_window->setObjectName(QStringLiteral("comboBox_SpectrumWindow"));
    m_window->addItems({QString(), QString(), QString(), QString()});
    m_window->setCurrentIndex(WaveSpectrum::Hann);
    m_span = new QComboBox(this);
    m_span->setObjectName(QStringLiteral("comboBox_SpectrumSpan"));
    m_span->addItems({QString(), QString()});
    m_refresh = new QPushButton(this);
    m_refresh->setObjectName(QStringLiteral("pushButton_SpectrumRefresh"));
    m_windowLabel = new QLabel(this);
    m_spanLabel = new QLabel(this);
    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("label_SpectrumInfo"));
    m_info->setTextFormat(Qt::PlainText);
    m_peaks = new QTableWidget(0, 4, this);
    m_peaks->setObjectName(QStringLiteral("tableWidget_SpectrumPeaks"));
    m_peaks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_peaks->verticalHeader()->setVisible(false);
    m_peaks->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_peaks->horizontalHeader()->setStretchLastSection(true);
    m_peaks->setMaximumHeight(150);

    auto *controls = new QHBoxLayout;
    controls->addWidget(m_windowLabel);
    controls->addWidget(m_window);
    controls->addWidget(m_spanLabel);
    controls->addWidget(m_span);
    controls->addWidget(m_refresh);
    controls->addWidget(m_info, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_plot, 1);
    layout->addWidget(m_peaks);

    retranslate();
    connect(m_window, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SpectrumDialog::recompute);
    connect(m_span, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &SpectrumDialog::recompute);
    connect(m_refresh, &QPushButton::clicked, this, &SpectrumDialog::refresh);
}

void SpectrumDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void SpectrumDialog::retranslate()
{
    setWindowTitle(tr("频谱"));
    const QStringList windows{tr("矩形窗"), tr("汉宁窗"), tr("汉明窗"), tr("布莱克曼-哈里斯窗")};
    for (int i = 0; i < windows.size(); ++i)
        m_window->setItemText(i, windows.at(i));
    m_span->setItemText(0, tr("整个波形"));
    m_span->setItemText(1, tr("光标之间"));
    m_windowLabel->setText(tr("窗函数："));
    m_spanLabel->setText(tr("范围："));
    m_refresh->setText(tr("刷新"));
    m_plot->setAxisTitle(QwtPlot::xBottom, tr("频率 (Hz)"));
    m_plot->setAxisTitle(QwtPlot::yLeft, tr("幅值 (dB)"));
    m_peaks->setHorizontalHeaderLabels({tr("通道"), tr("频率 (Hz)"), tr("幅值 (dB)"), tr("幅值")});
    recompute();
}

void SpectrumDialog::refresh()
{
    m_capture = m_source();
    recompute();
}

void SpectrumDialog::recompute()
{
    double from = -std::numeric_limits<double>::infinity();
    double to = std::numeric_limits<double>::infinity();
    QString note;
    if (m_span->currentIndex() == 1 && !(m_cursorSpan && m_cursorSpan(&from, &to) && from < to)) {
        from = -std::numeric_limits<double>::infinity();
        to = std::numeric_limits<double>::infinity();
        note = tr("未设置光标，显示整个波形。") + QLatin1Char(' ');
    }

    m_plot->detachItems(QwtPlotItem::Rtti_PlotCurve, true);
    m_peaks->setRowCount(0);
    const double rate = 1.0 / m_capture.period;
    double top = -std::numeric_limits<double>::infinity();
    int samples = 0;
    for (const Channel &channel : qAsConst(m_capture.channels)) {
        const QVector<double> values = WaveSpectrum::samplesBetween(channel.points, m_capture.period, from, to);
        const WaveSpectrum::Result result =
            m_spectrum.compute(values, rate, WaveSpectrum::Window(m_window->currentIndex()));
        if (result.curve.isEmpty())
            continue;
        samples = qMax(samples, values.size());
        auto *curve = new FastCurve;
        curve->setTitle(QwtText(channel.name, QwtText::PlainText));
        curve->setPen(QPen(channel.colour, 1));
        curve->setPoints(result.curve);
        curve->attach(m_plot);
        for (const WaveSpectrum::Peak &peak : result.peaks) {
            top = qMax(top, peak.db);
            const int row = m_peaks->rowCount();
            m_peaks->insertRow(row);
            const QString amplitude = QString::number(peak.amplitude, 'g', 4)
                + (channel.unit.isEmpty() ? QString() : QLatin1Char(' ') + channel.unit);
            const QStringList cells{channel.name, QString::number(peak.frequency, 'f', 2),
                                    QString::number(peak.db, 'f', 1), amplitude};
            for (int column = 0; column < cells.size(); ++column) {
                auto *item = new QTableWidgetItem(cells.at(column));
                if (column == 0)
                    item->setForeground(channel.colour);
                m_peaks->setItem(row, column, item);
            }
        }
    }
    // Ten dB above the strongest peak down to 120 dB below it, in steps of ten.
    top = std::isfinite(top) ? std::ceil(top / 10) * 10 + 10 : 20;
    m_plot->setAxisScale(QwtPlot::yLeft, top - 120, top);
    m_plot->setAxisScale(QwtPlot::xBottom, 0, rate / 2);
    m_info->setText(samples > 0 ? note + tr("%1 点，分辨率 %2 Hz").arg(samples).arg(rate / samples, 0, 'g', 3)
                                : note + tr("没有波形数据。"));
    m_plot->replot();
}
