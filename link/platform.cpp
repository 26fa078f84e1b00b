#include "link/platform.h"

#include <QSerialPortInfo>

#include <cerrno>

namespace Platform {

QStringList extraPorts(const QString &value)
{
    QStringList ports;
    const QStringList parts = value.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString name = part.trimmed();
        if (!name.isEmpty() && !ports.contains(name))
            ports.append(name);
    }
    return ports;
}

QStringList serialPorts()
{
    QStringList names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        names.append(info.portName());
#ifndef Q_OS_WIN
    for (const QString &extra : extraPorts(qEnvironmentVariable("SERVO_EXTRA_PORTS"))) {
        if (!names.contains(extra))
            names.append(extra);
    }
#endif
    return names;
}

#ifdef Q_OS_WIN

Kind kindOf(const QString &name, const QStringList &)
{
    return name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? Kind::Serial : Kind::Hid;
}

bool isKnown(const QString &name, const QStringList &serialNames, const QStringList &hidPaths)
{
    const QString upper = name.toUpper();
    for (const QString &port : serialNames) {
        if (port.toUpper() == upper)
            return true;
    }
    return hidPaths.contains(name);
}

QString serialSystemName(const QString &name)
{
    return QStringLiteral("\\\\.\\%1").arg(name);
}

bool hidReadMeansGone(int result, int, const QString &errorText)
{
    // The system's own text for a device that is not connected.
    return result < 0 && errorText != QLatin1String("Success")
        && errorText == QString::fromUtf8("设备没有连接。");
}

#else

Kind kindOf(const QString &name, const QStringList &hidPaths)
{
    if (hidPaths.contains(name) || name.startsWith(QLatin1String("/dev/hidraw")))
        return Kind::Hid;
    return Kind::Serial;
}

bool isKnown(const QString &name, const QStringList &serialNames, const QStringList &hidPaths)
{
    if (hidPaths.contains(name) || serialNames.contains(name))
        return true;
    // Qt lists "ttyUSB0"; a user may type its full path.
    const QString devPrefix = QStringLiteral("/dev/");
    return name.startsWith(devPrefix) && serialNames.contains(name.mid(devPrefix.size()));
}

QString serialSystemName(const QString &name)
{
    return name;
}

bool hidReadMeansGone(int result, int errorNumber, const QString &errorText)
{
    if (result >= 0)
        return false;
    // hidraw reports an unplugged device as ENODEV or EIO from read(), or as
    // a poll error it describes as a disconnection.
    return errorNumber == ENODEV || errorNumber == EIO || errorNumber == ENXIO
        || errorText.contains(QLatin1String("disconnected"), Qt::CaseInsensitive)
        || errorText.contains(QLatin1String("No such device"), Qt::CaseInsensitive);
}

#endif

} // namespace Platform
