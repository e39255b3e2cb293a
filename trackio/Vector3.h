#pragma once

namespace qu {

// A point or direction in track space: three IEEE single-precision components.
struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

}  // namespace qu
