#pragma once

// What the waveform page keeps for its units, cursors and measurements, and
// the plot picker whose tracker reads the channels at the pointer.

#include <qwt_plot_picker.h>
#include <qwt_text.h>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableWidget;
class QTimer;
class QwtPlotMarker;

struct WaveScope {
    QCheckBox *rawScale = nullptr; // the scale lists hold raw x scale factors
    QCheckBox *cursors = nullptr;  // vertical cursors A and B shown
    QComboBox *levelChannel = nullptr; // the horizontal cursors' channel; 0: none
    QLabel *cursorText = nullptr;
    QTableWidget *table = nullptr;
    QTimer *refresh = nullptr; // gathers the readout updates of one batch
    QObject *cursorHook = nullptr; // the canvas's event filter for the cursors
    std::array<QwtPlotMarker *, 2> time{};  // A, B
    std::array<QwtPlotMarker *, 2> level{}; // the horizontal cursors
    std::array<double, 2> at{};    // A and B, seconds
    std::array<double, 2> value{}; // the horizontal cursors, in the channel's unit
    int selected = 0;  // the time cursor the arrow keys move
    int dragging = -1; // 0, 1: a time cursor; 2, 3: a horizontal cursor
    std::array<double, 4> perDivision{{1, 1, 1, 1}}; // units per division; 0: auto
};

// The picker's tracker shows what `text` makes of the pointer's position.
class WaveTracker : public QwtPlotPicker
{
public:
    WaveTracker(std::function<QString(const QPointF &)> text, int xAxis, int yAxis, RubberBand rubberBand,
                DisplayMode trackerMode, QWidget *canvas)
        : QwtPlotPicker(xAxis, yAxis, rubberBand, trackerMode, canvas), m_text(std::move(text))
    {
    }

protected:
    QwtText trackerTextF(const QPointF &pos) const override
    {
        // Channel names come from definition and waveform files: plain text.
        QwtText text(m_text(pos), QwtText::PlainText);
        text.setBackgroundBrush(QColor(255, 255, 255, 200));
        return text;
    }

private:
    std::function<QString(const QPointF &)> m_text;
};
