#pragma once

#include <QColor>

#include "platform/color.h"

namespace fendrel {

// The drawable colour of c; system colours follow the application's palette.
QColor ToQColor(TColor c);

}  // namespace fendrel
