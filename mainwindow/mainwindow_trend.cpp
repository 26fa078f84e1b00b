// The monitor page's trend and log: the variables ticked in the table are
// plotted over time as the query reads them, and can be logged to a CSV
// file, a line per query cycle.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "definitions/codes.h"
#include "dialogs/prompt.h"
#include "mainwindow/fastcurve.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QColor kTrendColours[MonitorTrend::kMaxCurves] = {Qt::blue,          Qt::red,          QColor(0, 150, 0),
                                                        Qt::magenta,       QColor(230, 140, 0), Qt::darkCyan,
                                                        QColor(120, 60, 0), Qt::black};

const UnDisplayRecord *findMonitor(const Definitions &defs, const QString &code)
{
    const int group = Codes::monitorGroup(code);
    if (group == Codes::kNoGroup)
        return nullptr;
    const UnGroup &map = defs.unGroups[size_t(group)];
    auto it = map.constFind(code);
    return it == map.constEnd() ? nullptr : &it.value();
}

// A curve's legend: code, name and unit.
QString curveTitle(const UnDisplayRecord &record)
{
    QString title = record.UnDisplayIndex + QLatin1Char(' ') + record.UnDisplayName;
    if (!record.UnDisplayUnit.isEmpty())
        title += QStringLiteral(" (%1)").arg(record.UnDisplayUnit);
    return title;
}

} // namespace

void MainWindow::setupMonitorTrend()
{
    // The table shares its place with the trend, one above the other.
    QTableWidget *table = ui->tableWidget_UnDisplay;
    QWidget *page = table->parentWidget();
    auto *splitter = new QSplitter(Qt::Vertical, page);
    splitter->setObjectName(QStringLiteral("splitter_UnTrend"));
    delete page->layout()->replaceWidget(table, splitter);
    splitter->addWidget(table);

    auto *panel = new QWidget(splitter);
    auto *rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    auto *controls = new QHBoxLayout;
    m_trendLogBox = new QCheckBox(panel);
    m_trendLogBox->setObjectName(QStringLiteral("checkBox_UnLogToFile"));
    m_trendLogLabel = new QLabel(panel);
    m_trendLogLabel->setObjectName(QStringLiteral("label_UnLogFile"));
    m_trendLogLabel->setTextFormat(Qt::PlainText);
    m_trendClearButton = new QPushButton(panel);
    m_trendClearButton->setObjectName(QStringLiteral("pushButton_UnTrendClear"));
    controls->addWidget(m_trendLogBox);
    controls->addWidget(m_trendLogLabel, 1);
    controls->addWidget(m_trendClearButton);
    rows->addLayout(controls);

    m_trendPlot = new QwtPlot(panel);
    m_trendPlot->setObjectName(QStringLiteral("qwtPlot_UnTrend"));
    m_trendPlot->setMinimumHeight(160);
    auto *canvas = new QwtPlotCanvas;
    canvas->setPalette(QColor(240, 240, 240));
    canvas->setAutoFillBackground(true);
    m_trendPlot->setCanvas(canvas);
    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QPen(Qt::gray, 0, Qt::DotLine));
    grid->attach(m_trendPlot);
    m_trendPlot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    rows->addWidget(m_trendPlot, 1);
    splitter->addWidget(panel);
    // The table keeps most of the height, and gets any the window gains.
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({600, 280});

    connect(table, &QTableWidget::itemChanged, this, &MainWindow::monitorTickChanged);
    connect(m_trendLogBox, &QCheckBox::clicked, this, &MainWindow::toggleMonitorLog);
    connect(m_trendClearButton, &QPushButton::clicked, this, &MainWindow::clearTrend);
    retranslateMonitorTrend();
    replotTrend();
}

void MainWindow::retranslateMonitorTrend()
{
    m_trendLogBox->setText(tr("记录到文件"));
    m_trendLogBox->setToolTip(tr("每个查询周期把勾选的监视量写入 CSV 文件的一行"));
    m_trendClearButton->setText(tr("清除曲线"));
    m_trendPlot->setAxisTitle(QwtPlot::xBottom, tr("时间 (s)"));
    showMonitorLogState();
}

void MainWindow::showMonitorLogState()
{
    const QString path = QDir::toNativeSeparators(m_logPath);
    if (m_monitorLog.isOpen())
        m_trendLogLabel->setText(tr("记录中：%1（%2 行）").arg(path).arg(m_monitorLog.lines()));
    else if (!m_logPath.isEmpty())
        m_trendLogLabel->setText(tr("已记录：%1（%2 行）").arg(path).arg(m_monitorLog.lines()));
    else if (m_trendCurves.isEmpty())
        m_trendLogLabel->setText(tr("在表格的代码列勾选监视量（最多 %1 个）以显示趋势曲线").arg(MonitorTrend::kMaxCurves));
    else
        m_trendLogLabel->clear();
}

void MainWindow::markTrendRows()
{
    // Variables the new definitions no longer have leave the trend; the
    // others take their names in the new definitions' language.
    for (int i = m_trendCurves.size() - 1; i >= 0; --i) {
        if (const UnDisplayRecord *record = findMonitor(defs, m_trendCurves[i].code)) {
            m_trendCurves[i].curve->setTitle(curveTitle(*record));
        } else {
            delete m_trendCurves[i].curve;
            m_trendCurves.removeAt(i);
        }
    }
    QTableWidget *table = ui->tableWidget_UnDisplay;
    m_markingTrend = true;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *code = table->item(row, 0);
        code->setFlags(code->flags() | Qt::ItemIsUserCheckable);
        const bool ticked = std::any_of(m_trendCurves.cbegin(), m_trendCurves.cend(),
                                        [&](const TrendCurve &c) { return c.code == code->text(); });
        code->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_markingTrend = false;
    replotTrend();
}

void MainWindow::monitorTickChanged(QTableWidgetItem *item)
{
    // A cell the table is being built with has no tick yet; markTrendRows
    // gives it one once the table is complete.
    if (m_markingTrend || item->column() != 0 || !item->data(Qt::CheckStateRole).isValid())
        return;
    const QString code = item->text();
    const auto at = std::find_if(m_trendCurves.begin(), m_trendCurves.end(),
                                 [&](const TrendCurve &c) { return c.code == code; });
    const bool ticked = item->checkState() == Qt::Checked;
    if (ticked == (at != m_trendCurves.end()))
        return; // the text or another role changed, not the tick
    if (!ticked) {
        delete at->curve;
        m_trendCurves.erase(at);
        replotTrend();
        showMonitorLogState();
        return;
    }
    const UnDisplayRecord *record = findMonitor(defs, code);
    if (!record || m_trendCurves.size() >= MonitorTrend::kMaxCurves) {
        m_markingTrend = true;
        item->setCheckState(Qt::Unchecked);
        m_markingTrend = false;
        if (record)
            Prompt::warning(this, tr("趋势曲线"),
                            tr("最多同时显示 %1 条趋势曲线。").arg(MonitorTrend::kMaxCurves));
        return;
    }
    // The first colour no other curve has.
    QColor colour = kTrendColours[0];
    for (const QColor &c : kTrendColours) {
        if (std::none_of(m_trendCurves.cbegin(), m_trendCurves.cend(),
                         [&](const TrendCurve &t) { return t.curve->pen().color() == c; })) {
            colour = c;
            break;
        }
    }
    TrendCurve added{code, TrendSeries(), new FastCurve(curveTitle(*record))};
    added.curve->setPen(QPen(colour, 2));
    added.curve->attach(m_trendPlot);
    m_trendCurves.append(added);
    replotTrend();
    showMonitorLogState();
}

void MainWindow::monitorCycleDone()
{
    if (!m_trendCurves.isEmpty()) {
        if (!m_trendClock.isValid())
            m_trendClock.start();
        const double t = double(m_trendClock.elapsed()) / 1000;
        for (TrendCurve &c : m_trendCurves) {
            const UnDisplayRecord *record = findMonitor(defs, c.code);
            if (record && m_cycleCodes.contains(c.code))
                c.series.append(t, MonitorTrend::numberText(record->rawValue, record->UnDisplayFormat,
                                                            record->UnDisplayVarType).toDouble());
        }
        replotTrend();
    }
    if (!m_monitorLog.isOpen())
        return;
    // A variable this cycle did not read leaves its field empty, never an
    // old value.
    QStringList fields;
    for (const MonitorLog::Column &column : m_monitorLog.columns()) {
        const UnDisplayRecord *record = findMonitor(defs, column.code);
        fields << (record && m_cycleCodes.contains(column.code)
                       ? MonitorTrend::numberText(record->rawValue, record->UnDisplayFormat, record->UnDisplayVarType)
                       : QString());
    }
    QString error;
    if (m_monitorLog.append(QDateTime::currentDateTime(), double(m_logClock.elapsed()) / 1000, fields, &error)) {
        showMonitorLogState();
        return;
    }
    m_trendLogBox->setChecked(false);
    showMonitorLogState();
    Prompt::critical(this, tr("监视量记录"),
                     tr("写入记录文件失败，记录已停止：%1\n%2\n已写入的 %3 行保留在文件中。")
                         .arg(QDir::toNativeSeparators(m_logPath), error)
                         .arg(m_monitorLog.lines()));
}

void MainWindow::toggleMonitorLog(bool on)
{
    if (!on) {
        m_monitorLog.stop();
        showMonitorLogState();
        return;
    }
    m_trendLogBox->setChecked(false); // until the log has started
    if (m_trendCurves.isEmpty()) {
        Prompt::warning(this, tr("监视量记录"), tr("请先在表格的代码列勾选要记录的监视量。"));
        return;
    }
    const QString name = QStringLiteral("monitor-%1.csv")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = Prompt::getSaveFileName(this, tr("监视量记录文件"), QDir::home().filePath(name),
                                                 tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    QVector<MonitorLog::Column> columns;
    for (const TrendCurve &c : m_trendCurves) {
        const UnDisplayRecord *record = findMonitor(defs, c.code);
        columns.append(
            {c.code, record ? record->UnDisplayName : QString(), record ? record->UnDisplayUnit : QString()});
    }
    QString error;
    if (!m_monitorLog.start(path, columns, &error)) {
        Prompt::critical(this, tr("监视量记录"),
                         tr("无法写入记录文件：%1\n%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    m_logPath = path;
    m_logClock.start();
    m_trendLogBox->setChecked(true);
    showMonitorLogState();
}

void MainWindow::clearTrend()
{
    for (TrendCurve &c : m_trendCurves)
        c.series.clear();
    m_trendClock.invalidate();
    replotTrend();
}

void MainWindow::replotTrend()
{
    // Points further apart than a few query periods (the query paused, or
    // ran once by hand) are not joined.
    const double period = double(ui->spinBox_UnQueryPeriod->value()) / 1000;
    double last = 10, low = qInf(), high = -qInf();
    for (TrendCurve &c : m_trendCurves) {
        const QVector<QPointF> points = c.series.points();
        c.curve->setMaxStep(3 * c.series.bucket() * period + 1);
        c.curve->setPoints(points);
        if (points.isEmpty())
            continue;
        last = qMax(last, points.last().x());
        for (const QPointF &p : points) {
            low = qMin(low, p.y());
            high = qMax(high, p.y());
        }
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    const double margin = high > low ? (high - low) * 0.05 : qMax(1.0, std::abs(high) * 0.05);
    m_trendPlot->setAxisScale(QwtPlot::xBottom, 0, last);
    m_trendPlot->setAxisScale(QwtPlot::yLeft, low - margin, high + margin);
    m_trendPlot->replot();
}
