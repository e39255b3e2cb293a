#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "plot/Drawing.h"
#include "plot/PlotGeometry.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// A picture of a track's Bezier path in two views side by side: the plan, seen from above,
// and the elevation profile, the height along the length of the path. The y axis of the
// vertex positions is "up".

// Points along segments first … last of a vertex table, `perSegment` per segment plus the end
// point of the last one.
std::vector<Vector3> SamplePath(std::span<const BezierVertex> vertices, int first, int last,
                                int perSegment);

// Plan view: x to the right, z downwards as seen from above.
std::vector<Point2> PlanView(const std::vector<Vector3>& points);
// Elevation profile: the length of the path so far (in 3D) against the height y, starting at
// `startLength`.
std::vector<Point2> ElevationView(const std::vector<Vector3>& points, double startLength = 0.0);
// The length of a polyline through the points.
double PathLength(const std::vector<Vector3>& points);

// The box around the finite points; a point box at the origin when there is none.
Box BoundsOf(const std::vector<std::vector<Point2>>& groups);

// Maps a box onto a viewport rectangle, centred. With `keepAspect` both axes share one
// scale; without, each axis fills the viewport. The y axis of the viewport points down, so
// `flipY` puts larger values higher up.
class ViewportMapping {
 public:
  ViewportMapping(const Box& data, const Box& viewport, bool flipY, bool keepAspect = true);
  Point2 Map(const Point2& p) const;
  // The same mapping as the drawing states it (up to rounding).
  ViewPlacement placement() const;
  double scaleX() const { return scaleX_; }
  double scaleY() const { return scaleY_; }

 private:
  Box data_;
  bool flipY_;
  double scaleX_ = 1.0;
  double scaleY_ = 1.0;
  Point2 offset_;
};

// The box around the run, grown by `margin` times its larger side on every side, so that the
// run fills the middle of a view and its neighbourhood shows around it.
Box FocusOn(const Box& run, double margin);

// How far, in picture units, a drawn line may stray from the sampled curve (before its
// coordinates are rounded to 0.1 in a file). The picture is 800 units wide: a twentieth of a
// unit is half the rounding step, and small enough that the corners between the lines kept do
// not show even at twice the picture's size.
inline constexpr double kDrawTolerance = 0.05;

// The whole picture, 800 × 400 units: the title (any bytes, shown in the display form), the
// plan and the elevation, and the legend. Without an overlay the whole track fills both
// views; with one, its run before (dashed) and after, the two handles it changes and the run's
// end vertices fill them, the rest of the track drawn around them. Each curve is sampled as
// SamplePath does, 16 points per segment, and kept only where it meets its view's frame (and
// a little beyond, so that the frame, not the cut, is where a line ends), with only the
// points needed to stay within kDrawTolerance of the samples; the samples of the track are
// streamed, not stored, so a track of any length costs memory for what its drawing shows.
//
// With `PlanScope::kWholeTrack` the plan shows the whole track whatever the overlay, the run
// marked by a broad band beneath it, so that one can see where on the track it lies; the
// elevation still shows the run and its neighbourhood.
enum class PlanScope { kRun, kWholeTrack };
Drawing DrawTrack(std::span<const BezierVertex> vertices, const std::string& title,
                  const CombinedRun* overlay = nullptr, PlanScope planScope = PlanScope::kRun);

// What a picture of a track with PlanScope::kWholeTrack needs that stays the same while only
// the run changes, made once for a version of the track: the track alone as DrawTrack draws it
// (without a title), whose plan line is also the rest of the track beneath any run; the box
// around its samples in the plan; and the length of the path up to each vertex, as the
// elevation counts it, so that a run far along the track is found without following the path
// from its start.
struct WholeTrack {
  Drawing drawing;  // DrawTrack without an overlay, its title empty
  Box planSamples;  // of every finite sample, in the plan
  bool anyPlanSample = false;
  // lengthAt[i]: the length of the path up to vertex i (its first sample). Empty when a
  // sample is not finite: the path is then followed from its start, as DrawTrack does.
  std::vector<double> lengthAt;
};

WholeTrack PrepareWholeTrack(std::span<const BezierVertex> vertices);

// DrawTrack(vertices, title, &overlay, PlanScope::kWholeTrack) for a track prepared as
// `whole`, with the work of the run only: the views and the elevation come from the run and
// what `whole` holds, and the rest of the track in the plan is left to `whole.drawing`'s plan
// line (the plan frame's restAt says where it goes). That line is placed by the whole
// drawing's plan frame; when the run reaches beyond the track's box, this drawing's plan
// frame is placed differently, and the line is to be moved from the one to the other.
//
// `runBefore`, when given, is the run as it was (overlay.run.count + 1 vertices), to draw the run
// as a track showed it that differs from `vertices` only inside the run; without it the run
// before is that of `vertices`.
Drawing DrawRunOnWholeTrack(const WholeTrack& whole, std::span<const BezierVertex> vertices,
                            const std::string& title, const CombinedRun& overlay,
                            std::span<const BezierVertex> runBefore = {});

// The width a line of text takes at most, in picture units, estimated without a font: every
// character kCharacterEms of an em, every digit kDigitEms. The common sans serif faces set a
// digit in 0.55 to 0.64 em, and the legend's words in less than 0.6 em a character on
// average, so a label with a run's two seven-digit numbers still ends before its estimate.
inline constexpr double kCharacterEms = 0.6;
inline constexpr double kDigitEms = 0.66;
double EstimatedTextWidth(const Text& text);

// The legend beneath the views (and, with an overlay, the fit's deviation in words): entries
// placed by the estimated widths of their labels, never over one another, on a second line
// when they are wider than the picture. With `runMarked`, an entry for the band under the run.
void DrawLegend(Drawing& drawing, const CombinedRun* overlay, bool runMarked);

// The longest file name, in characters of its display form, that a picture's title shows
// whole; with the words after it, a title this long still fits on the picture.
inline constexpr std::size_t kTitleNameCharacters = 40;

// A name for a title: its display form (DisplayText), and when that is longer than
// `characters` characters, its start and end with "…" between them, `characters` in all. An
// escaped byte (`\xE9`) is kept whole or left out whole.
std::string ShortenedName(std::string_view name, std::size_t characters = kTitleNameCharacters);

}  // namespace qu::plot
