// Output commands on Linux: a /bin/sh script in which every inserted value is a positional
// parameter, so that the shell reads the user's text as syntax and the values never.
#include "args_output/output_command.h"

namespace {

// Where the shell stands while reading the user's text.
enum class Context { Bare, Double, Single, Substitution, Group, Backtick, Comment };

bool startsWord(const TextString& line) {
    if (line.empty()) {
        return true;
    }
    char c = line[line.length() - 1];
    return c == ' ' || c == '\t' || c == '\n' || c == ';' || c == '&' || c == '|' || c == '(' ||
           c == ')';
}

class ScriptWriter {
  public:
    explicit ScriptWriter(OutputCommand& command) : command_(command) {
        contexts_.append(Context::Bare);
    }

    void literal(TextView text) {
        for (int32_t i = 0; i < text.length; ++i) {
            char next = i + 1 < text.length ? text.data[i + 1] : '\0';
            i += literalByte(text.data[i], next);
        }
    }

    void inserted(TextView value) {
        command_.arguments.addString(value);
        TextString reference;
        reference.format("${%d}", command_.arguments.count());
        if (escapePending_) {
            // The user's backslash would escape the first byte written here: it stays a
            // backslash of its own instead.
            command_.line.append('\\');
        }
        if (dollarAt_ >= 0) {
            // A `$` right before the value would join it ("$${1}" is the process id): the `$`
            // stays a `$`.
            command_.line.insertGap(dollarAt_, 1)[0] = '\\';
        }
        escapePending_ = false;
        dollarAt_ = -1;
        switch (top()) {
            case Context::Double:
                command_.line.append(reference);
                break;
            case Context::Single:
                command_.line.append("'\"");
                command_.line.append(reference);
                command_.line.append("\"'");
                break;
            default:
                command_.line.append('"');
                command_.line.append(reference);
                command_.line.append('"');
                break;
        }
    }

  private:
    Context top() const { return contexts_[contexts_.length() - 1]; }
    void push(Context context) { contexts_.append(context); }
    void pop() {
        if (contexts_.length() > 1) {
            contexts_.resize(contexts_.length() - 1);
        }
    }

    // Copies one byte of the user's text (two for "$("), follows the shell's reading of it,
    // and returns how many bytes beyond this one it took.
    int32_t literalByte(char c, char next) {
        bool escaped = escapePending_;
        escapePending_ = false;
        dollarAt_ = -1;
        bool wordStart = startsWord(command_.line);
        command_.line.append(c);
        Context context = top();
        if (context == Context::Comment) {
            if (c == '\n') {
                pop();
            }
            return 0;
        }
        if (context == Context::Single) {
            if (c == '\'') {
                pop();
            }
            return 0;
        }
        if (escaped) {
            return 0;
        }
        if (c == '\\') {
            escapePending_ = true;
            return 0;
        }
        if (c == '$' && next == '(') {
            command_.line.append(next);
            push(Context::Substitution);
            return 1;
        }
        if (c == '$') {
            dollarAt_ = command_.line.length() - 1;
            return 0;
        }
        if (c == '`') {
            if (context == Context::Backtick) {
                pop();
            } else {
                push(Context::Backtick);
            }
            return 0;
        }
        if (context == Context::Double) {
            if (c == '"') {
                pop();
            }
            return 0;
        }
        if (c == '\'') {
            push(Context::Single);
        } else if (c == '"') {
            push(Context::Double);
        } else if (c == '(') {
            push(Context::Group);
        } else if (c == ')' && (context == Context::Substitution || context == Context::Group)) {
            pop();
        } else if (c == '#' && wordStart) {
            push(Context::Comment);
        }
        return 0;
    }

    OutputCommand& command_;
    ItemArray<Context> contexts_;
    bool escapePending_ = false;
    int32_t dollarAt_ = -1;
};

}  // namespace

OutputCommand buildOutputCommand(const ExpandedText& value) {
    OutputCommand command;
    ScriptWriter writer(command);
    for (int32_t i = 0; i < value.segmentCount(); ++i) {
        if (value.isInserted(i)) {
            writer.inserted(value.segment(i));
        } else {
            writer.literal(value.segment(i));
        }
    }
    return command;
}
