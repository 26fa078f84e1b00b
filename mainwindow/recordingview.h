#pragma once

// A window that shows a whole recording and lets it be zoomed and panned
// down to single samples. Its curves ask the recording for one minimum and
// maximum per pixel column of the visible span, so drawing costs the same
// whatever the length. The visible span can go to the waveform page (for
// its cursors, units and spectrum) once it fits there, or to a CSV file.
// The pointer reads the time, the time of day and the values under it.

#include "mainwindow/waverecording.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;
class QwtPlot;

class RecordingView : public QDialog
{
    Q_OBJECT

public:
    // Takes an opened recording; `pageCapacity` is what the page can hold.
    RecordingView(std::unique_ptr<WaveRecording::Reader> reader, const QString &path, int pageCapacity,
                  QWidget *parent = nullptr);
    ~RecordingView() override;

    WaveRecording::Reader &reader() { return *m_reader; }
    QwtPlot *plot() const { return m_plot; }
    // The sample positions the time axis shows, [from, to).
    void visibleSpan(qint64 *from, qint64 *to) const;
    // Shows positions [from, to).
    void showSpan(qint64 from, qint64 to);
    // What the pointer at time `t` (seconds from the start) reads: the time,
    // the time of day, and per channel the value of the sample there, or the
    // lowest and highest value of the samples its pixel column covers.
    QString pointerText(double t) const;

signals:
    // The visible span's samples, for the waveform page.
    void showOnPage(const WaveRecording::Samples &samples, qint64 from);

private:
    void spanChanged();
    void exportSpan(bool whole);

    std::unique_ptr<WaveRecording::Reader> m_reader;
    QString m_path;
    int m_pageCapacity;
    QwtPlot *m_plot;
    QLabel *m_info;
    QPushButton *m_toPage;
    std::array<double, WaveRecording::kChannels> m_coefficients{};
    qint64 m_shownFrom = -1, m_shownTo = -1;
};
