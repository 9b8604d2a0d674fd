#include "desktop/app_icon.h"

// The resources live in a static library, so they are registered by hand once.
static void InitResources() {
  Q_INIT_RESOURCE(q7310);
}

namespace q7310 {

QIcon AppIcon() {
  static const bool registered = (InitResources(), true);
  (void)registered;
  return QIcon(QStringLiteral(":/q7310/q7310.png"));
}

}  // namespace q7310
