// The free-look camera: an eye, an orthonormal basis, three angles and a movement vector,
// from which it builds the left-handed view matrix and sets it on the device.
#pragma once

#include "video/graphics.h"

class Camera {
 public:
  Camera();
  Camera(const Camera& other);
  Camera& operator=(const Camera&) = default;

  void Reset();
  void SetPosition(float x, float y, float z);
  void GetPosition(float* x, float* y, float* z) const;
  void SetLook(float x, float y, float z);
  void SetUp(float x, float y, float z);
  void SetRight(float x, float y, float z);
  void GetLook(float* x, float* y, float* z) const;
  void GetUp(float* x, float* y, float* z) const;
  void GetRight(float* x, float* y, float* z) const;
  void SetMovement(float x, float y, float z);
  void GetMovement(float* x, float* y, float* z) const;
  void MoveBy(float dx, float dy, float dz);
  void SetRoll(float angle) { roll = angle; }
  void SetPitch(float angle) { pitch = angle; }
  void SetYaw(float angle) { yaw = angle; }
  void GetRoll(float* angle) const { *angle = roll; }
  void GetPitch(float* angle) const { *angle = pitch; }
  void GetYaw(float* angle) const { *angle = yaw; }
  HRESULT BuildViewMatrix();

  D3DXMATRIX view;
  float roll, pitch, yaw;
  D3DXVECTOR3 position, look, up, right, movement;
};

extern Camera g_camera;
extern float g_targetDistance;

// Moves the camera with the six keys, scaled by the last frame's duration, and re-aims it.
void UpdateCamera();
