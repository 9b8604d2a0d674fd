// The command line in UTF-8, whatever the system's own encoding of it (arguments_<os>.cpp).
#pragma once

#include <string>
#include <vector>

namespace q7310::cli {

// The program's arguments, argv[0] first, in UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace q7310::cli
