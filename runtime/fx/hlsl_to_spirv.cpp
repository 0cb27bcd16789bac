// glslang's headers lay their types out differently with HLSL support; the
// library is built with it, so the definition must come before them.
#ifndef ENABLE_HLSL
#define ENABLE_HLSL 1
#endif

#include "runtime/fx/hlsl_to_spirv.h"

#include <climits>

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv-tools/libspirv.hpp>

namespace ember {
namespace {

// glslang wants one InitializeProcess per process before any compile.
struct GlslangProcess {
  GlslangProcess() { glslang::InitializeProcess(); }
  ~GlslangProcess() { glslang::FinalizeProcess(); }
};

}  // namespace

void PrepareGlslang() { static GlslangProcess process; }

const char* const kFxSourceName = "fx_source";

bool CompileHlslToSpirv(const std::string& hlsl, bool vertex, const std::string& entry,
                        std::vector<uint32_t>& spirv, std::string& log) {
  spirv.clear();
  log.clear();
  if (hlsl.size() > INT_MAX) {
    log = "ERROR: effect source too large";
    return false;
  }
  PrepareGlslang();
  EShLanguage stage = vertex ? EShLangVertex : EShLangFragment;
  glslang::TShader shader(stage);
  const char* text = hlsl.c_str();
  int length = static_cast<int>(hlsl.size());
  const char* name = kFxSourceName;
  shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
  shader.setEntryPoint(entry.c_str());
  shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, 100);
  shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
  shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
  // Puts each input and output's HLSL semantic on it as a decoration, which
  // is how vertex attributes and varyings are matched later.
  shader.setEnvTargetHlslFunctionality1();
  // DX9-compatible mode reads sampler2D and tex2D as Direct3D 9 does: one
  // combined texture-and-sampler object.
  EShMessages messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules |
                                                  EShMsgReadHlsl | EShMsgHlslDX9Compatible);
  if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
    log = shader.getInfoLog();
    return false;
  }
  glslang::TProgram program;
  program.addShader(&shader);
  if (!program.link(messages)) {
    log = std::string(shader.getInfoLog()) + program.getInfoLog();
    return false;
  }
  // For HLSL glslang only warns about a missing entry point, and then
  // generates an empty main().
  if (std::string(program.getInfoLog()).find("Entry point not found") != std::string::npos) {
    log = "ERROR: entry point '" + entry + "' not found";
    return false;
  }
  glslang::SpvOptions options;
  // HLSL needs SPIRV-Tools' legalization passes (samplers passed to
  // functions, for one), which run only with the optimizer on.
  options.disableOptimizer = false;
  spv::SpvBuildLogger logger;
  glslang::GlslangToSpv(*program.getIntermediate(stage), spirv, &logger, &options);
  if (spirv.empty()) {
    log = "ERROR: SPIR-V generation failed: " + logger.getAllMessages();
    return false;
  }
  // SPIRV-Cross trusts its input: what glslang got wrong stops here, with the validator's word.
  spvtools::SpirvTools validator(SPV_ENV_VULKAN_1_0);
  std::string problems;
  validator.SetMessageConsumer(
      [&problems](spv_message_level_t, const char*, const spv_position_t&, const char* message) {
        if (problems.empty()) problems = message;
      });
  if (!validator.Validate(spirv)) {
    log = "ERROR: the compiler produced invalid SPIR-V: " + problems;
    spirv.clear();
    return false;
  }
  return true;
}

}  // namespace ember
