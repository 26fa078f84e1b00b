// Stopping the drive before the link ends. Whatever the tool set moving (a
// capture, a JOG, the servo) is stopped first, and the link ends, or the
// window closes, only once the drive has answered, or after about a second.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/applog.h"
#include "dialogs/prompt.h"

#include <QCloseEvent>
#include <QMutexLocker>
#include <QTimer>

#include <cstdio>

namespace {
// The whole stop, from the first command to the last answer.
constexpr int kStopWaitMs = 1000;
} // namespace

void MainWindow::stopDriveThen(std::function<void()> done)
{
    m_stop.done.append(std::move(done));
    if (m_stop.active)
        return; // the stop under way calls it too
    if (isCommunicateSetUp != 1) {
        finishDriveStop(true);
        return;
    }
    bool sent = false;
    if (waveRecording) {
        stopWaveRecording();
        sent = true;
    }
    {
        QMutexLocker lock(&m_manualRunMutex);
        m_stop.servoOff = m_manualRun->stopBeforeDisconnect();
    }
    sent = sent || m_stop.servoOff;
    if (!sent) {
        finishDriveStop(true);
        return;
    }
    // The idle query goes last: its answer means the drive has taken every
    // command before it, the capture stop included, which has no answer.
    sendCommand(Cmd::IdleQuery, QByteArray(2, '\0'));
    m_stop.active = true;
    if (!m_stop.deadline) {
        m_stop.deadline = new QTimer(this);
        m_stop.deadline->setSingleShot(true);
        connect(m_stop.deadline, &QTimer::timeout, this, [this] {
            if (m_stop.active)
                finishDriveStop(false);
        });
    }
    m_stop.deadline->start(kStopWaitMs);
    qCDebug(lcWindow) << "stopping the drive before the link ends";
}

void MainWindow::checkDriveStopped()
{
    if (!m_stop.active)
        return;
    if (isCommunicateSetUp != 1)
        finishDriveStop(false);
    else if (m_awaiting[Cmd::IdleQuery] == 0 && m_awaiting[Cmd::ManualRun] == 0)
        finishDriveStop(true);
}

void MainWindow::finishDriveStop(bool confirmed)
{
    const bool wasActive = m_stop.active;
    m_stop.active = false;
    if (m_stop.deadline)
        m_stop.deadline->stop();
    m_stop.confirmed = confirmed || !wasActive || !m_stop.servoOff;
    if (!m_stop.confirmed)
        qCWarning(lcWindow) << "the drive did not confirm the servo off before the link ended";
    const auto callbacks = m_stop.done;
    m_stop.done.clear();
    for (const auto &callback : callbacks)
        callback();
}

// --- Disconnect ----------------------------------------------------------------

void MainWindow::disconnectDrive()
{
    stopDriveThen([this] {
        m_linkEndAsked = true;
        emit comDisConnect();
        if (!m_stop.confirmed)
            Prompt::warning(this, tr("断开连接"), tr("驱动器没有确认伺服关闭，可能仍在通电运行！\n请在驱动器上确认。"));
    });
}

void MainWindow::connectFromSetup(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity,
                                  uint8_t stopBits)
{
    if (isCommunicateSetUp != 1) {
        emit connectPara(port, baud, dataBits, parity, stopBits);
        return;
    }
    // Another port or other line settings: the drive on this link is left
    // stopped, then the link starts again with what was chosen.
    stopDriveThen([=] {
        m_linkEndAsked = true;
        emit comDisConnect();
        emit connectPara(port, baud, dataBits, parity, stopBits);
    });
}

// --- Closing ---------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeReady || isCommunicateSetUp != 1) {
        if (isCommunicateSetUp != 0) {
            m_linkEndAsked = true;
            emit comDisConnect();
        }
        saveWindowPlace();
        QMainWindow::closeEvent(event);
        emit closedSafely();
        return;
    }
    event->ignore();
    stopDriveThen([this] {
        if (!m_stop.confirmed)
            std::fprintf(stderr, "servo-tool: the drive did not confirm the servo off; it may still be energised\n");
        m_closeReady = true;
        // Not from inside this close event, which is being refused.
        QTimer::singleShot(0, this, &QWidget::close);
    });
}
