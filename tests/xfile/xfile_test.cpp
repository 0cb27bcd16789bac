#include "runtime/xfile/xfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ember {
namespace {

// A unit cube of quads, one normal per side so each corner is split three ways, placed by two
// nested frames: Child moves by +1 in x, Root scales by 2 and moves by (10, 20, 30).
const char kCubeFile[] =
    "xof 0303txt 0032\n"
    "// Templates, as exporters write them.\n"
    "template Vector {\n"
    " <3D82AB5E-62DA-11cf-AB39-0020AF71E433>\n"
    " FLOAT x;\n"
    " FLOAT y;\n"
    " FLOAT z;\n"
    "}\n"
    "template MeshFace {\n"
    " <3D82AB5F-62DA-11cf-AB39-0020AF71E433>\n"
    " DWORD nFaceVertexIndices;\n"
    " array DWORD faceVertexIndices[nFaceVertexIndices];\n"
    "}\n"
    "template Mesh {\n"
    " <3D82AB44-62DA-11cf-AB39-0020AF71E433>\n"
    " DWORD nVertices;\n"
    " array Vector vertices[nVertices];\n"
    " DWORD nFaces;\n"
    " array MeshFace faces[nFaces];\n"
    " [...]\n"
    "}\n"
    "template MeshMaterialList {\n"
    " <F6F23F42-7686-11cf-8F52-0040333594A3>\n"
    " DWORD nMaterials;\n"
    " DWORD nFaceIndexes;\n"
    " array DWORD faceIndexes[nFaceIndexes];\n"
    " [Material <3D82AB4D-62DA-11cf-AB39-0020AF71E433>]\n"
    "}\n"
    "Header {\n"
    " 1;\n"
    " 0;\n"
    " 1;\n"
    "}\n"
    "# A material the mesh refers to by name.\n"
    "Material Red {\n"
    " 1.000000;0.000000;0.000000;1.000000;;\n"
    " 10.000000;\n"
    " 0.500000;0.500000;0.500000;;\n"
    " 0.000000;0.000000;0.000000;;\n"
    "}\n"
    "Frame Root {\n"
    " FrameTransformMatrix {\n"
    "  2.0,0.0,0.0,0.0,\n"
    "  0.0,2.0,0.0,0.0,\n"
    "  0.0,0.0,2.0,0.0,\n"
    "  10.0,20.0,30.0,1.0;;\n"
    " }\n"
    " Frame Child {\n"
    "  FrameTransformMatrix {\n"
    "   1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,1.0,0.0,0.0,1.0;;\n"
    "  }\n"
    "  Mesh Cube {\n"
    "   8;\n"
    "   0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;,\n"
    "   0.0;0.0;1.0;, 1.0;0.0;1.0;, 1.0;1.0;1.0;, 0.0;1.0;1.0;;\n"
    "   6;\n"
    "   4;0,3,2,1;,\n"
    "   4;4,5,6,7;,\n"
    "   4;0,1,5,4;,\n"
    "   4;3,7,6,2;,\n"
    "   4;0,4,7,3;,\n"
    "   4;1,2,6,5;;\n"
    "   MeshNormals {\n"
    "    6;\n"
    "    0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;, -1.0;0.0;0.0;, 1.0;0.0;0.0;;\n"
    "    6;\n"
    "    4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;\n"
    "   }\n"
    "   MeshTextureCoords {\n"
    "    8;\n"
    "    0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;, 0.0;0.0;, 1.0;0.0;, 1.0;1.0;, 0.0;1.0;;\n"
    "   }\n"
    "   MeshVertexColors {\n"
    "    1;\n"
    "    0;1.0;1.0;1.0;1.0;;\n"
    "   }\n"
    "   MeshMaterialList {\n"
    "    2;\n"
    "    6;\n"
    "    1,0,1,0,1,0;;\n"
    "    { Red }\n"
    "    Material Blue {\n"
    "     0.0;0.0;1.0;0.5;;\n"
    "     2.0;\n"
    "     1.0;1.0;1.0;;\n"
    "     0.1;0.2;0.3;;\n"
    "     TextureFilename { \"wood.png\"; }\n"
    "    }\n"
    "   }\n"
    "  }\n"
    " }\n"
    "}\n";

std::string XText(const std::string& body) { return "xof 0303txt 0032\n" + body; }

bool Parse(const std::string& text, XMesh& mesh, std::string& error) {
  return ParseXFile(text.data(), text.size(), mesh, error);
}

// Fails the test with the parser's message when the text does not parse.
XMesh MustParse(const std::string& text) {
  XMesh mesh;
  std::string error;
  EXPECT_TRUE(Parse(text, mesh, error)) << error;
  return mesh;
}

std::string ParseError(const std::string& text) {
  XMesh mesh;
  std::string error;
  EXPECT_FALSE(Parse(text, mesh, error));
  EXPECT_TRUE(mesh.positions.empty() && mesh.indices.empty() && mesh.materials.empty());
  return error;
}

void ExpectVec(const std::vector<float>& values, size_t index, size_t width,
               std::vector<float> expected) {
  ASSERT_LE((index + 1) * width, values.size());
  for (size_t c = 0; c < width; ++c) {
    EXPECT_NEAR(values[index * width + c], expected[c], 1e-5f)
        << "element " << index << " component " << c;
  }
}

// One triangle in the z = 0 plane, with whatever children follow its faces.
std::string Triangle(const std::string& children) {
  return "Mesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n" + children + "}\n";
}

TEST(XFileCube, CountsAndSplitVertices) {
  XMesh mesh = MustParse(kCubeFile);
  // 8 corners, each on three sides with three normals: 24 vertices; 6 quads make 12 triangles.
  EXPECT_EQ(mesh.VertexCount(), 24u);
  EXPECT_EQ(mesh.TriangleCount(), 12u);
  EXPECT_EQ(mesh.normals.size(), 24u * 3);
  EXPECT_EQ(mesh.texcoords.size(), 24u * 2);
  EXPECT_EQ(mesh.attributes.size(), 12u);
}

TEST(XFileCube, PositionsArePlacedInnermostFrameFirst) {
  XMesh mesh = MustParse(kCubeFile);
  ASSERT_EQ(mesh.VertexCount(), 24u);
  // The file's vertex behind each output vertex: the 8 in order, then the copies for the
  // second and third sides, in the order faces first reach them.
  const int source[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 5, 4, 3, 7, 6, 2, 0, 4, 7, 3, 1, 2, 6, 5};
  const float corner[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                              {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int v = 0; v < 24; ++v) {
    const float* p = corner[source[v]];
    // (p + (1, 0, 0)) * 2 + (10, 20, 30)
    ExpectVec(mesh.positions, v, 3, {12 + 2 * p[0], 20 + 2 * p[1], 30 + 2 * p[2]});
    ExpectVec(mesh.texcoords, v, 2, {p[0], p[1]});
  }
  ExpectVec(mesh.positions, 0, 3, {12, 20, 30});
  ExpectVec(mesh.positions, 6, 3, {14, 22, 32});
  ExpectVec(mesh.positions, 23, 3, {14, 20, 32});
}

TEST(XFileCube, NormalsFollowTheirSide) {
  XMesh mesh = MustParse(kCubeFile);
  ASSERT_EQ(mesh.VertexCount(), 24u);
  const std::vector<float> side[6] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                      {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
  for (int v = 0; v < 24; ++v) {
    // Vertices come four per side, sides in face order.
    ExpectVec(mesh.normals, v, 3, side[v / 4]);
  }
}

TEST(XFileCube, TrianglesAreFannedAndSortedByMaterial) {
  XMesh mesh = MustParse(kCubeFile);
  // Faces 1, 3, 5 use material 0 (Red), faces 0, 2, 4 material 1 (Blue).
  const std::vector<uint32_t> indices = {4,  5,  6,  4,  6,  7,  12, 13, 14, 12, 14, 15,
                                         20, 21, 22, 20, 22, 23, 0,  3,  2,  0,  2,  1,
                                         8,  9,  10, 8,  10, 11, 16, 17, 18, 16, 18, 19};
  EXPECT_EQ(mesh.indices, indices);
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1}));
}

TEST(XFileCube, MaterialsByReferenceAndInline) {
  XMesh mesh = MustParse(kCubeFile);
  ASSERT_EQ(mesh.materials.size(), 2u);
  const XMaterial& red = mesh.materials[0];
  EXPECT_EQ(std::vector<float>(red.diffuse, red.diffuse + 4), (std::vector<float>{1, 0, 0, 1}));
  EXPECT_EQ(red.power, 10.0f);
  EXPECT_EQ(std::vector<float>(red.specular, red.specular + 3),
            (std::vector<float>{0.5f, 0.5f, 0.5f}));
  EXPECT_EQ(red.textureFile, "");
  const XMaterial& blue = mesh.materials[1];
  EXPECT_EQ(std::vector<float>(blue.diffuse, blue.diffuse + 4),
            (std::vector<float>{0, 0, 1, 0.5f}));
  EXPECT_EQ(blue.power, 2.0f);
  EXPECT_EQ(std::vector<float>(blue.emissive, blue.emissive + 3),
            (std::vector<float>{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(blue.textureFile, "wood.png");
}

TEST(XFileMesh, BareQuadGetsTheDefaultMaterial) {
  XMesh mesh =
      MustParse(XText("Mesh {\n 4;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 1;\n 4;0,1,2,3;;\n}\n"));
  EXPECT_EQ(mesh.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0}));
  EXPECT_TRUE(mesh.normals.empty());
  EXPECT_TRUE(mesh.texcoords.empty());
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_EQ(std::vector<float>(mesh.materials[0].diffuse, mesh.materials[0].diffuse + 4),
            (std::vector<float>{0.5f, 0.5f, 0.5f, 1}));
}

TEST(XFileMesh, PolygonsAreFannedFromTheirFirstCorner) {
  XMesh mesh = MustParse(
      XText("Mesh {\n 5;\n 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;;\n 1;\n 5;0,1,2,3,4;;\n}\n"));
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
}

TEST(XFileMesh, EqualNormalsUnderDifferentIndicesDoNotSplit) {
  // Normals written once per corner: three indices, one vector.
  XMesh mesh = MustParse(
      XText(Triangle("MeshNormals {\n 3;\n 0;0;-1;, 0;0;-1;, 0;0;-1;;\n 1;\n 3;0,1,2;;\n}\n")));
  EXPECT_EQ(mesh.VertexCount(), 3u);
  EXPECT_EQ(mesh.normals, (std::vector<float>{0, 0, -1, 0, 0, -1, 0, 0, -1}));
}

TEST(XFileMesh, NormalsUseTheInverseTransposeOfTheFrame) {
  auto placed = [](const std::string& matrix, const std::string& normal) {
    return MustParse(XText("Frame {\n FrameTransformMatrix {\n" + matrix + ";;\n }\n" +
                           Triangle("MeshNormals {\n 1;\n " + normal + ";;\n 1;\n 3;0,0,0;;\n}\n") +
                           "}\n"));
  };
  // Stretching x by 2 tilts a 45-degree normal towards y: (1, 1, 0) * diag(1/2, 1, 1).
  XMesh stretched = placed("2,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1", "1;1;0");
  const float k = 1.0f / std::sqrt(5.0f);
  ExpectVec(stretched.normals, 0, 3, {k, 2 * k, 0});
  ExpectVec(stretched.positions, 1, 3, {2, 0, 0});
  // A quarter turn about z takes x to y, points and normals alike.
  XMesh turned = placed("0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1", "1;0;0");
  ExpectVec(turned.normals, 0, 3, {0, 1, 0});
  ExpectVec(turned.positions, 1, 3, {0, 1, 0});
  // A mirror flips the normal with the surface.
  XMesh mirrored = placed("-1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1", "1;0;0");
  ExpectVec(mirrored.normals, 0, 3, {-1, 0, 0});
  // A file's unnormalised normal comes out unit length.
  XMesh scaled = placed("1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1", "0;0;-4");
  ExpectVec(scaled.normals, 0, 3, {0, 0, -1});
}

TEST(XFileMesh, DeepFrameChainsCompose) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "Frame { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,1,0,0,1;; }\n";
  text += Triangle("");
  for (int i = 0; i < 100; ++i) text += "}\n";
  XMesh mesh = MustParse(XText(text));
  ExpectVec(mesh.positions, 0, 3, {100, 0, 0});
  ExpectVec(mesh.positions, 2, 3, {100, 1, 0});
}

TEST(XFileMesh, MeshesMergeWithOffsetMaterials) {
  const std::string material = "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n";
  std::string text =
      // A: one triangle with a normal and one material.
      Triangle(
          "MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }\n"
          "MeshMaterialList { 1; 1; 0;; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; } }\n") +
      // B: a quad of two triangles, faces on materials 1 and 0 of its own two.
      "Mesh {\n 4;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 2;\n 3;0,1,2;, 3;0,2,3;;\n"
      " MeshMaterialList { 2; 2; 1,0;; Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; }\n" +
      material + " }\n}\n" +
      // C: no normals, no materials.
      Triangle("");
  XMesh mesh = MustParse(XText(text));
  EXPECT_EQ(mesh.VertexCount(), 10u);
  ASSERT_EQ(mesh.materials.size(), 3u);
  EXPECT_EQ(mesh.materials[0].diffuse[0], 1.0f);
  EXPECT_EQ(mesh.materials[1].diffuse[1], 1.0f);
  EXPECT_EQ(mesh.materials[2].diffuse[2], 1.0f);
  // A (attribute 0), C (attribute 0), B's second face (0 + 1), B's first face (1 + 1).
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 7, 8, 9, 3, 5, 6, 3, 4, 5}));
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0, 1, 2}));
  // Only A has normals: the others get zeros.
  ASSERT_EQ(mesh.normals.size(), 30u);
  ExpectVec(mesh.normals, 0, 3, {0, 0, -1});
  ExpectVec(mesh.normals, 3, 3, {0, 0, 0});
  ExpectVec(mesh.normals, 9, 3, {0, 0, 0});
  EXPECT_TRUE(mesh.texcoords.empty());
}

TEST(XFileMesh, ShortMaterialListRepeatsItsLastIndex) {
  std::string text =
      "Mesh {\n 4;\n 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n 3;\n 3;0,1,2;, 3;0,2,3;, 3;0,1,3;;\n"
      " MeshMaterialList { 2; 2; 1, 0; Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }"
      " Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n";
  XMesh mesh = MustParse(XText(text));
  EXPECT_EQ(mesh.attributes, (std::vector<uint32_t>{0, 0, 1}));
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 2, 3, 0, 1, 3, 0, 1, 2}));
}

TEST(XFileSyntax, ToleratesTheUsualVariations) {
  std::string text =
      "xof 0302txt 0064\n"
      "Material Shared { <11111111-2222-3333-4444-555555555555> 1;1;0;1;; 3; 0;0;0;; 0;0;0;; }\n"
      "Unknown { \"a } string\"; Nested { 1; 2; { Shared } } "
      "<AAAAAAAA-0000-0000-0000-000000000000> }\n"
      "Mesh Named { <01234567-89AB-CDEF-0123-456789ABCDEF>\n"
      "  3 # whitespace alone separates values\n"
      "  0 0 1e-999, 1 0 0 ; 0 1 0 ;;; // runs of separators, an underflow\n"
      "  1; 3; 0, 1, 2;,\n"
      "  MeshMaterialList { 1; 1; 0;; { <11111111-2222-3333-4444-555555555555> } }\n"
      "  AnimationKey { 0; 1; 0; 3; 1.5e+1, -2.5E-1, .5;;; }\n"
      "}\n";
  XMesh mesh = MustParse(text);
  EXPECT_EQ(mesh.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  ASSERT_EQ(mesh.materials.size(), 1u);
  EXPECT_EQ(mesh.materials[0].power, 3.0f);
}

TEST(XFileSyntax, ErrorsNameTheLine) {
  std::string text = XText(
      "Mesh {\n"
      " 8;\n"
      " 0;0;0;,\n 1;0;0;,\n 1;1;0;,\n 0;1;0;,\n 0;0;1;,\n 1;0;1;,\n 1;1;1;,\n 0;1;1;;\n"
      " 1; 4;0,1,2,9;;\n"
      "}\n");
  EXPECT_EQ(ParseError(text), "line 12: face index 9 out of range (8 vertices)");
}

TEST(XFileErrors, HeadersOtherThanText) {
  EXPECT_NE(ParseError("xof 0303bin 0032\x01\x02\x03").find("binary"), std::string::npos);
  EXPECT_NE(ParseError("xof 0303tzip0032junk").find("compressed"), std::string::npos);
  EXPECT_NE(ParseError("xof 0303bzip0032junk").find("compressed"), std::string::npos);
  EXPECT_NE(ParseError("xof 0301txt 0032\n").find("version"), std::string::npos);
  EXPECT_NE(ParseError("xof 0303txt 0016\n").find("float size"), std::string::npos);
  EXPECT_NE(ParseError("hello world, not a mesh").find("not an X file"), std::string::npos);
  EXPECT_NE(ParseError("xof 03").find("truncated"), std::string::npos);
  EXPECT_EQ(ParseError(""), "not an X file (no \"xof \" header)");
}

TEST(XFileErrors, EveryTruncationOfTheCubeFails) {
  const std::string full = kCubeFile;
  const size_t lastBrace = full.rfind('}');
  for (size_t length = 0; length <= lastBrace; ++length) {
    XMesh mesh;
    std::string error;
    std::vector<char> copy(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(ParseXFile(copy.data(), copy.size(), mesh, error)) << "length " << length;
    EXPECT_FALSE(error.empty()) << "length " << length;
  }
}

TEST(XFileErrors, CountsLargerThanTheFileAreRefused) {
  EXPECT_EQ(ParseError(XText("Mesh {\n 2147483648;\n 0;0;0;;\n 0;\n}\n")),
            "line 3: 2147483648 vertices do not fit in the rest of the file");
  std::string manyFaces = Triangle("");
  manyFaces.replace(manyFaces.find(" 1;\n 3;"), 3, " 2147483648;");
  EXPECT_EQ(ParseError(XText(manyFaces)),
            "line 5: 2147483648 faces do not fit in the rest of the file");
  EXPECT_EQ(ParseError(XText(Triangle("MeshNormals { 4294967295; 0;0;1;; 1; 3;0,0,0;; }\n"))),
            "line 7: 4294967295 normals do not fit in the rest of the file");
  EXPECT_EQ(ParseError(XText("Mesh {\n 99999999999;\n}\n")),
            "line 3: a vertex count '99999999999' is too large");
  EXPECT_EQ(
      ParseError(XText("Mesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 4000000000;0,1,2;;\n}\n")),
      "line 6: 4000000000 face indices do not fit in the rest of the file");
}

TEST(XFileErrors, MalformedMeshes) {
  EXPECT_EQ(ParseError(XText("Mesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 2;0,1;;\n}\n")),
            "line 6: face 0 has 2 vertices (at least 3 needed)");
  EXPECT_EQ(ParseError(XText("Mesh {\n 3.5;\n}\n")),
            "line 3: expected a vertex count, found '3.5'");
  EXPECT_EQ(ParseError(XText("Mesh {\n -3;\n}\n")), "line 3: expected a vertex count, found '-3'");
  EXPECT_EQ(ParseError(XText("Mesh {\n 1;\n 0;1e999;0;;\n 0;\n}\n")),
            "line 4: number '1e999' is out of range");
  EXPECT_EQ(ParseError(XText("Mesh {\n 1;\n 0;-1e999;0;;\n 0;\n}\n")),
            "line 4: number '-1e999' is out of range");
  EXPECT_EQ(ParseError(XText(Triangle("MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;; 3;0,0,0;; }\n"))),
            "line 7: MeshNormals has 2 faces, the mesh has 1");
  EXPECT_EQ(ParseError(XText(Triangle("MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; }\n"))),
            "line 7: normal face 0 has 4 indices, the mesh face has 3");
  EXPECT_EQ(ParseError(XText(Triangle("MeshNormals { 1; 0;0;1;; 1; 3;0,1,0;; }\n"))),
            "line 7: normal index 1 out of range (1 normals)");
  EXPECT_EQ(ParseError(XText(Triangle("MeshTextureCoords { 2; 0;0;, 1;1;; }\n"))),
            "line 7: MeshTextureCoords has 2 coordinates, the mesh has 3 vertices");
  EXPECT_EQ(ParseError(XText(Triangle("MeshMaterialList { 1; 1; 1;; { Red } }\n"))),
            "line 7: material index 1 out of range (1 materials)");
  EXPECT_EQ(ParseError(XText(Triangle("MeshMaterialList { 2; 1; 1;; { Red } }\n"))),
            "line 7: material list names 2 materials but holds 1");
  EXPECT_EQ(ParseError(XText(Triangle("MeshMaterialList {\n 1; 1; 0;;\n { Missing }\n}\n"))),
            "line 9: material 'Missing' not found");
  EXPECT_EQ(ParseError(XText(Triangle("7;\n"))), "line 7: unexpected '7' in Mesh");
  EXPECT_EQ(ParseError(XText("Frame {\n}\n")), "the file holds no Mesh");
  EXPECT_EQ(ParseError(XText("Mesh { 0; 0; }\n")), "the file's meshes have no faces");
}

TEST(XFileErrors, UnbalancedBracesAndBadTokens) {
  EXPECT_EQ(ParseError(XText("Frame {\n" + Triangle(""))),
            "line 9: end of file inside Frame (opened on line 2)");
  EXPECT_EQ(ParseError(XText(Triangle("") + "}\n")), "line 8: unexpected '}' at top level");
  EXPECT_EQ(ParseError(XText("Unknown {\n { \n")),
            "line 4: end of file inside Unknown (opened on line 2)");
  EXPECT_EQ(ParseError(XText("Mesh Cube\n 3;\n")), "line 3: expected '{' after Mesh, found '3'");
  EXPECT_EQ(ParseError(XText("Unknown {\n \"never closed;\n}\n")), "line 3: unterminated string");
  EXPECT_EQ(ParseError(XText("Unknown {\n <0000-\n")), "line 3: unterminated GUID");
  EXPECT_EQ(ParseError(XText("Unknown { @ }\n")), "line 2: unexpected character '@'");
  EXPECT_EQ(ParseError(XText("template {\n}\n")), "line 2: expected a template name, found '{'");
}

TEST(XFileErrors, NestingIsCapped) {
  std::string frames;
  for (int i = 0; i < 200; ++i) frames += "Frame {\n";
  EXPECT_NE(ParseError(XText(frames)).find("nested more than 128 deep"), std::string::npos);
  std::string unknown;
  for (int i = 0; i < 200; ++i) unknown += "Unknown {\n";
  EXPECT_NE(ParseError(XText(unknown)).find("nested more than 128 deep"), std::string::npos);
}

// Every byte of the cube replaced by a few troublesome characters: each result either fails with
// a message or is a consistent mesh.
TEST(XFileErrors, CorruptedBytesFailCleanly) {
  const std::string full = kCubeFile;
  const char replacements[] = {'{', '}', ';', '9', '-', '"', 'x', '\0'};
  size_t failures = 0;
  for (size_t i = 16; i < full.size(); ++i) {
    for (char c : replacements) {
      std::string text = full;
      text[i] = c;
      XMesh mesh;
      std::string error;
      if (!ParseXFile(text.data(), text.size(), mesh, error)) {
        ++failures;
        EXPECT_FALSE(error.empty());
        continue;
      }
      EXPECT_EQ(mesh.indices.size(), mesh.attributes.size() * 3);
      for (uint32_t index : mesh.indices) EXPECT_LT(index, mesh.VertexCount());
      for (uint32_t attribute : mesh.attributes) EXPECT_LT(attribute, mesh.materials.size());
    }
  }
  EXPECT_GT(failures, 0u);
}

class XFileLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "xfile_test_" + std::to_string(::getpid()) + ".x";
  }
  void TearDown() override { ::unlink(path_.c_str()); }

  void Write(const std::string& contents) {
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, contents.data(), contents.size()), static_cast<ssize_t>(contents.size()));
    ::close(fd);
  }

  std::string path_;
};

TEST_F(XFileLoad, ReadsAFile) {
  Write(kCubeFile);
  XMesh mesh;
  std::string error;
  ASSERT_TRUE(LoadXFile(path_.c_str(), mesh, error)) << error;
  EXPECT_EQ(mesh.VertexCount(), 24u);
}

TEST_F(XFileLoad, ErrorsNameThePath) {
  Write(XText("Mesh {\n 3.5;\n}\n"));
  XMesh mesh;
  std::string error;
  EXPECT_FALSE(LoadXFile(path_.c_str(), mesh, error));
  EXPECT_EQ(error, path_ + ": line 3: expected a vertex count, found '3.5'");
  std::string missing = path_ + ".missing";
  EXPECT_FALSE(LoadXFile(missing.c_str(), mesh, error));
  EXPECT_EQ(error.rfind(missing + ": cannot open", 0), 0u) << error;
  EXPECT_FALSE(LoadXFile(::testing::TempDir().c_str(), mesh, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

TEST_F(XFileLoad, OversizedFilesAreRefusedUnread) {
  Write(kCubeFile);
  ASSERT_EQ(::truncate(path_.c_str(), static_cast<off_t>(kMaxXFileBytes) + 1), 0);
  XMesh mesh;
  std::string error;
  EXPECT_FALSE(LoadXFile(path_.c_str(), mesh, error));
  EXPECT_NE(error.find("larger than 64 MiB"), std::string::npos) << error;
}

}  // namespace
}  // namespace ember
