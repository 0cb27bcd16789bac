// The one header through which the program reaches the graphics runtime and the extension
// library.
#pragma once

#include "runtime/d3d9/d3d9.h"
#include "runtime/d3dx9/d3dx9anim.h"
#include "runtime/d3dx9/d3dx9effect.h"
#include "runtime/d3dx9/d3dx9font.h"
#include "runtime/d3dx9/d3dx9math.h"
#include "runtime/d3dx9/d3dx9mesh.h"
#include "runtime/d3dx9/d3dx9sprite.h"
#include "runtime/d3dx9/d3dx9tex.h"
