#include "app/screenshot.h"

#include <cstdio>

int g_screenshotCounter = 0;

void ScreenshotFileName(int counter, char* name, int size) {
  std::snprintf(name, size_t(size), counter < 10 ? "screenshot0%d.bmp" : "screenshot%d.bmp",
                counter);
}

bool SaveScreenshot(const char*) { return false; }

void HandleScreenshotKey() {}
