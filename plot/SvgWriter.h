#pragma once

#include <string>

#include "plot/Drawing.h"

namespace qu::plot {

// The drawing as an SVG document whose size is the drawing's and that scales to its viewport.
// Each frame is a group with a clip path of its box, so no curve shows outside it; a polyline
// is one path, its points written to a tenth of a unit, a point that rounds to the same
// coordinates as the one before it left out. Always well-formed UTF-8 XML.
std::string WriteSvg(const Drawing& drawing);

}  // namespace qu::plot
