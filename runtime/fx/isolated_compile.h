// glslang's HLSL front end and optimizer crash on some shaders, valid and malformed alike. No
// option of ours can promise they are all gone, so each stage compiles in a child process: a
// crash or a hang there becomes a message, never the end of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ember {

enum class IsolatedCompile {
  Compiled,        // `spirv` holds the stage
  Refused,         // the shader has errors: glslang's info log is in `log`
  CompilerFailed,  // the compiler crashed, hung or could not run: `log` says how
};

// As CompileHlslToSpirv, in a forked child that gets `timeLimitMs` to answer.
IsolatedCompile CompileHlslToSpirvIsolated(const std::string& hlsl, bool vertex,
                                           const std::string& entry, std::vector<uint32_t>& spirv,
                                           std::string& log, int timeLimitMs = 20000);

}  // namespace ember
