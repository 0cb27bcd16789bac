// Draws: the dirty render states, the program's textures and the vertex inputs go to GL, then
// one GL draw call. The program is the caller's (see Device::UseProgram).
#include "runtime/d3d9/buffer.h"
#include "runtime/d3d9/device.h"
#include "runtime/d3d9/render_state_flush.h"
#include "runtime/d3d9/vertex_declaration.h"

namespace ember::d3d9 {

namespace {

// The GL mode and the vertex (or index) count of a primitive list; false for an unknown type.
bool PrimitiveShape(D3DPRIMITIVETYPE type, UINT primitives, GLenum& mode, UINT& vertices) {
  switch (type) {
    case D3DPT_POINTLIST:
      mode = GL_POINTS;
      vertices = primitives;
      return true;
    case D3DPT_LINELIST:
      mode = GL_LINES;
      vertices = primitives * 2;
      return true;
    case D3DPT_LINESTRIP:
      mode = GL_LINE_STRIP;
      vertices = primitives + 1;
      return true;
    case D3DPT_TRIANGLELIST:
      mode = GL_TRIANGLES;
      vertices = primitives * 3;
      return true;
    case D3DPT_TRIANGLESTRIP:
      mode = GL_TRIANGLE_STRIP;
      vertices = primitives + 2;
      return true;
    case D3DPT_TRIANGLEFAN:
      mode = GL_TRIANGLE_FAN;
      vertices = primitives + 2;
      return true;
    default:
      return false;
  }
}

}  // namespace

void Device::UseProgram(GLuint program, unsigned samplerStageMask) {
  program_ = program;
  programSamplers_ = program ? samplerStageMask : 0;
}

HRESULT Device::CheckDrawInputs(int64_t firstVertex, UINT vertexCount) const {
  if (!program_ || !declaration_ || vertexCount == 0 || firstVertex < 0) return D3DERR_INVALIDCALL;
  for (UINT s = 0; s < kStreamCount; ++s) {
    if (!(declaration_->StreamMask() & (1u << s))) continue;
    const StreamSource& stream = streams_[s];
    if (!stream.buffer) return D3DERR_INVALIDCALL;
    const uint64_t last = uint64_t(firstVertex) + vertexCount - 1;
    const uint64_t end = stream.offset + last * stream.stride + declaration_->StreamExtent(s);
    if (end > stream.buffer->Length()) return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

void Device::PrepareDraw() {
  FlushRenderStates(states_, gl_, int(present_.BackBufferWidth), int(present_.BackBufferHeight));
  ApplyTextures(programSamplers_);
  BindBackBuffer();
  gl_.UseProgram(program_);
  vertexArrays_.Bind(gl_, *declaration_, streams_, indices_);
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex,
                              UINT primitiveCount) {
  GLenum mode = 0;
  UINT vertices = 0;
  if (primitiveCount == 0 || primitiveCount > caps_.MaxPrimitiveCount ||
      !PrimitiveShape(primitiveType, primitiveCount, mode, vertices))
    return D3DERR_INVALIDCALL;
  const HRESULT status = CheckDrawInputs(startVertex, vertices);
  if (FAILED(status)) return status;
  PrepareDraw();
  glDrawArrays(mode, GLint(startVertex), GLsizei(vertices));
  return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex,
                                     UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                     UINT primCount) {
  GLenum mode = 0;
  UINT count = 0;
  // Direct3D documents point lists as not drawable with indices.
  if (primitiveType == D3DPT_POINTLIST || primCount == 0 || primCount > caps_.MaxPrimitiveCount ||
      !PrimitiveShape(primitiveType, primCount, mode, count) || !indices_)
    return D3DERR_INVALIDCALL;
  if ((uint64_t(startIndex) + count) * indices_->IndexSize() > indices_->Length())
    return D3DERR_INVALIDCALL;
  // The indices must stay within the range the caller names, relative to the base vertex.
  const HRESULT status = CheckDrawInputs(int64_t(baseVertexIndex) + minVertexIndex, numVertices);
  if (FAILED(status)) return status;
  PrepareDraw();
  glDrawElementsBaseVertex(
      mode, GLsizei(count), indices_->IndexType(),
      reinterpret_cast<const void*>(uintptr_t(startIndex) * indices_->IndexSize()),
      GLint(baseVertexIndex));
  return D3D_OK;
}

}  // namespace ember::d3d9
