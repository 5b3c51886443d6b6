#pragma once

#include <QColor>

#include "platform/color.h"

namespace fendrel {

// The drawable colour of c; system colours come from the charts' own light
// palette (see ColorToRGB).
QColor ToQColor(TColor c);

}  // namespace fendrel
