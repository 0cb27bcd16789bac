// The demo's transforms as D3DX builds them: 4x4 matrices of row vectors, element [r][c]
// at m[4 * r + c], so a point p lands at p * M.
#pragma once

namespace ember::reference {

struct Matrix {
  float m[16];
};

Matrix Identity();
Matrix Multiply(const Matrix& a, const Matrix& b);

// The view of scene/camera.cpp for a camera at rest at `position`, looking down -z.
Matrix DemoCameraView(float x, float y, float z);

// D3DXMatrixPerspectiveFovLH.
Matrix PerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

}  // namespace ember::reference
