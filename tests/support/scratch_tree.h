// A private directory tree for tests: created empty under the system's temporary directory,
// filled with files, directories and links by relative path, and removed with everything in
// it when the object goes away. Paths are returned with '/' separators, which both Windows
// and Linux accept.
#pragma once

#include <string>

class ScratchTree {
  public:
    ScratchTree();
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;
    ~ScratchTree();

    // The tree's root, without a trailing separator.
    const std::string& root() const { return root_; }
    // root() + "/" + relative.
    std::string path(const std::string& relative) const;

    // Creates a file (and its parent directories) holding content.
    std::string file(const std::string& relative, const std::string& content = "x");
    // Creates a directory and its parents.
    std::string directory(const std::string& relative);
    // Creates a symbolic link at relative (and its parent directories) that points to
    // target, a file or a directory. False when the system refuses links.
    bool link(const std::string& relative, const std::string& target);
    // Removes one file or one empty directory.
    void remove(const std::string& relative);

  private:
    std::string root_;
};

// Makes a directory the current one for the object's lifetime.
class CurrentDirectoryScope {
  public:
    explicit CurrentDirectoryScope(const std::string& directory);
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;
    ~CurrentDirectoryScope();

  private:
    std::string previous_;
};

// Sets (or, with a null value, unsets) an environment variable for the object's lifetime.
class EnvironmentScope {
  public:
    EnvironmentScope(const char* name, const char* value);
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;
    ~EnvironmentScope();

  private:
    std::string name_;
    std::string previous_;
    bool wasSet_ = false;
};
