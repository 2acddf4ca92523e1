// The runtime's hooks: what the launcher does when the runtime ends the process.
#include "launcher/runtime_hooks.h"

#include "args_output/output_redirector.h"
#include "launcher/jvm_session.h"

void JNICALL onRuntimeExit(jint) {
    outputRedirector().flush();
}

void addRuntimeHooks(JvmSession& session) {
    session.addHook("exit", reinterpret_cast<void*>(&onRuntimeExit));
}
