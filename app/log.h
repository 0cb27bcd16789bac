// Failure reports on the debug output, and the diagnostics log file.
#pragma once

#include <cstdio>

extern char g_logFileName[64];
extern FILE* g_logFile;

// "ERROR: ", the message and a line end, in three writes.
void ReportError(const char* message);

bool OpenLog();
void WriteLogLine(const char* text);
void CloseLog();
