#include "app/setting_fields.h"

#include <algorithm>
#include <limits>

namespace q7310 {
namespace {

// Where the additions start: the DEVICE row's line, ten units below the baud rate's.
constexpr int kAdditionsTop = 57;
constexpr int kLeft = 13;
constexpr int kRightMargin = kSettingTemplateWidth - 170;  // as right of the buttons
constexpr int kWidth = 170 - kLeft;                        // to the buttons' right edge
constexpr int kMaxWidth = 320;
// The list's frame and vertical scroll bar, beside its columns.
constexpr int kListFrame = 14;
constexpr int kHeadingHeight = 10;
constexpr int kListHeight = 56;  // the column headings and about five ports
constexpr int kNoteHeight = 18;  // two lines
constexpr int kGap = 2;
constexpr int kBottomMargin = 7;
static_assert(kAdditionsTop + kBottomMargin == kSettingTemplateHeight,
              "nothing added: the template");
static_assert(kLeft + kWidth + kRightMargin == kSettingTemplateWidth, "the template's width");

}  // namespace

SettingPortsLayout LayOutSettingPorts(const SettingAdditions& shown) {
  SettingPortsLayout layout{};
  int y = kAdditionsTop + (shown.device ? kSettingDeviceRowHeight : 0);
  if (!shown.heading) {
    layout.dialogWidth = kSettingTemplateWidth;
    layout.dialogHeight = y + kBottomMargin;
    return layout;
  }
  const int width =
      shown.list ? std::clamp(shown.columnsWidth + kListFrame, kWidth, kMaxWidth) : kWidth;
  layout.heading = {kLeft, y, width, kHeadingHeight};
  y += kHeadingHeight + kGap;
  if (shown.list) {
    layout.list = {kLeft, y, width, kListHeight};
    y += kListHeight + kGap;
  }
  if (shown.note) {
    layout.note = {kLeft, y, width, kNoteHeight};
    y += kNoteHeight;
  }
  layout.dialogWidth = kLeft + width + kRightMargin;
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
