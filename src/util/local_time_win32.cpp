#include <time.h>

#include "util/local_time.h"

namespace q7310 {

std::tm LocalTime(std::time_t when) {
  std::tm tm{};
  localtime_s(&tm, &when);
  return tm;
}

}  // namespace q7310
