// Writes the flame mesh: a stack of quads through the flame's volume, facing the camera along
// z. The effect shades each slice from the 3D noise, so together they read as a volume.
#include <cstdio>

namespace {

const int kSlices = 48;
const float kLeft = -6.0f, kRight = 6.0f;
const float kBottom = -4.5f, kTop = 15.0f;
const float kNear = -5.0f, kFar = 5.0f;

const char kHeader[] =
    "xof 0303txt 0032\n"
    "template Vector { <3D82AB5E-62DA-11cf-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }\n"
    "template MeshFace { <3D82AB5F-62DA-11cf-AB39-0020AF71E433> DWORD nFaceVertexIndices; "
    "array DWORD faceVertexIndices[nFaceVertexIndices]; }\n"
    "template Coords2d { <F6F23F44-7686-11cf-8F52-0040333594A3> FLOAT u; FLOAT v; }\n"
    "template Matrix4x4 { <F6F23F45-7686-11cf-8F52-0040333594A3> array FLOAT matrix[16]; }\n"
    "template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; "
    "array Vector vertices[nVertices]; DWORD nFaces; array MeshFace faces[nFaces]; [...] }\n"
    "template MeshNormals { <F6F23F43-7686-11cf-8F52-0040333594A3> DWORD nNormals; "
    "array Vector normals[nNormals]; DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; "
    "}\n"
    "template MeshTextureCoords { <F6F23F40-7686-11cf-8F52-0040333594A3> DWORD nTextureCoords; "
    "array Coords2d textureCoords[nTextureCoords]; }\n"
    "template FrameTransformMatrix { <F6F23F41-7686-11cf-8F52-0040333594A3> Matrix4x4 frameMatrix; "
    "}\n"
    "template Frame { <3D82AB46-62DA-11cf-AB39-0020AF71E433> [...] }\n\n";

float SliceZ(int i) { return kNear + (kFar - kNear) * (float(i) + 0.5f) / float(kSlices); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s flames.x\n", argv[0]);
    return 2;
  }
  FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fputs(kHeader, out);
  std::fputs("Frame FlameRoot {\n  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n",
             out);
  std::fprintf(out, "  Mesh FlameSlices {\n    %d;\n", kSlices * 4);
  for (int i = 0; i < kSlices; ++i) {
    float z = SliceZ(i);
    // Clockwise seen from the camera at +z, as Direct3D's front faces are.
    std::fprintf(out, "    %.4f;%.4f;%.4f;,\n    %.4f;%.4f;%.4f;,\n", kLeft, kTop, z, kRight, kTop,
                 z);
    std::fprintf(out, "    %.4f;%.4f;%.4f;,\n    %.4f;%.4f;%.4f;%s\n", kRight, kBottom, z, kLeft,
                 kBottom, z, i + 1 == kSlices ? ";" : ",");
  }
  std::fprintf(out, "    %d;\n", kSlices);
  for (int i = 0; i < kSlices; ++i) {
    int b = i * 4;
    std::fprintf(out, "    4;%d,%d,%d,%d;%s\n", b, b + 1, b + 2, b + 3,
                 i + 1 == kSlices ? ";" : ",");
  }
  std::fprintf(out, "    MeshNormals {\n      1;\n      0.0;0.0;1.0;;\n      %d;\n", kSlices);
  for (int i = 0; i < kSlices; ++i)
    std::fprintf(out, "      4;0,0,0,0;%s\n", i + 1 == kSlices ? ";" : ",");
  std::fprintf(out, "    }\n    MeshTextureCoords {\n      %d;\n", kSlices * 4);
  for (int i = 0; i < kSlices; ++i)
    std::fprintf(out, "      0.0;0.0;,\n      1.0;0.0;,\n      1.0;1.0;,\n      0.0;1.0;%s\n",
                 i + 1 == kSlices ? ";" : ",");
  std::fputs("    }\n  }\n}\n", out);
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
