#include "app/version.h"

#include "q7310_version.h"

namespace q7310 {

std::string_view Version() {
  return Q7310_VERSION;
}

std::string_view Commit() {
  return Q7310_COMMIT;
}

std::string_view VersionText() {
  return Q7310_VERSION_TEXT;
}

}  // namespace q7310
