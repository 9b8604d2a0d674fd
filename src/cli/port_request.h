// The port that a run of q7310 opens: --device or --port, else the Q7310_PORT variable, else the
// core's choice (app/port_choice.h: the one USB serial adapter present, else port 1).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/port_choice.h"
#include "app/present_ports.h"
#include "cli/operation_table.h"
#include "serial/port_list.h"

namespace q7310::cli {

struct NamedPort {
  std::optional<PortName> port;  // nothing when neither the options nor the variable name one
  std::string error;             // the variable holds no port: why (a usage error)
};

// The port the options name (--device, else --port), else `variable`, the value of Q7310_PORT
// (null or empty when not set).
NamedPort PortNamedBy(const OperationOptions& options, const char* variable);

}  // namespace q7310::cli
