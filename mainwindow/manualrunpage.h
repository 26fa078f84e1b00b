#pragma once

#include "mainwindow/manualrun.h"

class MainWindow;

// The manual run page as the state machine sees it.
class ManualRunPage : public ManualRunView
{
public:
    explicit ManualRunPage(MainWindow *window);

    bool send(quint16 code, quint16 v1, quint16 v2, quint16 v3) override;
    void requestSettings() override;
    void setTimerRunning(bool running) override;
    void setServoStyles(bool onActive, bool offActive) override;
    void setEnabled(Control control, bool enabled) override;
    void setInertiaButton(bool running) override;
    void setMeasureButton(bool running) override;
    void showValues(const ManualRunReply *reply) override;
    void showInertiaResults(const ManualRunReply &reply) override;
    void showLevels(const LevelResults &levels) override;
    void showLevelParams(const std::array<quint16, 8> &words) override;
    void warn(const QString &title, const QString &text) override;
    QMessageBox::StandardButton ask(const QString &title, const QString &text,
                                    QMessageBox::StandardButtons buttons) override;
    void pauseComm(bool paused) override;
    bool faultStops(quint16 code) override;
    bool inertiaRatioRange(qint64 *min, qint64 *max) override;
    Inputs inputs() override;

private:
    MainWindow *w;
};
