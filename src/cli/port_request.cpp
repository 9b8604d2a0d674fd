#include "cli/port_request.h"

#include "app/texts.h"

namespace q7310::cli {

NamedPort PortNamedBy(const OperationOptions& options, const char* variable) {
  NamedPort named;
  if (!options.session.device.empty()) {
    named.port = PortName{0, options.session.device};
  } else if (!options.port.empty()) {
    named.port = ParsePortName(options.port);  // checked when the options were read
  } else if (variable != nullptr && variable[0] != '\0') {
    named.port = ParsePortName(variable);
    if (!named.port) {
      named.error = std::string(texts::kPortVariable) + "='" + variable +
                    "': " + std::string(texts::kUsagePortForms);
    }
  }
  return named;
}

}  // namespace q7310::cli
