// The port settings dialog's fields, as both desktop programs read them: the port number takes
// digits only, at most kPortNoMaxChars of them, and OK reads both fields as unsigned decimal
// numbers. Also where both programs put this program's additions below the template's fields.
#pragma once

#include <cstdint>
#include <string_view>

namespace q7310 {

inline constexpr int kPortNoMaxChars = 4;

// The template's height, and its additions below the fields, in dialog units: the DEVICE row
// when a device is in use, then the ports present (a heading, the list, a note), each shown only
// when it has something to show. The dialog grows by what is shown.
inline constexpr int kSettingTemplateHeight = 64;
inline constexpr int kSettingDeviceRowHeight = 18;

struct SettingPlace {
  int x, y, w, h;
};

struct SettingPortsLayout {
  SettingPlace heading;
  SettingPlace list;
  SettingPlace note;
  int dialogHeight;  // the client area's height with what is shown
};

SettingPortsLayout LayOutSettingPorts(bool deviceShown, bool listShown, bool noteShown);

// A field's text as an unsigned decimal number (digits only, at most 4294967295, returned as the
// same 32 bits); an empty field, any other character or a larger number gives 0.
int32_t ReadUnsignedField(std::string_view text);

}  // namespace q7310
