#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The one place that knows how the operating system names serial ports and
// HID devices. On Windows serial ports are COMn, compared without regard to
// case and opened through the device namespace (\\.\COMn); every other name is
// a HID device path. On Linux names are case-sensitive device names, opened as
// they are: a name listed by hidapi (or under /dev/hidraw) is a HID device,
// anything else a serial port.
namespace Platform {

enum class Kind { Serial, Hid };

// Serial ports the system offers: on Linux the paths listed, colon-separated,
// in SERVO_EXTRA_PORTS (a simulated drive on a pseudo-terminal, for
// instance), then Qt's list.
QStringList serialPorts();
// How long the system's own list is reused before it is asked again.
constexpr int kSystemListMaxAgeMs = 1000;

// Replaces the system's own list of serial ports (Qt's list, before the
// extra ports are added); an empty function puts it back. For tests.
void setSystemPortLister(std::function<QStringList()> lister);

// Extra ports from a SERVO_EXTRA_PORTS-style value.
QStringList extraPorts(const QString &value);

Kind kindOf(const QString &name, const QStringList &hidPaths);

// Whether `name` is one of the system's serial ports or known HID paths.
bool isKnown(const QString &name, const QStringList &serialNames, const QStringList &hidPaths);

// The name a connect request carries: lower case on Windows, where names
// are not case-sensitive, and unchanged on Linux, where they are.
QString connectName(const QString &name);

// The name to hand to QSerialPort.
QString serialSystemName(const QString &name);

// Whether a failed HID read (result below 0, the errno it left, hidapi's
// error text) means the device is gone, which ends the connection.
bool hidReadMeansGone(int result, int errorNumber, const QString &errorText);

} // namespace Platform
