#include "plot/Strokes.h"

#include <algorithm>
#include <cmath>

namespace qu::plot {
namespace {

bool IsFinite(const Point2& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

bool Inside(const Box& box, const Point2& p) {
  return p.x >= box.min.x && p.x <= box.max.x && p.y >= box.min.y && p.y <= box.max.y;
}

double Cross(const Point2& a, const Point2& b) {
  return a.x * b.y - a.y * b.x;
}

// Whether direction v lies in the cone from `low` counter-clockwise to `high`; the cone must
// be narrower than 180°, so that the two signs decide it.
bool Within(const Point2& v, const Point2& low, const Point2& high) {
  return Cross(low, v) >= 0 && Cross(v, high) >= 0;
}

// Cuts the line a → b to the part inside the box (Liang and Barsky's method: the parameter
// range where the line is on the inner side of all four edges). False when no part is inside.
bool ClipLine(const Box& box, Point2& a, Point2& b) {
  if (Inside(box, a) && Inside(box, b)) return true;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  double enter = 0.0;
  double leave = 1.0;
  // The part of the line with direction · t <= room is on the inner side of one edge.
  auto keepInner = [&](double direction, double room) {
    if (direction == 0.0) return room >= 0.0;
    const double t = room / direction;
    if (direction < 0.0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
    return enter <= leave;
  };
  if (!keepInner(-dx, a.x - box.min.x) || !keepInner(dx, box.max.x - a.x) ||
      !keepInner(-dy, a.y - box.min.y) || !keepInner(dy, box.max.y - a.y)) {
    return false;
  }
  const Point2 start = a;
  if (enter > 0.0) a = {start.x + enter * dx, start.y + enter * dy};
  if (leave < 1.0) b = {start.x + leave * dx, start.y + leave * dy};
  return true;
}

// Collects strokes as point lists.
class StrokeList : public StrokeSink {
 public:
  void MoveTo(const Point2& p) override { strokes.push_back({p}); }
  void LineTo(const Point2& p) override { strokes.back().push_back(p); }
  void EndStroke() override {}
  std::vector<std::vector<Point2>> strokes;
};

}  // namespace

void FrameClipper::Add(const Point2& p) {
  if (!IsFinite(p)) {
    Break();
    return;
  }
  if (havePrevious_) {
    Point2 a = previous_;
    Point2 b = p;
    if (ClipLine(frame_, a, b)) {
      // While drawing, previous_ is inside, so the line continues the stroke.
      if (!drawing_) next_.MoveTo(a);
      next_.LineTo(b);
      drawing_ = b.x == p.x && b.y == p.y;
      if (!drawing_) next_.EndStroke();  // it left the frame at b
    } else if (drawing_) {
      next_.EndStroke();
      drawing_ = false;
    }
  }
  previous_ = p;
  havePrevious_ = true;
}

void FrameClipper::Break() {
  if (drawing_) next_.EndStroke();
  drawing_ = false;
  havePrevious_ = false;
}

void LineSimplifier::MoveTo(const Point2& p) {
  EndStroke();
  next_.MoveTo(p);
  open_ = true;
  StartAt(p);
}

void LineSimplifier::LineTo(const Point2& p) {
  if (!Reaches(p)) {
    next_.LineTo(pending_);
    StartAt(pending_);
  }
  pending_ = p;
  pendingSet_ = true;
  Narrow(p);
}

void LineSimplifier::EndStroke() {
  if (!open_) return;
  if (pendingSet_) next_.LineTo(pending_);
  next_.EndStroke();
  open_ = false;
}

void LineSimplifier::StartAt(const Point2& anchor) {
  anchor_ = anchor;
  pendingSet_ = false;
  coned_ = false;
  empty_ = false;
  farthest2_ = 0.0;
}

// Whether a line from the anchor to p passes within the tolerance of every point skipped
// since the anchor. Points within the tolerance of the anchor are near any such line. For
// each other point q the cone holds the directions whose line passes within the tolerance of
// q; since p is at least as far from the anchor as q, the foot of q on the line lies between
// the anchor and p.
bool LineSimplifier::Reaches(const Point2& p) const {
  if (!pendingSet_ || farthest2_ <= tolerance_ * tolerance_) return true;
  const Point2 d{p.x - anchor_.x, p.y - anchor_.y};
  if (d.x * d.x + d.y * d.y < farthest2_ || empty_) return false;
  return !coned_ || Within(d, low_, high_);
}

// Narrows the cone to the directions whose line passes within the tolerance of p: those less
// than asin(tolerance / distance) away from the direction of p. The cone's edges are kept as
// vectors of any length, as only the signs of cross products are asked of them.
void LineSimplifier::Narrow(const Point2& p) {
  const Point2 d{p.x - anchor_.x, p.y - anchor_.y};
  const double distance2 = d.x * d.x + d.y * d.y;
  const double tolerance2 = tolerance_ * tolerance_;
  farthest2_ = std::max(farthest2_, distance2);
  if (distance2 <= tolerance2 || empty_) return;
  if (coned_ && Passes(low_, d) && Passes(high_, d)) return;  // the cone is no wider than p allows
  // The edges rotated by ±asin(t / r) from d, scaled by r²: d · √(r² − t²) ± d⊥ · t.
  const double along = std::sqrt(distance2 - tolerance2);
  const Point2 low{d.x * along + d.y * tolerance_, d.y * along - d.x * tolerance_};
  const Point2 high{d.x * along - d.y * tolerance_, d.y * along + d.x * tolerance_};
  if (!coned_) {
    low_ = low;
    high_ = high;
    coned_ = true;
    return;
  }
  // Two arcs narrower than 180° meet in one arc, which starts at the start that lies in the
  // other arc and ends at the end that does.
  const bool lowIn = Within(low, low_, high_);
  const bool highIn = Within(high, low_, high_);
  if ((!lowIn && !Within(low_, low, high)) || (!highIn && !Within(high_, low, high))) {
    empty_ = true;
    return;
  }
  if (lowIn) low_ = low;
  if (highIn) high_ = high;
}

// Whether the line from the anchor in direction v passes within the tolerance of the point
// at d from the anchor, on the side of d.
bool LineSimplifier::Passes(const Point2& v, const Point2& d) const {
  const double across = Cross(v, d);
  return v.x * d.x + v.y * d.y > 0 &&
         across * across <= tolerance_ * tolerance_ * (v.x * v.x + v.y * v.y);
}

std::vector<std::vector<Point2>> ClipPolyline(const std::vector<Point2>& points, const Box& frame) {
  StrokeList out;
  FrameClipper clipper(frame, out);
  for (const Point2& p : points) clipper.Add(p);
  clipper.Break();
  return out.strokes;
}

std::vector<Point2> SimplifyPolyline(const std::vector<Point2>& stroke, double tolerance) {
  StrokeList out;
  LineSimplifier simplifier(tolerance, out);
  for (std::size_t i = 0; i < stroke.size(); ++i) {
    if (i == 0) {
      simplifier.MoveTo(stroke[i]);
    } else {
      simplifier.LineTo(stroke[i]);
    }
  }
  simplifier.EndStroke();
  return out.strokes.empty() ? std::vector<Point2>() : out.strokes.front();
}

}  // namespace qu::plot
