// The port settings dialog's fields, as both desktop programs read them: the port number takes
// digits only, at most kPortNoMaxChars of them, and OK reads both fields as unsigned decimal
// numbers. Also where both programs put this program's additions below the template's fields.
#pragma once

#include <cstdint>
#include <string_view>

namespace q7310 {

inline constexpr int kPortNoMaxChars = 4;

// The template's size, and its additions below the fields, in dialog units: the DEVICE row when a
// device is in use, then the ports present (a heading, the list, a note), each shown only when it
// has something to show. The dialog grows by what is shown: down, and to the right as far as the
// list's columns need (within a limit), so that a port's name and description are read whole.
inline constexpr int kSettingTemplateWidth = 177;
inline constexpr int kSettingTemplateHeight = 64;
inline constexpr int kSettingDeviceRowHeight = 18;

struct SettingPlace {
  int x, y, w, h;
};

// What the dialog shows below its fields. The list and the note show only with the heading.
struct SettingAdditions {
  bool device = false;   // the DEVICE row
  bool heading = false;  // the ports present: the heading over them
  bool list = false;     // the list of ports
  bool note = false;     // the note under the list
  int columnsWidth = 0;  // what the list's columns take, in dialog units (0 when not known)
};

struct SettingPortsLayout {
  SettingPlace heading;  // each left empty when not shown
  SettingPlace list;
  SettingPlace note;
  int dialogWidth;  // the client area's size with what is shown
  int dialogHeight;
};

SettingPortsLayout LayOutSettingPorts(const SettingAdditions& shown);

// A field's text as an unsigned decimal number (digits only, at most 4294967295, returned as the
// same 32 bits); an empty field, any other character or a larger number gives 0.
int32_t ReadUnsignedField(std::string_view text);

}  // namespace q7310
