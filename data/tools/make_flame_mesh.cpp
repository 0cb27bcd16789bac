// Writes the flame mesh: a stack of slices through the flame's volume, facing the camera along
// z. The effect shades each slice from the 3D noise, so together they read as a volume. Each
// slice is cut to the flame's reach where it crosses the slice, a band per height step, so
// no fragment is drawn where the fire cannot show.
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "data/tools/flame_shape.h"

namespace {

const int kSlices = 16;
const int kLevels = 14;
const float kNear = -6.0f, kFar = 6.0f;
// Straight edges between the levels cut a little into the curved reach; this covers it.
const float kEdgeMargin = 1.06f;

struct Point {
  float x, y, z;
};

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

// The outline of slice z: a left and a right point per level, from the base up.
std::vector<Point> SliceOutline(float z) {
  using namespace ember::flame;
  std::vector<Point> points;
  float across = z / kUnitsPerRadiusZ;
  for (int level = 0; level < kLevels; ++level) {
    float up = float(level) / float(kLevels - 1);
    float reach = Reach(up) * kEdgeMargin;
    float half = std::sqrt(std::fmax(reach * reach - across * across, 0.0f)) * kUnitsPerRadiusX;
    float y = kBaseY + (kTipY - kBaseY) * up;
    points.push_back({-half, y, z});
    points.push_back({half, y, z});
  }
  return points;
}

void WriteList(FILE* out, const char* indent, int count, const std::function<void(int)>& item) {
  for (int i = 0; i < count; ++i) {
    std::fputs(indent, out);
    item(i);
    std::fputs(i + 1 == count ? ";\n" : ",\n", out);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s flames.x\n", argv[0]);
    return 2;
  }
  std::vector<Point> points;
  for (int i = 0; i < kSlices; ++i) {
    std::vector<Point> outline = SliceOutline(SliceZ(i));
    points.insert(points.end(), outline.begin(), outline.end());
  }
  const int perSlice = 2 * kLevels;
  const int vertices = int(points.size());
  const int faces = kSlices * (kLevels - 1);

  FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fputs(kHeader, out);
  std::fputs("Frame FlameRoot {\n  FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n",
             out);
  std::fprintf(out, "  Mesh FlameSlices {\n    %d;\n", vertices);
  WriteList(out, "    ", vertices, [&](int i) {
    std::fprintf(out, "%.4f;%.4f;%.4f;", points[i].x, points[i].y, points[i].z);
  });
  // Each band between two levels, clockwise seen from the camera at +z, as Direct3D's front
  // faces are: upper left, upper right, lower right, lower left.
  std::fprintf(out, "    %d;\n", faces);
  WriteList(out, "    ", faces, [&](int f) {
    int b = (f / (kLevels - 1)) * perSlice + (f % (kLevels - 1)) * 2;
    std::fprintf(out, "4;%d,%d,%d,%d;", b + 2, b + 3, b + 1, b);
  });
  std::fprintf(out, "    MeshNormals {\n      1;\n      0.0;0.0;1.0;;\n      %d;\n", faces);
  WriteList(out, "      ", faces, [&](int) { std::fputs("4;0,0,0,0;", out); });
  // u across the slice, v down the flame, as on the flame image.
  std::fprintf(out, "    }\n    MeshTextureCoords {\n      %d;\n", vertices);
  WriteList(out, "      ", vertices, [&](int i) {
    float v = (ember::flame::kTipY - points[i].y) / (ember::flame::kTipY - ember::flame::kBaseY);
    std::fprintf(out, "%.1f;%.4f;", i % 2 == 0 ? 0.0f : 1.0f, v);
  });
  std::fputs("    }\n  }\n}\n", out);
  if (std::fclose(out) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
