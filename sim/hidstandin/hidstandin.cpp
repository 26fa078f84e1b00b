#include "sim/hidstandin/hidstandin.h"
#include "sim/ptydriveserver.h"

#include "link/hidreport.h"

#include <hidapi/hidapi.h>

#include <QVector>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

struct PendingReport {
    qint64 dueUs = 0;
    QByteArray bytes; // 63 bytes: stream id, count, payload, padding
};

struct Device {
    QString path;
    quint16 vendorId = 0;
    quint16 productId = 0;
    bool present = true;
    int failWrites = 0;
    std::unique_ptr<DriveEndpoint> endpoint;
    std::deque<PendingReport> input; // ordered by due time
    QList<HidStandIn::WrittenReport> written;
    quint64 readCalls = 0;
};

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<QString, std::shared_ptr<Device>> devices;
    int nextNumber = 0;
};

thread_local std::wstring globalError = L"Success";

// The threads that have called into hidapi since the last reset().
struct Callers {
    std::mutex mutex;
    std::set<std::thread::id> threads;
};

Callers &callers()
{
    static Callers c;
    return c;
}

void noteCaller()
{
    Callers &c = callers();
    std::lock_guard<std::mutex> lock(c.mutex);
    c.threads.insert(std::this_thread::get_id());
}

Registry &registry()
{
    static Registry r;
    return r;
}

QByteArray inputReport(int stream, const char *data, int count)
{
    QByteArray report(HidReport::kInputSize, '\0');
    report[0] = char(stream);
    report[1] = char(count);
    std::memcpy(report.data() + 2, data, size_t(count));
    return report;
}

// Adds reports in due order (stable for equal times).
void queueInput(Device &device, PendingReport report)
{
    auto it = device.input.end();
    while (it != device.input.begin() && std::prev(it)->dueUs > report.dueUs)
        --it;
    device.input.insert(it, std::move(report));
}

void queueSplit(Device &device, int stream, const QByteArray &bytes, qint64 dueUs)
{
    for (int at = 0; at < bytes.size(); at += HidReport::kMaxPayload) {
        const int n = qMin(HidReport::kMaxPayload, bytes.size() - at);
        queueInput(device, PendingReport{dueUs, inputReport(stream, bytes.constData() + at, n)});
    }
}

// Moves what the drive has due into the device's input queue.
void pump(Device &device, qint64 nowUs)
{
    if (!device.endpoint)
        return;
    const QVector<DriveEndpoint::Output> outputs = device.endpoint->takeDue(nowUs);
    for (const DriveEndpoint::Output &out : outputs)
        queueSplit(device, out.stream, out.bytes, out.dueUs);
}

std::shared_ptr<Device> find(const QString &path)
{
    auto &r = registry();
    auto it = r.devices.find(path);
    return it == r.devices.end() ? nullptr : it->second;
}

wchar_t *wideCopy(const wchar_t *text)
{
    const size_t n = std::wcslen(text) + 1;
    auto *copy = static_cast<wchar_t *>(std::malloc(n * sizeof(wchar_t)));
    std::wmemcpy(copy, text, n);
    return copy;
}

} // namespace

struct hid_device_ {
    std::shared_ptr<Device> device;
    bool blocking = true;
    std::wstring error = L"Success";
};

namespace HidStandIn {

QString plug(const DeviceOptions &options)
{
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto device = std::make_shared<Device>();
    device->path = options.path.isEmpty() ? QStringLiteral("/dev/hidraw-sim%1").arg(r.nextNumber++) : options.path;
    device->vendorId = options.vendorId;
    device->productId = options.productId;
    device->endpoint = std::make_unique<DriveEndpoint>(options.wave);
    r.devices[device->path] = device;
    r.changed.notify_all();
    return device->path;
}

void unplug(const QString &path)
{
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (auto device = find(path)) {
        device->present = false;
        device->endpoint->countHangUp();
    }
    r.changed.notify_all();
}

void reset()
{
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto &entry : r.devices)
        entry.second->present = false;
    r.devices.clear();
    r.nextNumber = 0;
    r.changed.notify_all();
    std::lock_guard<std::mutex> callersLock(callers().mutex);
    callers().threads.clear();
}

DriveEndpoint *endpoint(const QString &path)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto device = find(path);
    return device ? device->endpoint.get() : nullptr;
}

void failWrites(const QString &path, int count)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    if (auto device = find(path))
        device->failWrites = count;
}

void injectReport(const QString &path, const QByteArray &report, int afterMs)
{
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (auto device = find(path)) {
        QByteArray padded = report.left(HidReport::kInputSize);
        padded.append(QByteArray(HidReport::kInputSize - padded.size(), '\0'));
        queueInput(*device, PendingReport{simNowUs() + qint64(afterMs) * 1000, padded});
    }
    r.changed.notify_all();
}

void sendDebug(const QString &path, int stream, const QByteArray &text)
{
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (auto device = find(path))
        queueSplit(*device, stream, text, simNowUs());
    r.changed.notify_all();
}

QList<WrittenReport> takeWrittenReports(const QString &path)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    QList<WrittenReport> reports;
    if (auto device = find(path))
        reports.swap(device->written);
    return reports;
}

int callingThreads()
{
    std::lock_guard<std::mutex> lock(callers().mutex);
    return int(callers().threads.size());
}

quint64 readCalls(const QString &path)
{
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto device = find(path);
    return device ? device->readCalls : 0;
}

} // namespace HidStandIn

// --- The hidapi functions the tool uses -----------------------------------

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    noteCaller();
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    noteCaller();
    return 0;
}

struct hid_device_info HID_API_EXPORT *HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    noteCaller();
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    hid_device_info *first = nullptr;
    hid_device_info **tail = &first;
    for (const auto &entry : r.devices) {
        const Device &device = *entry.second;
        if (!device.present)
            continue;
        if ((vendor_id && device.vendorId != vendor_id) || (product_id && device.productId != product_id))
            continue;
        auto *info = static_cast<hid_device_info *>(std::calloc(1, sizeof(hid_device_info)));
        info->path = strdup(device.path.toLocal8Bit().constData());
        info->vendor_id = device.vendorId;
        info->product_id = device.productId;
        info->serial_number = wideCopy(L"SIM0001");
        info->manufacturer_string = wideCopy(L"Simulated drive");
        info->product_string = wideCopy(L"Servo drive");
        info->interface_number = 0;
        info->bus_type = HID_API_BUS_USB;
        *tail = info;
        tail = &info->next;
    }
    return first;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info *devs)
{
    noteCaller();
    while (devs) {
        hid_device_info *next = devs->next;
        std::free(devs->path);
        std::free(devs->serial_number);
        std::free(devs->manufacturer_string);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device *HID_API_CALL hid_open_path(const char *path)
{
    noteCaller();
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto device = find(QString::fromLocal8Bit(path));
    if (!device || !device->present) {
        globalError = L"hid_open_path: no such device";
        return nullptr;
    }
    auto *handle = new hid_device_;
    handle->device = device;
    return handle;
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device *dev, int nonblock)
{
    noteCaller();
    if (!dev)
        return -1;
    dev->blocking = !nonblock;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device *dev, const unsigned char *data, size_t length)
{
    noteCaller();
    if (!dev)
        return -1;
    auto &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    Device &device = *dev->device;
    if (!device.present) {
        dev->error = L"hid_write: device disconnected";
        errno = ENODEV;
        return -1;
    }
    if (device.failWrites > 0) {
        --device.failWrites;
        dev->error = L"hid_write: simulated write failure";
        errno = EIO;
        return -1;
    }
    const qint64 now = simNowUs();
    device.written.append(HidStandIn::WrittenReport{now, QByteArray(reinterpret_cast<const char *>(data), int(length))});
    if (length >= 3) {
        const int stream = data[1];
        const int count = qMin<int>(data[2], qMin<int>(int(length) - 3, HidReport::kMaxPayload));
        if (device.endpoint && count > 0)
            device.endpoint->receive(QByteArray(reinterpret_cast<const char *>(data + 3), count), stream, now);
    }
    dev->error = L"Success";
    r.changed.notify_all();
    return int(length);
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device *dev, unsigned char *data, size_t length, int milliseconds)
{
    noteCaller();
    if (!dev)
        return -1;
    auto &r = registry();
    std::unique_lock<std::mutex> lock(r.mutex);
    Device &device = *dev->device;
    ++device.readCalls;
    const qint64 start = simNowUs();
    const qint64 deadline = milliseconds < 0 ? -1 : start + qint64(milliseconds) * 1000;
    for (;;) {
        if (!device.present) {
            dev->error = L"hid_read_timeout: unexpected poll error (device disconnected)";
            errno = ENODEV;
            return -1;
        }
        const qint64 now = simNowUs();
        pump(device, now);
        if (!device.input.empty() && device.input.front().dueUs <= now) {
            const QByteArray report = device.input.front().bytes;
            device.input.pop_front();
            const size_t n = qMin<size_t>(length, size_t(report.size()));
            std::memcpy(data, report.constData(), n);
            dev->error = L"Success";
            return int(n);
        }
        if (deadline >= 0 && now >= deadline)
            return 0;
        qint64 wakeAt = deadline;
        const qint64 driveDue = device.endpoint ? device.endpoint->nextDueUs() : -1;
        if (!device.input.empty())
            wakeAt = wakeAt < 0 ? device.input.front().dueUs : qMin(wakeAt, device.input.front().dueUs);
        if (driveDue >= 0)
            wakeAt = wakeAt < 0 ? driveDue : qMin(wakeAt, driveDue);
        if (wakeAt < 0)
            r.changed.wait(lock);
        else
            r.changed.wait_for(lock, std::chrono::microseconds(qMax<qint64>(0, wakeAt - now)));
    }
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device *dev, unsigned char *data, size_t length)
{
    noteCaller();
    return hid_read_timeout(dev, data, length, dev && dev->blocking ? -1 : 0);
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device *dev)
{
    noteCaller();
    delete dev;
}

HID_API_EXPORT const wchar_t *HID_API_CALL hid_error(hid_device *dev)
{
    noteCaller();
    if (!dev)
        return globalError.c_str();
    return dev->error.c_str();
}

} // extern "C"
