#pragma once

#include <cstdint>
#include <cstring>

// One message as a receiver sees it, passed by value to ReceiveMsg.
// Word 0 is the message id. The payload is a pointer-sized field: a 32-bit
// word cannot hold an address in a 64-bit process. It points to the
// receiver's own copy of the sender's bytes and stays valid only for the
// duration of the ReceiveMsg call; it is null when the message has none.
struct __MsgData {
    uint32_t id = 0;
    void* payload = nullptr;
    uint32_t payloadSize = 0;
    uint32_t param = 0;
    uint32_t reserved = 0;
};

// The 4-byte value senders attach to some messages (a flag, a list kind).
// A missing or short payload yields `fallback` so that a malformed message
// cannot make a handler read past the copy.
inline uint32_t MsgPayloadU32(const __MsgData& msg, uint32_t fallback = 0) {
    if (msg.payload == nullptr || msg.payloadSize < sizeof(uint32_t)) return fallback;
    uint32_t value = 0;
    std::memcpy(&value, msg.payload, sizeof value);
    return value;
}
