// Splitting the configuration text into lines.
//
// A line ends at CR, LF, the pair CR LF, the pair LF CR, or at the first NUL (the end of the
// usable text). A pair counts as one line end, so "a" CR CR LF "b" is three lines: "a", an
// empty line and "b". There is no comment or continuation syntax.
//
// Platforms: identical on Windows and Linux.
#pragma once

#include "base/text.h"

// A cursor over NUL-terminated text; it owns nothing.
class LineReader {
  public:
    explicit LineReader(const char* text) : cursor_(text) {}

    // Copies the next line, without its line end, into line; false at the end of the text.
    [[nodiscard]] bool nextLine(TextString& line);

  private:
    const char* cursor_;
};
