// The command layer: sending commands, routing replies to the pages that
// asked, the link status (lamp, texts, counters), connect and disconnect,
// the port list and the watchdog of busy flags.

#include "mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "dialogs/prompt.h"
#include "link/platform.h"
#include "mainwindow/replydispatch.h"

#include "app/applog.h"
#include "link/linkengine.h"

#include <QDir>
#include <QTimer>

bool MainWindow::linkReady()
{
    if (isCommunicateSetUp == 1)
        return true;
    Prompt::critical(this, tr("错误"), tr("通信未建立，请先连接设备！"));
    return false;
}

void MainWindow::sendCommand(int index, const QByteArray &payload, int rxLen)
{
    loadRequest(index, m_txBuffers, payload, rxLen);
    if (index != Cmd::WaveStop && index != Cmd::WaveKeepAlive)
        ++m_awaiting[size_t(index)];
    emit put(index);
}

// --- Replies -----------------------------------------------------------------

void MainWindow::showData(int index)
{
    qCDebug(lcWindow) << "get Frame" << "showData" << __LINE__;
    const ReplyDispatch::AckBy ack = ReplyDispatch::ackBy(index);
    if (ack == ReplyDispatch::AckBy::Ignored || ack == ReplyDispatch::AckBy::Nobody)
        return;
    if (m_awaiting[size_t(index)] > 0)
        --m_awaiting[size_t(index)];
    checkDriveStopped();
    if (ack == ReplyDispatch::AckBy::Handler) {
        pageReply(index, ReplyDispatch::copyPayload(commandTable[index]));
        return;
    }

    const Frame &record = commandTable[index];
    switch (index) {
    case Cmd::SoftwareVersion1:
    case Cmd::SoftwareVersion2:
        // The about box copies the bytes during the call; then the reply is
        // acknowledged like any other, so that the worker does not wait for ever.
        emit putSoftWare(record);
        break;
    case Cmd::VersionCheck1:
    case Cmd::VersionCheck2: {
        // The reply is copied and acknowledged first: the warning it may
        // bring must not hold the worker.
        const QByteArray payload = ReplyDispatch::copyPayload(record);
        emit funcEnd();
        versionCheckReply(index, payload);
        return;
    }
    case Cmd::DeviceInfo: {
        const QByteArray payload = ReplyDispatch::copyPayload(record);
        emit funcEnd();
        identifyDevice(reinterpret_cast<const uint8_t *>(payload.constData()),
                       payload.size() + FrameFormat::kOverhead);
        return;
    }
    case Cmd::WaveTriggerAck:
        qCDebug(lcWindow) << "收到触发应答";
        break;
    case Cmd::WaveStateAck:
    case Cmd::WaveStateAck2: {
        const QByteArray payload = ReplyDispatch::copyPayload(record);
        qCDebug(lcWindow) << "收到状态应答:" << (payload.size() > 1 ? uint8_t(payload.at(1)) : 0);
        break;
    }
    default:
        break;
    }
    emit funcEnd();
}

void MainWindow::pageReply(int index, const QByteArray &payload)
{
    switch (index) {
    case Cmd::ReadParamRange:
        readAllReply(payload);
        return;
    case Cmd::ReadParamList:
        readSelectedReply(payload);
        return;
    case Cmd::WriteParams:
        downloadReply(payload);
        return;
    case Cmd::ReadMonitor:
        monitorReply(payload);
        return;
    case Cmd::ManualRun:
        manualRunReply(payload);
        return;
    case Cmd::ControlMode:
        settingsReply(payload);
        return;
    default:
        // Pages that have no handler of their own yet take the reply as read.
        emit funcEnd();
        return;
    }
}

// --- Link status ---------------------------------------------------------------

void MainWindow::showLamp(bool green)
{
    ui->connectLight_1->setPixmap(green ? m_greenLamp : m_redLamp);
    ui->connectLight_1->show();
}

void MainWindow::comStateShow(uint16_t state)
{
    if (state == 1) {
        const bool cameUp = isCommunicateSetUp != 1;
        isCommunicateSetUp = 1;
        // A new link: whatever end was asked for is behind it.
        if (cameUp)
            m_linkEndAsked = false;
        ui->communicateState->setText(tr("通信正常"));
        // Also when the link was opened from the connection set-up dialog:
        // the button then ends it.
        ui->pushButton->setText(tr("断开连接"));
        m_manualRun->handle(ManualRunMachine::Link, ManualRunMachine::LinkNormal);
        showLamp(true);
        if (queryInfoOnParamPage && ui->stackedWidget->currentWidget() == ui->param_page) {
            queryInfoOnParamPage = false;
            ProductSerial_Query();
            infoRequestedFromParamPage = true;
        }
        if (queryInfoAfterConnect) {
            queryInfoAfterConnect = false;
            ProductSerial_Query();
        }
        if (queryModeAfterReconnect) {
            queryModeAfterReconnect = false;
            ControlMode_Query();
        }
        // The manual run page asks the drive whether the servo is on.
        if (cameUp)
            m_manualRun->handle(ManualRunMachine::Link, ManualRunMachine::LinkUp);
        return;
    }
    isCommunicateSetUp = state;
    // Whatever was on its way is gone with the link.
    m_awaiting.fill(0);
    checkDriveStopped();
    waveLinkDown(state);
    ui->communicateState->setText(state != 0 ? tr("通信超时") : tr("通信断开"));
    m_manualRun->handle(ManualRunMachine::Link, ManualRunMachine::LinkLost);
    if (state == 0) {
        stopStampRequests();
        faultLinkEnded();
        clearIdentification();
    }
    showLamp(false);
    // With the link gone the button connects again; say so.
    if (state == 0)
        ui->pushButton->setText(tr("连接设备"));
    abortTransfersOnLinkLoss();
}

void MainWindow::retranslateLinkTexts()
{
    if (isCommunicateSetUp == 1) {
        ui->communicateState->setText(tr("通信正常"));
        ui->pushButton->setText(tr("断开连接"));
    } else if (isCommunicateSetUp == 0) {
        ui->communicateState->setText(tr("通信断开"));
        ui->pushButton->setText(tr("连接设备"));
    } else {
        ui->communicateState->setText(tr("通信超时"));
        ui->pushButton->setText(tr("断开连接"));
    }
    ui->txNum->setText(m_txText);
    ui->rxNum->setText(m_rxText);
    ui->errorNum->setText(m_erText);
}

void MainWindow::comTxNumShow(uint32_t count)
{
    m_txText = QStringLiteral("Tx:%1").arg(count);
    ui->txNum->setText(m_txText);
}

void MainWindow::comRxNumShow(uint32_t count)
{
    m_rxText = QStringLiteral("Rx:%1").arg(count);
    ui->rxNum->setText(m_rxText);
}

void MainWindow::comErNumShow(uint32_t count)
{
    m_erText = QStringLiteral("ER:%1").arg(count);
    ui->errorNum->setText(m_erText);
}

void MainWindow::comNumReset()
{
    emit comNumberReset();
    m_txText = QStringLiteral("TX:%1").arg(0);
    m_rxText = QStringLiteral("RX:%1").arg(0);
    m_erText = QStringLiteral("ER:%1").arg(0);
    retranslateLinkTexts();
}

void MainWindow::showError(QString message)
{
    statusBar()->showMessage(message);
}

void MainWindow::comEndCause(int cause)
{
    m_endCause = cause;
}

void MainWindow::showMsg(QString message)
{
    const int cause = m_endCause;
    m_endCause = -1;
    // The worker tells every end of the link; one the engineer asked for
    // needs no box (the status line says it).
    if (m_linkEndAsked || cause == LinkEngine::EndAsked) {
        m_linkEndAsked = false;
        return;
    }
    if (cause < 0) {
        Prompt::information(this, tr("连接"), message);
        return;
    }
    // The drive was lost: say why, and offer the same port again.
    const QString why = cause == LinkEngine::EndNoReply    ? tr("驱动器连续三次没有应答。")
                        : cause == LinkEngine::EndPortGone ? tr("端口已不存在：设备被拔出或线路被断开。")
                                                           : tr("无法向端口写入数据：设备可能已被拔出。");
    const QString text = tr("与驱动器的连接已丢失（端口 %1）。\n%2\n\n是否重新连接同一端口？")
                             .arg(QDir::toNativeSeparators(m_lastLink.port), why);
    if (Prompt::warning(this, message, text, QMessageBox::Retry | QMessageBox::Close) == QMessageBox::Retry)
        reconnectDrive();
}

void MainWindow::reconnectDrive()
{
    if (isCommunicateSetUp != 0 || m_lastLink.port.isEmpty())
        return;
    queryInfoOnParamPage = true;
    queryInfoAfterConnect = true;
    emit connectPara(m_lastLink.port, m_lastLink.baud, m_lastLink.dataBits, m_lastLink.parity, m_lastLink.stopBits);
    ui->pushButton->setText(tr("断开连接"));
}

// --- Connect and disconnect ------------------------------------------------------

void MainWindow::on_pushButton_clicked()
{
    if (isCommunicateSetUp == 0) {
        queryInfoOnParamPage = true;
        queryInfoAfterConnect = true;
        const QString port = ui->portSel->currentText();
        if (port.startsWith(QLatin1String("HID"))) {
            emit connectPara(PortScan::hidPathFor(port, m_hidDevices), PortScan::kVendorId, 0, 1, 1);
        } else {
            const uint32_t baud = m_appSettings.waveFormRate10Khz ? 921600 : 115200;
            emit connectPara(Platform::connectName(port), baud, 8, 0, 1);
        }
        ui->pushButton->setText(tr("断开连接"));
    } else {
        if (m_stop.active)
            return; // the disconnect asked for is under way
        queryModeAfterReconnect = true;
        if (isCommunicateSetUp == 1)
            qCDebug(lcWindow) << "点击了断开设备";
        // The drive is stopped first (capture, JOG, servo); the link ends
        // when it has answered.
        disconnectDrive();
        ui->pushButton->setText(tr("连接设备"));
    }
    updateServoLabels();
}

// --- Port list -------------------------------------------------------------------

void MainWindow::searchComPort()
{
    QStringList entries;
    for (int i = 0; i < ui->portSel->count(); ++i)
        entries.append(ui->portSel->itemText(i));
    const QString current = ui->portSel->currentText();

    QStringList fresh = Platform::serialPorts();
    if (isCommunicateSetUp == 1)
        return; // frozen while linked

    m_hidDevices = PortScan::enumerateHid();
    QStringList hidPaths;
    fresh += PortScan::hidEntries(m_hidDevices, &hidPaths);
    emit updateExistHID(hidPaths);

    // Compared name by name: a port swapped for another between two scans is
    // picked up too.
    if (fresh != entries) {
        ui->portSel->clear();
        ui->portSel->addItems(fresh);
        const int at = fresh.indexOf(current);
        if (at >= 0)
            ui->portSel->setCurrentIndex(at);
    }
    if (fresh.isEmpty()) {
        ui->pushButton->setEnabled(false);
        ui->pushButton->setText(tr("连接设备"));
    } else {
        ui->pushButton->setEnabled(true);
    }
}

// --- Keep-alive, watchdog, queries -------------------------------------------------

void MainWindow::comIdleDeal()
{
    // No keep-alive while the traffic monitor's button is on show, so that
    // the monitor is not flooded with them.
    if (!ui->pushButton_showCommData->isHidden())
        return;
    sendCommand(Cmd::IdleQuery, QByteArray(2, '\0'));
}

void MainWindow::SerialDataQueryTimeOutDeal()
{
    const int interval = m_scanTimer ? m_scanTimer->interval() : 100;
    m_monitorWatchdog.tick(interval, unQueryBusy);
    m_transferWatchdog.tick(interval, paramTransferBusy);
}

void MainWindow::ProductSerial_Query()
{
    if (!linkReady())
        return;
    // Monitor group 2, items 1 to 16: the drive's identification entries.
    sendCommand(Cmd::DeviceInfo, QByteArray::fromHex("020102100010"), 0x66);
    qCDebug(lcWindow) << "读取产品系列信息";
}

void MainWindow::ControlMode_Query()
{
    if (!linkReady())
        return;
    // The record's request length holds four payload bytes; they go out as zeros.
    sendCommand(Cmd::ControlMode, QByteArray(4, '\0'));
}

void MainWindow::getSoftWare()
{
    if (!linkReady())
        return;
    sendCommand(Cmd::SoftwareVersion1, QByteArray(2, '\0'));
    sendCommand(Cmd::SoftwareVersion2, QByteArray(2, '\0'));
}
