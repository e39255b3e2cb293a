#pragma once

#include <utility>

#include "plot/Drawing.h"
#include "plot/PlotGeometry.h"
#include "plot/TrackParts.h"

namespace qu::plot {

// The two views of a track's picture, the plan and the elevation profile, and how each maps
// what it shows onto its panel: the whole track, or a run and its neighbourhood.

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

inline Point2 ViewportMapping::Map(const Point2& p) const {
  const double x = offset_.x + (p.x - data_.min.x) * scaleX_;
  const double y = flipY_ ? offset_.y + (data_.max.y - p.y) * scaleY_
                          : offset_.y + (p.y - data_.min.y) * scaleY_;
  return {x, y};
}

// The box around the run, grown by `margin` times its larger side on every side, so that the
// run fills the middle of a view and its neighbourhood shows around it.
Box FocusOn(const Box& run, double margin);

// The box grown on every side by a twentieth of its larger side, or of 1 when both are
// shorter, so that what it holds keeps clear of a view's edges.
Box Padded(const Box& box);

// Which part of the track the plan shows when a run is drawn: the run and its neighbourhood,
// or the whole track.
enum class PlanScope { kRun, kWholeTrack };

// How each view maps onto the picture.
struct Views {
  ViewportMapping plan;
  ViewportMapping elevation;
};

// Without a combine the whole track fills each view, given the boxes around its samples in
// the plan and in the profile. Heights are stretched to fill the elevation view, lengths along
// the path are not.
Views WholeTrackViews(const std::pair<Box, Box>& bounds);

// The lengths of the path that the elevation shows around the run.
std::pair<double, double> ProfileRange(const RunExtent& extent);

// The elevation of the run and the part of the rest around it.
ViewportMapping ElevationMapping(const RunExtent& extent, const TrackRest& rest);

// With a combine the run and its neighbourhood fill each view (the plan shows the whole
// track with PlanScope::kWholeTrack), and the rest of the track is cut at the frame.
Views FocusedViews(const RunExtent& extent, const TrackRest& rest, PlanScope planScope);

}  // namespace qu::plot
