// Replacement texts for the numbered messages, from the configuration's `message` lines.
//
// A line "message 13=Another text" replaces message 13. The text may use \n (line feed),
// \r (carriage return) and \t (tab); a backslash before any other character stands for that
// character, and a backslash at the very end is dropped. References in the value are
// expanded before the line is split. The id is a decimal number (blanks, a sign and leading
// zeros allowed, text after it ignored); a value without "=", or with an id that is not a
// positive 32-bit number, is ignored. The first line for an id wins, so an external file's
// override beats the embedded one.
//
// Platforms: identical on Windows and Linux.
#pragma once

#include <cstdint>

#include "base/text.h"

class ConfigStore;

// The text with its escapes resolved.
TextString unescapeMessage(TextView text);

// The message id at the start of text; 0 when there is none or it does not fit in 32 bits.
[[nodiscard]] int32_t parseMessageId(TextView text);

class MessageOverrides {
  public:
    // Reads every `message` value of the store (in text order, expanded, in ANSI).
    void build(const ConfigStore& store);
    // The first override for id; false when there is none.
    [[nodiscard]] bool find(int32_t id, TextString& text) const;

  private:
    ItemArray<int32_t> pairs_;  // id, text index; ends with (0, 0) once built
    StringList texts_;
};
