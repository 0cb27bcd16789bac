// The entry point's pieces: the message loop, the idle pass of the four phases and the
// shutdown sequence.
#pragma once

#include "runtime/win32/windows.h"

extern const char* const g_windowTitle;

void IdlePass();
void LogoTick();
void LoadingTick();
void DemoTick();
void ReleaseScene();
