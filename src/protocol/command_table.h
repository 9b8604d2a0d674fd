// The command table: one row per command of the service protocol, the one place that says what
// each command is called, how many bytes its fields take, when a received record is too short to
// hand to its handler, and how the trace shows its fields.
//
// Adding a command means one row here, one builder/parser pair in frames.h, one handler in the
// controller and one reply in the simulator.
//
// Everything here is plain data and pure functions: safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace q7310 {

// Who sends the command: the program (requests) or the amplifier (replies).
enum class Sender : uint8_t { kProgram, kAmplifier };

struct CommandRow {
  uint16_t code;
  std::string_view name;  // as the trace and the controller's events write it, e.g. "CMD_READ_SLOT"
  Sender sender;
  // The smallest record a handler may read: the command's fixed fields. A reply shorter than this
  // is dropped before dispatch; the trace shows the fields only of a record that holds them.
  size_t fieldsSize;
  // Replies whose handler reads as many bytes as the length field counts: the record must hold
  // that many bytes, counted up to this limit (a longer length field is the handler's to refuse),
  // and the length field must cover the fixed fields. 0: the length field is not read.
  size_t lengthCheckedUpTo;
  // Why a reply that fails the checks above is dropped, as the controller's event says it.
  std::string_view shortReason;
  // Appends the fields to the trace's text (" slot=3", …); called only when the record holds
  // fieldsSize bytes.
  void (*describeFields)(std::span<const uint8_t> frame, std::string& text);
};

// A length check without a limit: the record must hold every byte the length field counts.
inline constexpr size_t kWholeLength = std::numeric_limits<size_t>::max();

// Every row, in command-code order.
std::span<const CommandRow> CommandTable();
// The row of `code`, or nullptr for a code the protocol does not have.
const CommandRow* FindCommand(uint16_t code);
// The command's name ("CMD_READ_SLOT"), or "CMD_UNKNOWN".
std::string_view CommandName(uint16_t code);

// Why a received record cannot be handed to its handler, or empty when it can: shorter than the
// command and length fields, or a reply shorter than its row allows. Requests and unknown
// commands pass once command and length are there (the controller ignores them).
std::string_view ShortFrameReason(std::span<const uint8_t> frame);

// One frame's fields as the trace shows them, e.g. "CMD_READ_SLOT length=10 slot=3". Safe on
// records of any size.
std::string DescribeFrame(std::span<const uint8_t> frame);

}  // namespace q7310
