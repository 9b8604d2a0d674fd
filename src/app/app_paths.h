// Where the program keeps its files.
#pragma once

#include <string>
#include <string_view>

namespace q7310 {

// The folder of the running executable, with a trailing '/', or an empty string when the
// system cannot say (files are then looked up under their bare names in the current directory).
std::string ProgramFolder();

// `folder` joined with `name`; an empty folder gives the bare name.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace q7310
