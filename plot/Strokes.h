#pragma once

#include <vector>

#include "plot/PlotGeometry.h"

namespace qu::plot {

// The stages a drawn curve passes through on its way into the picture, one point at a time,
// so that a long track is never held in memory as points: what lies outside the frame is cut
// off, then points that add nothing visible are merged.

// Receives strokes: a move to the first point, lines to the next ones, and the stroke's end.
class StrokeSink {
 public:
  virtual ~StrokeSink() = default;
  virtual void MoveTo(const Point2& p) = 0;
  virtual void LineTo(const Point2& p) = 0;
  virtual void EndStroke() = 0;
};

// Passes on the parts of a polyline that meet the frame. A line that crosses the frame's edge
// is cut where it leaves the frame, so the entry and exit points lie on the edge; a line that
// lies wholly outside the frame ends the stroke. A point that is not finite ends it too.
class FrameClipper {
 public:
  FrameClipper(const Box& frame, StrokeSink& next) : frame_(frame), next_(next) {}
  void Add(const Point2& p);
  // The polyline ends here; the next point starts a new one.
  void Break();

 private:
  Box frame_;
  StrokeSink& next_;
  Point2 previous_;
  bool havePrevious_ = false;
  bool drawing_ = false;  // a stroke is open and ends at previous_
};

// Keeps the first and the last point of every stroke and, between them, only the points that
// are needed so that every point received lies within `tolerance` of the lines drawn. Works
// in one pass: each kept point is the start of a line that is stretched as far as it can go,
// following the range of directions ("cone") that passes within the tolerance of every point
// skipped so far, and no skipped point lies beyond the line's end.
class LineSimplifier : public StrokeSink {
 public:
  LineSimplifier(double tolerance, StrokeSink& next) : tolerance_(tolerance), next_(next) {}
  void MoveTo(const Point2& p) override;
  void LineTo(const Point2& p) override;
  void EndStroke() override;

 private:
  bool Reaches(const Point2& p) const;
  void Narrow(const Point2& p);
  bool Passes(const Point2& direction, const Point2& d) const;
  void StartAt(const Point2& anchor);

  double tolerance_;
  StrokeSink& next_;
  Point2 anchor_;      // the last point passed on
  Point2 pending_;     // the end of the line so far, not yet passed on
  bool open_ = false;  // a stroke is open
  bool pendingSet_ = false;
  bool coned_ = false;      // the cone has been narrowed by a point beyond the tolerance
  bool empty_ = false;      // no direction passes near every skipped point
  Point2 low_, high_;       // the cone, counter-clockwise from low_ to high_, narrower than 180°
  double farthest2_ = 0.0;  // the squared distance from the anchor of the farthest point
};

// The polyline's strokes inside the frame (FrameClipper).
std::vector<std::vector<Point2>> ClipPolyline(const std::vector<Point2>& points, const Box& frame);
// A stroke's points reduced by LineSimplifier.
std::vector<Point2> SimplifyPolyline(const std::vector<Point2>& stroke, double tolerance);

}  // namespace qu::plot
