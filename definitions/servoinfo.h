#pragma once

// The servo information table (which drive models exist and which
// definition file each uses) and the identification a drive reports.

#include <QMap>
#include <QString>

#include <array>
#include <cstdint>

// One row of the table.
struct ServoInfoRecord {
    QString ProductSerial;
    QString Model_1;
    QString Model_2;
    QString FirmwareVer;
    QString ServoInfo;   // the model name shown and written to parameter files
    QString XMLfileName; // definition file name without the language prefix
};

// Rows by key "PPPP-MMMM-NNNN-FFFF", upper case.
using ServoInfoTable = QMap<QString, ServoInfoRecord>;

namespace ServoInfo {

// The table key of four fields, upper case.
QString key(const QString &a, const QString &b, const QString &c, const QString &d);

// Reads the table file into `table` (rows already there stay unless
// replaced). Returns the number of rows read. Each row starts empty, so a row
// lacking an element does not take that element from the row before.
int readFile(const QString &path, ServoInfoTable &table);

// Whether a row's XMLfileName names a file inside ParameterFile/: no path
// separator, no "..", no drive letter.
bool definitionFileNameAllowed(const QString &name);

// What a drive's identification reply says.
struct Identity {
    std::array<quint16, 4> parts{}; // product serial, model 1, model 2, firmware
    QString serialNumber;           // 15 characters

    // "0001-0A02-0003-0068"
    QString key() const;
    // "V1.04" and "1.04" for firmware 104.
    QString version() const;
    QString plainVersion() const;
};

// Decodes the reply: consecutive 6-byte entries (identifier, two ignored
// bytes, value), (length - 6) / 6 of them, never beyond `length` bytes.
Identity decodeReply(const uint8_t *reply, int length);

// The EEPROM and default version stamps of replies 12 and 13: eight 16-bit
// big-endian words (length 1, EEPROM stamp, length 2, default stamp).
struct VersionStamps {
    quint16 length1 = 0;
    quint16 length2 = 0;
    QString eeprom;      // "yy-mm-dd hh:mm:ss"
    QString defaults;
    bool complete = false; // the reply carried all 16 bytes

    // Reply 12: the EEPROM holds another version than the defaults.
    bool mismatch() const;
    // Reply 13: both stamps are zero, so the drive refused a factory reset.
    bool resetRefused() const;
};

// Missing bytes read as zero.
VersionStamps decodeStamps(const uint8_t *payload, int length);
// Six bytes as "%1-%2-%3 %4:%5:%6", two decimal digits each.
QString stampText(const uint8_t *bytes);

} // namespace ServoInfo
