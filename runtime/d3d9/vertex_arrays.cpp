#include "runtime/d3d9/vertex_arrays.h"

#include <cstring>

#include "runtime/d3d9/buffer.h"
#include "runtime/d3d9/gl_state_cache.h"
#include "runtime/d3d9/vertex_declaration.h"
#include "runtime/d3d9/vertex_input_locations.h"

namespace ember::d3d9 {

namespace {

struct AttributeFormat {
  GLint size;
  GLenum type;
  GLboolean normalized;
};

AttributeFormat FormatOf(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1:
      return {1, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT2:
      return {2, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT3:
      return {3, GL_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT4:
      return {4, GL_FLOAT, GL_FALSE};
    // A D3DCOLOR is 0xAARRGGBB, bytes B, G, R, A in memory: GL_BGRA hands the shader (r, g, b, a).
    case D3DDECLTYPE_D3DCOLOR:
      return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
    case D3DDECLTYPE_UBYTE4:
      return {4, GL_UNSIGNED_BYTE, GL_FALSE};
    case D3DDECLTYPE_UBYTE4N:
      return {4, GL_UNSIGNED_BYTE, GL_TRUE};
    case D3DDECLTYPE_SHORT2:
      return {2, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT4:
      return {4, GL_SHORT, GL_FALSE};
    case D3DDECLTYPE_SHORT2N:
      return {2, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_SHORT4N:
      return {4, GL_SHORT, GL_TRUE};
    case D3DDECLTYPE_USHORT2N:
      return {2, GL_UNSIGNED_SHORT, GL_TRUE};
    case D3DDECLTYPE_USHORT4N:
      return {4, GL_UNSIGNED_SHORT, GL_TRUE};
    case D3DDECLTYPE_FLOAT16_2:
      return {2, GL_HALF_FLOAT, GL_FALSE};
    case D3DDECLTYPE_FLOAT16_4:
    default:  // declarations hold no other type
      return {4, GL_HALF_FLOAT, GL_FALSE};
  }
}

}  // namespace

VertexArrayCache::Key VertexArrayCache::MakeKey(const VertexDeclaration& declaration,
                                                const StreamSource* streams,
                                                const IndexBuffer* indices) {
  Key key;
  std::memset(&key, 0, sizeof key);
  key.declaration = declaration.Serial();
  key.indices = indices ? indices->Serial() : 0;
  for (UINT s = 0; s < kStreamCount; ++s) {
    if (!(declaration.StreamMask() & (1u << s))) continue;
    key.streams[s][0] = streams[s].buffer->Serial();
    key.streams[s][1] = streams[s].offset;
    key.streams[s][2] = streams[s].stride;
  }
  return key;
}

bool VertexArrayCache::Uses(const Key& key, uint32_t serial) {
  if (key.declaration == serial || key.indices == serial) return true;
  for (const auto& stream : key.streams)
    if (stream[0] == serial) return true;
  return false;
}

void VertexArrayCache::Bind(GLStateCache& gl, const VertexDeclaration& declaration,
                            const StreamSource* streams, const IndexBuffer* indices) {
  const Key key = MakeKey(declaration, streams, indices);
  for (Entry& entry : entries_) {
    if (entry.vao && std::memcmp(&entry.key, &key, sizeof key) == 0) {
      gl.BindVertexArray(entry.vao);
      return;
    }
  }
  Entry* slot = nullptr;
  for (Entry& entry : entries_)
    if (!entry.vao) {
      slot = &entry;
      break;
    }
  if (!slot) {
    slot = &entries_[next_];
    next_ = (next_ + 1) % kEntries;
    Delete(gl, *slot);
  }
  slot->key = key;
  glGenVertexArrays(1, &slot->vao);
  gl.BindVertexArray(slot->vao);
  Build(declaration, streams, indices);
  ++builds_;
}

void VertexArrayCache::Build(const VertexDeclaration& declaration, const StreamSource* streams,
                             const IndexBuffer* indices) {
  for (UINT i = 0; i < declaration.ElementCount(); ++i) {
    const D3DVERTEXELEMENT9& element = declaration.Element(i);
    // Usages no shader input is bound to (fog, depth, a third colour...) are not fed.
    const int location = VertexInputLocation(element.Usage, element.UsageIndex);
    if (location < 0) continue;
    const StreamSource& stream = streams[element.Stream];
    const AttributeFormat format = FormatOf(element.Type);
    glBindBuffer(GL_ARRAY_BUFFER, stream.buffer->GLName());
    glVertexAttribPointer(GLuint(location), format.size, format.type, format.normalized,
                          GLsizei(stream.stride),
                          reinterpret_cast<const void*>(uintptr_t(stream.offset) + element.Offset));
    // Direct3D reads the same vertex for every index of a stream of stride 0, where GL would
    // take 0 as "tightly packed". An attribute that advances per instance does what Direct3D
    // does in a draw of one instance.
    glVertexAttribDivisor(GLuint(location), stream.stride == 0 ? 1 : 0);
    glEnableVertexAttribArray(GLuint(location));
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices ? indices->GLName() : 0);
}

void VertexArrayCache::Delete(GLStateCache& gl, Entry& entry) {
  if (!entry.vao) return;
  // Unbound first, so that GL cannot hand the name out again while the cache thinks it bound.
  gl.BindVertexArray(0);
  glDeleteVertexArrays(1, &entry.vao);
  entry.vao = 0;
}

void VertexArrayCache::Forget(GLStateCache& gl, uint32_t serial) {
  for (Entry& entry : entries_)
    if (entry.vao && Uses(entry.key, serial)) Delete(gl, entry);
}

void VertexArrayCache::Destroy(GLStateCache& gl) {
  for (Entry& entry : entries_) Delete(gl, entry);
}

}  // namespace ember::d3d9
