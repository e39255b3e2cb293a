#pragma once

namespace qu::plot {

// A point of a view, in track units or in picture units.
struct Point2 {
  double x = 0.0;
  double y = 0.0;
};

struct Box {
  Point2 min;
  Point2 max;
  double width() const { return max.x - min.x; }
  double height() const { return max.y - min.y; }
};

}  // namespace qu::plot
