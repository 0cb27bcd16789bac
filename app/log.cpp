#include "app/log.h"

#include <cstring>

#include "runtime/win32/io.h"
#include "runtime/win32/windows.h"

char g_logFileName[64];
FILE* g_logFile = nullptr;

namespace {

void ReportFileProblem(const char* what) {
  OutputDebugStringA(what);
  OutputDebugStringA(g_logFileName);
  OutputDebugStringA("\n");
}

}  // namespace

void ReportError(const char* message) {
  OutputDebugStringA("ERROR: ");
  OutputDebugStringA(message);
  OutputDebugStringA("\n");
}

bool OpenLog() {
  std::strcpy(g_logFileName, "D3D.log");
  _close(_creat(g_logFileName, _S_IREAD | _S_IWRITE));
  g_logFile = std::fopen(g_logFileName, "w");
  if (!g_logFile) {
    ReportFileProblem("Impossibile aprire il file: ");
    return false;
  }
  // Not flushed: the header reaches the file when the stream is closed, by CloseLog or at exit.
  if (std::fprintf(g_logFile, "%s", "D3D LOG FILE \n\n\n") == -1) {
    ReportFileProblem("Impossibile scrivere sul file: ");
    return false;
  }
  return true;
}

void WriteLogLine(const char* text) {
  if (!g_logFile) return;
  if (std::fprintf(g_logFile, "%s\n", text) == -1)
    ReportFileProblem("Impossibile scrivere sul file: ");
}

void CloseLog() {
  if (!g_logFile) return;
  std::fclose(g_logFile);
  g_logFile = nullptr;
}
