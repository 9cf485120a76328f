// Builds received frames for the link tests, written independently of the
// codec so that a codec fault cannot hide in the test data.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace mirell::testing {

using Bytes = std::vector<std::uint8_t>;

struct FrameSpec {
    int preambles = 5;
    std::uint8_t delimiter = 0x86;  // long ACK
    Bytes address = {0xBE, 0x61, 0x01, 0x02, 0x03};
    Bytes expansion = {};
    std::uint8_t command = 1;
    Bytes data = {0x00, 0x00};  // response code, device status, ...
    int byteCount = -1;         // -1: the size of data
    bool corruptChecksum = false;
};

inline Bytes frameBytes(const FrameSpec& s) {
    Bytes out(static_cast<std::size_t>(s.preambles), 0xFF);
    Bytes body;
    body.push_back(s.delimiter);
    body.insert(body.end(), s.address.begin(), s.address.end());
    body.insert(body.end(), s.expansion.begin(), s.expansion.end());
    body.push_back(s.command);
    body.push_back(static_cast<std::uint8_t>(s.byteCount < 0 ? s.data.size() : s.byteCount));
    body.insert(body.end(), s.data.begin(), s.data.end());
    std::uint8_t check = 0;
    for (auto b : body) check ^= b;
    if (s.corruptChecksum) check ^= 0x55;
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(check);
    return out;
}

// A reply (ACK) from the positioner at long address 3E 61 01 02 03 to the
// master whose bit is `primary`.
inline Bytes ackFrame(bool primary, Bytes data = {0x00, 0x00}, bool burst = false,
                      Bytes address = {0x3E, 0x61, 0x01, 0x02, 0x03}) {
    FrameSpec s;
    s.delimiter = 0x86;
    address[0] = static_cast<std::uint8_t>((address[0] & 0x3F) | (primary ? 0x80 : 0) | (burst ? 0x40 : 0));
    s.address = address;
    s.data = std::move(data);
    return frameBytes(s);
}

// A burst frame (BACK) carrying the master bit `primary`.
inline Bytes burstFrame(bool primary, Bytes data = {0x00, 0x00, 0x41, 0x20, 0x00, 0x00},
                        Bytes address = {0x3E, 0x61, 0x01, 0x02, 0x03}) {
    FrameSpec s;
    s.delimiter = 0x81;
    address[0] = static_cast<std::uint8_t>((address[0] & 0x3F) | (primary ? 0x80 : 0) | 0x40);
    s.address = address;
    s.command = 3;
    s.data = std::move(data);
    return frameBytes(s);
}

// A request (STX) of the master whose bit is `primary`.
inline Bytes stxFrame(bool primary, std::uint8_t command = 1) {
    FrameSpec s;
    s.delimiter = 0x82;
    s.address = {static_cast<std::uint8_t>(0x3E | (primary ? 0x80 : 0)), 0x61, 0x01, 0x02, 0x03};
    s.command = command;
    s.data = {};
    return frameBytes(s);
}

}  // namespace mirell::testing
