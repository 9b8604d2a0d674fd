// The local calendar time of a moment, thread-safe on every OS (local_time_<os>.cpp).
#pragma once

#include <ctime>

namespace q7310 {

std::tm LocalTime(std::time_t when);

}  // namespace q7310
