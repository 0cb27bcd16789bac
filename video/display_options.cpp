#include "video/display_options.h"

#include <cstdio>

#include "runtime/win32/io.h"

const char* const g_optionsFileName = "options.txt";

namespace {

FILE* g_optionsFile = nullptr;

void WriteLine(const char* format, const char* value) {
  if (g_optionsFile) std::fprintf(g_optionsFile, format, value);
}

}  // namespace

bool AskFullScreen(HWND owner, int noQuestion) {
  if (noQuestion == 1) return false;
  char question[64];
  // The a-grave is 0xE0 in the Windows code page the message box takes.
  std::snprintf(question, sizeof question, "Modalit\xE0 schermo-intero? (%dx%dx%d)", g_displayWidth,
                g_displayHeight, g_displayDepth);
  return MessageBoxA(owner, question, "Apertura Applicazione", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ResetOptionsFile() { _close(_creat(g_optionsFileName, _S_IREAD | _S_IWRITE)); }

void OpenOptionsFile() {
  CloseOptionsFile();
  g_optionsFile = std::fopen(g_optionsFileName, "w");
  // The device comes up without the report; the user is told where it went.
  if (!g_optionsFile) {
    OutputDebugStringA("Impossibile aprire il file: ");
    OutputDebugStringA(g_optionsFileName);
    OutputDebugStringA("\n");
  }
}

void WriteFullScreenSettings() {
  if (g_optionsFile) {
    std::fprintf(g_optionsFile, "WinWidth %d\n", g_displayWidth);
    std::fprintf(g_optionsFile, "WinHeight %d\n", g_displayHeight);
  }
  WriteLine("MultiSampleType %s\n", "D3DMULTISAMPLE_NONE");
  WriteLine("SwapEffect %s\n", "D3DSWAPEFFECT_COPY");
  WriteLine("Windowed %s\n", "FALSE");
  WriteLine("EnableAutoDepthStencil %s\n", "TRUE");
  WriteLine("PresentationInterval %s\n", "D3DPRESENT_INTERVAL_IMMEDIATE");
  WriteLine("Flags %s\n", "D3DPRESENTFLAG_LOCKABLE_BACKBUFFER");
}

void WriteWindowedSettings() {
  if (g_optionsFile) {
    std::fprintf(g_optionsFile, "WinWidth %d\n", g_displayWidth);
    std::fprintf(g_optionsFile, "WinHeight %d\n", g_displayHeight);
  }
  WriteLine("Windowed %s\n", "TRUE");
}

void WriteEmptyLine() {
  if (g_optionsFile) std::fprintf(g_optionsFile, "\n");
}

void WriteDeviceType(bool reference) {
  WriteLine("DEVICE TYPE %s\n", reference ? "D3DDEVTYPE_REF" : "D3DDEVTYPE_HAL");
}

void WriteCapabilitiesAndClose(const D3DCAPS9& caps) {
  bool twoSided = (caps.StencilCaps & D3DSTENCILCAPS_TWOSIDED) != 0;
  bool pixelShader2 = caps.PixelShaderVersion >= D3DPS_VERSION(2, 0);
  WriteLine("b2SidedStencils %s\n", twoSided ? "true" : "false");
  WriteLine("psVersion %s\n", pixelShader2 ? "true" : "false");
  CloseOptionsFile();
}

void CloseOptionsFile() {
  if (g_optionsFile) std::fclose(g_optionsFile);
  g_optionsFile = nullptr;
}
