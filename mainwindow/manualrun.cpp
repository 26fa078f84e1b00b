#include "mainwindow/manualrun.h"

#include "app/applog.h"

#include <cmath>
#include <cstring>

namespace {
quint16 saturatingIncrement(quint16 v)
{
    return v == 0xFFFF ? v : quint16(v + 1);
}
} // namespace

ManualRunMachine::ManualRunMachine(ManualRunView &view)
    : m_view(view)
{
}

bool ManualRunMachine::takeFillSettings()
{
    const bool fill = m_fillSettings;
    m_fillSettings = false;
    return fill;
}

bool ManualRunMachine::send(quint16 code, quint16 v1, quint16 v2, quint16 v3)
{
    if (!m_view.send(code, v1, v2, v3))
        return false;
    m_replyPending = true;
    return true;
}

void ManualRunMachine::handle(Source source, int event)
{
    if (source == User && (event == ServoOn || event == ServoOff))
        m_adoptOnReply = false;
    // Servo off and a lost link end whatever runs. A link lost while the
    // servo was on leaves the drive as it was: nothing can tell it to stop.
    const bool leftEnergised = source == Link && event == LinkLost && servoOn();
    if ((source == User && event == ServoOff) || (source == Link && event == LinkLost))
        m_state = ServoOffState;

    switch (m_state) {
    case ServoOffState:
        stateServoOff(source, event);
        break;
    case JogState:
        stateJog(source, event);
        break;
    case IdentifyState:
        stateIdentify(source, event);
        break;
    case MeasureState:
        stateMeasure(source, event);
        break;
    default:
        break;
    }
    if (leftEnergised)
        m_view.warn(tr("通信中断"), tr("通信中断时伺服处于使能状态，驱动器可能仍在通电运行！\n"
                                     "请在驱动器上确认，或重新连接后关闭伺服。"));
}

bool ManualRunMachine::stopBeforeDisconnect()
{
    bool sent = false;
    if (m_jogging)
        sent = send(JogStop);
    m_jogging = false;
    if (m_state != ServoOffState) {
        switchServoOff();
        sent = true;
    }
    return sent;
}

void ManualRunMachine::switchServoOff()
{
    send(CodeServoOff);
    m_jogging = false;
    m_view.setTimerRunning(false);
    m_view.setServoStyles(false, true);
    m_view.setInertiaButton(false);
    m_view.setMeasureButton(false);
    for (ManualRunView::Control c : {ManualRunView::CwButton, ManualRunView::CcwButton, ManualRunView::InertiaButton,
                                     ManualRunView::MeasureButton})
        m_view.setEnabled(c, false);
    m_view.setEnabled(ManualRunView::QueryButton, true);
    m_view.setEnabled(ManualRunView::NextStepButton, m_measureDone);
    m_view.showValues(nullptr);
    m_state = ServoOffState;
}

void ManualRunMachine::stateServoOff(Source source, int event)
{
    if (source == User && event == ServoOn) {
        send(CodeServoOn, m_view.inputs().jogSpeed, 100, 0);
        m_view.setTimerRunning(true);
        m_fillSettings = true;
        m_view.requestSettings();
        m_view.setServoStyles(true, false);
        m_view.setEnabled(ManualRunView::CwButton, true);
        m_view.setEnabled(ManualRunView::CcwButton, true);
        m_view.setEnabled(ManualRunView::QueryButton, false);
        m_view.setEnabled(ManualRunView::ServoOnButton, false);
        m_faultCheck = true;
        m_replyCount = 0;
        m_state = JogState;
    } else if (source == User && event == ServoOff) {
        switchServoOff();
    } else if (source == Link && event == LinkNormal) {
        m_view.setEnabled(ManualRunView::ServoOnButton, true);
        m_view.setEnabled(ManualRunView::ServoOffButton, true);
        m_view.setEnabled(ManualRunView::QueryButton, true);
        m_view.setEnabled(ManualRunView::Sliders, true);
    } else if (source == Link && event == LinkUp) {
        // What the drive reports decides how the page starts: a drive still
        // energised from before shows as on, with servo off at hand. Only
        // the answer to this query counts: a poll answered after a servo
        // off still tells of the servo as it was.
        m_adoptOnReply = send(ReadData);
    } else if (source == Link && event == DataReply) {
        if (m_adoptOnReply && m_reply.energised())
            adoptServoOn();
        m_adoptOnReply = false;
    } else if (source == Link && event == LinkLost) {
        m_jogging = false;
        m_view.setTimerRunning(false);
        m_view.setServoStyles(false, false);
        for (ManualRunView::Control c :
             {ManualRunView::ServoOnButton, ManualRunView::ServoOffButton, ManualRunView::CwButton,
              ManualRunView::CcwButton, ManualRunView::QueryButton, ManualRunView::InertiaButton,
              ManualRunView::MeasureButton})
            m_view.setEnabled(c, false);
        m_view.setInertiaButton(false);
        m_view.setMeasureButton(false);
        m_view.showValues(nullptr);
        m_measuring = false;
        m_replyPending = false;
    }
}

void ManualRunMachine::adoptServoOn()
{
    qCDebug(lcWindow) << "drive reports the servo on, state" << m_reply.driveState;
    m_view.setTimerRunning(true);
    m_view.setServoStyles(true, false);
    m_view.setEnabled(ManualRunView::ServoOffButton, true);
    m_view.setEnabled(ManualRunView::CwButton, true);
    m_view.setEnabled(ManualRunView::CcwButton, true);
    m_view.setEnabled(ManualRunView::QueryButton, false);
    m_view.setEnabled(ManualRunView::ServoOnButton, false);
    m_view.showValues(&m_reply);
    m_faultCheck = false;
    m_replyCount = 0;
    m_state = JogState;
}

void ManualRunMachine::releaseJog()
{
    // Release, focus loss, a hidden or disabled button all end up here; the
    // drive hears one stop per JOG.
    if (!m_jogging)
        return;
    m_jogging = false;
    send(JogStop);
}

void ManualRunMachine::poll()
{
    ++m_ticks;
    if (!m_replyPending) {
        if (m_state == IdentifyState && m_identifyStartPending) {
            const ManualRunView::Inputs in = m_view.inputs();
            send(StartIdentification, in.maxSpeed, in.revolutions, in.movementType);
            m_identifyStartPending = false;
        } else {
            send(ReadData);
        }
        m_ticks = 0;
    } else if (m_ticks >= kGiveUpTicks) {
        // A reply lost for about 15 s is given up and polling resumes.
        m_replyPending = false;
        m_ticks = 0;
    }
}

void ManualRunMachine::stateJog(Source source, int event)
{
    if (source == User) {
        switch (event) {
        case CwPressed:
            m_jogging = send(JogCw) || m_jogging;
            break;
        case CcwPressed:
            m_jogging = send(JogCcw) || m_jogging;
            break;
        case CwReleased:
        case CcwReleased:
            releaseJog();
            break;
        case InertiaIdentification:
            startIdentificationRun(true);
            break;
        default:
            break;
        }
    } else if (source == Timer && event == Tick) {
        poll();
    } else if (source == Link && event == DataReply) {
        jogReply();
    }
}

void ManualRunMachine::jogReply()
{
    m_replyCount = saturatingIncrement(m_replyCount);
    // The servo goes off first; the warning comes when the drive has been told.
    if (!m_reply.ready() && m_faultCheck) {
        m_faultCheck = false;
        switchServoOff();
        m_view.warn(tr("JOG无法运行"), tr("系统当前非就绪状态！"));
        return;
    }
    if (m_reply.faultCode != 0 && m_faultCheck && m_view.faultStops(m_reply.faultCode)) {
        qCDebug(lcWindow) << "伺服有故障，故障码：" << m_reply.faultCode << "需要执行的操作:" << "STOP";
        m_faultCheck = false;
        switchServoOff();
        m_view.warn(tr("JOG无法运行"), tr("系统当前有故障"));
        return;
    }
    if (m_replyCount > 2) {
        m_view.showValues(&m_reply);
        m_view.setEnabled(ManualRunView::InertiaButton, m_reply.identificationAllowed());
    }
}

void ManualRunMachine::startIdentificationRun(bool first)
{
    if (first) {
        // The drive is told to stop first; the start follows on the next tick.
        send(CodeServoOff);
        m_jogging = false;
        m_identifyStartPending = true;
        m_view.setEnabled(ManualRunView::ServoOnButton, false);
        m_view.setEnabled(ManualRunView::CwButton, false);
        m_view.setEnabled(ManualRunView::CcwButton, false);
        m_state = IdentifyState;
    } else {
        const ManualRunView::Inputs in = m_view.inputs();
        send(StartIdentification, in.maxSpeed, in.revolutions, in.movementType);
    }
    m_view.setTimerRunning(true);
    m_identifyTicks = 0;
    m_identifyRunningSeen = false;
    m_view.setInertiaButton(true);
    m_inertiaWritePending = true;
}

void ManualRunMachine::startMeasurementRun()
{
    m_measureTicks = 0;
    send(StartMeasurement);
    m_view.setTimerRunning(true);
    m_measuring = true;
    m_view.setMeasureButton(true);
    m_levels.clear();
    m_measureReplies = 0;
}

void ManualRunMachine::stateIdentify(Source source, int event)
{
    if (source == User && event == InertiaIdentification) {
        if (!m_identifyStartPending)
            startIdentificationRun(false);
        else
            m_view.warn(tr("无法执行操作"), tr("惯量识别中，待测试完毕后再试"));
    } else if (source == User && event == AutoMeasurement) {
        startMeasurementRun();
        for (ManualRunView::Control c : {ManualRunView::ServoOnButton, ManualRunView::CwButton,
                                         ManualRunView::CcwButton, ManualRunView::InertiaButton})
            m_view.setEnabled(c, false);
        m_state = MeasureState;
    } else if (source == Timer && event == Tick) {
        poll();
        m_identifyTicks = saturatingIncrement(m_identifyTicks);
    } else if (source == Link && event == DataReply) {
        identifyReply();
    }
}

void ManualRunMachine::identifyReply()
{
    m_view.showValues(&m_reply);
    m_view.showInertiaResults(m_reply);
    if (m_reply.identificationRunning())
        m_identifyRunningSeen = true;
    if (!m_reply.identificationFinished() || m_identifyTicks < 4) {
        m_view.setEnabled(ManualRunView::NextStepButton, false);
        m_view.setEnabled(ManualRunView::MeasureButton, false);
        if (m_identifyTicks >= 3 && !m_identifyRunningSeen) {
            qCDebug(lcWindow) << "点击惯量识别，但是没有收到惯量识别中";
            m_state = ServoOffState;
            m_view.setInertiaButton(false);
        }
        return;
    }
    m_view.setEnabled(ManualRunView::NextStepButton, true);
    m_view.setEnabled(ManualRunView::MeasureButton, true);
    m_view.setTimerRunning(false);
    m_view.setInertiaButton(false);
    qCDebug(lcWindow) << "bManRun_InertiaRateWrite = " << m_inertiaWritePending;
    if (!m_inertiaWritePending)
        return;
    m_inertiaWritePending = false;
    // The ratio travels as a 16-bit word and must fit the drive's parameter:
    // a value outside is refused, never cut to 16 bits.
    qint64 low = 0, high = 0xFFFF;
    qint64 paramLow, paramHigh;
    if (m_view.inertiaRatioRange(&paramLow, &paramHigh)) {
        low = qMax(low, paramLow);
        high = qMin(high, paramHigh);
    }
    const double ratio = double(m_reply.inertiaRatio);
    const QString ratioText = QString::number(ratio, 'f', 0);
    if (!(ratio > double(low) - 0.5 && ratio < double(high) + 0.5)) {
        m_view.warn(tr("惯量识别完成"), tr("识别的负载惯量比 %1 超出参数范围 %2～%3，不能写入驱动器。")
                                          .arg(std::isfinite(ratio) ? ratioText : QStringLiteral("--"))
                                          .arg(low)
                                          .arg(high));
        return;
    }
    const quint16 value = quint16(std::lround(ratio));
    m_view.pauseComm(true);
    const auto answer = m_view.ask(tr("惯量识别完成"),
                                   tr("负载惯量比：%1<br/>是否写入到驱动器？<br/>点击“是”写入，点击“否”则不写入").arg(value),
                                   QMessageBox::Yes | QMessageBox::No);
    // While the question was open the servo may have gone off or the link down.
    if (answer == QMessageBox::Yes && m_state == IdentifyState)
        send(WriteInertia, 0, value, 0);
    m_view.pauseComm(false);
}

void ManualRunMachine::stateMeasure(Source source, int event)
{
    if (source == User && event == AutoMeasurement) {
        qCDebug(lcWindow) << "收到自动参数测试命令";
        if (!m_measuring)
            startMeasurementRun();
        else
            m_view.warn(tr("无法执行操作"), tr("参数测量中，待测试完毕后再试"));
    } else if (source == Timer && event == Tick) {
        poll();
        m_measureTicks = saturatingIncrement(m_measureTicks);
    } else if (source == Link && event == DataReply) {
        measureReply();
    }
}

void ManualRunMachine::measureReply()
{
    m_view.showValues(&m_reply);
    m_measureReplies = saturatingIncrement(m_measureReplies);
    if (m_measureReplies >= 3) {
        m_levels.insert(m_reply.level, m_reply.levelWords);
        m_view.showLevels(m_levels);
        if (m_measuring)
            m_view.showLevelParams(m_reply.levelWords);
    }
    if (m_measureTicks < 6)
        return;
    if (!m_reply.measurementFinished()) {
        if (m_reply.measurementRunning())
            return;
        if (m_measuring) {
            m_view.warn(tr("刚性等级测试结果"), tr("伺服驱动器未响应！请重新测试或关闭伺服"));
            m_measuring = false;
            m_view.setMeasureButton(false);
        }
        return;
    }
    m_measureDone = true;
    m_measureTicks = 0;
    m_view.setTimerRunning(false);
    if (!m_measuring)
        return;
    const bool backTwo = m_levels.size() > 2;
    if (backTwo && m_levels.contains(quint16(m_reply.level - 2)))
        m_view.showLevelParams(m_levels.value(quint16(m_reply.level - 2)));
    m_measuring = false;
    m_view.setMeasureButton(false);
    // Taken now: replies that come while the question is open replace m_reply.
    const quint16 level = quint16(backTwo ? m_reply.level - 2 : m_reply.level);
    m_view.pauseComm(true);
    const auto answer = m_view.ask(tr("刚性等级测试结果"), tr("测试完成！是否更新参数到驱动器？"),
                                   QMessageBox::Save | QMessageBox::Cancel);
    if (answer == QMessageBox::Save && m_state == MeasureState)
        send(WriteLevel, level);
    m_view.pauseComm(false);
}
