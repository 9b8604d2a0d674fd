// The port settings dialog's fields, as both desktop programs read them: the port number takes
// digits only, at most kPortNoMaxChars of them, and OK reads both fields as unsigned decimal
// numbers.
#pragma once

#include <cstdint>
#include <string_view>

namespace q7310 {

inline constexpr int kPortNoMaxChars = 4;

// A field's text as an unsigned decimal number (digits only, at most 4294967295, returned as the
// same 32 bits); an empty field, any other character or a larger number gives 0.
int32_t ReadUnsignedField(std::string_view text);

}  // namespace q7310
