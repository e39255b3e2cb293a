#include "plot/Drawing.h"

namespace qu::plot {

LineLook LookOf(LineStyle style) {
  // Colours that stay apart for colour-blind readers (the Okabe–Ito set) and greys.
  constexpr Colour kBlue = 0x0072B2;
  constexpr Colour kVermillion = 0xD55E00;
  switch (style) {
    case LineStyle::kTrack:
      return {kBlue, 2.5, false};
    case LineStyle::kRest:
      return {0xC8C8C8, 2, false};  // light grey
    case LineStyle::kRunBefore:
      return {0x6E6E6E, 1.5, true};  // dark grey
    case LineStyle::kRunAfter:
      return {kBlue, 3, false};
    case LineStyle::kHandle:
      return {kVermillion, 1.5, false};
    case LineStyle::kRunMarker:
      return {0xF0E442, 10, false};  // yellow
  }
  return {};
}

}  // namespace qu::plot
