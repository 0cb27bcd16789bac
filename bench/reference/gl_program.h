// Compiling and linking a GLSL program, with attribute locations bound before the link.
#pragma once

#include <string>

#include "bench/reference/gl.h"

namespace ember::reference {

struct AttributeLocation {
  GLuint location;
  const char* name;
};

// The linked program, or 0 with `error` holding the driver's log.
GLuint BuildProgram(const char* vertexSource, const char* fragmentSource,
                    const AttributeLocation* attributes, int attributeCount, std::string& error);

}  // namespace ember::reference
