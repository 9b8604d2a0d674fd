// Joining a folder and a name into a path, with one kind of separator in the result: on Windows
// the one the folder already uses, so that a path shown is not half '\', half '/'. And the
// OS's rule for when two names are one.
#pragma once

#include <string>
#include <string_view>

namespace q7310 {

// `folder` joined with `name`; an empty folder gives the bare name.
std::string JoinPath(std::string_view folder, std::string_view name);
// The OS's side of JoinPath (path_join_<os>.cpp): whether `folder` ends with a separator, and
// the one to add.
bool EndsWithSeparator(std::string_view folder);
char SeparatorFor(std::string_view folder);

// Whether two names (one part of a path each) name one file in one folder: Windows' file systems
// ignore letter case, POSIX ones do not.
bool SameName(std::string_view a, std::string_view b);

}  // namespace q7310
