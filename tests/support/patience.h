// How long a test waits for something another thread or process does.
#pragma once

#include <chrono>

namespace q7310::testing {

// An upper bound for waits on a receive thread or the far end of a line; a passing test never
// comes near it, it only decides how soon a test that would wait forever fails.
inline constexpr std::chrono::milliseconds kPatience{5000};

}  // namespace q7310::testing
