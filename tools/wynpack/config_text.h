// The configuration text as the packer embeds it.
//
// A configuration file may be saved as UTF-8 (with or without byte order mark), as UTF-16
// little- or big-endian with its byte order mark, or as ANSI text; a file without a mark that
// is not valid UTF-8 is taken as Windows-1252, the code page such files come from. The packer
// converts it to UTF-8 and embeds it as the launcher reads it: the UTF-8 mark, the text, one
// NUL, the length of those three as a 32-bit little-endian number, then 16 zero bytes.
//
// The launcher reads the text up to its first NUL and takes the main class from the first
// line that matches the key `mainclass`; both rules are checked here, so that a packed
// executable never starts with a configuration it cannot run.
//
// Platforms: pure code, the same everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace wynpack {

enum class TextEncoding { Utf8WithMark, Utf8, Utf16LittleEndian, Utf16BigEndian, Windows1252 };

struct DecodedText {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Decodes the bytes of a configuration file into UTF-8 with the codecs of
// format/text_codecs.h. False with a reason (a sentence fragment such as "is not valid
// UTF-16") when the bytes cannot be taken as text, or are too many to become a text the
// launcher reads (format/payload_tail.h).
[[nodiscard]] bool decodeConfigText(std::string_view bytes, DecodedText& out, std::string& reason);

// The value of the first line that matches key, the way the launcher matches it: leading
// spaces skipped, the key compared ignoring ASCII case, the byte after it neither an ASCII
// letter or digit nor '_'; the value follows after spaces, an optional '=' and spaces.
struct KeyLine {
    bool found = false;
    int lineNumber = 0;  // 1-based, when found
    std::string value;
};
KeyLine firstKeyLine(std::string_view text, std::string_view key);

// The 1-based number of the line that holds the byte at offset, counting line ends as the
// launcher does (CR, LF, CR LF and LF CR each end one line).
int lineNumberAt(std::string_view text, size_t offset);

// Checks that the launcher can start from the text: no NUL inside it (the launcher would stop
// reading there), and a first `mainclass` line with a value. False with a reason otherwise.
[[nodiscard]] bool checkConfigText(std::string_view utf8, std::string& reason);

// The configuration block that follows the stub: mark, text, NUL, length, 16 zero bytes
// (format/payload_tail.h). False when mark, text and NUL are longer than the launcher reads
// (kMaxEmbeddedTextSize).
[[nodiscard]] bool buildConfigBlock(std::string_view utf8, std::string& block);

}  // namespace wynpack
