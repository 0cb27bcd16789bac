// Grammar of the text X format: header, templates (read and skipped), data objects with nested
// objects and references, and the readers of the objects a mesh is made of.
#include <cfloat>
#include <charconv>
#include <cstring>
#include <utility>

#include "runtime/xfile/binary.h"
#include "runtime/xfile/lexer.h"
#include "runtime/xfile/scene.h"

namespace ember {

namespace {

constexpr int kMaxDepth = 128;
constexpr size_t kHeaderSize = 16;

struct XObjectHeader {
  std::string type;
  std::string name;
  std::string guid;
  uint32_t line = 0;
};

struct XReference {
  std::string name;
  std::string guid;
  uint32_t line = 0;
};

std::string Printable(const char* text, size_t length) {
  std::string shown(text, length);
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7e) c = '?';
  }
  return shown;
}

bool CheckHeader(const char* text, size_t size, std::string& error) {
  if (size < 4 || std::memcmp(text, "xof ", 4) != 0) {
    error = "not an X file (no \"xof \" header)";
    return false;
  }
  if (size < kHeaderSize) {
    error = "truncated X file header";
    return false;
  }
  const char* version = text + 4;
  const char* format = text + 8;
  const char* floatSize = text + 12;
  if (std::memcmp(version, "0302", 4) != 0 && std::memcmp(version, "0303", 4) != 0) {
    error = "unsupported X file version '" + Printable(version, 4) + "'";
    return false;
  }
  if (std::memcmp(format, "txt ", 4) != 0) {
    error = "unknown X file format '" + Printable(format, 4) + "'";
    return false;
  }
  if (std::memcmp(floatSize, "0032", 4) != 0 && std::memcmp(floatSize, "0064", 4) != 0) {
    error = "unsupported X file float size '" + Printable(floatSize, 4) + "'";
    return false;
  }
  return true;
}

class XParser {
 public:
  XParser(const char* body, size_t size, XScene& scene) : lexer_(body, size, 1), scene_(scene) {}

  bool ParseFile();
  const std::string& Error() const { return error_; }

 private:
  XToken Peek();
  XToken Take();
  bool Fail(const XToken& at, const std::string& message);
  bool FailLine(uint32_t line, const std::string& message);
  bool Fits(uint64_t numbers, const XToken& at, const std::string& what);

  XToken NextValue();
  bool ReadUInt(const char* what, uint32_t& value, XToken* at = nullptr);
  bool ReadFloat(const char* what, float& value);
  bool ReadFloats(const char* what, float* values, int count);
  bool ReadString(const char* what, std::string& value);

  bool ParseTemplate();
  bool ParseObjectHeader(const XToken& type, XObjectHeader& header);
  bool ParseReference(XReference& reference);
  bool SkipBody(const XObjectHeader& header, int depth);
  template <typename OnChild, typename OnReference>
  bool ParseChildren(const XObjectHeader& header, int depth, OnChild onChild,
                     OnReference onReference);
  bool ParseNoChildren(const XObjectHeader& header, int depth);

  bool ParseFrame(const XObjectHeader& header, int parent, int depth);
  bool ParseMesh(const XObjectHeader& header, int frame, int depth);
  bool ParseMeshNormals(const XObjectHeader& header, XRawMesh& mesh, int depth);
  bool ParseTextureCoords(const XObjectHeader& header, XRawMesh& mesh, int depth);
  bool ParseMaterialList(const XObjectHeader& header, XRawMesh& mesh, int depth);
  bool ParseMaterial(const XObjectHeader& header, XMaterial& material, int depth);

  XLexer lexer_;
  XScene& scene_;
  XToken peeked_;
  bool hasPeeked_ = false;
  std::string error_;
};

XToken XParser::Peek() {
  if (!hasPeeked_) {
    peeked_ = lexer_.Next();
    hasPeeked_ = true;
  }
  return peeked_;
}

XToken XParser::Take() {
  XToken token = Peek();
  hasPeeked_ = false;
  return token;
}

bool XParser::Fail(const XToken& at, const std::string& message) {
  if (at.kind == XTokenKind::Error) {
    if (error_.empty()) error_ = lexer_.Error();
    return false;
  }
  return FailLine(at.line, message);
}

bool XParser::FailLine(uint32_t line, const std::string& message) {
  if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + message;
  return false;
}

// Every number takes at least one character and a separator, so a count larger than what is
// left of the file is refused before anything is reserved for it.
bool XParser::Fits(uint64_t numbers, const XToken& at, const std::string& what) {
  uint64_t remaining = lexer_.Remaining() + (hasPeeked_ ? peeked_.length + 1 : 0);
  if (numbers == 0 || 2 * numbers - 1 <= remaining) return true;
  return Fail(at, what + " do not fit in the rest of the file");
}

// Data values may be separated by any run of ',' and ';' (exporters write ";;" and ";,").
XToken XParser::NextValue() {
  while (Peek().kind == XTokenKind::Separator) Take();
  return Take();
}

bool XParser::ReadUInt(const char* what, uint32_t& value, XToken* at) {
  XToken token = NextValue();
  if (at) *at = token;
  if (token.kind != XTokenKind::Integer || token.text[0] == '-') {
    return Fail(token, std::string("expected ") + what + ", found " + token.Describe());
  }
  uint64_t result = 0;
  for (size_t i = 0; i < token.length; ++i) {
    if (token.text[i] == '+') continue;
    result = result * 10 + static_cast<uint64_t>(token.text[i] - '0');
    if (result > UINT32_MAX)
      return Fail(token, std::string(what) + " " + token.Describe() + " is too large");
  }
  value = static_cast<uint32_t>(result);
  return true;
}

bool XParser::ReadFloat(const char* what, float& value) {
  XToken token = NextValue();
  if (token.kind != XTokenKind::Integer && token.kind != XTokenKind::Float) {
    return Fail(token, std::string("expected ") + what + ", found " + token.Describe());
  }
  const char* first = token.text;
  const char* last = token.text + token.length;
  if (*first == '+') ++first;
  double number = 0;
  std::from_chars_result result = std::from_chars(first, last, number);
  if (result.ec == std::errc::result_out_of_range) {
    // Underflow (a negative exponent) reads as zero; overflow has no float to stand for it.
    const char* exponent = first;
    while (exponent < last && *exponent != 'e' && *exponent != 'E') ++exponent;
    bool tiny = last - exponent > 1 && exponent[1] == '-';
    if (!tiny) return Fail(token, "number " + token.Describe() + " is out of range");
    number = 0;
  } else if (result.ec != std::errc() || result.ptr != last) {
    return Fail(token, "malformed number " + token.Describe());
  }
  if (number > FLT_MAX || number < -FLT_MAX) {
    return Fail(token, "number " + token.Describe() + " is out of range");
  }
  value = static_cast<float>(number);
  return true;
}

bool XParser::ReadFloats(const char* what, float* values, int count) {
  for (int i = 0; i < count; ++i) {
    if (!ReadFloat(what, values[i])) return false;
  }
  return true;
}

bool XParser::ReadString(const char* what, std::string& value) {
  XToken token = NextValue();
  if (token.kind != XTokenKind::String) {
    return Fail(token, std::string("expected ") + what + ", found " + token.Describe());
  }
  value.assign(token.text, token.length);
  return true;
}

bool XParser::ParseFile() {
  for (;;) {
    XToken token = Take();
    if (token.kind == XTokenKind::End) return true;
    if (token.kind == XTokenKind::Separator) continue;
    if (token.kind != XTokenKind::Name)
      return Fail(token, "unexpected " + token.Describe() + " at top level");
    if (token.Is("template")) {
      if (!ParseTemplate()) return false;
      continue;
    }
    XObjectHeader header;
    if (!ParseObjectHeader(token, header)) return false;
    bool ok;
    if (token.Is("Frame")) {
      ok = ParseFrame(header, -1, 1);
    } else if (token.Is("Mesh")) {
      ok = ParseMesh(header, -1, 1);
    } else if (token.Is("Material")) {
      XNamedMaterial named{header.name, header.guid, XMaterial{}};
      ok = ParseMaterial(header, named.material, 1);
      if (ok) scene_.namedMaterials.push_back(std::move(named));
    } else {
      ok = SkipBody(header, 1);
    }
    if (!ok) return false;
  }
}

// template Name { <GUID> members [restrictions] }: nothing in it changes how data is read.
bool XParser::ParseTemplate() {
  XToken name = Take();
  if (name.kind != XTokenKind::Name)
    return Fail(name, "expected a template name, found " + name.Describe());
  XToken open = Take();
  if (open.kind != XTokenKind::OpenBrace)
    return Fail(open, "expected '{' after template " + name.Describe());
  XObjectHeader header;
  header.type = "template " + std::string(name.text, name.length);
  header.line = name.line;
  return SkipBody(header, 1);
}

// Type [name] { [<GUID>]
bool XParser::ParseObjectHeader(const XToken& type, XObjectHeader& header) {
  header.type.assign(type.text, type.length);
  header.line = type.line;
  XToken token = Take();
  if (token.kind == XTokenKind::Name) {
    header.name.assign(token.text, token.length);
    token = Take();
  }
  if (token.kind != XTokenKind::OpenBrace) {
    return Fail(token, "expected '{' after " + header.type + ", found " + token.Describe());
  }
  if (Peek().kind == XTokenKind::Guid) {
    XToken guid = Take();
    header.guid.assign(guid.text, guid.length);
  }
  return true;
}

// { name }, { name <GUID> } or { <GUID> }, the opening brace already taken.
bool XParser::ParseReference(XReference& reference) {
  XToken token = Take();
  reference.line = token.line;
  if (token.kind == XTokenKind::Name) {
    reference.name.assign(token.text, token.length);
    token = Take();
  }
  if (token.kind == XTokenKind::Guid) {
    reference.guid.assign(token.text, token.length);
    token = Take();
  }
  if (reference.name.empty() && reference.guid.empty()) {
    return Fail(token, "expected a name or GUID in a reference, found " + token.Describe());
  }
  if (token.kind != XTokenKind::CloseBrace) {
    return Fail(token, "expected '}' to close a reference, found " + token.Describe());
  }
  return true;
}

bool XParser::SkipBody(const XObjectHeader& header, int depth) {
  int level = 1;
  for (;;) {
    XToken token = Take();
    switch (token.kind) {
      case XTokenKind::OpenBrace:
        ++level;
        if (depth + level - 1 > kMaxDepth) {
          return Fail(token, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
        }
        break;
      case XTokenKind::CloseBrace:
        if (--level == 0) return true;
        break;
      case XTokenKind::End:
        return Fail(token, "end of file inside " + header.type + " (opened on line " +
                               std::to_string(header.line) + ")");
      case XTokenKind::Error:
        return Fail(token, "");
      default:
        break;
    }
  }
}

// The rest of an object after its data values: nested objects and references up to its '}'.
template <typename OnChild, typename OnReference>
bool XParser::ParseChildren(const XObjectHeader& header, int depth, OnChild onChild,
                            OnReference onReference) {
  for (;;) {
    XToken token = Take();
    switch (token.kind) {
      case XTokenKind::Separator:
        break;
      case XTokenKind::CloseBrace:
        return true;
      case XTokenKind::Name: {
        if (depth + 1 > kMaxDepth) {
          return Fail(token, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
        }
        XObjectHeader child;
        if (!ParseObjectHeader(token, child) || !onChild(token, child, depth + 1)) return false;
        break;
      }
      case XTokenKind::OpenBrace: {
        XReference reference;
        if (!ParseReference(reference) || !onReference(reference)) return false;
        break;
      }
      case XTokenKind::End:
        return Fail(token, "end of file inside " + header.type + " (opened on line " +
                               std::to_string(header.line) + ")");
      default:
        return Fail(token, "unexpected " + token.Describe() + " in " + header.type);
    }
  }
}

bool XParser::ParseNoChildren(const XObjectHeader& header, int depth) {
  return ParseChildren(
      header, depth,
      [this](const XToken&, const XObjectHeader& child, int d) { return SkipBody(child, d); },
      [](const XReference&) { return true; });
}

bool XParser::ParseFrame(const XObjectHeader& header, int parent, int depth) {
  int index = static_cast<int>(scene_.frames.size());
  XFrame frame;
  frame.parent = parent;
  scene_.frames.push_back(frame);
  return ParseChildren(
      header, depth,
      [&](const XToken& type, const XObjectHeader& child, int d) {
        if (type.Is("FrameTransformMatrix")) {
          float matrix[16];
          if (!ReadFloats("a matrix element", matrix, 16) || !ParseNoChildren(child, d))
            return false;
          std::memcpy(scene_.frames[static_cast<size_t>(index)].matrix, matrix, sizeof matrix);
          return true;
        }
        if (type.Is("Frame")) return ParseFrame(child, index, d);
        if (type.Is("Mesh")) return ParseMesh(child, index, d);
        return SkipBody(child, d);
      },
      [](const XReference&) { return true; });
}

bool XParser::ParseMesh(const XObjectHeader& header, int frame, int depth) {
  XRawMesh mesh;
  mesh.frame = frame;

  uint32_t vertexCount;
  XToken at;
  if (!ReadUInt("a vertex count", vertexCount, &at)) return false;
  if (!Fits(uint64_t(vertexCount) * 3, at, std::to_string(vertexCount) + " vertices")) return false;
  mesh.positions.resize(size_t(vertexCount) * 3);
  for (size_t i = 0; i < mesh.positions.size(); ++i) {
    if (!ReadFloat("a vertex coordinate", mesh.positions[i])) return false;
  }

  uint32_t faceCount;
  if (!ReadUInt("a face count", faceCount, &at)) return false;
  if (!Fits(uint64_t(faceCount) * 4, at, std::to_string(faceCount) + " faces")) return false;
  mesh.faceStart.reserve(size_t(faceCount) + 1);
  mesh.corners.reserve(size_t(faceCount) * 3);
  for (uint32_t face = 0; face < faceCount; ++face) {
    uint32_t cornerCount;
    if (!ReadUInt("a face's vertex count", cornerCount, &at)) return false;
    if (cornerCount < 3) {
      return Fail(at, "face " + std::to_string(face) + " has " + std::to_string(cornerCount) +
                          " vertices (at least 3 needed)");
    }
    if (!Fits(cornerCount, at, std::to_string(cornerCount) + " face indices")) return false;
    for (uint32_t corner = 0; corner < cornerCount; ++corner) {
      uint32_t index;
      if (!ReadUInt("a face index", index, &at)) return false;
      if (index >= vertexCount) {
        return Fail(at, "face index " + std::to_string(index) + " out of range (" +
                            std::to_string(vertexCount) + " vertices)");
      }
      mesh.corners.push_back(index);
    }
    mesh.faceStart.push_back(static_cast<uint32_t>(mesh.corners.size()));
  }

  bool ok = ParseChildren(
      header, depth,
      [&](const XToken& type, const XObjectHeader& child, int d) {
        if (type.Is("MeshNormals")) return ParseMeshNormals(child, mesh, d);
        if (type.Is("MeshTextureCoords")) return ParseTextureCoords(child, mesh, d);
        if (type.Is("MeshMaterialList")) return ParseMaterialList(child, mesh, d);
        return SkipBody(child, d);
      },
      [](const XReference&) { return true; });
  if (!ok) return false;
  scene_.meshes.push_back(std::move(mesh));
  return true;
}

bool XParser::ParseMeshNormals(const XObjectHeader& header, XRawMesh& mesh, int depth) {
  XToken at;
  if (mesh.hasNormals) return FailLine(header.line, "second MeshNormals in one Mesh");
  uint32_t normalCount;
  if (!ReadUInt("a normal count", normalCount, &at)) return false;
  if (!Fits(uint64_t(normalCount) * 3, at, std::to_string(normalCount) + " normals")) return false;
  mesh.normals.resize(size_t(normalCount) * 3);
  for (size_t i = 0; i < mesh.normals.size(); ++i) {
    if (!ReadFloat("a normal coordinate", mesh.normals[i])) return false;
  }

  uint32_t faceCount;
  if (!ReadUInt("a face count", faceCount, &at)) return false;
  if (faceCount != mesh.FaceCount()) {
    return Fail(at, "MeshNormals has " + std::to_string(faceCount) + " faces, the mesh has " +
                        std::to_string(mesh.FaceCount()));
  }
  mesh.normalCorners.reserve(mesh.corners.size());
  for (uint32_t face = 0; face < faceCount; ++face) {
    uint32_t cornerCount;
    if (!ReadUInt("a face's normal count", cornerCount, &at)) return false;
    uint32_t expected = mesh.faceStart[face + 1] - mesh.faceStart[face];
    if (cornerCount != expected) {
      return Fail(at, "normal face " + std::to_string(face) + " has " +
                          std::to_string(cornerCount) + " indices, the mesh face has " +
                          std::to_string(expected));
    }
    for (uint32_t corner = 0; corner < cornerCount; ++corner) {
      uint32_t index;
      if (!ReadUInt("a normal index", index, &at)) return false;
      if (index >= normalCount) {
        return Fail(at, "normal index " + std::to_string(index) + " out of range (" +
                            std::to_string(normalCount) + " normals)");
      }
      mesh.normalCorners.push_back(index);
    }
  }
  mesh.hasNormals = true;
  return ParseNoChildren(header, depth);
}

bool XParser::ParseTextureCoords(const XObjectHeader& header, XRawMesh& mesh, int depth) {
  XToken at;
  if (mesh.hasTexcoords) return FailLine(header.line, "second MeshTextureCoords in one Mesh");
  uint32_t count;
  if (!ReadUInt("a texture coordinate count", count, &at)) return false;
  if (count != mesh.VertexCount()) {
    return Fail(at, "MeshTextureCoords has " + std::to_string(count) +
                        " coordinates, the mesh has " + std::to_string(mesh.VertexCount()) +
                        " vertices");
  }
  mesh.texcoords.resize(size_t(count) * 2);
  for (size_t i = 0; i < mesh.texcoords.size(); ++i) {
    if (!ReadFloat("a texture coordinate", mesh.texcoords[i])) return false;
  }
  mesh.hasTexcoords = true;
  return ParseNoChildren(header, depth);
}

bool XParser::ParseMaterialList(const XObjectHeader& header, XRawMesh& mesh, int depth) {
  XToken at;
  if (mesh.hasMaterials) return FailLine(header.line, "second MeshMaterialList in one Mesh");
  uint32_t materialCount;
  uint32_t indexCount;
  if (!ReadUInt("a material count", materialCount, &at)) return false;
  XToken countAt = at;
  if (!ReadUInt("a face index count", indexCount, &at)) return false;
  if (indexCount > mesh.FaceCount()) {
    return Fail(at, "material list has " + std::to_string(indexCount) + " face indexes for " +
                        std::to_string(mesh.FaceCount()) + " faces");
  }
  mesh.faceMaterials.reserve(mesh.FaceCount());
  for (uint32_t i = 0; i < indexCount; ++i) {
    uint32_t material;
    if (!ReadUInt("a material index", material, &at)) return false;
    if (material >= materialCount) {
      return Fail(at, "material index " + std::to_string(material) + " out of range (" +
                          std::to_string(materialCount) + " materials)");
    }
    mesh.faceMaterials.push_back(material);
  }
  // Exporters shorten the list when the last faces share a material: the last index repeats.
  uint32_t last = mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials.back();
  mesh.faceMaterials.resize(mesh.FaceCount(), last);

  bool ok = ParseChildren(
      header, depth,
      [&](const XToken& type, const XObjectHeader& child, int d) {
        if (!type.Is("Material")) return SkipBody(child, d);
        XMaterialSlot slot;
        slot.line = child.line;
        if (!ParseMaterial(child, slot.material, d)) return false;
        if (!child.name.empty() || !child.guid.empty()) {
          scene_.namedMaterials.push_back(XNamedMaterial{child.name, child.guid, slot.material});
        }
        mesh.materials.push_back(std::move(slot));
        return true;
      },
      [&](const XReference& reference) {
        XMaterialSlot slot;
        slot.isReference = true;
        slot.name = reference.name;
        slot.guid = reference.guid;
        slot.line = reference.line;
        mesh.materials.push_back(std::move(slot));
        return true;
      });
  if (!ok) return false;
  if (mesh.materials.size() < materialCount) {
    return Fail(countAt, "material list names " + std::to_string(materialCount) +
                             " materials but holds " + std::to_string(mesh.materials.size()));
  }
  mesh.materials.resize(materialCount);
  mesh.hasMaterials = materialCount > 0;
  if (!mesh.hasMaterials) mesh.faceMaterials.clear();
  return true;
}

bool XParser::ParseMaterial(const XObjectHeader& header, XMaterial& material, int depth) {
  if (!ReadFloats("a face colour component", material.diffuse, 4) ||
      !ReadFloat("a specular power", material.power) ||
      !ReadFloats("a specular colour component", material.specular, 3) ||
      !ReadFloats("an emissive colour component", material.emissive, 3)) {
    return false;
  }
  return ParseChildren(
      header, depth,
      [&](const XToken& type, const XObjectHeader& child, int d) {
        if (!type.Is("TextureFilename")) return SkipBody(child, d);
        return ReadString("a texture file name", material.textureFile) && ParseNoChildren(child, d);
      },
      [](const XReference&) { return true; });
}

}  // namespace

bool ParseXScene(const char* text, size_t size, XScene& scene, std::string& error) {
  scene = XScene();
  if (!text) {
    error = "no X file text";
    return false;
  }
  // Binary and compressed files are read as the same file in text.
  std::string converted;
  bool isConverted = false;
  if (!ToTextXFile(text, size, converted, isConverted, error)) return false;
  if (isConverted) {
    text = converted.data();
    size = converted.size();
  }
  if (!CheckHeader(text, size, error)) return false;
  XParser parser(text + kHeaderSize, size - kHeaderSize, scene);
  if (!parser.ParseFile()) {
    error = parser.Error();
    scene = XScene();
    return false;
  }
  return true;
}

}  // namespace ember
