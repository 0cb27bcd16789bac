// Numbered BMP screenshots of the window, on the S key.
#pragma once

extern int g_screenshotCounter;

// On every key-down message: captures when S is down.
void HandleScreenshotKey();
bool SaveScreenshot(const char* fileName);
// The name for a counter: screenshot00.bmp to screenshot09.bmp, then screenshot10.bmp...
void ScreenshotFileName(int counter, char* name, int size);
