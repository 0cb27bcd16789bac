// Binary and MSZIP-compressed X files, written here token by token and block by block, read
// as the same mesh as their text.
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/xfile/xfile.h"

namespace ember {
namespace {

// A scaled frame around a triangle with a textured material, as text.
const char kTriangleText[] =
    "xof 0303txt 0032\n"
    "template Vector {\n <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n FLOAT x;\n FLOAT y;\n"
    " FLOAT z;\n}\n"
    "Frame Root {\n"
    " FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 1,0,0,1;; }\n"
    " Mesh Tri {\n"
    "  3; 0.5;0;0;, 1;0;0;, 0;1;-0.25;;\n"
    "  1; 3;0,1,2;;\n"
    "  MeshMaterialList { 1; 1; 0;;\n"
    "   Material Wood { 1;0.5;0.25;1;; 8; 0;0;0;; 0;0;0;;\n"
    "    TextureFilename { \"wood.png\"; }\n"
    "   }\n"
    "  }\n"
    " }\n"
    "}\n";

// The same file in the binary format's tokens.
class BinaryWriter {
 public:
  explicit BinaryWriter(bool doubles) : doubles_(doubles) {}

  BinaryWriter& Token(uint16_t token) {
    Put16(token);
    return *this;
  }
  BinaryWriter& Name(const std::string& name) {
    Put16(1);
    Put32(uint32_t(name.size()));
    bytes_ += name;
    return *this;
  }
  BinaryWriter& String(const std::string& text) {
    Put16(2);
    Put32(uint32_t(text.size()));
    bytes_ += text;
    Put32(20);  // ended by ';'
    return *this;
  }
  BinaryWriter& Guid(uint32_t d1, uint16_t d2, uint16_t d3, const uint8_t (&d4)[8]) {
    Put16(5);
    Put32(d1);
    Put16(d2);
    Put16(d3);
    bytes_.append(reinterpret_cast<const char*>(d4), 8);
    return *this;
  }
  BinaryWriter& Integers(const std::vector<uint32_t>& values) {
    Put16(6);
    Put32(uint32_t(values.size()));
    for (uint32_t v : values) Put32(v);
    return *this;
  }
  BinaryWriter& Floats(const std::vector<double>& values) {
    Put16(7);
    Put32(uint32_t(values.size()));
    for (double v : values) {
      if (doubles_) {
        bytes_.append(reinterpret_cast<const char*>(&v), 8);
      } else {
        const float f = float(v);
        bytes_.append(reinterpret_cast<const char*>(&f), 4);
      }
    }
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  void Put16(uint16_t v) {
    bytes_ += char(v & 0xFF);
    bytes_ += char(v >> 8);
  }
  void Put32(uint32_t v) {
    Put16(uint16_t(v & 0xFFFF));
    Put16(uint16_t(v >> 16));
  }

  bool doubles_;
  std::string bytes_;
};

constexpr uint16_t kOpenBrace = 10, kCloseBrace = 11, kSemicolon = 20, kTemplate = 31, kFloat = 42;

std::string TriangleBody(bool doubles) {
  const uint8_t guidTail[8] = {0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33};
  BinaryWriter w(doubles);
  w.Token(kTemplate).Name("Vector").Token(kOpenBrace).Guid(0x3D82AB5E, 0x62DA, 0x11CF, guidTail);
  for (const char* member : {"x", "y", "z"}) w.Token(kFloat).Name(member).Token(kSemicolon);
  w.Token(kCloseBrace);
  w.Name("Frame").Name("Root").Token(kOpenBrace);
  w.Name("FrameTransformMatrix").Token(kOpenBrace);
  w.Floats({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 0, 0, 1}).Token(kCloseBrace);
  w.Name("Mesh").Name("Tri").Token(kOpenBrace);
  w.Integers({3}).Floats({0.5, 0, 0, 1, 0, 0, 0, 1, -0.25}).Integers({1, 3, 0, 1, 2});
  w.Name("MeshMaterialList").Token(kOpenBrace).Integers({1, 1, 0});
  w.Name("Material").Name("Wood").Token(kOpenBrace);
  w.Floats({1, 0.5, 0.25, 1, 8, 0, 0, 0, 0, 0, 0});
  w.Name("TextureFilename").Token(kOpenBrace).String("wood.png").Token(kCloseBrace);
  w.Token(kCloseBrace).Token(kCloseBrace).Token(kCloseBrace).Token(kCloseBrace);
  return w.Bytes();
}

// MSZIP blocks of at most `blockSize` bytes, each deflated with the block before it as its
// dictionary, behind the whole file's size.
std::string Mszip(const std::string& body, size_t blockSize) {
  std::string out;
  auto put16 = [&](size_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
  };
  const size_t total = body.size() + 16;
  put16(total & 0xFFFF);
  put16(total >> 16);
  for (size_t at = 0; at < body.size(); at += blockSize) {
    const size_t length = std::min(blockSize, body.size() - at);
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (at > 0) {
      const size_t window = std::min<size_t>(at, 32768);
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + at - window),
                           uInt(window));
    }
    std::vector<Bytef> packed(deflateBound(&z, uLong(length)));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at));
    z.avail_in = uInt(length);
    z.next_out = packed.data();
    z.avail_out = uInt(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    const size_t size = packed.size() - z.avail_out;
    deflateEnd(&z);
    put16(length);
    put16(size + 2);
    out += "CK";
    out.append(reinterpret_cast<const char*>(packed.data()), size);
  }
  return out;
}

XMesh MustParse(const std::string& file) {
  XMesh mesh;
  std::string error;
  EXPECT_TRUE(ParseXFile(file.data(), file.size(), mesh, error)) << error;
  return mesh;
}

std::string ParseError(const std::string& file) {
  XMesh mesh;
  std::string error;
  EXPECT_FALSE(ParseXFile(file.data(), file.size(), mesh, error));
  EXPECT_TRUE(mesh.positions.empty());
  return error;
}

void ExpectSameMesh(const XMesh& a, const XMesh& b) {
  EXPECT_EQ(a.positions, b.positions);
  EXPECT_EQ(a.indices, b.indices);
  EXPECT_EQ(a.attributes, b.attributes);
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (size_t i = 0; i < a.materials.size(); ++i) {
    EXPECT_EQ(a.materials[i].textureFile, b.materials[i].textureFile);
    EXPECT_EQ(std::memcmp(a.materials[i].diffuse, b.materials[i].diffuse, 16), 0);
    EXPECT_EQ(a.materials[i].power, b.materials[i].power);
  }
}

TEST(XFileBinary, ReadsAsItsTextWithFloatsAndWithDoubles) {
  const XMesh text = MustParse(kTriangleText);
  ASSERT_EQ(text.VertexCount(), 3u);
  EXPECT_EQ(text.positions[0], 2.0f);  // 0.5 doubled and moved by 1
  EXPECT_EQ(text.materials[0].textureFile, "wood.png");
  ExpectSameMesh(MustParse("xof 0303bin 0032" + TriangleBody(false)), text);
  ExpectSameMesh(MustParse("xof 0303bin 0064" + TriangleBody(true)), text);
}

TEST(XFileBinary, CompressedTextAndBinaryAcrossSeveralBlocks) {
  const XMesh text = MustParse(kTriangleText);
  const std::string body = std::string(kTriangleText).substr(16);
  ExpectSameMesh(MustParse("xof 0303tzip0032" + Mszip(body, 100)), text);
  ExpectSameMesh(MustParse("xof 0303bzip0032" + Mszip(TriangleBody(false), 64)), text);
  ExpectSameMesh(MustParse("xof 0303bzip0064" + Mszip(TriangleBody(true), 4096)), text);
}

TEST(XFileBinary, DamagedFilesSayWhatIsWrong) {
  // Cut anywhere, the binary file fails: a token or record cut short, or a mesh left open.
  const std::string binary = "xof 0303bin 0032" + TriangleBody(false);
  for (size_t length = 16; length < binary.size(); ++length) {
    XMesh mesh;
    std::string error;
    EXPECT_FALSE(ParseXFile(binary.data(), length, mesh, error)) << "length " << length;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(ParseError("xof 0303bin 0032" + std::string("\x63\x00", 2)),
            "binary X file has an unknown token 99");
  EXPECT_EQ(ParseError("xof 0303bin 0032" + std::string("\x06\x00\xFF\xFF\xFF\x0F", 6)),
            "X file truncated in an integer list");
  EXPECT_EQ(ParseError("xof 0303bin 0016"), "unsupported X file float size '0016'");

  std::string compressed = Mszip(TriangleBody(false), 64);
  std::string unsigned_ = compressed;
  unsigned_[8] = 'X';  // the first block's 'CK'
  EXPECT_EQ(ParseError("xof 0303bzip0032" + unsigned_),
            "compressed X file block without its 'CK' signature");
  std::string damaged = compressed;
  damaged[12] = char(damaged[12] ^ 0x5A);
  EXPECT_NE(ParseError("xof 0303bzip0032" + damaged).find("compressed X file"), std::string::npos);
  EXPECT_EQ(ParseError("xof 0303bzip0032" + compressed.substr(0, compressed.size() - 1)),
            "X file truncated in a compressed block");
  std::string huge = compressed;
  huge[3] = char(0x7F);  // declares about 2 GiB
  EXPECT_NE(ParseError("xof 0303bzip0032" + huge).find("out of range"), std::string::npos);
}

TEST(XFileNames, TemplateNamesMatchWhateverTheirCase) {
  std::string text = kTriangleText;
  text.replace(text.find("TextureFilename"), 15, "TextureFileName");
  text.replace(text.find("MeshMaterialList"), 16, "meshmateriallist");
  EXPECT_EQ(MustParse(text).materials[0].textureFile, "wood.png");
}

}  // namespace
}  // namespace ember
