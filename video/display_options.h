// The display mode constants, the full-screen question and the settings report "options.txt".
#pragma once

#include "video/graphics.h"

constexpr int g_displayWidth = 1024;
constexpr int g_displayHeight = 768;
constexpr int g_displayDepth = 16;

extern const char* const g_optionsFileName;

// True when the user asks for full screen; never asks when noQuestion is set.
bool AskFullScreen(HWND owner, int noQuestion);

// The report's three steps: created empty first, then written as the device comes up.
void ResetOptionsFile();
void OpenOptionsFile();
void WriteFullScreenSettings();
void WriteWindowedSettings();
void WriteEmptyLine();
void WriteDeviceType(bool reference);
// From the hardware device's capability record; closes the file.
void WriteCapabilitiesAndClose(const D3DCAPS9& hardwareCaps);
void CloseOptionsFile();
