// The servo information table and the drive's identification reply.
//
// The whole input is the table file. As reply bytes it is read thus: the
// first two bytes (low byte first) give a length, cut to the bytes that
// follow; the reply is those bytes, in a buffer of exactly that length.

#include "fuzz/fuzzsupport.h"

#include "definitions/servoinfo.h"

#include <QDir>

#include <memory>

namespace {

// `count` bytes on the heap and not one more, so that a read past the end
// is caught.
std::unique_ptr<uint8_t[]> exactCopy(const uint8_t *data, int count)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size_t(qMax(count, 1))]);
    std::copy(data, data + count, copy.get());
    return copy;
}

void checkIdentity(const ServoInfo::Identity &id)
{
    FUZZ_CHECK(id.serialNumber.size() == 15);
    FUZZ_CHECK(id.key().size() == 19);
    FUZZ_CHECK(id.version() == QLatin1Char('V') + id.plainVersion());
}

} // namespace

FUZZ_TARGET(fuzz_servoinfo)
{
    Fuzz::setUp();
    static const QString path = Fuzz::scratchDir() + QStringLiteral("/servoinfo.xml");
    Fuzz::writeFile(path, Fuzz::bytesOf(data, size));

    ServoInfoTable table;
    const int rows = ServoInfo::readFile(path, table);
    FUZZ_CHECK(rows >= table.size());
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        const ServoInfoRecord &r = it.value();
        FUZZ_CHECK(it.key() == ServoInfo::key(r.ProductSerial, r.Model_1, r.Model_2, r.FirmwareVer));
        // A file name the table may use stays inside ParameterFile/.
        if (ServoInfo::definitionFileNameAllowed(r.XMLfileName)) {
            const QString path = QDir::cleanPath(QStringLiteral("ParameterFile/zh_CN_") + r.XMLfileName);
            FUZZ_CHECK(path.startsWith(QLatin1String("ParameterFile/")) && path.count(QLatin1Char('/')) == 1);
        }
    }

    const uint8_t *rest = size >= 2 ? data + 2 : data;
    const int available = size >= 2 ? int(size - 2) : 0;
    const int wanted = size >= 2 ? (data[0] | data[1] << 8) : 0;
    const int length = qMin(wanted, available);
    const auto reply = exactCopy(rest, length);
    checkIdentity(ServoInfo::decodeReply(reply.get(), length));
    // As the window calls it: the payload and its length with the frame overhead.
    checkIdentity(ServoInfo::decodeReply(reply.get(), length + 6));
    checkIdentity(ServoInfo::decodeReply(nullptr, length));

    const ServoInfo::VersionStamps stamps = ServoInfo::decodeStamps(reply.get(), length);
    FUZZ_CHECK(stamps.complete == (length >= 16));
    if (stamps.resetRefused())
        FUZZ_CHECK(stamps.eeprom == stamps.defaults);
    return 0;
}
