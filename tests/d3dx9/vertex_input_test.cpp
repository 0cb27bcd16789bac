// Vertex declarations, vertex and index buffers: what their creation refuses, what locks hand
// out, how references and the device's bindings keep them alive, and the vertex format codes.
#include "runtime/d3dx9/d3dx9mesh.h"
#include "tests/support/device_test.h"

namespace ember::test {
namespace {

using DeclarationTest = DeviceTest;

D3DVERTEXELEMENT9 Element(WORD offset, BYTE type, BYTE usage, BYTE index = 0, WORD stream = 0) {
  return D3DVERTEXELEMENT9{stream, offset, type, D3DDECLMETHOD_DEFAULT, usage, index};
}

const D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

TEST_F(DeclarationTest, GivesBackItsElementsWithTheEndMarker) {
  const D3DVERTEXELEMENT9 elements[] = {Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION),
                                        Element(12, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR),
                                        Element(0, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 1, 3),
                                        kEnd};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3D_OK);
  UINT count = 0;
  ASSERT_EQ(declaration->GetDeclaration(nullptr, &count), D3D_OK);
  EXPECT_EQ(count, 4u);
  D3DVERTEXELEMENT9 back[4] = {};
  ASSERT_EQ(declaration->GetDeclaration(back, &count), D3D_OK);
  EXPECT_EQ(std::memcmp(back, elements, sizeof back), 0);
  EXPECT_EQ(declaration->GetDeclaration(back, nullptr), D3DERR_INVALIDCALL);
  IDirect3DDevice9* owner = nullptr;
  ASSERT_EQ(declaration->GetDevice(&owner), D3D_OK);
  EXPECT_EQ(owner, device_);
  owner->Release();
  EXPECT_EQ(declaration->Release(), 0u);
}

TEST_F(DeclarationTest, RefusesWhatDirect3DRefuses) {
  auto create = [&](std::vector<D3DVERTEXELEMENT9> elements) {
    IDirect3DVertexDeclaration9* declaration = reinterpret_cast<IDirect3DVertexDeclaration9*>(1);
    const HRESULT status = device_->CreateVertexDeclaration(elements.data(), &declaration);
    if (SUCCEEDED(status))
      declaration->Release();
    else
      EXPECT_EQ(declaration, nullptr);
    return status;
  };
  const D3DVERTEXELEMENT9 position = Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION);
  EXPECT_EQ(create({position, kEnd}), D3D_OK);
  EXPECT_EQ(create({kEnd}), D3D_OK);
  // The same usage and index twice.
  EXPECT_EQ(create({position, Element(12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), kEnd}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 16), kEnd}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(2, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION), kEnd}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(0, D3DDECLTYPE_UNUSED, D3DDECLUSAGE_POSITION), kEnd}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(0, D3DDECLTYPE_UDEC3, D3DDECLUSAGE_NORMAL), kEnd}), D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(0, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 16), kEnd}),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(create({Element(0, D3DDECLTYPE_FLOAT2, 14), kEnd}), D3DERR_INVALIDCALL);
  D3DVERTEXELEMENT9 tessellated = position;
  tessellated.Method = D3DDECLMETHOD_UV;
  EXPECT_EQ(create({tessellated, kEnd}), D3DERR_INVALIDCALL);
  // 64 elements and the end fit; 65 do not.
  std::vector<D3DVERTEXELEMENT9> many;
  for (int i = 0; i < 65; ++i)
    many.push_back(Element(WORD(4 * i), D3DDECLTYPE_FLOAT1, BYTE(i % 14), BYTE(i / 14)));
  many.push_back(kEnd);
  EXPECT_EQ(create(many), D3DERR_INVALIDCALL);
  many.erase(many.begin());
  EXPECT_EQ(create(many), D3D_OK);
  IDirect3DVertexDeclaration9* declaration = nullptr;
  EXPECT_EQ(device_->CreateVertexDeclaration(nullptr, &declaration), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexDeclaration(many.data(), nullptr), D3DERR_INVALIDCALL);
}

TEST_F(DeclarationTest, TheDeviceHandsBackWhatIsSet) {
  const D3DVERTEXELEMENT9 elements[] = {Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION),
                                        kEnd};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  ASSERT_EQ(device_->CreateVertexDeclaration(elements, &declaration), D3D_OK);
  IDirect3DVertexDeclaration9* current = declaration;
  ASSERT_EQ(device_->GetVertexDeclaration(&current), D3D_OK);
  EXPECT_EQ(current, nullptr);
  ASSERT_EQ(device_->SetVertexDeclaration(declaration), D3D_OK);
  ASSERT_EQ(device_->GetVertexDeclaration(&current), D3D_OK);
  EXPECT_EQ(current, declaration);
  current->Release();
  EXPECT_EQ(device_->GetVertexDeclaration(nullptr), D3DERR_INVALIDCALL);
  // Bound, the declaration outlives the program's last reference.
  EXPECT_EQ(declaration->Release(), 0u);
  ASSERT_EQ(device_->GetVertexDeclaration(&current), D3D_OK);
  EXPECT_EQ(current, declaration);
  EXPECT_EQ(current->Release(), 0u);
  ASSERT_EQ(device_->SetVertexDeclaration(nullptr), D3D_OK);
}

using BufferTest = DeviceTest;

TEST_F(BufferTest, CreationRefusals) {
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  auto vb = [&](UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
    const HRESULT status =
        device_->CreateVertexBuffer(length, usage, fvf, pool, &vertices, nullptr);
    if (vertices) vertices->Release();
    vertices = nullptr;
    return status;
  };
  EXPECT_EQ(vb(64, 0, 0, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(vb(64, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT), D3D_OK);
  EXPECT_EQ(vb(64, 0, 0, D3DPOOL_SYSTEMMEM), D3D_OK);
  EXPECT_EQ(vb(0, 0, 0, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb(64, 0, 0, D3DPOOL_SCRATCH), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb(64, D3DUSAGE_RENDERTARGET, 0, D3DPOOL_DEFAULT), D3DERR_INVALIDCALL);
  // With a vertex format, at least one vertex: 12 bytes of D3DFVF_XYZ.
  EXPECT_EQ(vb(12, 0, D3DFVF_XYZ, D3DPOOL_MANAGED), D3D_OK);
  EXPECT_EQ(vb(11, 0, D3DFVF_XYZ, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb(64, 0, D3DFVF_XYZ | D3DFVF_RESERVED0, D3DPOOL_MANAGED), D3DERR_INVALIDCALL);
  EXPECT_EQ(vb(0x7FFFFFFF, 0, 0, D3DPOOL_MANAGED), D3DERR_OUTOFVIDEOMEMORY);
  HANDLE shared = nullptr;
  EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices, &shared),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, nullptr, nullptr),
            D3DERR_INVALIDCALL);

  EXPECT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indices, nullptr),
            D3D_OK);
  indices->Release();
  EXPECT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &indices, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(indices, nullptr);
  EXPECT_EQ(device_->CreateIndexBuffer(0, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(BufferTest, DescriptionsAndLocks) {
  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE,
                                        D3DPOOL_MANAGED, &vertices, nullptr),
            D3D_OK);
  D3DVERTEXBUFFER_DESC desc{};
  ASSERT_EQ(vertices->GetDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.Format, D3DFMT_VERTEXDATA);
  EXPECT_EQ(desc.Type, D3DRTYPE_VERTEXBUFFER);
  EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_WRITEONLY));
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(desc.Size, 96u);
  EXPECT_EQ(desc.FVF, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  EXPECT_EQ(vertices->GetType(), D3DRTYPE_VERTEXBUFFER);

  uint8_t* whole = nullptr;
  uint8_t* part = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, reinterpret_cast<void**>(&whole), 0), D3D_OK);
  // A new buffer is zeroed; locks may nest, each pointing at its offset.
  EXPECT_EQ(whole[0] | whole[95], 0);
  ASSERT_EQ(vertices->Lock(16, 32, reinterpret_cast<void**>(&part), D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(part, whole + 16);
  EXPECT_EQ(vertices->Unlock(), D3D_OK);
  EXPECT_EQ(vertices->Unlock(), D3D_OK);
  EXPECT_EQ(vertices->Unlock(), D3DERR_INVALIDCALL);
  void* data = nullptr;
  EXPECT_EQ(vertices->Lock(64, 33, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(vertices->Lock(97, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(vertices->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(vertices->Lock(64, 32, &data, 0), D3D_OK);
  EXPECT_EQ(vertices->Unlock(), D3D_OK);
  EXPECT_EQ(vertices->Release(), 0u);

  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_SYSTEMMEM, &indices, nullptr),
            D3D_OK);
  D3DINDEXBUFFER_DESC indexDesc{};
  ASSERT_EQ(indices->GetDesc(&indexDesc), D3D_OK);
  EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(indexDesc.Type, D3DRTYPE_INDEXBUFFER);
  EXPECT_EQ(indexDesc.Pool, D3DPOOL_SYSTEMMEM);
  EXPECT_EQ(indexDesc.Size, 12u);
  EXPECT_EQ(indices->GetDesc(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(indices->Release(), 0u);
}

TEST_F(BufferTest, BuffersHoldTheDeviceAndBindingsHoldTheBuffers) {
  const ULONG base = device_->AddRef() - 1;
  device_->Release();
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr), D3D_OK);
  ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            D3D_OK);
  EXPECT_EQ(device_->AddRef(), base + 3);
  device_->Release();
  EXPECT_EQ(vertices->AddRef(), 2u);
  EXPECT_EQ(vertices->Release(), 1u);

  ASSERT_EQ(device_->SetStreamSource(2, vertices, 16, 20), D3D_OK);
  ASSERT_EQ(device_->SetIndices(indices), D3D_OK);
  // The program's last references go; the device's bindings keep the buffers but not the device.
  EXPECT_EQ(vertices->Release(), 0u);
  EXPECT_EQ(indices->Release(), 0u);
  EXPECT_EQ(device_->AddRef(), base + 1);
  device_->Release();
  IDirect3DVertexBuffer9* bound = nullptr;
  UINT offset = 0, stride = 0;
  ASSERT_EQ(device_->GetStreamSource(2, &bound, &offset, &stride), D3D_OK);
  EXPECT_EQ(bound, vertices);
  EXPECT_EQ(offset, 16u);
  EXPECT_EQ(stride, 20u);
  void* data = nullptr;
  EXPECT_EQ(bound->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(bound->Unlock(), D3D_OK);
  EXPECT_EQ(bound->Release(), 0u);
  IDirect3DIndexBuffer9* boundIndices = nullptr;
  ASSERT_EQ(device_->GetIndices(&boundIndices), D3D_OK);
  EXPECT_EQ(boundIndices, indices);
  boundIndices->Release();
  // Left bound, they go with the device (the fixture checks its last Release).
}

TEST_F(BufferTest, StreamSourceRefusals) {
  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr), D3D_OK);
  EXPECT_EQ(device_->SetStreamSource(16, vertices, 0, 16), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetStreamSource(0, vertices, 2, 16), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetStreamSource(0, vertices, 0, 512), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetStreamSource(15, vertices, 0, 508), D3D_OK);
  EXPECT_EQ(device_->SetStreamSource(15, nullptr, 0, 0), D3D_OK);
  IDirect3DVertexBuffer9* bound = vertices;
  UINT offset = 1, stride = 1;
  ASSERT_EQ(device_->GetStreamSource(15, &bound, &offset, &stride), D3D_OK);
  EXPECT_EQ(bound, nullptr);
  EXPECT_EQ(device_->GetStreamSource(16, &bound, &offset, &stride), D3DERR_INVALIDCALL);
  EXPECT_EQ(vertices->Release(), 0u);
}

TEST(VertexFormat, SizesOfFormatCodes) {
  EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
  EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE), 20u);
  EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB3 | D3DFVF_SPECULAR | D3DFVF_PSIZE), 32u);
  // Two sets, the second of three floats, then one of one float.
  EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_TEX3 | D3DFVF_TEXCOORDSIZE3(1) |
                                 D3DFVF_TEXCOORDSIZE1(2)),
            12u + 8 + 12 + 4);
  EXPECT_EQ(D3DXGetFVFVertexSize(0), 0u);
}

TEST(VertexFormat, FormatCodesAndDeclarationsBothWays) {
  D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
  ASSERT_EQ(
      D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, elements),
      D3D_OK);
  const D3DVERTEXELEMENT9 expected[] = {Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION),
                                        Element(12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL),
                                        Element(24, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR),
                                        Element(28, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD),
                                        kEnd};
  EXPECT_EQ(std::memcmp(elements, expected, sizeof expected), 0);
  EXPECT_EQ(D3DXGetDeclVertexSize(elements, 0), 36u);
  DWORD fvf = 0;
  ASSERT_EQ(D3DXFVFFromDeclarator(elements, &fvf), D3D_OK);
  EXPECT_EQ(fvf, DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));

  ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1), elements),
            D3D_OK);
  ASSERT_EQ(D3DXFVFFromDeclarator(elements, &fvf), D3D_OK);
  EXPECT_EQ(fvf, DWORD(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(1)));
  EXPECT_EQ(elements[2].Type, D3DDECLTYPE_FLOAT3);
  EXPECT_EQ(elements[2].UsageIndex, 1);

  // A tangent has no format code.
  const D3DVERTEXELEMENT9 tangent[] = {Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION),
                                       Element(12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_TANGENT), kEnd};
  EXPECT_EQ(D3DXFVFFromDeclarator(tangent, &fvf), D3DERR_INVALIDCALL);
  EXPECT_EQ(fvf, 0u);
  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_XYZRHW | 0x2000, elements),
            D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace ember::test
