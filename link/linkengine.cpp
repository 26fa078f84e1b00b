#include "link/linkengine.h"
#include "link/linklog.h"

#include <chrono>

qint64 SteadyLinkClock::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyLinkClock::rest(std::condition_variable &wake, std::unique_lock<std::mutex> &lock, int ms)
{
    wake.wait_for(lock, std::chrono::milliseconds(ms));
}

LinkEngine::LinkEngine(LinkEvents &events, LinkClock &clock)
    : m_events(events)
    , m_clock(clock)
{
}

void LinkEngine::enqueue(const Frame &record)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    // The payload is copied now, so the page's buffer is free once it has queued.
    m_queue.append(Queued{record, requestPayload(record)});
    m_wake.notify_all();
}

void LinkEngine::clearExit()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_exit = false;
    m_endCause = EndAsked;
}

void LinkEngine::acknowledge()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_consumed = true;
    m_wake.notify_all();
}

void LinkEngine::requestExit(EndCause cause)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_exit)
        m_endCause = cause;
    m_exit = true;
    m_wake.notify_all();
}

void LinkEngine::resetCounters()
{
    m_sent.set(0);
    m_received.set(0);
    m_errors.set(0);
}

void LinkEngine::presetCounters(quint32 sent, quint32 received, quint32 errors)
{
    m_sent.set(sent);
    m_received.set(received);
    m_errors.set(errors);
}

int LinkEngine::queuedRecords()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_queue.size();
}

int LinkEngine::waitingMessages(int stream) const
{
    return stream >= 1 && stream <= kStreams ? m_messages[size_t(stream - 1)].size() : 0;
}

void LinkEngine::begin(LinkTransport *transport)
{
    {
        // The exit flag is not cleared here: it is cleared before the thread
        // starts, so that a disconnect that comes before the loop begins is
        // not lost.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_queue.clear();
        m_consumed = false;
    }
    m_transport = transport;
    m_exchangeStep = 0;
    m_transmitStep = 0;
    m_current = Queued();
    m_sendTimes.clear();
    m_partial = false;
    m_frameOut.clear();
    m_writeFailures = 0;
    for (auto &list : m_transmit)
        list.clear();
    for (int i = 0; i < kStreams; ++i) {
        m_messages[size_t(i)].clear();
        m_assembly[size_t(i)].clear();
        m_flushAt[size_t(i)] = 0;
    }
    m_matcher.clear();
    m_parser.reset();
    m_waveMode = false;
    m_draining = false;
    m_held.clear();
    m_heldSearched = 0;
    m_startCopies = 0;
    const qint64 now = m_clock.nowMs();
    m_nextIdle = now + kIdleMs;
    m_transmitActive = now - kActivityMs;
    m_receiveActive = now - kActivityMs;
    m_nextKeepAlive = 0;
}

void LinkEngine::end()
{
    m_transport = nullptr;
}

void LinkEngine::pass()
{
    exchangeStep(m_clock.nowMs());
    deliverDebug();
    transmitStep(m_clock.nowMs());
    receiveStep();

    qint64 now = m_clock.nowMs();
    if (now >= m_transmitActive && now >= m_receiveActive && !midExchange()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_queue.isEmpty() && !m_exit)
            m_clock.rest(m_wake, lock, kRestMs);
        lock.unlock();
        now = m_clock.nowMs();
    }
    // m_transmitActive runs 250 ms ahead of the last transmission start.
    if (now >= m_transmitActive + (kIdleMs - kActivityMs) && now >= m_nextIdle) {
        m_nextIdle = now + kIdleMs;
        m_events.idle();
    }
}

bool LinkEngine::midExchange() const
{
    return m_exchangeStep == 1 || m_exchangeStep == 2 || m_transmitStep != 0 || !m_transmit[0].isEmpty()
        || !m_transmit[1].isEmpty();
}

bool LinkEngine::takeQueued(Queued *out)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_queue.isEmpty())
        return false;
    *out = m_queue.takeFirst();
    return true;
}

void LinkEngine::queueKeepAlive()
{
    Frame keepAlive = initialCommandRecord(Cmd::WaveKeepAlive);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.append(Queued{keepAlive, QByteArray(2, '\0')});
}

void LinkEngine::exchangeStep(qint64 now)
{
    switch (m_exchangeStep) {
    case 0: // idle
        if (m_draining) {
            drainWaveform(now);
            if (m_draining)
                break;
        }
        if (takeQueued(&m_current)) {
            m_exchangeStep = 1;
            break;
        }
        if (!m_waveMode) {
            if (!m_messages[0].isEmpty())
                m_matcher.takeEarlier(m_messages[0].takeFirst(), now);
        } else {
            takeWaveform(m_messages[0].isEmpty() ? QByteArray() : m_messages[0].takeFirst(), now);
            if (now >= m_nextKeepAlive) {
                queueKeepAlive();
                m_nextKeepAlive = now + kKeepAliveMs;
            }
        }
        break;

    case 1: // prepare
        if (m_current.record.index == Cmd::WaveStop || m_current.record.index == Cmd::WaveKeepAlive) {
            m_expectsReply = false;
            m_retriesLeft = 0;
            if (m_current.record.index == Cmd::WaveStop) {
                m_waveMode = false;
                releaseHeldWaveform();
                qCDebug(lcLink) << "波形采样关闭";
            }
        } else {
            m_expectsReply = true;
            m_retriesLeft = kSendsPerRecord;
        }
        m_sendTimes.clear();
        m_exchangeStep = 2;
        break;

    case 2: { // send
        if (m_expectsReply && m_sendTimes.isEmpty())
            settleInput(now);
        const QByteArray frame = buildRequest(m_current.record, m_current.payload);
        m_events.traffic(frame, 0);
        m_transmit[m_current.record.channel == 1 ? 1 : 0].append(frame);
        if (lcLink().isDebugEnabled())
            qCDebug(lcLink).noquote() << "Frame Sending:" << hexText(frame);
        if (m_expectsReply) {
            m_sendTimes.append(now);
            m_partial = false;
            m_replyDeadline = now + kReplyTimeoutMs;
            m_exchangeStep = 3;
        } else {
            m_exchangeStep = 0;
            if (m_current.record.index == Cmd::WaveStop) {
                m_draining = true;
                m_drainStart = now;
                m_lastStreamInput = now;
            }
        }
        countSent();
        break;
    }

    case 3: // wait for the reply
        awaitReply(now);
        break;

    default:
        m_exchangeStep = 0;
        break;
    }
}

void LinkEngine::settleInput(qint64 now)
{
    // Take in everything the device has sent so far, held reports included.
    for (int i = 0; i < kMaxSettleReads && readInput(0); ++i) {
    }
    const int stream = m_current.record.channel == 1 ? 1 : 0;
    flushAssemblies(now, stream);
    QByteArray earlier;
    QList<QByteArray> &messages = m_messages[size_t(stream)];
    while (!messages.isEmpty()) {
        if (stream == 0 && (m_waveMode || m_draining))
            takeWaveform(messages.takeFirst(), now);
        else
            earlier += messages.takeFirst();
    }
    m_matcher.takeEarlier(earlier, now);
}

void LinkEngine::awaitReply(qint64 now)
{
    QList<QByteArray> &incoming = m_messages[m_current.record.channel == 1 ? 1 : 0];
    if (incoming.isEmpty()) {
        if (now >= m_replyDeadline) {
            countError();
            if (m_retriesLeft == 0 || --m_retriesLeft == 0) {
                giveUp();
                return;
            }
            m_exchangeStep = 2; // the same frame goes out again
            return;
        }
    } else {
        const QByteArray chunk = incoming.takeFirst();
        m_events.traffic(chunk, 1);
        const ReplyMatcher::Result result = m_matcher.match(chunk, m_current.record, now);
        if (result == ReplyMatcher::Accepted) {
            acceptReply(now);
            return;
        }
        if (result != ReplyMatcher::LateCopy) {
            m_partial = true;
            m_partialDeadline = now + kPartialReplyMs;
        }
    }
    if (m_partial && now >= m_partialDeadline) {
        m_partial = false;
        countError();
    }
}

void LinkEngine::giveUp()
{
    m_exchangeStep = 0;
    m_partial = false;
    const int index = m_current.record.index;
    if (index == Cmd::VersionCheck1 || index == Cmd::VersionCheck2) {
        // A drive without the EEPROM version commands never answers them;
        // that is no reason to end the link.
        qCDebug(lcLink) << "no answer to record" << index << "- given up, the link goes on";
        return;
    }
    qCDebug(lcLink) << "通信超时，准备退出";
    requestExit(EndNoReply);
}

void LinkEngine::acceptReply(qint64 now)
{
    const int index = m_current.record.index;
    m_matcher.expectLateCopies(m_sendTimes, now);
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (index < Cmd::Count) {
            commandTable[index].rxData = const_cast<uint8_t *>(m_matcher.replyPayload());
            commandTable[index].rxDataLen = uint8_t(m_matcher.lastReply().size() - FrameFormat::kOverhead);
        }
        m_consumed = false;
    }
    m_events.replyAccepted(index);
    {
        // Every accepted reply is acknowledged once; ending the link also ends the wait.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_consumed || m_exit; });
        m_consumed = false;
    }
    if (index == Cmd::WaveStart) {
        qCDebug(lcLink) << "波形采样使能,收到应答";
        m_waveMode = true;
        m_parser.reset();
        m_held.clear();
        m_heldSearched = 0;
        m_startCopies = m_matcher.lateCopies().size();
        if (m_startCopies > 0) {
            // The drive looks for its acknowledgements in the stream itself.
            m_startAck = m_matcher.lateHeader();
            m_holdUntil = m_matcher.lateCopies().last().untilMs;
            m_matcher.forgetLateCopies();
        }
        // Block bytes that came in the same read as the acknowledgement.
        const QByteArray early = m_matcher.takePending();
        if (!early.isEmpty())
            takeWaveform(early, now);
    }
    m_events.linkState(1);
    countReceived();
    m_partial = false;
    m_exchangeStep = 0;
}

void LinkEngine::takeWaveform(const QByteArray &bytes, qint64 now)
{
    if (m_startCopies == 0) {
        feedParser(bytes);
        return;
    }
    m_held += bytes;
    const int ackLength = uint8_t(m_startAck.at(3));
    int at;
    while (m_startCopies > 0 && (at = ReplyMatcher::findFrame(m_held, m_startAck, m_heldSearched)) >= 0) {
        // The drive took the resent start too and began its stream again:
        // what came before this acknowledgement is not part of the capture.
        qCDebug(lcLink) << "start acknowledged again, the stream begins afresh";
        m_held.remove(0, at + ackLength);
        m_heldSearched = 0;
        m_parser.reset();
        --m_startCopies;
    }
    // An acknowledgement can only begin in the last bytes, once more have come.
    m_heldSearched = qMax(0, m_held.size() - ackLength + 1);
    if (m_startCopies > 0 && now <= m_holdUntil)
        return;
    releaseHeldWaveform();
}

void LinkEngine::releaseHeldWaveform()
{
    m_startCopies = 0;
    m_heldSearched = 0;
    QByteArray held;
    held.swap(m_held);
    feedParser(held);
}

void LinkEngine::feedParser(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const WaveStreamParser::Result result = m_parser.feed(bytes);
    for (int i = 0; i < result.blocks - result.badBlocks; ++i)
        countReceived();
    for (int i = 0; i < result.badBlocks; ++i)
        countError();
    // Samples and gaps in stream order.
    int from = 0;
    for (const WaveStreamParser::Gap &gap : result.gaps) {
        if (gap.at > from)
            m_events.waveformSamples(result.samples.mid(from, gap.at - from));
        m_events.waveformGap(gap.sampleSets);
        from = gap.at;
    }
    if (from < result.samples.size())
        m_events.waveformSamples(from == 0 ? result.samples : result.samples.mid(from));
}

void LinkEngine::drainWaveform(qint64 now)
{
    while (!m_messages[0].isEmpty())
        takeWaveform(m_messages[0].takeFirst(), now);
    const bool quiet = m_assembly[0].isEmpty() && now - m_lastStreamInput >= kDrainQuietMs;
    if (quiet || now - m_drainStart >= kDrainMaxMs) {
        qCDebug(lcLink) << (quiet ? "waveform stream quiet after stop" : "waveform stream still running after stop, going on");
        m_draining = false;
        // A block cut off by the stop is not part of any capture.
        m_parser.reset();
    }
}

void LinkEngine::deliverDebug()
{
    if (!m_messages[3].isEmpty()) {
        const QByteArray message = m_messages[3].takeFirst();
        qCDebug(lcLink) << "HID Rx CM Debug:" << message;
        m_events.debugMessage(1, message);
    }
    if (!m_messages[2].isEmpty()) {
        const QByteArray message = m_messages[2].takeFirst();
        qCDebug(lcLink) << "HID Rx CPU Debug:" << message;
        m_events.debugMessage(0, message);
    }
}

void LinkEngine::transmitStep(qint64 now)
{
    switch (m_transmitStep) {
    case 0:
        if (!m_transmit[0].isEmpty() || !m_transmit[1].isEmpty()) {
            qCDebug(lcLink) << "Get data to send";
            m_transmitActive = now + kActivityMs;
            m_transmitStep = 1;
        }
        break;

    case 1:
        m_frameChannel = m_transmit[0].isEmpty() ? 1 : 0;
        m_frameOut = m_transmit[m_frameChannel].takeFirst();
        m_writeFailures = 0;
        m_transmitStep = 2;
        break;

    case 2: {
        QString error;
        const int written = m_transport ? m_transport->write(m_frameOut, m_frameChannel, &error) : -1;
        if (written < 0) {
            qCDebug(lcLink) << "write fail," << error;
            if (++m_writeFailures >= kMaxWriteFailures) {
                m_writeFailures = 0;
                m_frameOut.remove(0, m_transport ? m_transport->maxWriteChunk() : m_frameOut.size());
                qCDebug(lcLink) << "写超时，准备退出";
                requestExit(EndWriteFailed);
            }
        } else {
            m_writeFailures = 0;
            m_frameOut.remove(0, written);
        }
        if (m_frameOut.isEmpty())
            m_transmitStep = 0;
        break;
    }

    default:
        m_transmitStep = 0;
        break;
    }
}

void LinkEngine::receiveStep()
{
    if (!m_transport)
        return;
    // Wait a little for input, but only when the loop has nothing else to do.
    readInput(midExchange() ? 0 : 1);
    flushAssemblies(m_clock.nowMs(), -1);
}

bool LinkEngine::readInput(int waitMs)
{
    if (!m_transport)
        return false;
    m_chunks.clear();
    QString error;
    if (m_transport->read(waitMs, &m_chunks, &error) == LinkTransport::ReadStatus::DeviceGone) {
        qCDebug(lcLink) << "read fail," << error;
        requestExit(EndPortGone);
        return false;
    }
    const qint64 now = m_clock.nowMs();
    for (const InputChunk &chunk : qAsConst(m_chunks)) {
        if (chunk.stream < 1 || chunk.stream > kStreams)
            continue; // no such stream: dropped
        const size_t s = size_t(chunk.stream - 1);
        m_assembly[s].append(chunk.bytes);
        m_flushAt[s] = now + chunk.holdMs;
        m_receiveActive = now + kActivityMs;
        if (s == 0)
            m_lastStreamInput = now;
    }
    return !m_chunks.isEmpty();
}

void LinkEngine::flushAssemblies(qint64 now, int forceStream)
{
    for (int s = 0; s < kStreams; ++s) {
        QByteArray &buffer = m_assembly[size_t(s)];
        if (!buffer.isEmpty() && (s == forceStream || now >= m_flushAt[size_t(s)] || buffer.size() > kFlushSize)) {
            pushMessage(s, buffer);
            buffer.clear();
        }
    }
}

void LinkEngine::pushMessage(int stream, const QByteArray &message)
{
    QList<QByteArray> &list = m_messages[size_t(stream)];
    if (list.size() >= kMaxWaitingMessages) {
        list.removeFirst();
        countError();
    }
    list.append(message);
}

void LinkEngine::countSent()
{
    m_events.sentCount(m_sent.increment());
}

void LinkEngine::countReceived()
{
    m_events.receivedCount(m_received.increment());
}

void LinkEngine::countError()
{
    m_events.errorCount(m_errors.increment());
}
