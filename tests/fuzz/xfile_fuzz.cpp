// The X file reader on arbitrary text: success must give a mesh whose indices and
// attributes stay inside its vertices and materials.
#include <string>

#include "runtime/xfile/xfile.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ember::XMesh mesh;
  std::string error;
  if (!ember::ParseXFile(reinterpret_cast<const char*>(data), size, mesh, error)) {
    EMBER_FUZZ_CHECK(!error.empty());
    return 0;
  }
  const uint32_t vertices = mesh.VertexCount();
  EMBER_FUZZ_CHECK(mesh.positions.size() == size_t{vertices} * 3);
  EMBER_FUZZ_CHECK(mesh.normals.empty() || mesh.normals.size() == mesh.positions.size());
  EMBER_FUZZ_CHECK(mesh.texcoords.empty() || mesh.texcoords.size() == size_t{vertices} * 2);
  EMBER_FUZZ_CHECK(mesh.indices.size() % 3 == 0);
  EMBER_FUZZ_CHECK(mesh.attributes.size() == mesh.TriangleCount());
  EMBER_FUZZ_CHECK(!mesh.materials.empty());
  for (uint32_t index : mesh.indices) EMBER_FUZZ_CHECK(index < vertices);
  for (size_t i = 0; i < mesh.attributes.size(); ++i) {
    EMBER_FUZZ_CHECK(mesh.attributes[i] < mesh.materials.size());
    EMBER_FUZZ_CHECK(i == 0 || mesh.attributes[i - 1] <= mesh.attributes[i]);
  }
  return 0;
}
