// The program's icon (src/res/q7310.png, drawn for this program), from the built-in resources.
#pragma once

#include <QIcon>

namespace q7310 {

QIcon AppIcon();

}  // namespace q7310
