// The command line of an output command (`stdout |…`, `stderr |…`), built from the expanded
// value so that what the user wrote keeps its meaning and every inserted value reaches the
// command as one literal word, whatever it holds (blanks, quotes, `$( )`, backticks, `;`,
// `%`, `&`).
//
// How an inserted value is written depends on where it stands in the user's text: bare, inside
// the user's double quotes, or inside single quotes (Linux). Several values written directly
// after each other, or a value with text around it and no blank in between, make one word
// together, as the user wrote them.
//
// Platforms:
//   Linux: the line is a script for /bin/sh -c, and the inserted values are its positional
//     parameters: each one stands in the script as "${1}", "${2}", … (bare), ${1} (inside the
//     user's double quotes) or '"${1}"' (inside single quotes), so the shell never reads a
//     value as syntax. A backslash written right before a value stays a backslash, and so does
//     a `$`. The user's script sees the values in $@ and $#.
//   Windows: the line goes to CreateProcessA. A program name that holds a value is written
//     in double quotes as a whole (a program name cannot hold a double quote: such a value is
//     refused). Other values follow the C runtime's rules for arguments: bare ones are put in
//     double quotes, double quotes in a value are written \", and backslashes before a double
//     quote are doubled. When the program is cmd (cmd or cmd.exe, also through %COMSPEC%), cmd
//     reads the line again and expands %NAME% anywhere in it: a `%` of a value is written
//     between a closing and an opening quote ("%"), so that every name cmd could see next to
//     it holds a double quote and names nothing; a value after /c or /k that would make the
//     rest of the line start with a quote gets the rest wrapped in one more pair of quotes,
//     which cmd removes; a quote of the user's that starts the rest is one that cmd removes,
//     so it opens nothing; a value holding a double quote is refused (cmd has no way to quote
//     it).
#pragma once

#include "base/text.h"
#include "config/expanded_text.h"

struct OutputCommand {
    TextString line;       // the script (Linux) or the command line (Windows)
    StringList arguments;  // the script's positional parameters (Linux); empty on Windows
    TextString problem;    // why no command can be made of the value; empty when it can
};

// The command for value, the configuration value without its leading '|'.
OutputCommand buildOutputCommand(const ExpandedText& value);
