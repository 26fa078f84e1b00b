#pragma once

#include <qwt_plot_curve.h>

#include <QVector>

// A curve that draws long point lists quickly: of the points in each pixel
// column of the visible range it hands the painter only the first, lowest,
// highest and last, so the drawn shape is exact while the cost follows the
// plot's width. A curve that should look two pixels wide is stroked twice
// with one-pixel lines, one pixel apart, which costs a fraction of a wide pen.
// The points are expected in increasing x, as captured samples are; points
// further apart than the largest step are not joined, so a stretch of lost
// samples shows as a break in the line.
class FastCurve : public QwtPlotCurve
{
public:
    explicit FastCurve(const QString &title = QString());

    void setPoints(const QVector<QPointF> &points);
    const QVector<QPointF> &points() const { return m_points; }
    // The largest x step that is still drawn as a line; 0 joins every point.
    void setMaxStep(double step) { m_maxStep = step; }

    // The polylines the painter gets for one drawing, in device coordinates:
    // one per stretch without a break.
    QVector<QPolygonF> reduced(const QwtScaleMap &xMap, const QwtScaleMap &yMap) const;

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                    int from, int to) const override;

private:
    QVector<QPointF> m_points;
    double m_maxStep = 0;
};
