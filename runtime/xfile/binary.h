// Binary and MSZIP-compressed X files, rewritten as the text format that the parser reads.
#pragma once

#include <cstddef>
#include <string>

namespace ember {

// For a file whose header says "bin ", "bzip" or "tzip", puts the same file in the text format
// ("txt ") in `text` and sets `converted`; a file already in text is left alone (`converted`
// false, true returned). Names the text lexer cannot read keep their letters, digits and '_',
// the rest become '_'. On failure returns false with a message in `error`.
bool ToTextXFile(const char* data, size_t size, std::string& text, bool& converted,
                 std::string& error);

}  // namespace ember
