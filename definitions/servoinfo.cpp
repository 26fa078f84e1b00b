#include "definitions/servoinfo.h"
#include "app/regularfile.h"
#include "definitions/deflog.h"

#include <QFile>
#include <QXmlStreamReader>

namespace ServoInfo {

QString key(const QString &a, const QString &b, const QString &c, const QString &d)
{
    return QStringLiteral("%1-%2-%3-%4").arg(a, b, c, d).toUpper();
}

namespace {

void readBody(QXmlStreamReader &xml, ServoInfoTable &table, int *rows)
{
    ServoInfoRecord row;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("ServoInfoTable") || name == QLatin1String("InfoItem"))
                row = ServoInfoRecord();
            else if (name == QLatin1String("ProductSerial"))
                row.ProductSerial = xml.readElementText();
            else if (name == QLatin1String("Model_1"))
                row.Model_1 = xml.readElementText();
            else if (name == QLatin1String("Model_2"))
                row.Model_2 = xml.readElementText();
            else if (name == QLatin1String("FirmwareVer"))
                row.FirmwareVer = xml.readElementText();
            else if (name == QLatin1String("ServoInfo"))
                row.ServoInfo = xml.readElementText();
            else if (name == QLatin1String("XMLfileName"))
                row.XMLfileName = xml.readElementText();
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("InfoItem")) {
                table.insert(key(row.ProductSerial, row.Model_1, row.Model_2, row.FirmwareVer), row);
                ++*rows;
                qCDebug(lcDefinitions) << "<InfoItem>结束";
            } else if (name == QLatin1String("ServoInfoTable")) {
                qCDebug(lcDefinitions) << "<ServoInfoTable>结束";
            } else if (name == QLatin1String("Root")) {
                return;
            }
        }
    }
}

} // namespace

int readFile(const QString &path, ServoInfoTable &table)
{
    QFile file(path);
    QString reason;
    if (!RegularFile::openForReading(file, QIODevice::Text, &reason)) {
        qCDebug(lcDefinitions) << "文件不存在" << path << reason;
        return 0;
    }
    QXmlStreamReader xml(&file);
    int rows = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("ServoInfoTable")) {
            qCDebug(lcDefinitions) << "********** 开始元素<ServoInfoItem> **********";
            const QString version = xml.attributes().value(QStringLiteral("Version")).toString();
            if (!version.isEmpty())
                qCDebug(lcDefinitions) << QStringLiteral("属性：Version(%1)").arg(version);
            readBody(xml, table, &rows);
        }
    }
    if (xml.hasError())
        qCDebug(lcDefinitions) << QStringLiteral("错误信息：%1  行号：%2  列号：%3  字符位移：%4")
                                      .arg(xml.errorString())
                                      .arg(xml.lineNumber())
                                      .arg(xml.columnNumber())
                                      .arg(xml.characterOffset());
    return rows;
}

bool definitionFileNameAllowed(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
        && !name.contains(QLatin1String("..")) && !name.contains(QLatin1Char(':')) && !name.contains(QChar(0));
}

QString Identity::key() const
{
    QStringList fields;
    for (quint16 part : parts)
        fields.append(QStringLiteral("%1").arg(part, 4, 16, QLatin1Char('0')));
    return ServoInfo::key(fields.at(0), fields.at(1), fields.at(2), fields.at(3));
}

QString Identity::plainVersion() const
{
    return QStringLiteral("%1.%2").arg(parts[3] / 100).arg(parts[3] % 100, 2, 10, QLatin1Char('0'));
}

QString Identity::version() const
{
    return QLatin1Char('V') + plainVersion();
}

Identity decodeReply(const uint8_t *reply, int length)
{
    Identity id;
    std::array<quint16, 8> serial{};
    const int entries = reply && length >= 6 ? (length - 6) / 6 : 0;
    for (int e = 0; e < entries; ++e) {
        const uint8_t *entry = reply + 6 * e;
        const quint16 identifier = quint16(entry[0] << 8 | entry[1]);
        const quint16 value = quint16(entry[4] << 8 | entry[5]);
        if (identifier >= 0x0201 && identifier <= 0x0204)
            id.parts[identifier - 0x0201] = value;
        else if (identifier >= 0x0209 && identifier <= 0x0210)
            serial[identifier - 0x0209] = value;
    }
    for (int i = 0; i < 7; ++i) {
        id.serialNumber.append(QChar::fromLatin1(char(serial[size_t(i)] >> 8)));
        id.serialNumber.append(QChar::fromLatin1(char(serial[size_t(i)] & 0xFF)));
    }
    id.serialNumber.append(QChar::fromLatin1(char(serial[7] >> 8)));
    return id;
}

QString stampText(const uint8_t *bytes)
{
    QString text;
    static const char separators[] = {'-', '-', ' ', ':', ':'};
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            text.append(QLatin1Char(separators[i - 1]));
        text.append(QStringLiteral("%1").arg(bytes[i], 2, 10, QLatin1Char('0')));
    }
    return text;
}

VersionStamps decodeStamps(const uint8_t *payload, int length)
{
    std::array<uint8_t, 16> bytes{};
    const int available = payload ? qBound(0, length, 16) : 0;
    std::copy(payload, payload + available, bytes.begin());
    VersionStamps stamps;
    stamps.complete = available == 16;
    stamps.length1 = quint16(bytes[0] << 8 | bytes[1]);
    stamps.eeprom = stampText(bytes.data() + 2);
    stamps.length2 = quint16(bytes[8] << 8 | bytes[9]);
    stamps.defaults = stampText(bytes.data() + 10);
    return stamps;
}

bool VersionStamps::mismatch() const
{
    return eeprom != defaults || length1 != length2;
}

bool VersionStamps::resetRefused() const
{
    const QString zero = QStringLiteral("00-00-00 00:00:00");
    return eeprom == zero && defaults == zero;
}

} // namespace ServoInfo
