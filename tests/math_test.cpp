#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "runtime/d3dx9/d3dx9math.h"

namespace {

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

TEST(D3DXMath, ProjectionFor1024By768MatchesTheHandWorkedMatrix) {
  float aspect = float(1024) / float(768);
  EXPECT_EQ(Bits(aspect), Bits(1.3333334f));
  EXPECT_EQ(Bits(D3DX_PI / 4), 0x3F490FDBu);
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 4, aspect, 1.0f, 10000.0f);
  // cot(pi/8) = 1 + sqrt(2) = 2.4142136; x = that / 1.3333334 = 1.8106601.
  EXPECT_NEAR(p._22, 2.4142136f, 1e-6f);
  EXPECT_NEAR(p._11, 1.8106601f, 1e-6f);
  EXPECT_NEAR(p._33, 10000.0f / 9999.0f, 1e-7f);
  EXPECT_FLOAT_EQ(p._34, 1.0f);
  EXPECT_NEAR(p._43, -10000.0f / 9999.0f, 1e-6f);
  EXPECT_FLOAT_EQ(p._44, 0.0f);
  EXPECT_FLOAT_EQ(p._12 + p._13 + p._14 + p._21 + p._23 + p._24 + p._31 + p._32 + p._41 + p._42,
                  0.0f);
  // A point on the near plane lands at depth 0, one on the far plane at depth 1.
  D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(0, 0, 10000);
  D3DXVec3TransformCoord(&nearPoint, &nearPoint, &p);
  D3DXVec3TransformCoord(&farPoint, &farPoint, &p);
  EXPECT_NEAR(nearPoint.z, 0.0f, 1e-6f);
  EXPECT_NEAR(farPoint.z, 1.0f, 1e-6f);
}

TEST(D3DXMath, RotationsTurnAxesTheLeftHandedWay) {
  D3DXMATRIX r;
  D3DXVECTOR3 v(1, 0, 0);
  // A quarter turn about Y takes +X to -Z.
  D3DXMatrixRotationY(&r, D3DX_PI / 2);
  D3DXVec3TransformCoord(&v, &v, &r);
  EXPECT_NEAR(v.x, 0, 1e-6f);
  EXPECT_NEAR(v.z, -1, 1e-6f);
  // About X, +Y goes to +Z; about Z, +X goes to +Y.
  D3DXVECTOR3 y(0, 1, 0), x(1, 0, 0);
  D3DXMatrixRotationX(&r, D3DX_PI / 2);
  D3DXVec3TransformCoord(&y, &y, &r);
  EXPECT_NEAR(y.z, 1, 1e-6f);
  D3DXMatrixRotationZ(&r, D3DX_PI / 2);
  D3DXVec3TransformCoord(&x, &x, &r);
  EXPECT_NEAR(x.y, 1, 1e-6f);
  // The axis form agrees with the named rotations, and normalises its axis.
  D3DXMATRIX a, b;
  D3DXVECTOR3 axis(0, 5, 0);
  D3DXMatrixRotationAxis(&a, &axis, 0.7f);
  D3DXMatrixRotationY(&b, 0.7f);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a.m[i][j], b.m[i][j], 1e-6f);
}

TEST(D3DXMath, MultiplyAppliesTheLeftMatrixFirstAndAllowsAliasing) {
  D3DXMATRIX t, s, ts;
  D3DXMatrixTranslation(&t, 1, 2, 3);
  D3DXMatrixScaling(&s, 2, 2, 2);
  D3DXMatrixMultiply(&ts, &t, &s);
  D3DXVECTOR3 p(0, 0, 0);
  D3DXVec3TransformCoord(&p, &p, &ts);
  EXPECT_EQ(p, D3DXVECTOR3(2, 4, 6));  // moved, then scaled
  D3DXMatrixMultiply(&t, &t, &s);      // output is an input
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(t.m[i][j], ts.m[i][j]);
  D3DXMatrixMultiply(&s, &t, &s);
  EXPECT_FLOAT_EQ(s._41, 4.0f);
  EXPECT_FLOAT_EQ(s._11, 4.0f);
}

TEST(D3DXMath, NormalizeAndTransformCoordAllowTheOutputAsInput) {
  D3DXVECTOR3 v(3, 0, 4);
  D3DXVec3Normalize(&v, &v);
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);
  D3DXVECTOR3 zero(0, 0, 0);
  D3DXVec3Normalize(&zero, &zero);
  EXPECT_EQ(zero, D3DXVECTOR3(0, 0, 0));
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._44 = 2.0f;  // the result is divided by w
  D3DXVECTOR3 p(2, 4, 6);
  D3DXVec3TransformCoord(&p, &p, &m);
  EXPECT_EQ(p, D3DXVECTOR3(1, 2, 3));
}

TEST(D3DXMath, ColourPacksChannelByChannelWithClampAndRounding) {
  EXPECT_EQ(DWORD(D3DXCOLOR(255.0f, 255.0f, 255.0f, 1.0f)), 0xFFFFFFFFu);
  EXPECT_EQ(DWORD(D3DXCOLOR(0.4f, 0.3f, 0.3f, 1.0f)), 0xFF664D4Du);  // 102.5, 77, 77
  EXPECT_EQ(DWORD(D3DXCOLOR(-1.0f, 0.5f, 1.0f, 0.0f)), 0x000080FFu);
  EXPECT_EQ(DWORD(D3DXCOLOR(0.002f, 0.001f, 0.999f, 0.998f)), 0xFE0100FFu);
}

}  // namespace
