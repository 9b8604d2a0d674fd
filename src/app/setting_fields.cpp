#include "app/setting_fields.h"

#include <limits>

namespace q7310 {
namespace {

// Where the additions start: the DEVICE row's line, ten units below the baud rate's.
constexpr int kAdditionsTop = 57;
constexpr int kLeft = 13;
constexpr int kWidth = 157;  // to the buttons' right edge
constexpr int kHeadingHeight = 10;
constexpr int kListHeight = 56;  // the column headings and about five ports
constexpr int kNoteHeight = 18;  // two lines
constexpr int kGap = 2;
constexpr int kBottomMargin = 7;

}  // namespace

SettingPortsLayout LayOutSettingPorts(bool deviceShown, bool listShown, bool noteShown) {
  SettingPortsLayout layout{};
  int y = kAdditionsTop + (deviceShown ? kSettingDeviceRowHeight : 0);
  layout.heading = {kLeft, y, kWidth, kHeadingHeight};
  y += kHeadingHeight + kGap;
  if (listShown) {
    layout.list = {kLeft, y, kWidth, kListHeight};
    y += kListHeight + kGap;
  }
  if (noteShown) {
    layout.note = {kLeft, y, kWidth, kNoteHeight};
    y += kNoteHeight;
  }
  layout.dialogHeight = y + kBottomMargin;
  return layout;
}

int32_t ReadUnsignedField(std::string_view text) {
  if (text.empty()) return 0;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > std::numeric_limits<uint32_t>::max()) return 0;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace q7310
