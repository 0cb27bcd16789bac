// HLSL to SPIR-V for one shader stage, through glslang's HLSL front end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ember {

// The source name glslang's messages carry: "ERROR: fx_source:12: ...".
extern const char* const kFxSourceName;

// glslang's once-per-process set-up; done before forking, children compile at once.
void PrepareGlslang();

// Compiles `hlsl` with `entry` as the entry point. On failure returns false
// with glslang's info log, unformatted, in `log`.
bool CompileHlslToSpirv(const std::string& hlsl, bool vertex, const std::string& entry,
                        std::vector<uint32_t>& spirv, std::string& log);

}  // namespace ember
