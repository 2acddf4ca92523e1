// Application directories with an external configuration file, for tests.
#include "support/configured_app.h"

#include "config/config_store.h"

ConfiguredApp::ConfiguredApp(ScratchTree& tree, const std::string& lines)
    : previous_(activeConfig) {
    std::string executable = tree.file("app.exe", "not a real executable");
    tree.file("app.exe.cfg", lines + "\n");
    store_.loadFrom(executable.c_str());
    activeConfig = &store_;
}

ConfiguredApp::~ConfiguredApp() {
    activeConfig = previous_;
}
