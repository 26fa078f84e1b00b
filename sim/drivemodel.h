#pragma once

#include "sim/drivedynamics.h"
#include "sim/paramstore.h"
#include "sim/wavegenerator.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <array>

// Who the simulated drive says it is: the four identification words the
// tool looks up in its servo information table, and a 15-character serial
// number.
struct DriveIdentity {
    quint16 productSerial = 0x0001;
    quint16 model1 = 0x0A02;
    quint16 model2 = 0x0003;
    quint16 firmware = 104; // V1.04
    QByteArray serialNumber = "VMRSIM202612001";

    // The EEPROM and default version stamps that commands 12 and 13 report:
    // the same, different, or all zero (a drive that refuses a factory reset).
    // A factory reset that is not refused makes them the same.
    enum class Stamps { Equal, Different, Zero };
    Stamps stamps = Stamps::Equal;

    // "equal", "different" or "zero".
    static bool parseStamps(const QString &text, Stamps *stamps);
};

// The simulated drive's behaviour behind the frames: what it answers to each
// command and the waveform stream it produces. It knows nothing of bytes on a
// line or of timing faults; DriveEndpoint does that. Commands it does not
// know get no answer.
class DriveModel
{
public:
    // Without a keep-alive for this long the drive stops streaming.
    static constexpr qint64 kKeepAliveGapUs = 1000000;
    // The first block follows the acknowledgement of a start after this long.
    static constexpr qint64 kFirstBlockDelayUs = 20000;

    explicit DriveModel(const WaveGenerator::Settings &wave = WaveGenerator::Settings());

    // The parameters it holds, from a definition file; their defaults are
    // what a factory reset (command 13) restores.
    bool loadParameters(const QString &path);
    ParamStore &parameters() { return m_params; }
    const ParamStore &parameters() const { return m_params; }
    // Takes the values of a parameter file (".conf") over the defaults; the
    // number of values taken.
    int loadValues(const QString &path);
    // With the servo on, parameters that may only be set while stopped are refused.
    void setServoOn(bool on);
    bool servoOn() const { return m_dynamics.servoOn(); }
    DriveDynamics &dynamics() { return m_dynamics; }
    // Names of the monitor variables of the loaded definition file, by code.
    const QMap<quint16, QString> &monitorNames() const { return m_monitorNames; }
    // With test patterns on, the stream carries the generator's patterns
    // instead of what the channel positions select.
    void setPatternMode(bool on) { m_patternMode = on; }
    bool patternMode() const { return m_patternMode || m_channelNames.isEmpty(); }
    // What each channel of the running or last capture carries.
    const std::array<DriveDynamics::Quantity, 4> &streamedQuantities() const { return m_streamed; }

    void setIdentity(const DriveIdentity &identity);
    const DriveIdentity &identity() const { return m_identity; }

    // Monitor variables by (group << 8 | index), as the range read answers
    // them.
    quint32 monitorValue(int group, int index) const;
    bool hasMonitor(int group, int index) const;

    // Answers one whole, valid request frame; an empty result means no reply.
    QByteArray handle(const QByteArray &request, qint64 nowUs);

    // Waveform stream: when the next block is due (-1 when not streaming).
    qint64 nextBlockDueUs() const;
    // The sample bytes of the block due at nextBlockDueUs().
    QByteArray takeBlock();
    // Drops blocks that fell due before `nowUs`-`keepUs` (a drive's buffer
    // only holds so much); returns how many were dropped.
    int skipStaleBlocks(qint64 nowUs, qint64 keepUs);
    // Ends the stream if its keep-alives stopped before the next block.
    void checkKeepAlive();
    void stopStreaming();
    // The first block goes no earlier than `us`.
    void holdStreamUntil(qint64 us);
    bool streaming() const { return m_streaming; }

    // Channel positions the last start command asked for.
    const std::array<quint16, 4> &channelPositions() const { return m_channelPositions; }

    WaveGenerator &wave() { return m_wave; }
    const WaveGenerator &wave() const { return m_wave; }

private:
    QByteArray startWaveform(const QByteArray &payload, qint64 nowUs);
    QByteArray readMonitorRange(const QByteArray &payload, qint64 nowUs);
    QByteArray manualRun(const QByteArray &payload, qint64 nowUs);
    QByteArray softwareVersion(uint8_t part) const;
    // Command 12 reports the stamps; command 13 restores the factory
    // settings first, unless the drive refuses.
    QByteArray versionStamps(uint8_t sub);
    void fillIdentityMonitors();
    // The motor's gains follow the stiffness level parameter.
    void syncRigidity();

    DriveIdentity m_identity;
    ParamStore m_params;
    QMap<quint16, qint64> m_factoryValues; // by (group << 8 | index)
    DriveDynamics m_dynamics;
    QMap<quint16, QString> m_monitorNames; // groups 0 and 1
    QStringList m_channelNames;            // waveform channels by list position
    std::array<DriveDynamics::Quantity, 4> m_streamed{};
    bool m_patternMode = false;
    QMap<quint16, quint32> m_monitors;

    WaveGenerator m_wave;
    bool m_streaming = false;
    qint64 m_streamStartUs = 0;
    qint64 m_lastKeepAliveUs = 0;
    quint64 m_blockNumber = 0;
    std::array<quint16, 4> m_channelPositions{};
};
