#pragma once

// The manual-run data reply (command 5): the drive's state, the tuning
// status and results. Read by the manual-run controller and by servo-cli,
// which asks whether the servo is on before it writes stop-only parameters.

#include <QByteArray>
#include <array>

// The fields of a manual-run data reply.
struct ManualRunReply {
    // The command code of the request that only asks for this reply.
    static constexpr quint16 kReadData = 0x0001;

    quint8 driveState = 0;
    quint8 status = 0;
    qint32 value = 0; // the 32-bit value the page shows
    quint16 faultCode = 0;
    float inertiaRatio = 0;
    std::array<float, 4> results{};
    quint16 level = 0;
    std::array<quint16, 8> levelWords{};

    // Takes the fields the payload holds; those it is too short for keep
    // their values.
    void decode(const QByteArray &payload);

    bool identificationRunning() const { return (status & 0x03) == 1; }
    bool identificationFinished() const { return (status & 0x03) == 2; }
    bool measurementRunning() const { return (status & 0x0C) == 0x04; }
    bool measurementFinished() const { return (status & 0x0C) == 0x08; }
    bool identificationAllowed() const { return status & 0x10; }
    // Drive states below 4 other than 2 are not ready for JOG.
    bool ready() const { return driveState >= 4 || driveState == 2; }
    // State 4 is ready with the servo off; 5 and above run with the servo on.
    bool energised() const { return driveState >= 5; }
};
