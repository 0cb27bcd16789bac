#include "bench/reference/gl_program.h"

namespace ember::reference {

namespace {

GLuint CompileShader(GLenum stage, const char* source, std::string& error) {
  GLuint shader = glCreateShader(stage);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char log[2048] = "";
  glGetShaderInfoLog(shader, sizeof log, nullptr, log);
  error = std::string(stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
          " shader refused by the GL driver: " + log;
  glDeleteShader(shader);
  return 0;
}

}  // namespace

GLuint BuildProgram(const char* vertexSource, const char* fragmentSource,
                    const AttributeLocation* attributes, int attributeCount, std::string& error) {
  GLuint vertex = CompileShader(GL_VERTEX_SHADER, vertexSource, error);
  if (!vertex) return 0;
  GLuint fragment = CompileShader(GL_FRAGMENT_SHADER, fragmentSource, error);
  if (!fragment) {
    glDeleteShader(vertex);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  for (int i = 0; i < attributeCount; ++i)
    glBindAttribLocation(program, attributes[i].location, attributes[i].name);
  glLinkProgram(program);
  glDetachShader(program, vertex);
  glDetachShader(program, fragment);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked) return program;
  char log[2048] = "";
  glGetProgramInfoLog(program, sizeof log, nullptr, log);
  error = std::string("the GL driver refused to link the program: ") + log;
  glDeleteProgram(program);
  return 0;
}

}  // namespace ember::reference
