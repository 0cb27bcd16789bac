// D3DXCreateEffectFromFileA: the file read whole (within a size limit), parsed, and every
// pass compiled for the device. Failures give the status and, in the error buffer, the
// message the compiler gives, naming the file as the caller named it.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "runtime/d3dx9/effect.h"
#include "runtime/fx/messages.h"
#include "runtime/fx/parser.h"
#include "runtime/fx/preprocessor.h"
#include "runtime/win32/win32_internal.h"

namespace {

constexpr size_t kMaxEffectBytes = size_t(4) << 20;
constexpr size_t kMaxPath = 4096;

HRESULT Fail(HRESULT status, const std::string& message, ID3DXBuffer** errors) {
  if (errors) *errors = ember::d3dx::CreateTextBuffer(message.data(), message.size());
  return status;
}

// False with the reason when the file cannot be had.
bool ReadEffectFile(const char* path, std::string& text, std::string& reason) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    reason = "cannot read the file";
    return false;
  }
  char chunk[16384];
  bool ok = true;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (text.size() + got > kMaxEffectBytes) {
      reason = "the file is larger than " + std::to_string(kMaxEffectBytes) + " bytes";
      ok = false;
      break;
    }
    text.append(chunk, got);
    if (got < sizeof chunk) {
      if (std::ferror(file)) {
        reason = "cannot read the file";
        ok = false;
      }
      break;
    }
  }
  std::fclose(file);
  return ok;
}

// The parser's "file(line,col): error: ..." with the lines around the place, as the
// compiler's messages show them.
std::string WithSourceLines(const std::string& error, const std::string& name,
                            const std::string& source) {
  const std::string prefix = name + "(";
  if (error.compare(0, prefix.size(), prefix) != 0) return error;
  ember::FxSourcePos at;
  unsigned line = 0, column = 0;
  if (std::sscanf(error.c_str() + prefix.size(), "%u,%u)", &line, &column) != 2) return error;
  at.line = line;
  at.column = column;
  const std::string context = ember::FxSourceContext(source, at);
  return context.empty() ? error : error + "\n" + context;
}

// Reads an #include through the caller's handler, or from beside the file that includes it
// (`includerPath`, a host path).
bool ReadInclude(ID3DXInclude* handler, const std::string& includerPath, const std::string& name,
                 bool system, std::string& text, std::string& path, std::string& reason) {
  path.clear();
  if (handler) {
    LPCVOID data = nullptr;
    UINT bytes = 0;
    if (FAILED(handler->Open(system ? D3DXINC_SYSTEM : D3DXINC_LOCAL, name.c_str(), nullptr, &data,
                             &bytes)) ||
        (!data && bytes > 0)) {
      reason = "the include handler could not open it";
      return false;
    }
    text.assign(static_cast<const char*>(data), bytes);
    handler->Close(data);
    return true;
  }
  char hostName[kMaxPath];
  if (!ember::win32::ToHostPath(name.c_str(), hostName, sizeof hostName)) {
    reason = "the path is too long";
    return false;
  }
  const size_t slash = includerPath.find_last_of('/');
  path = hostName[0] == '/' || slash == std::string::npos
             ? hostName
             : includerPath.substr(0, slash + 1) + hostName;
  return ReadEffectFile(path.c_str(), text, reason);
}

}  // namespace

HRESULT WINAPI D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR srcFile,
                                         const D3DXMACRO* defines, ID3DXInclude* include, DWORD,
                                         ID3DXEffectPool* pool, ID3DXEffect** effect,
                                         ID3DXBuffer** compilationErrors) {
  if (effect) *effect = nullptr;
  if (compilationErrors) *compilationErrors = nullptr;
  auto* ours = dynamic_cast<ember::d3d9::Device*>(device);
  if (!ours || !srcFile || !effect) return D3DERR_INVALIDCALL;
  const std::string name = srcFile;
  // Parameters are never shared between effects.
  if (pool)
    return Fail(E_NOTIMPL, name + ": error: effect pools are not supported", compilationErrors);

  char path[kMaxPath];
  if (!ember::win32::ToHostPath(srcFile, path, sizeof path))
    return Fail(D3DXERR_INVALIDDATA, name + ": the path is too long", compilationErrors);
  std::string source, reason;
  if (!ReadEffectFile(path, source, reason))
    return Fail(D3DXERR_INVALIDDATA, name + ": " + reason, compilationErrors);

  // The preprocessor runs over the whole file first, as Direct3D's compiler does.
  std::vector<ember::FxMacro> macros;
  for (const D3DXMACRO* macro = defines; macro && macro->Name; ++macro)
    macros.push_back({macro->Name, macro->Definition ? macro->Definition : ""});
  const std::string effectPath = path;
  const ember::FxIncludeReader reader = [&](const std::string& file, bool system,
                                            const std::string& includer, std::string& text,
                                            std::string& from, std::string& why) {
    // The effect itself goes by the caller's name; its includes by the paths read.
    const std::string& base = includer == name ? effectPath : includer;
    return ReadInclude(include, base, file, system, text, from, why);
  };
  std::string expanded, error;
  if (!ember::PreprocessEffect(source, srcFile, macros, reader, expanded, error))
    return Fail(E_FAIL, WithSourceLines(error, name, source), compilationErrors);
  ember::FxEffect parsed;
  if (!ember::ParseEffect(expanded, srcFile, parsed, error))
    return Fail(E_FAIL, WithSourceLines(error, name, expanded), compilationErrors);
  ember::d3dx::Effect* created =
      ember::d3dx::Effect::Create(ours, std::move(parsed), srcFile, error);
  if (!created) return Fail(E_FAIL, error, compilationErrors);
  *effect = created;
  return D3D_OK;
}
