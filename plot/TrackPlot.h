#pragma once

#include <span>
#include <string>
#include <vector>

#include "geometry/SegmentMerge.h"
#include "plot/Drawing.h"
#include "plot/PictureLayout.h"
#include "plot/PlotGeometry.h"
#include "plot/Views.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// A picture of a track's Bezier path in two views side by side: the plan, seen from above,
// and the elevation profile, the height along the length of the path. The y axis of the
// vertex positions is "up". Its parts live beside it: the sampling (Sampling.h), the views
// (Views.h), the run and the rest of the track (TrackParts.h) and their lines
// (CurvePainter.h), the legend (Legend.h) and the title (Title.h).

// The whole picture, 800 × 400 units: the title (any bytes, shown in the display form), the
// plan and the elevation, and the legend. Without an overlay the whole track fills both
// views; with one, its run before (dashed) and after, the two handles it changes and the run's
// end vertices fill them, the rest of the track drawn around them. Each curve is sampled as
// SamplePath does, kPictureSamplesPerSegment points per segment, and kept only where it meets
// its view's frame (and a little beyond, so that the frame, not the cut, is where a line
// ends), with only the points needed to stay within kDrawTolerance of the samples; the samples
// of the track are streamed, not stored, so a track of any length costs memory for what its
// drawing shows.
//
// With `PlanScope::kWholeTrack` the plan shows the whole track whatever the overlay, the run
// marked by a broad band beneath it, so that one can see where on the track it lies; the
// elevation still shows the run and its neighbourhood.
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
// `runBefore`, when given, is the run as it was (overlay.run.count + 1 vertices), to draw the
// run as a track showed it that differs from `vertices` only inside the run; without it the
// run before is that of `vertices`.
Drawing DrawRunOnWholeTrack(const WholeTrack& whole, std::span<const BezierVertex> vertices,
                            const std::string& title, const CombinedRun& overlay,
                            std::span<const BezierVertex> runBefore = {});

}  // namespace qu::plot
