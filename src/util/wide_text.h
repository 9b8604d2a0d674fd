// UTF-8 inside, UTF-16 at the edge: conversions for the wide Win32 calls, and the system's text
// of a Win32 error code. Windows only (wide_text_win32.cpp).
#pragma once

#include <string>

namespace q7310 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// FormatMessageW's text of a GetLastError code, in UTF-8, without the trailing line break.
std::string Win32ErrorText(unsigned long code);

}  // namespace q7310
