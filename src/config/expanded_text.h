// An expanded configuration value that remembers which bytes the user wrote and which ones a
// reference stood for.
//
// Most users of expansion want the text alone. A command line is different: what the user
// wrote keeps its meaning for the shell or the command line (pipes, quotes, `>>`), while a
// value that a reference brought in (a directory, an environment variable, a registry value)
// must reach the command as the literal text it is, whatever it holds. The segments say which
// is which: a literal segment is text the user wrote (references that stayed unresolved
// included, "%%" and "$$" as the one byte they stand for), an inserted segment is one value or
// several values that follow each other directly. An inserted segment may be empty (a
// variable with an empty value); literal segments never are. Neighbouring segments differ in
// kind.
//
// Platforms: the same everywhere.
#pragma once

#include <cstdint>

#include "base/text.h"

class ExpandedText {
  public:
    ExpandedText() = default;
    // Text written as it stands: one literal segment, none when it is empty.
    ExpandedText(TextView literal) { appendLiteral(literal); }
    ExpandedText(const char* literal) { appendLiteral(TextView(literal)); }

    const TextString& text() const { return text_; }
    int32_t segmentCount() const { return ends_.length(); }
    TextView segment(int32_t i) const;
    bool isInserted(int32_t i) const { return inserted_[i] != 0; }

    void appendLiteral(TextView literal);
    void appendInserted(TextView value);

    // The text from byte start on, with its segments (the command after a leading '|').
    ExpandedText tail(int32_t start) const;

    // Same bytes and same segments.
    [[nodiscard]] bool sameAs(const ExpandedText& other) const;

  private:
    void append(TextView bytes, bool inserted);

    TextString text_;
    ItemArray<int32_t> ends_;
    ItemArray<int32_t> inserted_;
};
