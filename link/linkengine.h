#pragma once

#include "link/frame.h"
#include "link/linktransport.h"
#include "link/replymatcher.h"
#include "link/trafficcounter.h"
#include "link/waveparser.h"

#include <QByteArray>
#include <QList>
#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Time as the worker sees it: a monotonic millisecond clock, and a rest that
// ends early when work arrives. Tests replace it with a clock they step.
class LinkClock
{
public:
    virtual ~LinkClock() = default;
    virtual qint64 nowMs() = 0;
    // Rests at most `ms`; `wake` is signalled when a record is queued or the
    // link is to end. `lock` is held on entry and on return.
    virtual void rest(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, int ms) = 0;
};

class SteadyLinkClock : public LinkClock
{
public:
    qint64 nowMs() override;
    void rest(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, int ms) override;
};

// What the engine reports. SerialThread turns these into its signals.
class LinkEvents
{
public:
    virtual ~LinkEvents() = default;
    // A reply to record `index` was accepted; the engine then waits for acknowledge().
    virtual void replyAccepted(int index) = 0;
    virtual void linkState(quint16 state) = 0;
    virtual void sentCount(quint32 value) = 0;
    virtual void receivedCount(quint32 value) = 0;
    virtual void errorCount(quint32 value) = 0;
    // A frame built (direction 0) or reply bytes received (direction 1).
    virtual void traffic(const QByteArray &bytes, quint8 direction) = 0;
    virtual void idle() = 0;
    virtual void waveformSamples(const QByteArray &samples) = 0;
    // Sample sets lost from the stream between the samples before and after.
    virtual void waveformGap(int sampleSets) = 0;
    // Debug text of the drive's CPU (id 0) or CM (id 1).
    virtual void debugMessage(int id, const QByteArray &message) = 0;
};

// The worker's loop, one pass at a time: one exchange step (take a queued
// record, send it, wait for its reply, resend or give up), one transmit step
// (one HID report or one serial frame) and one receive step (gather input
// into messages per stream). It owns everything the loop shares with the GUI
// thread: the queue of records, the exit and acknowledgement flags and the
// traffic counters.
class LinkEngine
{
public:
    // The wait for a reply, after which the record goes out again.
    static constexpr int kReplyTimeoutMs = ReplyMatcher::kResendAfterMs;
    static constexpr int kSendsPerRecord = 3;
    static constexpr int kPartialReplyMs = 50;
    static constexpr int kKeepAliveMs = 100;
    static constexpr int kIdleMs = 1000;
    static constexpr int kActivityMs = 250;
    static constexpr int kRestMs = 50;
    static constexpr int kMaxWriteFailures = 3;
    // A stream's assembly buffer is handed on once it holds more than this.
    static constexpr int kFlushSize = 205;
    // Messages waiting per stream; a device that floods a stream nobody reads
    // loses its oldest messages (each counted as an error) instead of growing
    // the list for ever.
    static constexpr int kMaxWaitingMessages = 256;
    // Reads that take in what the device has sent before a request goes out.
    static constexpr int kMaxSettleReads = 64;
    static constexpr int kStreams = 4;
    // After a waveform stop, stream 1 still carries the blocks that were on
    // their way. They go to the waveform parser, and the next record waits,
    // until the stream has been quiet this long (or, for a drive that missed
    // the stop and streams until its keep-alive check ends it, at most
    // kDrainMaxMs), so that no block byte is taken for the next reply.
    static constexpr int kDrainQuietMs = 50;
    static constexpr int kDrainMaxMs = 1200;

    // Why the link ended: asked for (a disconnect, a new connection, the
    // program closing), or lost because the drive stopped answering, the port
    // went away (device unplugged, other end hung up) or writes failed.
    enum EndCause { EndAsked = 0, EndNoReply = 1, EndPortGone = 2, EndWriteFailed = 3 };

    LinkEngine(LinkEvents &events, LinkClock &clock);

    // --- Called from any thread -------------------------------------------
    // Queues a copy of `record` together with the payload it points at.
    void enqueue(const Frame &record);
    void acknowledge();
    // The first cause asked for is the one the link ends with.
    void requestExit(EndCause cause = EndAsked);
    void clearExit();
    bool exitRequested() const { return m_exit.load(); }
    EndCause endCause() const { return EndCause(m_endCause.load()); }
    void resetCounters();
    // Sets the counters as they would be after that much traffic.
    void presetCounters(quint32 sent, quint32 received, quint32 errors);

    // --- Worker thread only -----------------------------------------------
    // A fresh session: empty queue, lists, buffers and steps.
    void begin(LinkTransport *transport);
    void end();
    // Runs one pass of the loop, resting when there has been no traffic.
    void pass();
    bool waveformMode() const { return m_waveMode; }
    void clearWaveformMode() { m_waveMode = false; }
    bool drainingWaveform() const { return m_draining; }
    int queuedRecords();
    // Messages of stream 1 to 4 gathered and not yet taken.
    int waitingMessages(int stream) const;

private:
    struct Queued {
        Frame record;
        QByteArray payload;
    };

    void exchangeStep(qint64 now);
    // Before a record's first send: what arrived until now is no reply to it.
    void settleInput(qint64 now);
    void awaitReply(qint64 now);
    // After the last silence: ends the link, or gives up only the record.
    void giveUp();
    void acceptReply(qint64 now);
    void deliverDebug();
    void transmitStep(qint64 now);
    void receiveStep();
    // Reads the device once; true when something came.
    bool readInput(int waitMs);
    void flushAssemblies(qint64 now, int forceStream);
    void takeWaveform(const QByteArray &bytes, qint64 now);
    void releaseHeldWaveform();
    void feedParser(const QByteArray &bytes);
    // Takes what stream 1 brought since the stop; ends the drain once it is quiet.
    void drainWaveform(qint64 now);
    // A record taken from the queue is on its way out.
    bool midExchange() const;
    bool takeQueued(Queued *out);
    void queueKeepAlive();
    void countSent();
    void countReceived();
    void countError();
    void pushMessage(int stream, const QByteArray &message);

    LinkEvents &m_events;
    LinkClock &m_clock;
    LinkTransport *m_transport = nullptr;

    // Shared with the GUI thread.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QList<Queued> m_queue;
    bool m_consumed = false;
    std::atomic<bool> m_exit{false};
    std::atomic<int> m_endCause{EndAsked};
    TrafficCounter m_sent;
    TrafficCounter m_received;
    TrafficCounter m_errors;

    // Exchange state.
    int m_exchangeStep = 0;
    Queued m_current;
    QVector<qint64> m_sendTimes; // of the record being exchanged
    bool m_expectsReply = false;
    quint16 m_retriesLeft = 0;
    bool m_partial = false;
    qint64 m_replyDeadline = 0;
    qint64 m_partialDeadline = 0;
    qint64 m_nextKeepAlive = 0;

    // Transmit state.
    int m_transmitStep = 0;
    std::array<QList<QByteArray>, 2> m_transmit;
    QByteArray m_frameOut;
    quint32 m_frameChannel = 0;
    quint16 m_writeFailures = 0;
    qint64 m_transmitActive = 0;
    qint64 m_receiveActive = 0;
    qint64 m_nextIdle = 0;

    // Receive state, per stream 1 to 4.
    std::array<QList<QByteArray>, kStreams> m_messages;
    std::array<QByteArray, kStreams> m_assembly;
    std::array<qint64, kStreams> m_flushAt{};
    QVector<InputChunk> m_chunks;

    ReplyMatcher m_matcher;
    WaveStreamParser m_parser;
    bool m_waveMode = false;
    // A start that was sent more than once may be acknowledged again: the
    // drive then starts its stream afresh. Until that acknowledgement has
    // come, or can no longer come, the stream is held back.
    QByteArray m_held;
    int m_heldSearched = 0; // no acknowledgement begins before this
    QByteArray m_startAck;  // header of the acknowledgement
    int m_startCopies = 0;
    qint64 m_holdUntil = 0;
    bool m_draining = false;
    qint64 m_drainStart = 0;
    qint64 m_lastStreamInput = 0; // last bytes on stream 1
};
