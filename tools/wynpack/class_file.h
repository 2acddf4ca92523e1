// What the packer reads from a compiled Java class: its superclass and whether it declares
// the entry point the launcher calls, public static void main(String[]).
//
// The reader walks the class file's constant pool, fields and methods with every length
// checked against the bytes, so a damaged or truncated class is reported, never read beyond.
//
// Platforms: pure code over bytes, the same everywhere.
#pragma once

#include <string>
#include <string_view>

namespace wynpack {

struct ClassSummary {
    std::string superName;  // internal form ("java/lang/Object"); empty for java.lang.Object
    bool declaresMain = false;
};

// False when the bytes are not a readable class file.
[[nodiscard]] bool readClassSummary(std::string_view bytes, ClassSummary& summary);

}  // namespace wynpack
