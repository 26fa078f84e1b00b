#pragma once

// The spectrum window of the waveform page: per shown channel one curve of
// magnitude (dB) over frequency in the channel's colour, a choice of window
// and of span (the whole capture or the time between the cursors), a picker
// that reads frequency and magnitude, and the strongest peaks of each channel.
//
// It shows the points it was given when it was opened or last refreshed; the
// refresh button takes the page's newest points, also while a capture runs.

#include "mainwindow/wavespectrum.h"

#include <QColor>
#include <QDialog>
#include <QPointF>
#include <QString>
#include <QVector>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QwtPlot;

class SpectrumDialog : public QDialog
{
    Q_OBJECT

public:
    struct Channel {
        QString name;
        QColor colour;
        QVector<QPointF> points; // x in seconds, y the sample value
        QString unit;            // empty while unknown
    };
    struct Capture {
        QVector<Channel> channels;
        double period = 0.001; // seconds between samples
    };
    // `capture` gives the page's shown channels; `cursorSpan` the time between
    // the page's cursors, false when none are set.
    SpectrumDialog(std::function<Capture()> capture, std::function<bool(double *, double *)> cursorSpan,
                   QWidget *parent = nullptr);

public slots:
    // Takes the page's points again and recomputes.
    void refresh();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void recompute();

    std::function<Capture()> m_source;
    std::function<bool(double *, double *)> m_cursorSpan;
    Capture m_capture;
    WaveSpectrum m_spectrum;
    QwtPlot *m_plot = nullptr;
    QComboBox *m_window = nullptr;
    QComboBox *m_span = nullptr;
    QPushButton *m_refresh = nullptr;
    QLabel *m_windowLabel = nullptr;
    QLabel *m_spanLabel = nullptr;
    QLabel *m_info = nullptr;
    QTableWidget *m_peaks = nullptr;
};
