// The driver's short names for what the shared records define
// (kmxrecords/camera_commands.h): the one-byte command statuses it writes
// into the first byte of every record, and the FourCCs of its frames.
#pragma once

#include <kmxrecords/camera_commands.h>

#include <cstddef>
#include <cstdint>

namespace kmxcam {

// The control codes and records are the shared ones.
using namespace kmx;

// The command statuses the driver writes (kUnwritten is what the sender
// fills in before the call).
inline constexpr uint8_t kSuccess = kCommandSuccess;
inline constexpr uint8_t kBadState = kCommandBadState;
inline constexpr uint8_t kBadParameter = kCommandBadParameter;
inline constexpr uint8_t kBufferTooSmall = kCommandBufferTooSmall;
inline constexpr uint8_t kBufferTooLarge = kCommandBufferTooLarge;
inline constexpr uint8_t kUnknownSet = kCommandUnknownSet;
inline constexpr uint8_t kUnknownId = kCommandUnknownId;
inline constexpr uint8_t kInUse = kCommandInUse;
inline constexpr uint8_t kUnknownFlagBlock = kCommandUnknownFlagBlock;
inline constexpr uint8_t kUnknownFlag = kCommandUnknownFlag;
inline constexpr uint8_t kReleaseDriver = kCommandReleaseDriver;
inline constexpr uint8_t kUnwritten = kCommandUnwritten;

inline constexpr uint32_t kMjpg = kFourccMjpg;
inline constexpr uint32_t kKmxx = kFourccKmxx;

}  // namespace kmxcam
