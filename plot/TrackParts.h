#pragma once

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "plot/PlotGeometry.h"
#include "plot/Sampling.h"
#include "trackio/VertexChunks.h"

namespace qu::plot {

// The two parts of a track that a picture of a combine draws apart: the run, before and after
// the combine, and the rest of the track around it; each streamed from its vertices, never
// stored, and measured for the views that show them.

// Segments first … last of the track, streamed from its vertices, the profile starting at
// `startLength`.
struct TrackRange {
  int first = 0;
  int last = -1;
  double startLength = 0.0;
};

// The track but for the run: the segments before it and those after it.
struct TrackRest {
  std::span<const BezierVertex> vertices;
  std::vector<TrackRange> ranges;
};

// Segments first … last of a vertex table, streamed: each sample with the length of the path
// up to it, from `startLength`.
struct RunPath {
  std::span<const BezierVertex> vertices;
  int first = 0;
  int last = -1;
  double startLength = 0.0;

  // Calls visit(point, length) for each of SamplePath's points in order.
  template <class Visit>
  void ForEach(Visit visit) const {
    PathLengthCounter length(startLength);
    ForEachSample(vertices, first, last, [&](const Vector3& p) {
      visit(p, length.Add(p));
      return true;
    });
  }
};

// The run before and after a combine; it may be empty.
struct RunCurves {
  RunPath before;
  RunPath after;
};

// Where the run lies in each view, and where it ends.
struct RunExtent {
  Box plan;                   // of both curves and the handles
  Box elevation;              // of both curves
  bool anyElevation = false;  // whether they have a finite point in the profile
  std::optional<Point2> profileStart, profileEnd;  // of the run before, in the profile
  double endLength = 0.0;                          // the length where the run before ends
};

// Where the run before and after lies, and the handles (as plan points).
RunExtent ExtentOf(const RunCurves& run, const std::vector<Point2>& handles);

// The boxes around all of the rest's samples in both views.
std::pair<Box, Box> RestBounds(const TrackRest& rest);

// The box around the points of the profiles whose length lies in from … to, a range that
// holds the whole run. Lengths only grow along the track, so each range of the rest is
// followed only up to `to`.
Box ProfileWindow(const RunExtent& run, const TrackRest& rest, double from, double to);

}  // namespace qu::plot
