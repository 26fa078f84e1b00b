#pragma once

// What the tool knows about one drive model, read from its parameter
// definition file: parameters with their limits and texts, group titles,
// monitor variables, fault and alarm codes, waveform channels, and the
// function-code version that selects the transfer protocol.

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>

struct ParamRecord {
    quint16 state = 0; // runtime flags, see ParamState
    QString ParameterIndex;
    QString ParameterType;
    QString parametername;
    QString currentValue; // runtime
    QString DefaultValue;
    QString MinValue;
    QString MaxValue;
    QString ActiveTime;
    QString ModifyTime;
    QString DataWidth;
    QString DataSign;
    QString Uint;
    QString Detial;
    QString changeText; // runtime
};

// Bits of ParamRecord::state.
namespace ParamState {
enum : quint16 {
    Checked = 0x0001,      // ticked in the table
    Changed = 0x0002,      // edited locally, not yet confirmed by the drive
    ToRead = 0x0004,
    ToWrite = 0x0040,
    WriteOk = 0x0080,      // success icon
    WriteFailed = 0x0100,  // error icon
    Mark = 0x0200,
    ResultMarks = WriteOk | WriteFailed | Mark,
};
}

struct UnDisplayRecord {
    quint16 state = 0; // 0x0001 shown, 0x0002 to be queried
    QString UnDisplayIndex;
    QString UnDisplayType;
    QString UnDisplayName;
    QString UnDisplayUnit;
    QString UnDisplayVarType;
    QString UnDisplayFormat;
    QString UnDisplayBits; // optional: the names of its bits, "0：DI1；1：DI2"
    QString valueText; // runtime: the last value read, as shown
    quint32 rawValue = 0; // runtime: the last value read
};

struct FaultRecord {
    QString FaultWarmCode;
    QString FaultWarmType;
    QString FaultWarmName;
    QString FaultWarmContext;
    QString FaultWarmExclude;
    QString FaultWarmRecord;
    QString FaultWarmClear;
    QString FaultWarmOperate;
};

struct WaveChannelRecord {
    QString WaveChIndex;
    QString WaveChName;
    QString WaveUnVarType;
    QString WaveCoeff;
    // The unit of raw value x WaveCoeff; empty when the file names none.
    QString WaveUnit;
};

using ParamGroup = QMap<QString, ParamRecord>;
using UnGroup = QMap<QString, UnDisplayRecord>;

struct Definitions {
    static constexpr int kParamGroups = 21;
    static constexpr int kUnGroups = 3;

    std::array<ParamGroup, kParamGroups> paramGroups;
    QMap<QString, int> groupMembers; // tree label -> group number
    std::array<UnGroup, kUnGroups> unGroups;
    QMap<QString, FaultRecord> faultTable;
    QMap<QString, WaveChannelRecord> waveChannels;
    std::array<QString, 4> waveChannelDefault; // default, position, speed, torque
    std::array<QString, 4> waveScaleDefault;
    QString funcCodeVersion;
    QString driveStates; // optional: the drive state numbers named, "1：未就绪；4：就绪"

    // Empties everything a reload replaces; the waveform defaults stay.
    void clear();
    // "V1.1" transfers 32-bit values; every other version 16-bit ones.
    bool wideValues() const { return funcCodeVersion == QLatin1String("V1.1"); }
    int parameterCount() const;

    ParamRecord *findParam(const QString &code);
    const ParamRecord *findParam(const QString &code) const;
};

// How a read of a definition file went.
struct DefinitionLoad {
    enum Problem {
        None,
        Unreadable, // missing, not a regular file, or cannot be opened
        Malformed,  // reading stopped early: a parse error or a truncated file
        NoRoot,     // a well-formed file without a Root element
    };
    Problem problem = None;
    QString reason;    // what stopped the reader
    qint64 line = 0;   // where it stopped (Malformed)
    // Codes left out because their group or index does not fit the one
    // byte each has on the wire (P01_256).
    QStringList refused;

    bool clean() const { return problem == None && refused.isEmpty(); }
};

// Reads one definition file into `defs` (which the caller has cleared).
// What was read before an error stays; the result says what went wrong.
DefinitionLoad readParameterFile(const QString &path, Definitions &defs);
