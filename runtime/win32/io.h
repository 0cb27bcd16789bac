// The C runtime's low-level file calls in their Windows spelling.
#pragma once

#define _S_IREAD 0000400
#define _S_IWRITE 0000200

// Creates the file, or truncates an existing one; returns a handle or -1.
int _creat(const char* fileName, int permission);
int _close(int handle);
