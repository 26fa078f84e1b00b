#pragma once

#include "mainwindow/wavetrigger.h"

#include <QGroupBox>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// The trigger controls of the waveform page: mode, source channel, edge,
// level (in the source channel's unit), pre-trigger share, and the state of
// the trigger.
class TriggerPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit TriggerPanel(QWidget *parent = nullptr);

    WaveTrigger::Mode mode() const;
    int source() const;
    WaveTrigger::Edge edge() const;
    double level() const;
    int preTrigger() const;
    // Idle shows nothing.
    void showState(WaveTrigger::State state);

signals:
    // Any control changed.
    void changed();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QComboBox *m_mode;
    QComboBox *m_source;
    QComboBox *m_edge;
    QDoubleSpinBox *m_level;
    QSpinBox *m_pre;
    QLabel *m_state;
    WaveTrigger::State m_shownState = WaveTrigger::Idle;
    std::array<QLabel *, 4> m_labels{};
};
