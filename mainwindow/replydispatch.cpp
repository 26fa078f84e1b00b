#include "mainwindow/replydispatch.h"

namespace ReplyDispatch {

AckBy ackBy(int index)
{
    if (index < 0 || index >= Cmd::Count)
        return AckBy::Ignored;
    switch (index) {
    case Cmd::ReadParamRange:
    case Cmd::ReadParamList:
    case Cmd::WriteParams:
    case Cmd::ReadMonitor:
    case Cmd::ManualRun:
    case Cmd::ControlMode:
        return AckBy::Handler;
    case Cmd::WaveKeepAlive:
    case Cmd::FirmwarePacket:
        return AckBy::Nobody;
    default:
        return AckBy::Dispatch;
    }
}

QByteArray copyPayload(const Frame &record)
{
    const int length = qMin(int(record.rxDataLen), kMaxPayload);
    if (!record.rxData || length <= 0)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(record.rxData), length);
}

} // namespace ReplyDispatch
