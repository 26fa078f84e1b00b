#include "link/platform.h"

#include <QElapsedTimer>
#include <QSerialPortInfo>

#include <cerrno>
#include <mutex>

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

namespace {
std::function<QStringList()> &systemPortLister()
{
    static std::function<QStringList()> lister;
    return lister;
}
} // namespace

void setSystemPortLister(std::function<QStringList()> lister)
{
    systemPortLister() = std::move(lister);
}

QStringList serialPorts()
{
    // Ports named in SERVO_EXTRA_PORTS come first: whoever names them wants them.
    QStringList names;
#ifndef Q_OS_WIN
    names = extraPorts(qEnvironmentVariable("SERVO_EXTRA_PORTS"));
#endif
    QStringList system;
    if (systemPortLister()) {
        system = systemPortLister()();
    } else {
        // Asking the system costs about 15 ms on Linux; the window asks
        // every 100 ms, so the answer is kept for a second.
        static std::mutex guard; // the worker thread asks too, when it connects
        static QStringList cached;
        static QElapsedTimer age;
        std::lock_guard<std::mutex> lock(guard);
        if (!age.isValid() || age.elapsed() >= kSystemListMaxAgeMs) {
            cached.clear();
            const auto infos = QSerialPortInfo::availablePorts();
            for (const QSerialPortInfo &info : infos)
                cached.append(info.portName());
            age.start();
        }
        system = cached;
    }
    for (const QString &name : qAsConst(system)) {
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

#ifdef Q_OS_WIN

Kind kindOf(const QString &name, const QStringList &)
{
    return name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? Kind::Serial : Kind::Hid;
}

QString connectName(const QString &name)
{
    return name.toLower();
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

QString connectName(const QString &name)
{
    return name;
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
