// D3DX meshes made in memory: cloning to the 64-byte flame layout, normals, tangent frames,
// bounding spheres, the attribute table, and DrawSubset on real GL.
#include <cmath>

#include "runtime/d3dx9/d3dx9mesh.h"
#include "tests/d3d9/draw_test_util.h"
#include "tests/support/allocation_counter.h"

namespace ember::test {
namespace {

// Position, normal, 3-float texture coordinate, tangent, binormal, colour: 64 bytes.
const D3DVERTEXELEMENT9 kFlameLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 36, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 48, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 60, D3DDECLTYPE_D3DCOLOR, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

struct FlameVertex {
  float position[3], normal[3], texcoord[3], tangent[3], binormal[3];
  uint32_t color;
};
static_assert(sizeof(FlameVertex) == 64, "the flame layout");

struct PositionTexVertex {
  float x, y, z, u, v;
};

void ExpectVector(const float* v, float x, float y, float z, const char* what) {
  EXPECT_NEAR(v[0], x, 1e-5f) << what;
  EXPECT_NEAR(v[1], y, 1e-5f) << what;
  EXPECT_NEAR(v[2], z, 1e-5f) << what;
}

class MeshTest : public DrawTest {
 protected:
  // A unit quad in the z = 0 plane: u along +x, v along -y (top-left (0, 1) at (0, 0)), over
  // a quarter of the texture each way, two triangles clockwise seen from -z, both attribute 0.
  ID3DXMesh* MakeQuad(float uvSpan = 0.25f) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_TEX1, device_, &mesh),
              D3D_OK);
    if (!mesh) return nullptr;
    const float s = uvSpan;
    const PositionTexVertex vertices[4] = {
        {0, 1, 0, 0, 0}, {1, 1, 0, s, 0}, {0, 0, 0, 0, s}, {1, 0, 0, s, s}};
    const uint16_t indices[6] = {0, 1, 2, 2, 1, 3};
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    std::memcpy(data, vertices, sizeof vertices);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
    EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
    std::memcpy(data, indices, sizeof indices);
    EXPECT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
    return mesh;
  }

  // Two quads of coloured vertices in clip space: the left one (x -0.9 to -0.1) red with
  // attribute 0, the right one (0.1 to 0.9) green with attribute 1.
  ID3DXMesh* MakeTwoQuads() {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMesh(4, 8, D3DXMESH_MANAGED, kColoredElements, device_, &mesh), D3D_OK);
    if (!mesh) return nullptr;
    std::vector<ColoredVertex> vertices;
    std::vector<uint16_t> indices;
    const float left[2] = {-0.9f, 0.1f};
    const uint32_t colors[2] = {0xFFFF0000u, 0xFF00FF00u};
    for (int q = 0; q < 2; ++q) {
      const float x0 = left[q], x1 = left[q] + 0.8f;
      const uint16_t base = uint16_t(vertices.size());
      vertices.push_back({x0, 0.5f, 0.5f, colors[q]});
      vertices.push_back({x1, 0.5f, 0.5f, colors[q]});
      vertices.push_back({x0, -0.5f, 0.5f, colors[q]});
      vertices.push_back({x1, -0.5f, 0.5f, colors[q]});
      for (uint16_t i : {0, 1, 2, 2, 1, 3}) indices.push_back(uint16_t(base + i));
    }
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof vertices[0]);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
    EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
    std::memcpy(data, indices.data(), indices.size() * 2);
    EXPECT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
    DWORD* attributes = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    const DWORD ids[4] = {0, 0, 1, 1};
    std::memcpy(attributes, ids, sizeof ids);
    EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
    return mesh;
  }
};

TEST_F(MeshTest, CreationChecksItsArguments) {
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(D3DXCreateMesh(0, 3, 0, kFlameLayout, device_, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(D3DXCreateMesh(1, 3, 0, kFlameLayout, nullptr, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMesh(1, 3, 0, nullptr, device_, &mesh), D3DERR_INVALIDCALL);
  // 16-bit indices reach 65535 vertices at most.
  EXPECT_EQ(D3DXCreateMesh(1, 70000, 0, kFlameLayout, device_, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMesh(1, 70000, D3DXMESH_32BIT, kFlameLayout, device_, &mesh), D3D_OK);
  EXPECT_EQ(mesh->Release(), 0u);
  // A mesh is a single stream.
  const D3DVERTEXELEMENT9 twoStreams[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
      D3DDECL_END()};
  EXPECT_EQ(D3DXCreateMesh(1, 3, 0, twoStreams, device_, &mesh), D3DERR_INVALIDCALL);
}

TEST_F(MeshTest, CloneToTheFlameLayoutCopiesMatchingUsagesAndFillsTheRest) {
  ID3DXMesh* quad = MakeQuad();
  ASSERT_NE(quad, nullptr);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(quad->CloneMesh(D3DXMESH_SYSTEMMEM, kFlameLayout, device_, &clone), D3D_OK);
  // No vertex format code has tangents.
  EXPECT_EQ(clone->GetFVF(), 0u);
  EXPECT_EQ(clone->GetNumBytesPerVertex(), 64u);
  EXPECT_EQ(clone->GetNumVertices(), 4u);
  EXPECT_EQ(clone->GetNumFaces(), 2u);
  D3DVERTEXELEMENT9 layout[MAX_FVF_DECL_SIZE];
  ASSERT_EQ(clone->GetDeclaration(layout), D3D_OK);
  EXPECT_EQ(std::memcmp(layout, kFlameLayout, sizeof kFlameLayout), 0);

  const FlameVertex* v = nullptr;
  ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v), D3D_OK);
  ExpectVector(v[1].position, 1, 1, 0, "position");
  // (u, v) gains a third coordinate of 0; what the quad lacks is 0, its colour white.
  ExpectVector(v[3].texcoord, 0.25f, 0.25f, 0, "texcoord");
  ExpectVector(v[3].normal, 0, 0, 0, "normal");
  ExpectVector(v[3].tangent, 0, 0, 0, "tangent");
  EXPECT_EQ(v[3].color, 0xFFFFFFFFu);
  ASSERT_EQ(clone->UnlockVertexBuffer(), D3D_OK);

  const uint16_t* indices = nullptr;
  ASSERT_EQ(clone->LockIndexBuffer(D3DLOCK_READONLY, (void**)&indices), D3D_OK);
  EXPECT_EQ(indices[3], 2u);
  EXPECT_EQ(indices[5], 3u);
  ASSERT_EQ(clone->UnlockIndexBuffer(), D3D_OK);
  DWORD entries = 0;
  D3DXATTRIBUTERANGE range{};
  ASSERT_EQ(clone->GetAttributeTable(nullptr, &entries), D3D_OK);
  ASSERT_EQ(entries, 1u);
  ASSERT_EQ(clone->GetAttributeTable(&range, &entries), D3D_OK);
  EXPECT_EQ(range.FaceCount, 2u);
  EXPECT_EQ(range.VertexCount, 4u);

  // Back to a format code: the flame layout's position and colour survive.
  ID3DXMesh* back = nullptr;
  ASSERT_EQ(clone->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                device_, &back),
            D3D_OK);
  EXPECT_EQ(back->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  EXPECT_EQ(back->GetNumBytesPerVertex(), 16u);
  const uint32_t* wide = nullptr;
  ASSERT_EQ(back->LockIndexBuffer(D3DLOCK_READONLY, (void**)&wide), D3D_OK);
  EXPECT_EQ(wide[5], 3u);
  ASSERT_EQ(back->UnlockIndexBuffer(), D3D_OK);
  EXPECT_EQ(back->Release(), 0u);
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(quad->Release(), 0u);
}

TEST_F(MeshTest, NormalsAndTangentFrameOfAQuad) {
  ID3DXMesh* quad = MakeQuad();
  ASSERT_NE(quad, nullptr);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(quad->CloneMesh(D3DXMESH_SYSTEMMEM, kFlameLayout, device_, &clone), D3D_OK);
  ASSERT_EQ(D3DXComputeNormals(clone, nullptr), D3D_OK);
  ASSERT_EQ(D3DXComputeTangent(clone, 0, 0, 0, TRUE, nullptr), D3D_OK);
  const FlameVertex* v = nullptr;
  ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v), D3D_OK);
  for (int i = 0; i < 4; ++i) {
    // Clockwise faces seen from -z face -z; u grows along +x, v along -y.
    ExpectVector(v[i].normal, 0, 0, -1, "normal");
    ExpectVector(v[i].tangent, 1, 0, 0, "tangent");
    ExpectVector(v[i].binormal, 0, -1, 0, "binormal");
    EXPECT_EQ(v[i].color, 0xFFFFFFFFu);
  }
  ASSERT_EQ(clone->UnlockVertexBuffer(), D3D_OK);

  // Over the whole texture, a difference of 1 is no difference once wrapped: the frame comes
  // from the coordinates only without wrapping.
  ID3DXMesh* whole = MakeQuad(1.0f);
  ID3DXMesh* wholeClone = nullptr;
  ASSERT_EQ(whole->CloneMesh(D3DXMESH_SYSTEMMEM, kFlameLayout, device_, &wholeClone), D3D_OK);
  ASSERT_EQ(D3DXComputeNormals(wholeClone, nullptr), D3D_OK);
  ASSERT_EQ(D3DXComputeTangent(wholeClone, 0, 0, 0, FALSE, nullptr), D3D_OK);
  ASSERT_EQ(wholeClone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v), D3D_OK);
  ExpectVector(v[2].tangent, 1, 0, 0, "tangent");
  ExpectVector(v[2].binormal, 0, -1, 0, "binormal");
  ASSERT_EQ(wholeClone->UnlockVertexBuffer(), D3D_OK);
  EXPECT_EQ(wholeClone->Release(), 0u);
  EXPECT_EQ(whole->Release(), 0u);

  // A mesh without normals has none to compute, nor a tangent frame.
  EXPECT_EQ(D3DXComputeNormals(quad, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeTangent(quad, 0, 0, 0, TRUE, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeTangent(clone, 1, 0, 0, TRUE, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeNormals(nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(quad->Release(), 0u);
}

TEST_F(MeshTest, BoundingSphereOverStridedPositions) {
  // Positions 16 bytes apart, a stray float between them.
  const float points[4][4] = {{0, 0, 0, 99}, {2, 0, 0, 99}, {0, 4, 0, 99}, {2, 4, 0, 99}};
  const D3DXVECTOR3* first = reinterpret_cast<const D3DXVECTOR3*>(points);
  D3DXVECTOR3 center(9, 9, 9);
  float radius = 0;
  ASSERT_EQ(D3DXComputeBoundingSphere(first, 4, 16, &center, &radius), D3D_OK);
  EXPECT_FLOAT_EQ(center.x, 1.0f);
  EXPECT_FLOAT_EQ(center.y, 2.0f);
  EXPECT_FLOAT_EQ(center.z, 0.0f);
  EXPECT_FLOAT_EQ(radius, std::sqrt(5.0f));
  EXPECT_EQ(D3DXComputeBoundingSphere(first, 4, 11, &center, &radius), D3DERR_INVALIDCALL);
  // What a mesh without a format code gives: D3DXGetFVFVertexSize(0) is 0.
  EXPECT_EQ(D3DXComputeBoundingSphere(first, 4, D3DXGetFVFVertexSize(0), &center, &radius),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeBoundingSphere(nullptr, 4, 16, &center, &radius), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeBoundingSphere(first, 4, 16, nullptr, &radius), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXComputeBoundingSphere(first, 4, 16, &center, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(MeshTest, AttributeTableFollowsTheAttributeBuffer) {
  ID3DXMesh* mesh = MakeTwoQuads();
  ASSERT_NE(mesh, nullptr);
  D3DXATTRIBUTERANGE table[2] = {};
  DWORD entries = 0;
  ASSERT_EQ(mesh->GetAttributeTable(table, &entries), D3D_OK);
  ASSERT_EQ(entries, 2u);
  EXPECT_EQ(table[1].AttribId, 1u);
  EXPECT_EQ(table[1].FaceStart, 2u);
  EXPECT_EQ(table[1].FaceCount, 2u);
  EXPECT_EQ(table[1].VertexStart, 4u);
  EXPECT_EQ(table[1].VertexCount, 4u);
  DWORD* attributes = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
  EXPECT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3DERR_INVALIDCALL);
  attributes[3] = 0;
  ASSERT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
  EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3DERR_INVALIDCALL);
  // Runs 0 0 1 0: three ranges.
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &entries), D3D_OK);
  EXPECT_EQ(entries, 3u);
  EXPECT_EQ(mesh->GetAttributeTable(table, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshTest, DrawSubsetDrawsOnlyTheFacesOfItsAttribute) {
  ID3DXMesh* mesh = MakeTwoQuads();
  ASSERT_NE(mesh, nullptr);
  const int y = height_ / 2;
  const int leftX = PixelX(-0.5f, width_), rightX = PixelX(0.5f, width_);

  Clear(0xFF000000);
  ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
  std::vector<uint32_t> pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, leftX, y), 0u);
  EXPECT_EQ(Rgb(pixels, rightX, y), 0x00FF00u);
  ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
  pixels = ReadBackBuffer();
  EXPECT_EQ(Rgb(pixels, leftX, y), 0xFF0000u);
  // Between the quads, and above them, nothing.
  EXPECT_EQ(Rgb(pixels, width_ / 2, y), 0u);
  EXPECT_EQ(Rgb(pixels, leftX, PixelY(0.7f, height_)), 0u);

  // An id with no faces draws nothing and is no error.
  Clear(0xFF000000);
  ASSERT_EQ(mesh->DrawSubset(7), D3D_OK);
  EXPECT_EQ(Rgb(ReadBackBuffer(), rightX, y), 0u);

  // The mesh's own declaration, vertices and indices stay set, as with Direct3D's DrawSubset.
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DVertexBuffer9* bound = nullptr;
  UINT offset = 0, stride = 0;
  ASSERT_EQ(mesh->GetVertexBuffer(&vertices), D3D_OK);
  ASSERT_EQ(device_->GetStreamSource(0, &bound, &offset, &stride), D3D_OK);
  EXPECT_EQ(bound, vertices);
  EXPECT_EQ(stride, sizeof(ColoredVertex));
  bound->Release();
  vertices->Release();

  // No program, no draw.
  Internal().UseProgram(0, 0);
  EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshTest, RepeatedDrawSubsetAllocatesNothing) {
  ID3DXMesh* mesh = MakeTwoQuads();
  ASSERT_NE(mesh, nullptr);
  auto frames = [&](int count) {
    for (int i = 0; i < count; ++i) {
      device_->SetRenderState(D3DRS_ALPHABLENDENABLE, i % 2 ? TRUE : FALSE);
      mesh->DrawSubset(0);
      mesh->DrawSubset(1);
    }
  };
  // The first draw in each blend state lets llvmpipe compile its pipeline (C++ allocations
  // inside LLVM); after that only our code runs.
  frames(2);
  const unsigned long builds = Internal().VertexArrays().Builds();
  unsigned long allocations = 0;
  {
    AllocationCounter counter;
    frames(100);
    allocations = counter.Count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(Internal().VertexArrays().Builds(), builds);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
}  // namespace ember::test
