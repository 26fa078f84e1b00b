#include "mainwindow/fastcurve.h"

#include <qwt_scale_map.h>

#include <QPainter>

#include <algorithm>
#include <cmath>

FastCurve::FastCurve(const QString &title)
    : QwtPlotCurve(title)
{
    // The page sets its axes itself; the plot need not measure the points.
    setItemAttribute(QwtPlotItem::AutoScale, false);
}

void FastCurve::setPoints(const QVector<QPointF> &points)
{
    m_points = points;
    setSamples(points); // shares the data; the base class serves legends and pickers
}

QVector<QPolygonF> FastCurve::reduced(const QwtScaleMap &xMap, const QwtScaleMap &yMap) const
{
    QVector<QPolygonF> pieces;
    if (m_points.isEmpty())
        return pieces;
    const double lowX = qMin(xMap.s1(), xMap.s2());
    const double highX = qMax(xMap.s1(), xMap.s2());
    const auto byX = [](const QPointF &p, double x) { return p.x() < x; };
    int begin = int(std::lower_bound(m_points.cbegin(), m_points.cend(), lowX, byX) - m_points.cbegin());
    int end = int(std::lower_bound(m_points.cbegin(), m_points.cend(), highX, byX) - m_points.cbegin());
    // One point beyond each edge, so that the line reaches the border.
    begin = qMax(0, begin - 1);
    end = qMin(int(m_points.size()), end + 1);
    QPolygonF out;
    out.reserve(4 * (int(std::abs(xMap.p2() - xMap.p1())) + 4));

    bool open = false;
    double column = 0, first = 0, low = 0, high = 0, last = 0;
    const auto flush = [&] {
        out.append(QPointF(column, first));
        if (low != first)
            out.append(QPointF(column, low));
        if (high != low)
            out.append(QPointF(column, high));
        if (last != high)
            out.append(QPointF(column, last));
    };
    for (int i = begin; i < end; ++i) {
        if (m_maxStep > 0 && i > begin && m_points[i].x() - m_points[i - 1].x() > m_maxStep) {
            if (open)
                flush();
            open = false;
            pieces.append(out);
            out = QPolygonF();
        }
        const double px = std::floor(xMap.transform(m_points[i].x()));
        const double py = yMap.transform(m_points[i].y());
        if (!open || px != column) {
            if (open)
                flush();
            open = true;
            column = px;
            first = low = high = last = py;
        } else {
            low = qMin(low, py);
            high = qMax(high, py);
            last = py;
        }
    }
    if (open)
        flush();
    pieces.append(out);
    return pieces;
}

void FastCurve::drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap, const QRectF &, int,
                           int) const
{
    const QVector<QPolygonF> pieces = reduced(xMap, yMap);
    if (pieces.isEmpty())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    QPen thin = pen();
    const bool wide = thin.widthF() > 1.5;
    thin.setWidth(1);
    painter->setPen(thin);
    for (int pass = 0; pass < (wide ? 2 : 1); ++pass) {
        if (pass > 0)
            painter->translate(0, 1);
        // A lone sample between two breaks is still seen.
        for (const QPolygonF &piece : pieces) {
            if (piece.size() == 1)
                painter->drawPoint(piece.first());
            else
                painter->drawPolyline(piece);
        }
    }
    painter->restore();
}
