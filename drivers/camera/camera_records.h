// What the driver adds to the camera's records (kmxrecords/camera_commands.h):
// the one-byte command statuses it writes into the first byte of every
// record, and the FourCCs of its frames.
#pragma once

#include <kmxrecords/camera_commands.h>

#include <cstddef>
#include <cstdint>

namespace kmxcam {

// The control codes and records are the shared ones.
using namespace kmx;

// Command statuses the driver writes. 1 is a request that does not fit the
// state it meets (no such stream, a stream that is not delivering); 3 is a
// value the driver refuses (out of range, read-only, a format no mode
// offers); 4 and 5 are records or payloads of the wrong size.
enum CommandStatus : uint8_t {
    kSuccess = 0,
    kBadState = 1,
    kBadParameter = 3,
    kBufferTooSmall = 4,
    kBufferTooLarge = 5,
    kUnknownSet = 32,
    kUnknownId = 33,
    kInUse = 34,
    kUnknownFlagBlock = 64,
    kUnknownFlag = 65,
    kReleaseDriver = 66,
    kUnwritten = 255,  // what the sender fills in before the call
};

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kMjpg = FourCC('M', 'J', 'P', 'G');
constexpr uint32_t kKmxx = FourCC('K', 'M', 'X', 'X');

}  // namespace kmxcam
