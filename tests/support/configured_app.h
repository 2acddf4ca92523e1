// An application directory for tests that read the configuration: an executable file and an
// external configuration file beside it holding the given lines, loaded into a ConfigStore
// that is published as activeConfig for the object's lifetime (the previous store comes
// back afterwards). The executable's directory is the ScratchTree's root with a trailing '/'.
#pragma once

#include <string>

#include "config/config_store.h"
#include "support/scratch_tree.h"

class ConfiguredApp {
  public:
    // lines: configuration lines separated by '\n'.
    ConfiguredApp(ScratchTree& tree, const std::string& lines);
    ConfiguredApp(const ConfiguredApp&) = delete;
    ConfiguredApp& operator=(const ConfiguredApp&) = delete;
    ~ConfiguredApp();

    ConfigStore& store() { return store_; }
    // The executable's directory as the store reports it (with its trailing separator).
    std::string directory() const { return store_.exeDirectory().c_str(); }

  private:
    ConfigStore store_{false};
    ConfigStore* previous_;
};
