// How the packer's steps report what went wrong.
//
// No step throws or prints: each returns false and fills a Problem, and main prints the one
// line "wynpack: <message>" and exits with the status. Bad input (a file that is missing or
// unreadable, a jar that is not a ZIP, a configuration the launcher could not start from, a
// wrong command line) exits with 2; a failure while writing the output exits with 1.
//
// Platforms: the packer is a Linux host tool; nothing here differs by platform.
#pragma once

#include <string>
#include <utility>

namespace wynpack {

enum class ExitStatus { Ok = 0, Failed = 1, BadInput = 2 };

struct Problem {
    ExitStatus status = ExitStatus::Ok;
    std::string message;
};

// Fills the problem and returns false, so that a step can end with `return fail(...)`.
inline bool fail(Problem& problem, ExitStatus status, std::string message) {
    problem.status = status;
    problem.message = std::move(message);
    return false;
}

// "'path'", the way every message names a file.
inline std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

}  // namespace wynpack
