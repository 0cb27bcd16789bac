// D3DXLoadMeshFromXA on a cube file: the mesh, its attribute table, adjacency and materials,
// and the failures a bad file or bad arguments give.
#include <cmath>

#include "runtime/d3dx9/d3dx9mesh.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

// A unit cube of six quads with one normal per side, so each corner splits into three
// vertices; sides 1, 3 and 5 use the named material Red, sides 0, 2 and 4 the textured Blue.
const char kCube[] =
    "xof 0303txt 0032\n"
    "Material Red {\n"
    " 1.0;0.0;0.0;1.0;;\n"
    " 10.0;\n"
    " 0.5;0.5;0.5;;\n"
    " 0.0;0.0;0.0;;\n"
    "}\n"
    "Mesh Cube {\n"
    " 8;\n"
    " 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;,\n"
    " 0.0;0.0;1.0;, 1.0;0.0;1.0;, 1.0;1.0;1.0;, 0.0;1.0;1.0;;\n"
    " 6;\n"
    " 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;3,7,6,2;, 4;0,4,7,3;, 4;1,2,6,5;;\n"
    " MeshNormals {\n"
    "  6;\n"
    "  0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;;\n"
    "  6;\n"
    "  4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;\n"
    " }\n"
    " MeshTextureCoords {\n"
    "  8;\n"
    "  0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;;\n"
    " }\n"
    " MeshMaterialList {\n"
    "  2;\n"
    "  6;\n"
    "  1,0,1,0,1,0;;\n"
    "  { Red }\n"
    "  Material Blue {\n"
    "   0.0;0.0;1.0;0.5;;\n"
    "   2.0;\n"
    "   1.0;1.0;1.0;;\n"
    "   0.1;0.2;0.3;;\n"
    "   TextureFilename { \"wood.png\"; }\n"
    "  }\n"
    " }\n"
    "}\n";

class MeshFileTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    win32::SetDebugOutputSink(
        [](const char* text, void* context) { *static_cast<std::string*>(context) += text; },
        &debugOutput_);
  }
  void TearDown() override {
    win32::SetDebugOutputSink(nullptr, nullptr);
    for (const std::string& path : files_) std::remove(path.c_str());
    DeviceTest::TearDown();
  }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end())));
    files_.push_back(path);
    return path;
  }

  std::string debugOutput_;
  std::vector<std::string> files_;
};

TEST_F(MeshFileTest, CubeMeshWithItsFormatAndAttributeTable) {
  const std::string path = Write("cube.x", kCube);
  ID3DXMesh* mesh = nullptr;
  DWORD materialCount = 0;
  ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device_, nullptr, nullptr, nullptr,
                               &materialCount, &mesh),
            D3D_OK);
  EXPECT_EQ(materialCount, 2u);
  EXPECT_EQ(mesh->GetNumVertices(), 24u);
  EXPECT_EQ(mesh->GetNumFaces(), 12u);
  EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
  // 24 vertices fit 16-bit indices.
  EXPECT_EQ(mesh->GetOptions(), DWORD(D3DXMESH_SYSTEMMEM));
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(mesh->GetIndexBuffer(&indices), D3D_OK);
  D3DINDEXBUFFER_DESC indexDesc{};
  indices->GetDesc(&indexDesc);
  EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(indexDesc.Size, 12u * 3 * 2);
  EXPECT_EQ(indexDesc.Pool, D3DPOOL_SYSTEMMEM);
  indices->Release();

  // Faces sorted by material: Red's sides use vertices 4 to 23, Blue's 0 to 19.
  DWORD entries = 0;
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &entries), D3D_OK);
  ASSERT_EQ(entries, 2u);
  D3DXATTRIBUTERANGE table[2] = {};
  ASSERT_EQ(mesh->GetAttributeTable(table, &entries), D3D_OK);
  EXPECT_EQ(table[0].AttribId, 0u);
  EXPECT_EQ(table[0].FaceStart, 0u);
  EXPECT_EQ(table[0].FaceCount, 6u);
  EXPECT_EQ(table[0].VertexStart, 4u);
  EXPECT_EQ(table[0].VertexCount, 20u);
  EXPECT_EQ(table[1].AttribId, 1u);
  EXPECT_EQ(table[1].FaceStart, 6u);
  EXPECT_EQ(table[1].FaceCount, 6u);
  EXPECT_EQ(table[1].VertexStart, 0u);
  EXPECT_EQ(table[1].VertexCount, 20u);
  DWORD* attributes = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
  EXPECT_EQ(attributes[5], 0u);
  EXPECT_EQ(attributes[6], 1u);
  ASSERT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);

  // Vertex 0 is corner (0, 0, 0) of side 0, facing -z, at texture coordinate (0, 0).
  const float* vertex = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&vertex), D3D_OK);
  const float first[8] = {0, 0, 0, 0, 0, -1, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(vertex[i], first[i]) << i;
  // Vertex 6 is corner (1, 1, 1) of side 1, facing +z, at (1, 1).
  const float seventh[8] = {1, 1, 1, 0, 0, 1, 1, 1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(vertex[6 * 8 + i], seventh[i]) << i;
  ASSERT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshFileTest, MaterialsAdjacencyAndEffectInstances) {
  const std::string path = Write("cube.x", kCube);
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer* adjacency = nullptr;
  ID3DXBuffer* materials = nullptr;
  ID3DXBuffer* effects = nullptr;
  DWORD materialCount = 0;
  ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device_, &adjacency, &materials,
                               &effects, &materialCount, &mesh),
            D3D_OK);
  ASSERT_EQ(materialCount, 2u);

  ASSERT_EQ(materials->GetBufferSize(), 2 * sizeof(D3DXMATERIAL) + sizeof("wood.png"));
  const D3DXMATERIAL* material = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
  EXPECT_EQ(material[0].MatD3D.Diffuse.r, 1.0f);
  EXPECT_EQ(material[0].MatD3D.Diffuse.b, 0.0f);
  EXPECT_EQ(material[0].MatD3D.Power, 10.0f);
  EXPECT_EQ(material[0].MatD3D.Specular.g, 0.5f);
  EXPECT_EQ(material[0].pTextureFilename, nullptr);
  EXPECT_EQ(material[1].MatD3D.Diffuse.b, 1.0f);
  EXPECT_EQ(material[1].MatD3D.Diffuse.a, 0.5f);
  EXPECT_EQ(material[1].MatD3D.Emissive.g, 0.2f);
  ASSERT_NE(material[1].pTextureFilename, nullptr);
  EXPECT_STREQ(material[1].pTextureFilename, "wood.png");
  // The name lives in the buffer, so it lasts as long as the buffer does.
  const char* begin = static_cast<const char*>(materials->GetBufferPointer());
  EXPECT_GE(material[1].pTextureFilename, begin);
  EXPECT_LT(material[1].pTextureFilename, begin + materials->GetBufferSize());

  ASSERT_EQ(effects->GetBufferSize(), 2 * sizeof(D3DXEFFECTINSTANCE));
  const D3DXEFFECTINSTANCE* instance =
      static_cast<const D3DXEFFECTINSTANCE*>(effects->GetBufferPointer());
  EXPECT_EQ(instance[1].pEffectFilename, nullptr);
  EXPECT_EQ(instance[1].NumDefaults, 0u);

  // Split vertices: only the two triangles of each side share an edge. Faces 0 (4, 5, 6) and
  // 1 (4, 6, 7) meet across 6-4, face 0's third edge and face 1's first.
  ASSERT_EQ(adjacency->GetBufferSize(), 12u * 3 * 4);
  const DWORD* faces = static_cast<const DWORD*>(adjacency->GetBufferPointer());
  EXPECT_EQ(faces[0], 0xFFFFFFFFu);
  EXPECT_EQ(faces[1], 0xFFFFFFFFu);
  EXPECT_EQ(faces[2], 1u);
  EXPECT_EQ(faces[3], 0u);
  EXPECT_EQ(faces[4], 0xFFFFFFFFu);
  EXPECT_EQ(faces[5], 0xFFFFFFFFu);
  int linked = 0;
  for (int i = 0; i < 36; ++i) linked += faces[i] != 0xFFFFFFFFu;
  EXPECT_EQ(linked, 12);

  EXPECT_EQ(adjacency->Release(), 0u);
  EXPECT_EQ(materials->Release(), 0u);
  EXPECT_EQ(effects->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshFileTest, WindowsPathsAndThe32BitOption) {
  const std::string path = Write("cube.x", kCube);
  std::string windowsPath = path;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXLoadMeshFromXA(windowsPath.c_str(), D3DXMESH_MANAGED | D3DXMESH_32BIT, device_,
                               nullptr, nullptr, nullptr, nullptr, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetOptions(), DWORD(D3DXMESH_MANAGED | D3DXMESH_32BIT));
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(mesh->GetIndexBuffer(&indices), D3D_OK);
  D3DINDEXBUFFER_DESC desc{};
  indices->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX32);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  indices->Release();
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshFileTest, BadFilesFailWithInvalidDataAndSayWhy) {
  const std::string path = Write(
      "bad.x", "xof 0303txt 0032\nMesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,9;;\n}\n");
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
  ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(1);
  EXPECT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_SYSTEMMEM, device_, nullptr, &materials,
                               nullptr, nullptr, &mesh),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(materials, nullptr);
  EXPECT_EQ(debugOutput_.rfind("D3DXLoadMeshFromX: " + path + ": ", 0), 0u) << debugOutput_;
  EXPECT_NE(debugOutput_.find("out of range"), std::string::npos) << debugOutput_;
  EXPECT_EQ(debugOutput_.back(), '\n');

  debugOutput_.clear();
  const std::string truncated = Write("truncated.x", std::string(kCube, sizeof kCube / 2));
  EXPECT_EQ(
      D3DXLoadMeshFromXA(truncated.c_str(), 0, device_, nullptr, nullptr, nullptr, nullptr, &mesh),
      D3DXERR_INVALIDDATA);
  EXPECT_FALSE(debugOutput_.empty());
  const std::string missing = TempPath("missing.x");
  EXPECT_EQ(
      D3DXLoadMeshFromXA(missing.c_str(), 0, device_, nullptr, nullptr, nullptr, nullptr, &mesh),
      D3DXERR_INVALIDDATA);
  EXPECT_EQ(mesh, nullptr);
}

TEST_F(MeshFileTest, MissingArgumentsAreInvalidCalls) {
  const std::string path = Write("cube.x", kCube);
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXLoadMeshFromXA(nullptr, 0, device_, nullptr, nullptr, nullptr, nullptr, &mesh),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadMeshFromXA(path.c_str(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(
      D3DXLoadMeshFromXA(path.c_str(), 0, device_, nullptr, nullptr, nullptr, nullptr, nullptr),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(debugOutput_, "");
}

}  // namespace
}  // namespace ember::test
