// Finds the font file behind a Windows face name, the way CreateFont's font
// mapper would, through fontconfig.
#pragma once

#include <string>

namespace ember {

// Looks up faceName with a Windows weight (FW_NORMAL 400, FW_BOLD 700; 0 means
// don't care) and slant. When fontconfig has no face of that family it falls
// back to a monospace face of the same weight (a stand-in for typewriter-like
// faces), then to the default sans-serif face. On success path, faceIndex and
// matchedFamily describe the face chosen; fails, with error set, only when no
// usable font file exists at all.
bool FindFontFile(const char* faceName, int weight, bool italic, std::string& path, int& faceIndex,
                  std::string& matchedFamily, std::string& error);

// Frees fontconfig's process-wide configuration, which otherwise lives until
// exit (and shows up as a leak under LeakSanitizer). A later FindFontFile
// loads it again.
void ShutdownFontFinder();

}  // namespace ember
