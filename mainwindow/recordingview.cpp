#include "mainwindow/recordingview.h"

#include "dialogs/prompt.h"
#include "mainwindow/wavemeasure.h"
#include "mainwindow/wavescope.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_item.h>
#include <qwt_plot_magnifier.h>
#include <qwt_plot_panner.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>
#include <qwt_scale_widget.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using namespace WaveRecording;

namespace {

// The columns of the visible span, shared by the four curves of one drawing.
struct ColumnCache {
    Reader *reader = nullptr;
    qint64 from = -1, to = -1;
    int width = -1;
    QVector<Column> columns;

    const QVector<Column> &get(qint64 f, qint64 t, int w)
    {
        if (f != from || t != to || w != width) {
            columns = reader->columns(f, t, w);
            from = f;
            to = t;
            width = w;
        }
        return columns;
    }
};

class RecordingCurve : public QwtPlotItem
{
public:
    RecordingCurve(std::shared_ptr<ColumnCache> cache, int channel, double rate, double coefficient,
                   const QString &title, const QColor &colour)
        : QwtPlotItem(QwtText(title, QwtText::PlainText)), m_cache(std::move(cache)), m_channel(channel),
          m_rate(rate), m_coefficient(coefficient), m_colour(colour)
    {
        setItemAttribute(QwtPlotItem::Legend, true);
        setZ(20);
    }
    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem + 1; }

    QwtGraphic legendIcon(int, const QSizeF &size) const override
    {
        QwtGraphic icon;
        icon.setDefaultSize(size);
        QPainter painter(&icon);
        painter.fillRect(QRectF(QPointF(0, 0), size), m_colour);
        return icon;
    }

    // One pixel column after another: its lowest and highest value joined,
    // and joined to the next column, so every peak and valley shows.
    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvas) const override
    {
        const qint64 from = qint64(std::floor(xMap.s1() * m_rate));
        const qint64 to = qint64(std::ceil(xMap.s2() * m_rate)) + 1;
        const int width = qMax(1, int(canvas.width()));
        const QVector<Column> &columns = m_cache->get(from, to, width);
        painter->setPen(QPen(m_colour, 1));
        QPolygonF line;
        qint64 lastEnd = -1;
        const auto flush = [&] {
            if (!line.isEmpty())
                painter->drawPolyline(line);
            line.clear();
        };
        for (const Column &column : columns) {
            // Zoomed in past one sample a pixel, most columns hold none.
            if (column.first == column.end)
                continue;
            if (column.bin.empty()) {
                flush(); // lost sets break the line
                continue;
            }
            if (column.first != lastEnd)
                flush();
            lastEnd = column.end;
            const double x = xMap.transform((column.first + column.end - 1) / 2.0 / m_rate);
            const double low = yMap.transform(column.bin.low[size_t(m_channel)] * m_coefficient);
            const double high = yMap.transform(column.bin.high[size_t(m_channel)] * m_coefficient);
            line << QPointF(x, low);
            if (high != low)
                line << QPointF(x, high);
        }
        flush();
    }

private:
    std::shared_ptr<ColumnCache> m_cache;
    int m_channel;
    double m_rate;
    double m_coefficient;
    QColor m_colour;
};

} // namespace

RecordingView::RecordingView(std::unique_ptr<Reader> reader, const QString &path, int pageCapacity, QWidget *parent)
    : QDialog(parent), m_reader(std::move(reader)), m_path(path), m_pageCapacity(pageCapacity), m_plot(new QwtPlot),
      m_info(new QLabel), m_toPage(new QPushButton)
{
    setObjectName(QStringLiteral("RecordingView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("录波 - %1").arg(QFileInfo(path).fileName()));
    const Header &header = m_reader->header();

    auto *canvas = new QwtPlotCanvas;
    canvas->setPalette(QColor(240, 240, 240));
    m_plot->setCanvas(canvas);
    m_plot->setObjectName(QStringLiteral("qwtPlot_Recording"));
    m_plot->setAxisTitle(QwtPlot::xBottom, tr("单位:秒"));
    m_plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QPen(Qt::black, 0, Qt::DotLine));
    grid->attach(m_plot);
    auto cache = std::make_shared<ColumnCache>();
    cache->reader = m_reader.get();
    const QColor colours[] = {Qt::blue, QColor(0, 200, 200), Qt::magenta, QColor(0, 200, 0)};
    for (int c = 0; c < kChannels; ++c) {
        m_coefficients[size_t(c)] = WaveMeasure::coefficient(header.coefficients[size_t(c)]);
        const QString unit = header.units[size_t(c)];
        const QString title = header.names[size_t(c)] + (unit.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(unit));
        (new RecordingCurve(cache, c, header.rate, m_coefficients[size_t(c)], title, colours[c]))->attach(m_plot);
    }

    auto *tracker = new WaveTracker([this](const QPointF &pos) { return pointerText(pos.x()); }, QwtPlot::xBottom,
                                    QwtPlot::yLeft, QwtPlotPicker::CrossRubberBand, QwtPicker::AlwaysOn, canvas);
    tracker->setRubberBandPen(QColor(Qt::green));
    tracker->setTrackerPen(QColor(Qt::black));
    auto *panner = new QwtPlotPanner(canvas);
    panner->setOrientations(Qt::Horizontal);
    auto *magnifier = new QwtPlotMagnifier(canvas);
    magnifier->setAxisEnabled(QwtPlot::yLeft, false);
    connect(m_plot->axisWidget(QwtPlot::xBottom), &QwtScaleWidget::scaleDivChanged, this, &RecordingView::spanChanged,
            Qt::QueuedConnection);

    const QDateTime start = QDateTime::fromMSecsSinceEpoch(header.startUtcMs, Qt::UTC).toLocalTime();
    // Texts from the file are shown as plain text.
    m_info->setTextFormat(Qt::PlainText);
    m_info->setObjectName(QStringLiteral("label_RecordingInfo"));
    QString info = tr("开始：%1  时长：%2 秒  采样率：%3 Hz  丢失：%4 组  驱动器：%5 %6 %7")
                       .arg(start.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                       .arg(double(m_reader->length()) / header.rate, 0, 'f', 3)
                       .arg(header.rate)
                       .arg(m_reader->lost())
                       .arg(header.model, header.version, header.serial);
    if (m_reader->cutShort())
        info += QLatin1Char('\n') + tr("文件未正常结束：已读到最后一组完整数据。");
    m_info->setText(info);

    m_toPage->setObjectName(QStringLiteral("pushButton_RecordingToPage"));
    m_toPage->setText(tr("在波形页显示"));
    connect(m_toPage, &QPushButton::clicked, this, [this] {
        qint64 from, to;
        visibleSpan(&from, &to);
        emit showOnPage(m_reader->read(from, to), from);
    });
    auto *exportVisible = new QPushButton(tr("导出可见部分..."));
    exportVisible->setObjectName(QStringLiteral("pushButton_RecordingExportSpan"));
    connect(exportVisible, &QPushButton::clicked, this, [this] { exportSpan(false); });
    auto *exportAll = new QPushButton(tr("全部导出..."));
    exportAll->setObjectName(QStringLiteral("pushButton_RecordingExportAll"));
    connect(exportAll, &QPushButton::clicked, this, [this] { exportSpan(true); });
    auto *whole = new QPushButton(tr("全部显示"));
    connect(whole, &QPushButton::clicked, this, [this] { showSpan(0, m_reader->length()); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(whole);
    buttons->addWidget(m_toPage);
    buttons->addWidget(exportVisible);
    buttons->addWidget(exportAll);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_info);
    layout->addWidget(m_plot, 1);
    layout->addLayout(buttons);
    resize(1200, 700);
    showSpan(0, m_reader->length());
}

RecordingView::~RecordingView() = default;

void RecordingView::visibleSpan(qint64 *from, qint64 *to) const
{
    const QwtScaleDiv &div = m_plot->axisScaleDiv(QwtPlot::xBottom);
    const double rate = m_reader->header().rate;
    *from = qMax<qint64>(0, qint64(std::ceil(div.lowerBound() * rate - 1e-6)));
    *to = qMin(m_reader->length(), qint64(std::floor(div.upperBound() * rate + 1e-6)) + 1);
}

QString RecordingView::pointerText(double t) const
{
    const Header &header = m_reader->header();
    // The positions whose time lies within the pointer's pixel column; zoomed
    // in past one sample a pixel, the nearest sample.
    const QwtScaleMap map = m_plot->canvasMap(QwtPlot::xBottom);
    const double half = qAbs(map.invTransform(1) - map.invTransform(0)) / 2;
    qint64 from = qint64(std::ceil((t - half) * header.rate));
    qint64 to = qint64(std::ceil((t + half) * header.rate));
    if (to <= from + 1) {
        from = qint64(std::floor(t * header.rate + 0.5));
        to = from + 1;
    }
    const QVector<Column> columns = m_reader->columns(from, to, 1);
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(header.startUtcMs, Qt::UTC).toLocalTime();
    QString text = QStringLiteral("t: %1 s (%2)")
                       .arg(t, 0, 'f', header.rate > 1000 ? 4 : 3)
                       .arg(start.addMSecs(qint64(std::floor(t * 1000))).toString(QStringLiteral("hh:mm:ss.zzz")));
    for (int c = 0; c < kChannels; ++c) {
        const size_t k = size_t(c);
        text += QLatin1Char('\n') + header.names[k] + QStringLiteral(": ");
        if (columns.isEmpty() || columns.first().bin.empty()) {
            text += tr("无数据");
            continue;
        }
        const WavePyramid::Bin &bin = columns.first().bin;
        text += bin.low[k] == bin.high[k]
            ? WaveMeasure::valueText(bin.low[k] * m_coefficients[k], header.units[k])
            : QStringLiteral("%1 … %2").arg(WaveMeasure::valueText(bin.low[k] * m_coefficients[k], QString()),
                                             WaveMeasure::valueText(bin.high[k] * m_coefficients[k], header.units[k]));
    }
    return text;
}

void RecordingView::showSpan(qint64 from, qint64 to)
{
    const double rate = m_reader->header().rate;
    m_plot->setAxisScale(QwtPlot::xBottom, double(from) / rate, double(qMax(to, from + 10) - 1) / rate);
    m_plot->updateAxes();
    spanChanged();
}

void RecordingView::spanChanged()
{
    qint64 from, to;
    visibleSpan(&from, &to);
    if (from == m_shownFrom && to == m_shownTo)
        return;
    m_shownFrom = from;
    m_shownTo = to;
    // The value axis follows what the visible span holds.
    double low = 0, high = 0;
    bool any = false;
    for (const Column &column : m_reader->columns(from, to, 256)) {
        if (column.bin.empty())
            continue;
        for (size_t c = 0; c < size_t(kChannels); ++c) {
            const double a = column.bin.low[c] * m_coefficients[c], b = column.bin.high[c] * m_coefficients[c];
            low = any ? qMin(low, qMin(a, b)) : qMin(a, b);
            high = any ? qMax(high, qMax(a, b)) : qMax(a, b);
            any = true;
        }
    }
    const double margin = qMax(1.0, (high - low) * 0.05);
    m_plot->setAxisScale(QwtPlot::yLeft, low - margin, high + margin);
    m_plot->replot();
    const bool fits = to > from && to - from <= m_pageCapacity;
    m_toPage->setEnabled(fits);
    m_toPage->setToolTip(fits ? QString() : tr("可见部分超过%1点：请先放大").arg(m_pageCapacity));
}

void RecordingView::exportSpan(bool whole)
{
    qint64 from = 0, to = m_reader->length();
    if (!whole)
        visibleSpan(&from, &to);
    const QString proposal = QFileInfo(m_path).completeBaseName()
        + (whole ? QString() : QStringLiteral("_%1-%2").arg(from).arg(to)) + QStringLiteral(".csv");
    const QString target = Prompt::getSaveFileName(this, tr("导出录波"), QFileInfo(m_path).dir().filePath(proposal),
                                                   tr("CSV 波形文件 (*.csv)"));
    if (target.isEmpty())
        return;
    QString error;
    if (!m_reader->exportCsv(target, from, to, &error)) {
        Prompt::critical(this, tr("导出录波"),
                         Prompt::Rich{tr("导出失败！<br/>%1<br/>%2").arg(target.toHtmlEscaped(), error.toHtmlEscaped())});
        return;
    }
    Prompt::information(this, tr("导出录波"), tr("已导出：%1").arg(target));
}
