#include "app/remembered_port.h"

#include <limits>

namespace q7310 {

RememberedPort StartPort(RememberedPort remembered,
                         const std::optional<std::string>& commandLineDevice) {
  if (commandLineDevice) remembered.device = *commandLineDevice;
  return remembered;
}

bool UsableRememberedPortNo(long long portNo) {
  return portNo >= 0 && portNo <= std::numeric_limits<int>::max();
}

}  // namespace q7310
