// GL vertex array objects for the vertex inputs of draws: one per distinct combination of a
// vertex declaration, the stream sources it reads and the index buffer, built on first use and
// kept in a small fixed cache, so a frame that repeats its draws builds and allocates nothing.
#pragma once

#include <cstdint>

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3d9/gl.h"

namespace ember::d3d9 {

class GLStateCache;
class IndexBuffer;
class VertexBuffer;
class VertexDeclaration;

// Direct3D 9's vertex streams, as the device's caps report them.
constexpr UINT kStreamCount = 16;

struct StreamSource {
  VertexBuffer* buffer = nullptr;
  UINT offset = 0;
  UINT stride = 0;
};

class VertexArrayCache {
 public:
  static constexpr int kEntries = 16;

  // Binds the vertex array for these inputs, building it when the cache has none.
  void Bind(GLStateCache& gl, const VertexDeclaration& declaration, const StreamSource* streams,
            const IndexBuffer* indices);
  // Deletes the vertex arrays built over the object with this serial, which is going away.
  void Forget(GLStateCache& gl, uint32_t serial);
  void Destroy(GLStateCache& gl);

  // How many vertex arrays have been built: tests check that repeated draws build none.
  unsigned long Builds() const { return builds_; }

 private:
  // Serials of the objects, with each read stream's offset and stride; unread streams stay 0.
  struct Key {
    uint32_t declaration;
    uint32_t indices;
    uint32_t streams[kStreamCount][3];
  };
  struct Entry {
    Key key;
    GLuint vao;
  };

  static Key MakeKey(const VertexDeclaration& declaration, const StreamSource* streams,
                     const IndexBuffer* indices);
  static bool Uses(const Key& key, uint32_t serial);
  void Delete(GLStateCache& gl, Entry& entry);
  static void Build(const VertexDeclaration& declaration, const StreamSource* streams,
                    const IndexBuffer* indices);

  Entry entries_[kEntries] = {};
  int next_ = 0;  // the entry a new vertex array replaces when all are taken
  unsigned long builds_ = 0;
};

}  // namespace ember::d3d9
