#pragma once

#include <qwt_plot_curve.h>

#include <QVector>

// A curve that draws long point lists quickly: of the points in each pixel
// column of the visible range it hands the painter only the first, lowest,
// highest and last, so the drawn shape is exact while the cost follows the
// plot's width. A curve that should look two pixels wide is stroked twice
// with one-pixel lines, one pixel apart, which costs a fraction of a wide pen.
// The points are expected in increasing x, as captured samples are.
class FastCurve : public QwtPlotCurve
{
public:
    explicit FastCurve(const QString &title = QString());

    void setPoints(const QVector<QPointF> &points);
    const QVector<QPointF> &points() const { return m_points; }

    // The polyline the painter gets for one drawing, in device coordinates.
    QPolygonF reduced(const QwtScaleMap &xMap, const QwtScaleMap &yMap) const;

protected:
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &canvasRect,
                    int from, int to) const override;

private:
    QVector<QPointF> m_points;
};
