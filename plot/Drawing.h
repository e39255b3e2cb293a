#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plot/PlotGeometry.h"

namespace qu::plot {

// What a picture shows, as data: frames with their curves and marks, texts and a legend, all
// in picture units (x to the right, y downwards). It knows nothing of SVG or of a screen:
// WriteSvg (SvgWriter.h) turns it into a file, the window's painter into pixels.

// A colour as 0xRRGGBB.
using Colour = std::uint32_t;

// What a line stands for; its look follows from that (LookOf).
enum class LineStyle {
  kTrack,      // the whole track, when no combine is shown
  kRest,       // the track around a combined run
  kRunBefore,  // the run as it was: dashed, over the new one
  kRunAfter,   // the run as a combine makes it
  kHandle,     // a control point that the combine changes, from its vertex
  kRunMarker,  // a broad band under the run, so that it stands out on the whole track
};

// A dashed line: this many picture units drawn, then this many left out, from the start of
// each stroke.
inline constexpr double kDashOn = 6.0;
inline constexpr double kDashOff = 4.0;

struct LineLook {
  Colour colour = 0;
  double width = 1.0;  // picture units
  bool dashed = false;
};

LineLook LookOf(LineStyle style);

// A curve as drawn: its strokes, each a list of points joined by straight lines.
struct Polyline {
  LineStyle style = LineStyle::kTrack;
  std::vector<std::vector<Point2>> strokes;
};

// A circle, its outline one unit wide.
struct Circle {
  Point2 centre;
  double radius = 1.0;
  std::optional<Colour> fill;  // nothing: only the outline
  Colour outline = 0;
};

enum class Anchor { kStart, kEnd };

// One line of text. `at` is where its baseline starts (kStart) or ends (kEnd). The text is in
// the display form (valid UTF-8 without control characters; DisplayText).
struct Text {
  Point2 at;
  std::string text;
  double size = 12.0;  // the font's size, in picture units
  Anchor anchor = Anchor::kStart;
  Colour colour = 0;
};

// Where a view's coordinates land in the picture: x' = offsetX + scaleX · x, and the same for
// y (a negative scale turns the axis over).
struct ViewPlacement {
  double scaleX = 1.0;
  double scaleY = 1.0;
  double offsetX = 0.0;
  double offsetY = 0.0;
  Point2 Map(const Point2& p) const { return {offsetX + scaleX * p.x, offsetY + scaleY * p.y}; }
  // The view's coordinates of a point of the picture.
  Point2 Unmap(const Point2& p) const {
    return {(p.x - offsetX) / scaleX, (p.y - offsetY) / scaleY};
  }
};

// One view of the track: a white box with a label, and the curves and marks drawn inside it.
// Nothing drawn in it shows outside `box`.
struct Frame {
  std::string name;  // "plan" (x across, z down) or "elevation" (path length, height)
  Box box;
  ViewPlacement placement;  // of the view's coordinates: x and z, or path length and height
  Text label;
  std::vector<Polyline> lines;  // drawn in order, the last on top
  std::vector<Circle> marks;    // drawn over the lines
  // Where the rest of the track goes, when it is not among the lines but left to a picture of
  // the whole track made once for the track (WholeTrack, TrackPlot.h): beneath
  // lines[restAt] and over the ones before it. Only the window's preview leaves it out.
  std::optional<std::size_t> restAt;
};

// A legend entry: a short line in a style's colour and dashes, and its label.
struct LegendEntry {
  LineStyle style = LineStyle::kTrack;
  Point2 from;
  Point2 to;
  double width = 2.5;  // the same for every entry, whatever the style's own width
  Text label;
};

struct Drawing {
  double width = 800.0;
  double height = 400.0;
  Colour background = 0xF7F7F7;
  Colour frameFill = 0xFFFFFF;
  Colour frameOutline = 0x888888;
  double frameOutlineWidth = 0.5;
  Text title;
  std::vector<Frame> frames;
  std::vector<LegendEntry> legend;
  std::optional<Text> deviation;  // with a combine: its largest deviation in words
  Text axisNote;                  // "y is up"
};

}  // namespace qu::plot
