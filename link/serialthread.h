#pragma once

#include "link/frame.h"
#include "link/linkengine.h"
#include "link/linktransport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

// The one object that owns the connection to the drive. The object lives in
// the GUI thread, so its slots run there; run() runs the link loop in the
// worker thread and everything it reports leaves as queued signals.
class SerialThread : public QThread
{
    Q_OBJECT

public:
    explicit SerialThread(QObject *parent = nullptr);
    ~SerialThread() override;

    // Sets the traffic counters, as if that much traffic had passed.
    void presetCounters(quint32 sent, quint32 received, quint32 errors);

public slots:
    void transaction(const QString &port, uint32_t baud, uint8_t dataBits, uint8_t parity, uint8_t stopBits);
    void communicateDisConnect();
    void communicateReset();
    void rxDataBeenProecssed();
    void send_Frame(int index);
    void updateAvailableHID(QStringList paths);

signals:
    void serror(QString message);
    void threadInfo(QString message);
    // Emitted just before threadInfo when the link ends: a LinkEngine::EndCause.
    void linkEnded(int cause);
    void data_Return(int index);
    void communicateState(uint16_t state);
    void communicateTx(uint32_t count);
    void communicateRx(uint32_t count);
    void communicateEr(uint32_t count);
    void connectComTRData(uint8_t *data, uint8_t length, uint8_t direction);
    void serial_IDLE();
    void waveform_putDataToShow(QByteArray samples);
    // Sample sets lost from the stream (a block dropped for a bad sum), in
    // stream order with waveform_putDataToShow: the samples after it were
    // taken that many sample periods later.
    void waveform_gap(int sampleSets);
    void debugDataReturn(int id, QByteArray message);
    // Declared for a firmware transfer that no operation starts.
    void updateProgressbar(uint32_t done, uint32_t total);
    void hexFileTxCmpt(bool ok);
    void debugDataReturn(QString text);
    // Internal: carries the copy that a connectComTRData pointer points at to
    // the GUI thread, queued behind that signal's events, where it is let go.
    void trafficCopyReleased(QByteArray copy);

protected:
    void run() override;

private:
    class Events;

    void startLoop();
    void restartIfPending();

    std::mutex m_mutex; // link settings and HID device list
    LinkSettings m_settings;
    QStringList m_hidPaths;
    std::atomic<bool> m_loopDone{true};
    bool m_restartPending = false;

    std::unique_ptr<Events> m_events;
    SteadyLinkClock m_clock;
    std::unique_ptr<LinkEngine> m_engine;
};

// Registers the value types that travel in queued signals between the worker
// and the windows: Frame, uint8_t, int, uint16_t, uint32_t, uint8_t*,
// QByteArray and QString.
void registerLinkTypes();
