// Frame layout and command set of the amplifier's service protocol.
//
// A frame is the content between the serial envelope's start and end marks. All fields are
// little-endian and packed: command (u16) at offset 0, total length in bytes (u16) at offset 2,
// two command-specific 16-bit words at offsets 4 and 6, body from offset 8. This header is the one
// place for command codes, field offsets, size limits and timer constants; the command table
// (command_table.h) and the frame builders and parsers (frames.h) build on it, and the
// controller, the simulator, the trace, the backup store, the firmware image and the tests all
// name them from here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace q7310 {

// Command codes. 0x1x and 0x3x go from the program to the amplifier, 0x2x and 0x4x come back.
inline constexpr uint16_t CMD_UPDATE_START = 0x10;
inline constexpr uint16_t CMD_UPDATE_DATA = 0x11;
inline constexpr uint16_t CMD_UPDATE_REPLY = 0x20;
inline constexpr uint16_t CMD_DEVICE_MESSAGE = 0x25;
inline constexpr uint16_t CMD_READ_SLOT = 0x30;
inline constexpr uint16_t CMD_WRITE_SLOT = 0x31;
inline constexpr uint16_t CMD_READ_SLOT_REPLY = 0x40;
inline constexpr uint16_t CMD_WRITE_SLOT_REPLY = 0x41;

// Offsets shared by every frame.
inline constexpr size_t kOffCommand = 0;
inline constexpr size_t kOffLength = 2;
inline constexpr size_t kOffWord4 = 4;          // status / control word, by command
inline constexpr size_t kOffWord6 = 6;          // block number / block index, by command
inline constexpr size_t kCommandFieldSize = 4;  // command and length: enough to dispatch
inline constexpr size_t kFrameHeaderSize = 8;

// Slot family (0x30, 0x31, 0x40, 0x41): status byte at 4, end-of-slot flag at 5, block number
// at 6, slot number at 8, data from 10.
inline constexpr size_t kOffStatusByte = 4;
inline constexpr size_t kOffEndOfSlot = 5;
inline constexpr size_t kOffBlockNumber = 6;
inline constexpr size_t kOffSlotNumber = 8;
inline constexpr size_t kOffSlotData = 10;
inline constexpr size_t kSlotFrameHeaderSize = 10;
// Control word of a slot's last block: the end-of-slot flag (byte 5) set, status byte 0.
inline constexpr uint16_t kEndOfSlotControl = 0x0100;

// Update family (0x10, 0x11, 0x20, 0x25).
inline constexpr size_t kOffStartAddress = 8;   // 0x10
inline constexpr size_t kOffImageSize = 12;     // 0x10
inline constexpr size_t kOffImageSum = 16;      // 0x10
inline constexpr size_t kOffUpdateData = 8;     // 0x11
inline constexpr size_t kOffMessageText = 8;    // 0x25
inline constexpr uint16_t kUpdateStatusOk = 1;  // the only status word that means success

// Frame sizes.
inline constexpr uint16_t kReadSlotFrameSize = 10;
inline constexpr uint16_t kUpdateStartFrameSize = 20;
inline constexpr size_t kMaxUpdateBlock = 128;  // image bytes in one 0x11 frame
// The 16-bit block index of 0x11 reaches 65,536 blocks: the largest image an update can send.
inline constexpr uint32_t kMaxUpdateImage = 65536u * kMaxUpdateBlock;
inline constexpr size_t kMaxReadSlotData = 128;   // slot bytes in one 0x40 frame
inline constexpr size_t kMaxWriteSlotData = 128;  // data bytes in one 0x31 frame
inline constexpr size_t kRestoreBlockSize = 64;   // data bytes of a 0x31 frame in a restore
inline constexpr size_t kMaxDeviceText = 128;     // text bytes of a 0x25 frame shown
inline constexpr size_t kMinReplySize = 6;        // 0x20 and 0x41: bytes read
inline constexpr size_t kLastFrameSize = 160;     // size of the kept copy of the last request
inline constexpr size_t kMaxReadSlotFrame = kSlotFrameHeaderSize + kMaxReadSlotData;  // 138

// Settings slots.
inline constexpr uint16_t kSlotCount = 9;

// Reply timer.
inline constexpr unsigned kReplyTimerId = 10;
inline constexpr unsigned kReplyTimeoutMs = 5000;
inline constexpr unsigned kMaxResends = 3;

// Serial line.
inline constexpr unsigned kBaudRate = 57600;
inline constexpr unsigned kBitsPerByte = 10;  // 8N1: start, 8 data, stop

// Little-endian field access; the caller guarantees that the bytes are there.
inline uint16_t GetU16(std::span<const uint8_t> f, size_t off) {
  return static_cast<uint16_t>(f[off] | (f[off + 1] << 8));
}
inline uint32_t GetU32(std::span<const uint8_t> f, size_t off) {
  return static_cast<uint32_t>(f[off]) | (static_cast<uint32_t>(f[off + 1]) << 8) |
         (static_cast<uint32_t>(f[off + 2]) << 16) | (static_cast<uint32_t>(f[off + 3]) << 24);
}
inline void PutU16(uint8_t* f, size_t off, uint16_t v) {
  f[off] = static_cast<uint8_t>(v);
  f[off + 1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* f, size_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) f[off + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace q7310
