#include "runtime/fx/spirv_to_glsl.h"

#include <algorithm>
#include <cctype>

#include <spirv_cross/spirv_cross_c.h>

#include "runtime/fx/parser.h"
#include "runtime/fx/states.h"

namespace ember {
namespace {

// More than a pass can use (16): this only keeps a huge array from taking huge lists.
constexpr size_t kMaxSamplerBindings = 64;

class CrossContext {
 public:
  CrossContext() {
    if (spvc_context_create(&context_) != SPVC_SUCCESS) context_ = nullptr;
  }
  ~CrossContext() {
    if (context_) spvc_context_destroy(context_);
  }
  CrossContext(const CrossContext&) = delete;
  CrossContext& operator=(const CrossContext&) = delete;

  spvc_context get() const { return context_; }
  std::string LastError() const {
    const char* text = context_ ? spvc_context_get_last_error_string(context_) : nullptr;
    return text && *text ? text : "SPIRV-Cross failed";
  }

 private:
  spvc_context context_ = nullptr;
};

std::vector<spvc_reflected_resource> ResourceList(spvc_resources resources,
                                                  spvc_resource_type type) {
  const spvc_reflected_resource* list = nullptr;
  size_t count = 0;
  if (spvc_resources_get_resource_list_for_type(resources, type, &list, &count) != SPVC_SUCCESS ||
      !list)
    return {};
  return std::vector<spvc_reflected_resource>(list, list + count);
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// "COLOR3" -> 3 after `prefix`; false when what follows is not a number.
bool TrailingIndex(const std::string& semantic, const char* prefix, uint32_t& index) {
  if (!StartsWith(semantic, prefix)) return false;
  std::string digits = semantic.substr(std::char_traits<char>::length(prefix));
  if (digits.empty() || digits.size() > 2) return false;
  index = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    index = index * 10 + static_cast<uint32_t>(c - '0');
  }
  return true;
}

class StageTranslator {
 public:
  StageTranslator(spvc_compiler compiler, bool vertex, const FxEffect& effect, FxStageResult& out)
      : compiler_(compiler), vertex_(vertex), effect_(effect), out_(out) {}

  bool Run(std::string& error) {
    error_ = &error;
    spvc_resources resources = nullptr;
    if (spvc_compiler_create_shader_resources(compiler_, &resources) != SPVC_SUCCESS)
      return Fail("cannot reflect the shader's resources");
    for (spvc_resource_type type :
         {SPVC_RESOURCE_TYPE_STORAGE_BUFFER, SPVC_RESOURCE_TYPE_STORAGE_IMAGE,
          SPVC_RESOURCE_TYPE_PUSH_CONSTANT, SPVC_RESOURCE_TYPE_SUBPASS_INPUT}) {
      if (!ResourceList(resources, type).empty())
        return Fail("the shader uses buffers or images that Direct3D 9 effects do not have");
    }
    bool ok = (vertex_ ? VertexInputs(resources) && VertexOutputs(resources)
                       : FragmentInputs(resources) && FragmentOutputs(resources)) &&
              Uniforms(resources) && Samplers(resources);
    if (!ok) return false;
    if (!Emit() || !ReplaceRasterInputs()) return false;
    ReadFinalNames();
    return true;
  }

 private:
  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

  const char* Stage() const { return vertex_ ? "vertex shader" : "pixel shader"; }

  std::string NameOf(spvc_variable_id id) const {
    const char* name = spvc_compiler_get_name(compiler_, id);
    return name ? name : "";
  }

  std::string SemanticOf(spvc_variable_id id) const {
    const char* semantic =
        spvc_compiler_get_decoration_string(compiler_, id, SpvDecorationUserSemantic);
    return semantic ? semantic : "";
  }

  // Locations mean nothing to GLSL 330's varyings, and vertex attributes get
  // theirs from glBindAttribLocation, which an explicit location overrides.
  void Rename(spvc_variable_id id, const std::string& name) {
    spvc_compiler_unset_decoration(compiler_, id, SpvDecorationLocation);
    spvc_compiler_set_name(compiler_, id, name.c_str());
  }

  void MakeBuiltIn(spvc_variable_id id, SpvBuiltIn builtIn) {
    spvc_compiler_unset_decoration(compiler_, id, SpvDecorationLocation);
    spvc_compiler_set_decoration(compiler_, id, SpvDecorationBuiltIn, builtIn);
  }

  FxVarying VaryingOf(const spvc_reflected_resource& resource, const std::string& semantic) const {
    spvc_type type = spvc_compiler_get_type_handle(compiler_, resource.type_id);
    FxVarying varying;
    varying.semantic = semantic;
    varying.components = spvc_type_get_vector_size(type) * spvc_type_get_columns(type);
    if (spvc_type_get_num_array_dimensions(type) > 0)
      varying.arraySize = spvc_type_get_array_dimension(type, 0);
    return varying;
  }

  bool AddVarying(const spvc_reflected_resource& resource, const std::string& semantic) {
    for (const FxVarying& known : out_.varyings) {
      if (known.semantic == semantic)
        return Fail(std::string(Stage()) + " uses the semantic " + semantic + " twice");
    }
    out_.varyings.push_back(VaryingOf(resource, semantic));
    Rename(resource.id, VaryingName(semantic));
    return true;
  }

  bool VertexInputs(spvc_resources resources) {
    for (const spvc_reflected_resource& input :
         ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT)) {
      std::string semantic = SemanticOf(input.id);
      FxVertexInput attribute;
      if (!ParseDeclUsage(semantic, attribute.usage, attribute.usageIndex))
        return Fail("vertex shader input '" + NameOf(input.id) + "' has the semantic '" + semantic +
                    "', which is no vertex declaration usage");
      attribute.semantic = semantic;
      attribute.glslName = "ember_attr_" + NormalizeSemantic(semantic);
      for (const FxVertexInput& known : out_.inputs) {
        if (known.usage == attribute.usage && known.usageIndex == attribute.usageIndex)
          return Fail("vertex shader reads the semantic " + semantic + " twice");
      }
      Rename(input.id, attribute.glslName);
      out_.inputs.push_back(attribute);
      inputIds_.push_back(input.id);
    }
    return true;
  }

  bool VertexOutputs(spvc_resources resources) {
    bool hasPosition = false;
    for (const spvc_reflected_resource& output :
         ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT)) {
      std::string semantic = NormalizeSemantic(SemanticOf(output.id));
      // glslang's DX9 mode makes a POSITION output a built-in only when
      // it is an out parameter, not a member of a returned struct.
      if (semantic == "POSITION0" || semantic == "SV_POSITION0") {
        FxVarying varying = VaryingOf(output, semantic);
        if (varying.components != 4 || varying.arraySize != 0)
          return Fail("the vertex shader's POSITION output must be a float4");
        MakeBuiltIn(output.id, SpvBuiltInPosition);
        hasPosition = true;
      } else if (semantic == "PSIZE0") {
        MakeBuiltIn(output.id, SpvBuiltInPointSize);
      } else if (!AddVarying(output, semantic)) {
        return false;
      }
    }
    if (!hasPosition) hasPosition = HasBuiltInOutput(resources, SpvBuiltInPosition);
    if (!hasPosition) return Fail("the vertex shader writes no POSITION");
    return true;
  }

  bool HasBuiltInOutput(spvc_resources resources, SpvBuiltIn builtIn) const {
    const spvc_reflected_builtin_resource* list = nullptr;
    size_t count = 0;
    if (spvc_resources_get_builtin_resource_list_for_type(
            resources, SPVC_BUILTIN_RESOURCE_TYPE_STAGE_OUTPUT, &list, &count) != SPVC_SUCCESS)
      return false;
    for (size_t i = 0; i < count; ++i) {
      if (list[i].builtin == builtIn) return true;
    }
    return false;
  }

  bool FragmentInputs(spvc_resources resources) {
    for (const spvc_reflected_resource& input :
         ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT)) {
      std::string semantic = NormalizeSemantic(SemanticOf(input.id));
      if (semantic == "VPOS0" || semantic == "VFACE0") {
        if (!AddRasterInput(input, semantic == "VPOS0")) return false;
        continue;
      }
      if (StartsWith(semantic, "VPOS") || StartsWith(semantic, "VFACE") ||
          StartsWith(semantic, "SV_"))
        return Fail("the pixel shader input semantic " + SemanticOf(input.id) +
                    " is not supported");
      if (!AddVarying(input, semantic)) return false;
    }
    return true;
  }

  // VPOS and VFACE come from the rasterizer, not the vertex shader. The input's declaration
  // becomes a macro over GL's built-ins once the GLSL is written (ReplaceRasterInputs).
  bool AddRasterInput(const spvc_reflected_resource& input, bool position) {
    const FxVarying varying = VaryingOf(input, position ? "VPOS0" : "VFACE0");
    if (varying.arraySize != 0 || varying.components > 4 || (!position && varying.components != 1))
      return Fail(position ? "the pixel shader's VPOS input must be a float2"
                           : "the pixel shader's VFACE input must be a float");
    RasterInput raster;
    raster.name = position ? "ember_vpos" : "ember_vface";
    // Direct3D 9 puts pixel centres on whole numbers, GL on halves. The frame is drawn top row
    // first, so GL's y already counts rows from Direct3D's top. GL's front faces are Direct3D's
    // (see the cull mode conventions), and VFACE is negative on the back.
    static const char* const kPosition[] = {
        "(gl_FragCoord.x - 0.5)", "(gl_FragCoord.xy - vec2(0.5))",
        "vec3(gl_FragCoord.xy - vec2(0.5), 0.0)", "vec4(gl_FragCoord.xy - vec2(0.5), 0.0, 1.0)"};
    raster.value = position ? kPosition[varying.components - 1] : "(gl_FrontFacing ? 1.0 : -1.0)";
    for (const RasterInput& known : rasterInputs_)
      if (known.name == raster.name)
        return Fail(std::string("pixel shader reads ") + (position ? "VPOS" : "VFACE") + " twice");
    Rename(input.id, raster.name);
    rasterInputs_.push_back(raster);
    return true;
  }

  bool ReplaceRasterInputs() {
    for (const RasterInput& raster : rasterInputs_) {
      const size_t name = out_.glsl.find(" " + raster.name + ";\n");
      const size_t line = name == std::string::npos ? name : out_.glsl.rfind('\n', name) + 1;
      if (name == std::string::npos || out_.glsl.compare(line, 3, "in ") != 0)
        return Fail("cannot find the declaration of " + raster.name + " in the GLSL");
      const size_t end = out_.glsl.find('\n', name);
      out_.glsl.replace(line, end - line, "#define " + raster.name + " " + raster.value);
    }
    return true;
  }

  bool FragmentOutputs(spvc_resources resources) {
    for (const spvc_reflected_resource& output :
         ResourceList(resources, SPVC_RESOURCE_TYPE_STAGE_OUTPUT)) {
      std::string semantic = NormalizeSemantic(SemanticOf(output.id));
      uint32_t target = 0;
      if (TrailingIndex(semantic, "COLOR", target) ||
          TrailingIndex(semantic, "SV_TARGET", target)) {
        spvc_compiler_set_name(compiler_, output.id,
                               ("ember_target" + std::to_string(target)).c_str());
        spvc_compiler_set_decoration(compiler_, output.id, SpvDecorationLocation, target);
      } else if (semantic == "DEPTH0" || semantic == "SV_DEPTH0") {
        MakeBuiltIn(output.id, SpvBuiltInFragDepth);
      } else {
        return Fail("the pixel shader output semantic " + SemanticOf(output.id) +
                    " is not supported");
      }
    }
    return true;
  }

  bool Uniforms(spvc_resources resources) {
    std::vector<spvc_reflected_resource> blocks =
        ResourceList(resources, SPVC_RESOURCE_TYPE_UNIFORM_BUFFER);
    if (blocks.empty()) return true;
    // glslang gathers every global parameter into one block named $Global.
    if (blocks.size() > 1 || NameOf(blocks[0].base_type_id) != "$Global")
      return Fail("cbuffer blocks are not supported; declare parameters at global scope");
    const spvc_reflected_resource& block = blocks[0];
    blockTypeId_ = block.base_type_id;
    spvc_type blockType = spvc_compiler_get_type_handle(compiler_, blockTypeId_);
    size_t size = 0;
    if (spvc_compiler_get_declared_struct_size(compiler_, blockType, &size) != SPVC_SUCCESS)
      return Fail("cannot lay out the uniform block");
    out_.uniforms.size = static_cast<uint32_t>(size);
    unsigned count = spvc_type_get_num_member_types(blockType);
    for (unsigned i = 0; i < count; ++i) {
      FxUniformMember member;
      if (!Member(blockType, i, member)) return false;
      out_.uniforms.members.push_back(member);
    }
    spvc_compiler_set_name(compiler_, blockTypeId_,
                           vertex_ ? "ember_vs_globals" : "ember_ps_globals");
    spvc_compiler_set_name(compiler_, block.id, vertex_ ? "ember_vs" : "ember_ps");
    spvc_compiler_unset_decoration(compiler_, block.id, SpvDecorationDescriptorSet);
    spvc_compiler_unset_decoration(compiler_, block.id, SpvDecorationBinding);
    return true;
  }

  bool Member(spvc_type blockType, unsigned index, FxUniformMember& member) {
    const char* name = spvc_compiler_get_member_name(compiler_, blockTypeId_, index);
    member.glslName = name ? name : "";
    member.parameter = FindParameter(effect_, member.glslName);
    spvc_type type =
        spvc_compiler_get_type_handle(compiler_, spvc_type_get_member_type(blockType, index));
    switch (spvc_type_get_basetype(type)) {
      case SPVC_BASETYPE_FP32:
        member.scalar = FxScalarKind::Float;
        break;
      case SPVC_BASETYPE_INT32:
        member.scalar = FxScalarKind::Int;
        break;
      case SPVC_BASETYPE_UINT32:
        member.scalar = FxScalarKind::UInt;
        break;
      default:
        member.scalar = FxScalarKind::Other;
        break;
    }
    unsigned offset = 0;
    size_t size = 0;
    spvc_compiler_type_struct_member_offset(compiler_, blockType, index, &offset);
    spvc_compiler_get_declared_struct_member_size(compiler_, blockType, index, &size);
    member.offset = offset;
    member.size = static_cast<uint32_t>(size);
    unsigned vectorSize = spvc_type_get_vector_size(type);
    unsigned spirvColumns = spvc_type_get_columns(type);
    member.isMatrix = spirvColumns > 1 && member.scalar != FxScalarKind::Other;
    if (member.isMatrix) {
      // SPIR-V's columns are HLSL's rows (see pass_compiler.h).
      member.rows = spirvColumns;
      member.columns = vectorSize;
      unsigned stride = 0;
      spvc_compiler_type_struct_member_matrix_stride(compiler_, blockType, index, &stride);
      member.matrixStride = stride;
      member.spirvRowMajor = spvc_compiler_has_member_decoration(compiler_, blockTypeId_, index,
                                                                 SpvDecorationRowMajor);
    } else {
      member.rows = 1;
      member.columns = vectorSize;
    }
    unsigned dimensions = spvc_type_get_num_array_dimensions(type);
    if (dimensions > 1)
      return Fail("parameter '" + member.glslName + "': arrays of arrays are not supported");
    if (dimensions == 1) {
      if (!spvc_type_array_dimension_is_literal(type, 0))
        return Fail("parameter '" + member.glslName + "' has an array size that is not a number");
      member.arrayCount = spvc_type_get_array_dimension(type, 0);
      unsigned stride = 0;
      spvc_compiler_type_struct_member_array_stride(compiler_, blockType, index, &stride);
      member.arrayStride = stride;
    }
    return true;
  }

  // A sampler array takes a binding, and so a stage, for each element. `typeId` is the
  // variable's type; 0 for the samplers combined here, which are never arrays.
  bool AddSampler(spvc_variable_id glslId, spvc_type_id typeId, const std::string& parameterName) {
    int parameter = FindParameter(effect_, parameterName);
    FxType type = parameter >= 0 ? effect_.parameters[parameter].type : FxType::Float;
    if (type != FxType::Sampler && type != FxType::Sampler1D && type != FxType::Sampler2D &&
        type != FxType::Sampler3D && type != FxType::SamplerCube)
      return Fail("the " + std::string(Stage()) + " samples '" + parameterName +
                  "', which is not a sampler parameter of the effect");
    spvc_compiler_set_name(compiler_, glslId, parameterName.c_str());
    spvc_compiler_unset_decoration(compiler_, glslId, SpvDecorationDescriptorSet);
    spvc_compiler_unset_decoration(compiler_, glslId, SpvDecorationBinding);
    spvc_type variableType = typeId ? spvc_compiler_get_type_handle(compiler_, typeId) : nullptr;
    const unsigned dimensions = variableType ? spvc_type_get_num_array_dimensions(variableType) : 0;
    if (dimensions > 1 ||
        (dimensions == 1 && !spvc_type_array_dimension_is_literal(variableType, 0)))
      return Fail("sampler '" + parameterName + "': arrays of arrays are not supported");
    const uint32_t elements = dimensions == 1 ? spvc_type_get_array_dimension(variableType, 0) : 0;
    for (uint32_t element = 0; element < std::max(1u, elements); ++element) {
      FxSamplerBinding binding;
      binding.glslName = parameterName;
      binding.parameter = parameter;
      binding.element = elements > 0 ? int(element) : -1;
      binding.vertexStage = vertex_;
      binding.fragmentStage = !vertex_;
      out_.samplers.push_back(binding);
      samplerIds_.push_back(glslId);
      if (out_.samplers.size() > kMaxSamplerBindings)
        return Fail("the " + std::string(Stage()) + " reads more than " +
                    std::to_string(kMaxSamplerBindings) + " samplers");
    }
    return true;
  }

  bool Samplers(spvc_resources resources) {
    // DX9 mode gives combined samplers already; separate ones (Direct3D 10
    // style) are combined here and named after their sampler.
    for (const spvc_reflected_resource& image :
         ResourceList(resources, SPVC_RESOURCE_TYPE_SAMPLED_IMAGE)) {
      if (!AddSampler(image.id, image.type_id, NameOf(image.id))) return false;
    }
    if (spvc_compiler_build_combined_image_samplers(compiler_) != SPVC_SUCCESS)
      return Fail("cannot combine the shader's textures and samplers");
    const spvc_combined_image_sampler* combined = nullptr;
    size_t count = 0;
    if (spvc_compiler_get_combined_image_samplers(compiler_, &combined, &count) != SPVC_SUCCESS)
      count = 0;
    for (size_t i = 0; i < count; ++i) {
      if (!AddSampler(combined[i].combined_id, 0, NameOf(combined[i].sampler_id))) return false;
    }
    return true;
  }

  bool Emit() {
    spvc_compiler_options options = nullptr;
    if (spvc_compiler_create_compiler_options(compiler_, &options) != SPVC_SUCCESS)
      return Fail("cannot set up the GLSL back end");
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    // Without this SPIRV-Cross would emit binding qualifiers under
    // GL_ARB_shading_language_420pack; sampler units are set by the GL side.
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ENABLE_420PACK_EXTENSION,
                                   SPVC_FALSE);
    if (vertex_) {
      // SPIRV-Cross's documented clip-space fix-ups, appended to main():
      // FIXUP_DEPTH_CONVENTION maps Direct3D's depth 0..1 to GL's -1..1
      // (z = 2z - w), FLIP_VERTEX_Y negates y for the top-left origin.
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FIXUP_DEPTH_CONVENTION,
                                     SPVC_TRUE);
      spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_FLIP_VERTEX_Y, SPVC_TRUE);
    }
    if (spvc_compiler_install_compiler_options(compiler_, options) != SPVC_SUCCESS)
      return Fail("cannot set up the GLSL back end");
    const char* glsl = nullptr;
    if (spvc_compiler_compile(compiler_, &glsl) != SPVC_SUCCESS || !glsl) return false;
    out_.glsl = glsl;
    return true;
  }

  // SPIRV-Cross renames what clashes with GLSL keywords while compiling.
  void ReadFinalNames() {
    for (size_t i = 0; i < inputIds_.size(); ++i) out_.inputs[i].glslName = NameOf(inputIds_[i]);
    for (size_t i = 0; i < samplerIds_.size(); ++i) {
      FxSamplerBinding& binding = out_.samplers[i];
      binding.glslName = NameOf(samplerIds_[i]);
      if (binding.element >= 0) binding.glslName += "[" + std::to_string(binding.element) + "]";
    }
    if (blockTypeId_ == 0) return;
    out_.uniforms.glslName = NameOf(blockTypeId_);
    for (size_t i = 0; i < out_.uniforms.members.size(); ++i) {
      const char* name =
          spvc_compiler_get_member_name(compiler_, blockTypeId_, static_cast<unsigned>(i));
      if (name && *name) out_.uniforms.members[i].glslName = name;
    }
  }

  spvc_compiler compiler_;
  bool vertex_;
  const FxEffect& effect_;
  FxStageResult& out_;
  std::string* error_ = nullptr;
  spvc_type_id blockTypeId_ = 0;
  std::vector<spvc_variable_id> inputIds_;
  std::vector<spvc_variable_id> samplerIds_;
  struct RasterInput {
    std::string name;
    std::string value;  // GLSL over gl_FragCoord or gl_FrontFacing
  };
  std::vector<RasterInput> rasterInputs_;
};

}  // namespace

std::string NormalizeSemantic(const std::string& semantic) {
  std::string normalized;
  for (char c : semantic)
    normalized += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (normalized.empty() || !std::isdigit(static_cast<unsigned char>(normalized.back())))
    normalized += '0';
  return normalized;
}

std::string VaryingName(const std::string& semantic) { return "ember_varying_" + semantic; }

bool TranslateStage(const std::vector<uint32_t>& spirv, bool vertex, const FxEffect& effect,
                    FxStageResult& out, std::string& error) {
  out = FxStageResult();
  CrossContext context;
  if (!context.get()) {
    error = "cannot start SPIRV-Cross";
    return false;
  }
  spvc_parsed_ir ir = nullptr;
  spvc_compiler compiler = nullptr;
  if (spvc_context_parse_spirv(context.get(), spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
      spvc_context_create_compiler(context.get(), SPVC_BACKEND_GLSL, ir,
                                   SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) != SPVC_SUCCESS) {
    error = "SPIRV-Cross: " + context.LastError();
    return false;
  }
  StageTranslator translator(compiler, vertex, effect, out);
  error.clear();
  if (!translator.Run(error)) {
    if (error.empty()) error = "SPIRV-Cross: " + context.LastError();
    return false;
  }
  return true;
}

}  // namespace ember
