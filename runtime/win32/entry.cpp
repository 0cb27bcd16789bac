// The process entry: hands over to the program's WinMain as Windows would.
#include <string>

#include "runtime/win32/windows.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                 commandLine.data(), SW_SHOWNORMAL);
}
