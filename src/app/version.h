// The version of the programs: one place, filled in by the build (see cmake/Q7310Version.cmake).
#pragma once

#include <string_view>

namespace q7310 {

// The project version, e.g. "2.0.0".
std::string_view Version();
// The commit built from, e.g. "6f345f2" or "6f345f2-dirty"; empty outside a git checkout.
std::string_view Commit();
// "2.0.0 (6f345f2)", or "2.0.0" outside a git checkout.
std::string_view VersionText();

}  // namespace q7310
