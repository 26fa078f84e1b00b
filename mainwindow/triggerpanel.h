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
    // The level box steps and shows decimals as fine as one raw count of the
    // source channel and reaches as far as a 16-bit sample does.
    void setLevelUnit(double coefficient);
    int preTrigger() const;
    // Idle shows nothing; armed after a window that came without a trigger
    // (auto mode) says it runs free.
    void showState(WaveTrigger::State state, bool freeRunning = false);

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
    bool m_freeRunning = false;
    std::array<QLabel *, 4> m_labels{};
};
