#include "bench/reference/matrices.h"

#include <cmath>

namespace ember::reference {

namespace {

struct Vec3 {
  float x, y, z;
};

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 Normalized(const Vec3& v) {
  const float length = std::sqrt(Dot(v, v));
  if (length == 0.0f) return v;
  return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Matrix Identity() { return Matrix{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix out{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      for (int k = 0; k < 4; ++k) out.m[4 * r + c] += a.m[4 * r + k] * b.m[4 * k + c];
  return out;
}

Matrix DemoCameraView(float x, float y, float z) {
  // UpdateCamera: the look towards the far target, right from the world's down and the look,
  // up from right and look.
  const Vec3 position{x, y, z};
  const Vec3 look = Normalized(Vec3{0.0f, 0.0f, -1.0f});
  Vec3 right = Normalized(Cross(Vec3{0.0f, -1.0f, 0.0f}, look));
  Vec3 up = Normalized(Cross(right, look));
  // BuildViewMatrix rebuilds the axes; its yaw, pitch and roll are zero at rest.
  right = Normalized(Cross(up, look));
  up = Normalized(Cross(look, right));

  Matrix view = Identity();
  const Vec3 axes[3] = {right, up, look};
  for (int column = 0; column < 3; ++column) {
    view.m[0 + column] = axes[column].x;
    view.m[4 + column] = axes[column].y;
    view.m[8 + column] = axes[column].z;
    view.m[12 + column] = -Dot(position, axes[column]);
  }
  return view;
}

Matrix PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float yScale = 1.0f / std::tan(fovY / 2.0f);
  const float xScale = yScale / aspect;
  const float range = zFar / (zFar - zNear);
  return Matrix{{xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, range, 1, 0, 0, -zNear * range, 0}};
}

}  // namespace ember::reference
