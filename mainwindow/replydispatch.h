#pragma once

#include "link/frame.h"

#include <QByteArray>

// Who acknowledges a reply the worker announced, so that every accepted
// reply is acknowledged exactly once and the worker never waits for ever.
namespace ReplyDispatch {

enum class AckBy {
    Handler,  // the page's reply handler, after it has copied the payload
    Dispatch, // showData itself
    Nobody,   // records the worker sends without waiting for a reply
    Ignored,  // not a command table index
};

AckBy ackBy(int index);

// Reply payloads are copied out of the worker's buffer before they are
// decoded: at most this many bytes.
constexpr int kMaxPayload = 200;

// The payload of the reply a record points at, as long as the reply that was
// accepted, at most 200 bytes; empty when there is none.
QByteArray copyPayload(const Frame &record);

} // namespace ReplyDispatch
