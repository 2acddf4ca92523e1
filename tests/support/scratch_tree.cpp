// Private directory trees, current-directory and environment scopes for tests.
#include "support/scratch_tree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/env.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

std::string slashed(std::string path) {
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

}  // namespace

ScratchTree::ScratchTree() {
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        base = fs::current_path();
    }
    for (unsigned attempt = 0;; ++attempt) {
        fs::path candidate = base / ("wyn-test-" + std::to_string(stamp % 100000000) + "-" +
                                     std::to_string(counter++));
        if (fs::create_directory(candidate, ec) && !ec) {
            root_ = slashed(candidate.string());
            break;
        }
        if (attempt > 100) {
            ADD_FAILURE() << "cannot create a scratch directory under " << base.string();
            root_ = slashed((base / "wyn-test-unavailable").string());
            break;
        }
    }
}

ScratchTree::~ScratchTree() {
    std::error_code ec;
    fs::remove_all(fs::path(root_), ec);
}

std::string ScratchTree::path(const std::string& relative) const {
    return root_ + "/" + relative;
}

std::string ScratchTree::file(const std::string& relative, const std::string& content) {
    fs::path p(path(relative));
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    std::ofstream out(p, std::ios::binary);
    out << content;
    EXPECT_TRUE(out.good()) << "cannot write " << p.string();
    return path(relative);
}

std::string ScratchTree::directory(const std::string& relative) {
    std::error_code ec;
    fs::create_directories(fs::path(path(relative)), ec);
    EXPECT_FALSE(ec) << "cannot create " << path(relative);
    return path(relative);
}

bool ScratchTree::link(const std::string& relative, const std::string& target) {
    fs::path at(path(relative));
    std::error_code ec;
    fs::create_directories(at.parent_path(), ec);
    if (fs::is_directory(fs::path(target), ec)) {
        fs::create_directory_symlink(fs::path(target), at, ec);
    } else {
        fs::create_symlink(fs::path(target), at, ec);
    }
    return !ec;
}

void ScratchTree::remove(const std::string& relative) {
    std::error_code ec;
    fs::remove(fs::path(path(relative)), ec);
    EXPECT_FALSE(ec) << "cannot remove " << path(relative);
}

CurrentDirectoryScope::CurrentDirectoryScope(const std::string& directory) {
    previous_ = platform::currentDirectory().c_str();
    EXPECT_TRUE(platform::setCurrentDirectory(directory.c_str())) << directory;
}

CurrentDirectoryScope::~CurrentDirectoryScope() {
    platform::setCurrentDirectory(previous_.c_str());
}

EnvironmentScope::EnvironmentScope(const char* name, const char* value) : name_(name) {
    const char* previous = platform::getEnv(name);
    wasSet_ = previous != nullptr;
    if (wasSet_) {
        previous_ = previous;
    }
    std::string assignment = name_ + "=" + (value != nullptr ? value : "");
    platform::putEnv(assignment.c_str());
}

EnvironmentScope::~EnvironmentScope() {
    std::string assignment = name_ + "=" + (wasSet_ ? previous_ : "");
    platform::putEnv(assignment.c_str());
}
