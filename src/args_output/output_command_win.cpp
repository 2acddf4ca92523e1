// Output commands on Windows: one command line for CreateProcessA, with the program name
// written by CreateProcess's rules, the arguments by the C runtime's, and cmd's second reading
// of the line taken into account.
#include "args_output/output_command.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(TextView text, const char* word) {
    int32_t n = static_cast<int32_t>(std::strlen(word));
    if (text.length != n) {
        return false;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (asciiLower(text.data[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

// The value's bytes with, for each, whether it was inserted, and where inserted segments
// begin (an empty one included).
class MarkedBytes {
  public:
    explicit MarkedBytes(const ExpandedText& value) : text_(value.text()) {
        inserted_.resize(text_.length() + 1);
        starts_.resize(text_.length() + 1);
        ends_.resize(text_.length() + 1);
        for (int32_t i = 0; i <= text_.length(); ++i) {
            inserted_[i] = starts_[i] = 0;
            ends_[i] = i;
        }
        int32_t position = 0;
        for (int32_t s = 0; s < value.segmentCount(); ++s) {
            int32_t length = value.segment(s).length;
            if (value.isInserted(s)) {
                starts_[position] = 1;
                ends_[position] = position + length;
                for (int32_t i = position; i < position + length; ++i) {
                    inserted_[i] = 1;
                }
            }
            position += length;
        }
    }

    int32_t length() const { return text_.length(); }
    const char* data() const { return text_.c_str(); }
    char operator[](int32_t i) const { return text_[i]; }
    bool inserted(int32_t i) const { return inserted_[i] != 0; }
    bool startsInsertion(int32_t i) const { return starts_[i] != 0; }
    // The end of the inserted segment that begins at i.
    int32_t insertionEnd(int32_t i) const { return ends_[i]; }

  private:
    const TextString& text_;
    ItemArray<int32_t> inserted_;
    ItemArray<int32_t> starts_;
    ItemArray<int32_t> ends_;
};

// The end of the token that begins at start: the first blank that the user wrote outside
// the user's double quotes.
int32_t tokenEnd(const MarkedBytes& bytes, int32_t start) {
    bool quoted = false;
    int32_t i = start;
    for (; i < bytes.length(); ++i) {
        if (bytes.inserted(i)) {
            continue;
        }
        if (bytes[i] == '"') {
            quoted = !quoted;
        } else if (isBlank(bytes[i]) && !quoted) {
            break;
        }
    }
    return i;
}

bool tokenHasInsertion(const MarkedBytes& bytes, int32_t start, int32_t end) {
    for (int32_t i = start; i < end; ++i) {
        if (bytes.startsInsertion(i)) {
            return true;
        }
    }
    return end > start && bytes.startsInsertion(end) && bytes.insertionEnd(end) == end;
}

// The program token as the file name it names: the user's quotes taken out.
TextString programName(const MarkedBytes& bytes, int32_t start, int32_t end) {
    TextString name;
    for (int32_t i = start; i < end; ++i) {
        if (bytes.inserted(i) || bytes[i] != '"') {
            name.append(bytes[i]);
        }
    }
    return name;
}

bool isCmd(const TextString& program) {
    int32_t base = program.length();
    while (base > 0 && program[base - 1] != '\\' && program[base - 1] != '/') {
        --base;
    }
    TextView file(program.c_str() + base, program.length() - base);
    return equalsNoCase(file, "cmd") || equalsNoCase(file, "cmd.exe");
}

// Where the command that cmd runs begins: the first byte after a /c or /k switch and its
// blanks, or -1. Only switches the user wrote count.
int32_t cmdCommandStart(const MarkedBytes& bytes, int32_t from) {
    int32_t i = from;
    for (;;) {
        while (i < bytes.length() && !bytes.inserted(i) && isBlank(bytes[i])) {
            ++i;
        }
        int32_t end = tokenEnd(bytes, i);
        if (i >= end || bytes[i] != '/' || tokenHasInsertion(bytes, i, end)) {
            return -1;
        }
        TextView token(bytes.data() + i, end - i);
        i = end;
        if (equalsNoCase(token, "/c") || equalsNoCase(token, "/k")) {
            while (i < bytes.length() && !bytes.inserted(i) && isBlank(bytes[i])) {
                ++i;
            }
            return i;
        }
    }
}

// Writes the arguments by the C runtime's rules: a run of backslashes is literal unless a
// double quote follows; before a quote that the user wrote, the user's own backslashes keep
// their meaning, and every other backslash (inserted ones, and the user's that a value
// separated from the quote) is doubled so that it stays one backslash.
class ArgumentWriter {
  public:
    ArgumentWriter(TextString& line, bool throughCmd) : line_(line), throughCmd_(throughCmd) {}

    // Returns false when the value cannot be written (a double quote for cmd).
    bool inserted(TextView value) {
        literalRun_ += userRun_;
        userRun_ = 0;
        bool wrap = !quoted_;
        if (wrap) {
            quote();
        }
        for (int32_t i = 0; i < value.length; ++i) {
            char c = value.data[i];
            if (c == '\\') {
                ++literalRun_;
            } else if (c == '"') {
                if (throughCmd_) {
                    return false;
                }
                backslashes(2 * literalRun_ + 1);
                line_.append('"');
            } else if (throughCmd_ && c == '%') {
                // cmd reads %NAME% anywhere on its line, inside quotes too, but never a name
                // that holds a double quote: the percent sign goes between two quotes of the
                // writer's own, which the C runtime takes away again.
                quote();
                line_.append('%');
                quote();
            } else {
                backslashes(literalRun_);
                if (throughCmd_ && !cmdQuoted_ && std::strchr("&|<>()^!", c) != nullptr) {
                    line_.append('^');
                }
                line_.append(c);
            }
        }
        if (wrap) {
            quote();
        }
        return true;
    }

    void literal(char c) {
        if (c == '\\') {
            ++userRun_;
            return;
        }
        if (c == '"') {
            bool escaped = userRun_ % 2 == 1;
            backslashes(2 * literalRun_ + userRun_);
            literalRun_ = userRun_ = 0;
            line_.append('"');
            if (!escaped) {
                quoted_ = !quoted_;
            }
            if (!caretPending_) {
                cmdQuoted_ = !cmdQuoted_;
            }
            caretPending_ = false;
            return;
        }
        backslashes(literalRun_ + userRun_);
        literalRun_ = userRun_ = 0;
        line_.append(c);
        caretPending_ = !cmdQuoted_ && c == '^' && !caretPending_;
    }

    // A quote that cmd takes away before the line is read (the first one after /c or /k):
    // it opens nothing.
    void removedQuote() {
        finish();
        line_.append('"');
    }

    void finish() {
        backslashes(literalRun_ + userRun_);
        literalRun_ = userRun_ = 0;
    }

    // Whether the byte at position was a quote of the writer's own.
    bool ownQuoteAt(int32_t position) const {
        for (int32_t i = 0; i < ownQuotes_.length(); ++i) {
            if (ownQuotes_[i] == position) {
                return true;
            }
        }
        return false;
    }

  private:
    // A double quote of the writer's own: every pending backslash stays literal before it.
    void quote() {
        backslashes(2 * (literalRun_ + userRun_));
        literalRun_ = userRun_ = 0;
        ownQuotes_.append(line_.length());
        line_.append('"');
        quoted_ = !quoted_;
        cmdQuoted_ = !cmdQuoted_;
        caretPending_ = false;
    }

    void backslashes(int32_t n) {
        if (n > 0) {
            caretPending_ = false;
        }
        for (int32_t i = 0; i < n; ++i) {
            line_.append('\\');
        }
        literalRun_ = 0;
    }

    TextString& line_;
    bool throughCmd_;
    bool quoted_ = false;     // inside quotes as the C runtime reads the line
    bool cmdQuoted_ = false;  // inside quotes as cmd reads the line
    bool caretPending_ = false;
    int32_t literalRun_ = 0;  // backslashes to be kept literal
    int32_t userRun_ = 0;     // the user's backslashes right before what comes next
    ItemArray<int32_t> ownQuotes_;
};

}  // namespace

OutputCommand buildOutputCommand(const ExpandedText& value) {
    OutputCommand command;
    MarkedBytes bytes(value);
    TextString& line = command.line;
    int32_t i = 0;
    while (i < bytes.length() && !bytes.inserted(i) && isBlank(bytes[i])) {
        line.append(bytes[i++]);
    }
    int32_t programEnd = tokenEnd(bytes, i);
    TextString program = programName(bytes, i, programEnd);
    if (tokenHasInsertion(bytes, i, programEnd)) {
        // CreateProcess takes a quoted program name up to the next quote, without escapes.
        if (std::strchr(program.c_str(), '"') != nullptr) {
            command.problem = "a program name cannot hold a double quote";
            return command;
        }
        line.append('"');
        line.append(program);
        line.append('"');
    } else {
        line.append(TextView(bytes.data() + i, programEnd - i));
    }
    bool throughCmd = isCmd(program);
    int32_t cmdStart = throughCmd ? cmdCommandStart(bytes, programEnd) : -1;
    int32_t cmdStartInLine = -1;
    ArgumentWriter writer(line, throughCmd);
    // An empty value right behind the program name belongs to the name, which is written.
    bool skipEmpty =
        bytes.startsInsertion(programEnd) && bytes.insertionEnd(programEnd) == programEnd;
    for (i = programEnd; i <= bytes.length();) {
        if (i == cmdStart) {
            writer.finish();
            cmdStartInLine = line.length();
        }
        if (bytes.startsInsertion(i) && !(skipEmpty && i == programEnd)) {
            int32_t end = bytes.insertionEnd(i);
            if (!writer.inserted(TextView(bytes.data() + i, end - i))) {
                command.problem = "cmd cannot be given a value that holds a double quote";
                return command;
            }
            if (end > i) {
                i = end;
                continue;
            }
        }
        if (i == bytes.length()) {
            break;
        }
        if (i == cmdStart && bytes[i] == '"' && !bytes.inserted(i)) {
            writer.removedQuote();
            ++i;
            continue;
        }
        writer.literal(bytes[i++]);
    }
    writer.finish();
    if (cmdStartInLine >= 0 && writer.ownQuoteAt(cmdStartInLine)) {
        // cmd would take away this quote and the last one of the line: one more pair to take.
        line.insertGap(cmdStartInLine, 1)[0] = '"';
        line.append('"');
    }
    return command;
}
