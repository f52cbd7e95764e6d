#pragma once

#include <array>
#include <cstdint>

namespace zekt {

// One request or reply on the wire: 0x16 0x00, a 76-byte payload, 0x16 0xFF.
inline constexpr int kFrameSize = 80;
inline constexpr int kPayloadSize = 76;
inline constexpr int kFramePayloadOffset = 2;
inline constexpr uint8_t kFrameHead0 = 0x16;
inline constexpr uint8_t kFrameHead1 = 0x00;
inline constexpr uint8_t kFrameTail0 = 0x16;
inline constexpr uint8_t kFrameTail1 = 0xFF;

using ProgrammerFrame = std::array<uint8_t, kFrameSize>;

// Payload byte 0 is the group, byte 1 the command, data from byte 2 on.
inline constexpr int kGroupByte = 0;
inline constexpr int kCommandByte = 1;
inline constexpr int kDataByte = 2;

inline constexpr uint8_t grpEcho = 0x00;
inline constexpr uint8_t grpCommand = 0x40;

// In the echo group.
inline constexpr uint8_t cmdEcho = 0x11;

// In the command group.
inline constexpr uint8_t cmdStart = 0x00;
inline constexpr uint8_t cmdTestPrepare = 0x01;
inline constexpr uint8_t cmdBegin = 0x10;
inline constexpr uint8_t cmdEnd = 0x11;
inline constexpr uint8_t cmdErase = 0x12;
inline constexpr uint8_t cmdTestSet = 0x40;
inline constexpr uint8_t cmdTestClear = 0x41;
inline constexpr uint8_t cmdTestQuery = 0x44;
inline constexpr uint8_t cmdWriteCode = 0x50;
inline constexpr uint8_t cmdWriteData = 0x51;
inline constexpr uint8_t cmdReadCode = 0x52;
inline constexpr uint8_t cmdReadData = 0x53;
inline constexpr uint8_t cmdWriteConfig = 0x54;
inline constexpr uint8_t cmdReadConfig = 0x55;
inline constexpr uint8_t cmdWriteId = 0x56;
inline constexpr uint8_t cmdReadId = 0x57;
inline constexpr uint8_t cmdSetAddress = 0x58;
inline constexpr uint8_t cmdWriteCodeErased = 0x59;

// Program words and data bytes travel 32 to a frame, as byte pairs in payload
// bytes 2 to 65; a reply pair 0xFF 0xFF marks an entry that failed.
inline constexpr int kBlockEntries = 32;
inline constexpr uint8_t kFailedPairByte = 0xFF;

} // namespace zekt
