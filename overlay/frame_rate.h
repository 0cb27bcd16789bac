// The frame-rate counter: told about every frame, it answers with the rate measured over the
// last whole second or more.
#pragma once

// Counts one frame and returns the rate of the last closed window.
float GetFrameRate();

// Back to the state before the first call.
void ResetFrameRate();
