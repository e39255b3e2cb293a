#include "plot/Legend.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <utility>
#include <vector>

#include "plot/PictureLayout.h"

namespace qu::plot {
namespace {

std::string SegmentsText(int count) {
  return std::to_string(count) + " segment" + (count == 1 ? "" : "s");
}

// The run in words: "first 3 segments", or "segments 5 to 7" for one that starts later.
std::string RunText(const SegmentRun& run) {
  if (run.first == 0) return "first " + SegmentsText(run.count);
  if (run.count == 1) return "segment " + std::to_string(run.first);
  return "segments " + std::to_string(run.first) + " to " +
         std::to_string(run.first + run.count - 1);
}

// A number as printf's "%.6g" writes it in the C locale, whatever the process's locale.
std::string ShortNumber(double value) {
  char text[32];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  return std::string(text, end);
}

}  // namespace

double EstimatedTextWidth(const Text& text) {
  double ems = 0.0;
  for (const char c : text.text) {
    // A byte that continues a UTF-8 character adds nothing.
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;
    ems += std::isdigit(static_cast<unsigned char>(c)) ? kDigitEms : kCharacterEms;
  }
  return ems * text.size;
}

void DrawLegend(Drawing& drawing, const CombinedRun* overlay, bool runMarked) {
  // Each entry: a swatch, then its label. Entries keep the places they have always had while
  // their labels leave room; a longer label (a run far along a long track) moves the ones
  // after it to the right, and one that would pass the picture's right margin starts a
  // second line.
  constexpr double kSwatch = 24, kLabelGap = 6, kEntryGap = 8, kLineStep = 18;
  constexpr double kLeft = 20;
  const double right = drawing.width - 20;
  struct Entry {
    double place;
    LineStyle style;
    std::string label;
  };
  std::vector<Entry> entries;
  if (overlay) {
    entries = {{20, LineStyle::kRunBefore, RunText(overlay->run) + " before"},
               {240, LineStyle::kRunAfter, "after COMBINE!"},
               {380, LineStyle::kHandle, "changed handles"},
               {530, LineStyle::kRest, "rest of the track"}};
    if (runMarked) entries.push_back({680, LineStyle::kRunMarker, "the run"});
  } else {
    entries = {{20, LineStyle::kTrack, "track path"}};
  }
  // Two lines start a little higher, so that the words beneath still fit.
  const auto place = [&](double y, bool lay) {
    double x = kLeft, free = kLeft;
    bool wrapped = false;
    for (const Entry& entry : entries) {
      const Text label{{0, y}, entry.label, 12, Anchor::kStart, kLegendTextColour};
      const double width = kSwatch + kLabelGap + EstimatedTextWidth(label);
      x = std::max(entry.place, free);
      if (x + width > right && x > kLeft) {
        wrapped = true;
        x = kLeft;
        y += kLineStep;
      }
      if (lay) {
        drawing.legend.push_back(
            {entry.style,
             {x, y - 4},
             {x + kSwatch, y - 4},
             kLegendLineWidth,
             {{x + kSwatch + kLabelGap, y}, label.text, 12, Anchor::kStart, kLegendTextColour}});
      }
      free = x + width + kEntryGap;
    }
    return std::pair(wrapped, y);
  };
  const double firstLine = place(352, false).first ? 344 : 352;
  const double y = place(firstLine, true).second;
  if (overlay) {
    drawing.deviation = Text{{20, y + 22},
                             "Largest deviation of the fit: " + ShortNumber(overlay->maxDeviation) +
                                 " track units. Circles: the run's end vertices.",
                             12,
                             Anchor::kStart,
                             kLegendTextColour};
  }
  drawing.axisNote = {{780, y + 22}, "y is up", 12, Anchor::kEnd, kLegendTextColour};
}

}  // namespace qu::plot
