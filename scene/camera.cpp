#include "scene/camera.h"

#include <cstring>

#include "app/app_state.h"
#include "input/keyboard.h"

Camera g_camera;
float g_targetDistance = 0.0f;

namespace {

// 0.3 world units a millisecond.
const float kSpeed = 0.3f;

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
  D3DXVECTOR3 r;
  D3DXVec3Cross(&r, &a, &b);
  return r;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
  D3DXVECTOR3 r;
  D3DXVec3Normalize(&r, &v);
  return r;
}

// +s while the first key is down, else -s while the second is; the second is asked only
// when the first is up.
float KeyPairStep(int positiveKey, int negativeKey, float s) {
  if (g_keyboard.IsKeyDown(positiveKey)) return s;
  if (g_keyboard.IsKeyDown(negativeKey)) return -s;
  return 0.0f;
}

}  // namespace

Camera::Camera()
    : roll(0.0f),
      pitch(0.0f),
      yaw(0.0f),
      position(0, 0, -1),
      look(0, 0, -1),
      up(0, 1, 0),
      right(1, 0, 0),
      movement(0, 0, 0) {
  std::memset(&view, 0, sizeof view);
}

Camera::Camera(const Camera& other)
    : roll(other.roll),
      pitch(other.pitch),
      yaw(other.yaw),
      position(other.position),
      look(other.look),
      up(other.up),
      right(other.right),
      movement(other.movement) {
  std::memset(&view, 0, sizeof view);
}

void Camera::Reset() {
  position = D3DXVECTOR3(0, 0, -1);
  look = D3DXVECTOR3(0, 0, 1);
  right = D3DXVECTOR3(1, 0, 0);
  up = D3DXVECTOR3(0, 1, 0);
  roll = pitch = yaw = 0.0f;
}

void Camera::SetPosition(float x, float y, float z) { position = D3DXVECTOR3(x, y, z); }
void Camera::SetLook(float x, float y, float z) { look = D3DXVECTOR3(x, y, z); }
void Camera::SetUp(float x, float y, float z) { up = D3DXVECTOR3(x, y, z); }
void Camera::SetRight(float x, float y, float z) { right = D3DXVECTOR3(x, y, z); }
void Camera::SetMovement(float x, float y, float z) { movement = D3DXVECTOR3(x, y, z); }
void Camera::MoveBy(float dx, float dy, float dz) { position += D3DXVECTOR3(dx, dy, dz); }

void Camera::GetPosition(float* x, float* y, float* z) const {
  *x = position.x;
  *y = position.y;
  *z = position.z;
}
void Camera::GetLook(float* x, float* y, float* z) const {
  *x = look.x;
  *y = look.y;
  *z = look.z;
}
void Camera::GetUp(float* x, float* y, float* z) const {
  *x = up.x;
  *y = up.y;
  *z = up.z;
}
void Camera::GetRight(float* x, float* y, float* z) const {
  *x = right.x;
  *y = right.y;
  *z = right.z;
}
void Camera::GetMovement(float* x, float* y, float* z) const {
  *x = movement.x;
  *y = movement.y;
  *z = movement.z;
}

HRESULT Camera::BuildViewMatrix() {
  position += right * movement.x;
  position += up * movement.y;
  position += look * movement.z;

  look = Normalized(look);
  right = Normalized(Cross(up, look));
  up = Normalized(Cross(look, right));

  D3DXMATRIX rotation;
  D3DXMatrixRotationAxis(&rotation, &up, yaw);
  D3DXVec3TransformCoord(&look, &look, &rotation);
  D3DXVec3TransformCoord(&right, &right, &rotation);

  D3DXMatrixRotationAxis(&rotation, &right, pitch);
  D3DXVec3TransformCoord(&look, &look, &rotation);
  D3DXVec3TransformCoord(&up, &up, &rotation);

  D3DXMatrixRotationAxis(&rotation, &look, roll);
  D3DXVec3TransformCoord(&right, &right, &rotation);
  D3DXVec3TransformCoord(&up, &up, &rotation);

  D3DXMatrixIdentity(&view);
  const float* axes[3] = {&right.x, &up.x, &look.x};
  for (int i = 0; i < 3; ++i) {
    view.m[i][0] = axes[0][i];
    view.m[i][1] = axes[1][i];
    view.m[i][2] = axes[2][i];
  }
  view.m[3][0] = -D3DXVec3Dot(&position, &right);
  view.m[3][1] = -D3DXVec3Dot(&position, &up);
  view.m[3][2] = -D3DXVec3Dot(&position, &look);
  return g_device->SetTransform(D3DTS_VIEW, &view);
}

void UpdateCamera() {
  float px, py, pz;
  g_camera.GetPosition(&px, &py, &pz);
  float s = float(g_frameDurationMs) * kSpeed;
  float dx = KeyPairStep(DIK_LEFT, DIK_RIGHT, s);
  float dy = KeyPairStep(DIK_A, DIK_Z, s);
  float dz = KeyPairStep(DIK_DOWN, DIK_UP, s);
  g_camera.SetPosition(px + dx, py + dy, pz + dz);

  D3DXVECTOR3 p(px, py, pz);
  D3DXVECTOR3 target(px, py, pz - 100.0f * g_targetDistance);
  D3DXVECTOR3 look = Normalized(target - p);
  g_camera.SetLook(look.x, look.y, look.z);
  D3DXVECTOR3 right = Normalized(Cross(D3DXVECTOR3(0, -1, 0), look));
  g_camera.SetRight(right.x, right.y, right.z);
  D3DXVECTOR3 up = Normalized(Cross(right, look));
  g_camera.SetUp(up.x, up.y, up.z);
  g_camera.BuildViewMatrix();
}
