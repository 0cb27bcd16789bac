#include "runtime/glyphs/font_finder.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <cctype>

namespace ember {
namespace {

struct FontMatch {
  std::string path;
  int faceIndex = 0;
  std::string family;
  bool familyMatches = false;
};

// fontconfig itself compares family names ignoring case and blanks, so
// "dejavusans" names the same family as "DejaVu Sans".
bool SameFamily(const char* a, const char* b) {
  for (;;) {
    while (*a == ' ') ++a;
    while (*b == ' ') ++b;
    if (*a == '\0' || *b == '\0') return *a == *b;
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
    ++a;
    ++b;
  }
}

bool IsReadableFile(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// Windows and OpenType share the 100..900 weight scale; 0 is FW_DONTCARE.
int FontconfigWeight(int windowsWeight) {
  if (windowsWeight <= 0) windowsWeight = 400;
  if (windowsWeight > 1000) windowsWeight = 1000;
  return FcWeightFromOpenType(windowsWeight);
}

// fontconfig always answers with its closest face, whatever the family asked
// for; familyMatches tells whether that face belongs to the family.
bool MatchFamily(const char* family, int weight, bool italic, FontMatch& match) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcPatternAddInteger(pattern, FC_WEIGHT, FontconfigWeight(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!found) return false;

  bool ok = false;
  FcChar8* file = nullptr;
  if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file &&
      IsReadableFile(reinterpret_cast<const char*>(file))) {
    match.path = reinterpret_cast<const char*>(file);
    int index = 0;
    match.faceIndex = FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
    match.family.clear();
    match.familyMatches = false;
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
      const char* text = reinterpret_cast<const char*>(name);
      if (i == 0) match.family = text;
      if (SameFamily(text, family)) {
        match.family = text;
        match.familyMatches = true;
      }
    }
    ok = true;
  }
  FcPatternDestroy(found);
  return ok;
}

}  // namespace

bool FindFontFile(const char* faceName, int weight, bool italic, std::string& path, int& faceIndex,
                  std::string& matchedFamily, std::string& error) {
  FontMatch match;
  bool found = false;
  if (faceName && *faceName)
    found = MatchFamily(faceName, weight, italic, match) && match.familyMatches;
  // Faces from Windows ("Typewriter", "Courier New"...) are often missing
  // here; a monospace face keeps the fixed-pitch look most of them have.
  if (!found) found = MatchFamily("monospace", weight, italic, match);
  if (!found) found = MatchFamily("sans-serif", weight, italic, match);
  if (!found) {
    error = "no font file found for \"";
    error += faceName ? faceName : "";
    error += "\" nor for the monospace and sans-serif fallbacks";
    return false;
  }
  path = match.path;
  faceIndex = match.faceIndex;
  matchedFamily = match.family;
  return true;
}

void ShutdownFontFinder() { FcFini(); }

}  // namespace ember
