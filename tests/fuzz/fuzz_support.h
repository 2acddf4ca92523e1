// What the fuzz harnesses share: a private scratch directory for the harnesses that must go
// through real files, and a reader that cuts one fuzz input into several parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// A directory of this process for files the harness writes (WYN_FUZZ_SCRATCH when set, else
// a new directory under /tmp). Created on the first call.
const std::string& scratchDirectory();

// Replaces the file at path with bytes; aborts when it cannot (a broken harness, not a finding).
void writeFile(const std::string& path, std::string_view bytes);

// Cuts an input into parts at a separator that a fuzzer finds quickly and seeds can show:
// the four bytes "\n--\n". The last part runs to the end of the input.
class InputParts {
  public:
    InputParts(const uint8_t* data, size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    // The next part; empty once the input is used up.
    std::string_view next();
    bool done() const { return done_; }

  private:
    std::string_view rest_;
    bool done_ = false;
};

// Stops the process with a message: a harness's property does not hold.
[[noreturn]] void fail(const char* what);

}  // namespace fuzz
