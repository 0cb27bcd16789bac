// OpenGL 3.3 core entry points, linked through the system's GL dispatch library.
#pragma once

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
