#include "app/protocol.h"

namespace q7310 {

std::string_view CommandName(uint16_t command) {
  switch (command) {
    case CMD_UPDATE_START:
      return "CMD_UPDATE_START";
    case CMD_UPDATE_DATA:
      return "CMD_UPDATE_DATA";
    case CMD_UPDATE_REPLY:
      return "CMD_UPDATE_REPLY";
    case CMD_DEVICE_MESSAGE:
      return "CMD_DEVICE_MESSAGE";
    case CMD_READ_SLOT:
      return "CMD_READ_SLOT";
    case CMD_WRITE_SLOT:
      return "CMD_WRITE_SLOT";
    case CMD_READ_SLOT_REPLY:
      return "CMD_READ_SLOT_REPLY";
    case CMD_WRITE_SLOT_REPLY:
      return "CMD_WRITE_SLOT_REPLY";
    default:
      return "CMD_UNKNOWN";
  }
}

}  // namespace q7310
