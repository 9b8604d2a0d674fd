// Texts with numbered places (%1, %2, ... %9), such as texts::kFmtCloseBackupKept: the form that
// both desktop programs fill in, Qt's QString::arg and the Win32 window alike.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace q7310 {

// `format` with every %N (N from 1 to 9) replaced by the Nth of `args`. A place without an
// argument, and a '%' not followed by a digit from 1 to 9, stay as they are. Arguments are
// inserted as they are: a '%' inside one is never read as a place.
std::string FormatNumbered(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace q7310
