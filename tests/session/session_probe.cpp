// Drives JvmSession against a real runtime or the test runtime, one session after another,
// each on a thread of its own as the launcher's launch thread would. A runtime creates one
// virtual machine per process, so every scenario with a real runtime is a process of its
// own; the test runtime allows several sessions in a row (separated by --then).
//
// Usage: wyn_session_probe SESSION [--then SESSION]...
// SESSION is a list of steps, run in this order whatever order they are given in:
//   --env NAME=VALUE        set before the session starts
//   --runtime PATH          the runtime library
//   --option TEXT           a virtual machine option
//   --load-first            loadRuntime before createVm
//   --version               queryJavaVersion
//   --context-loader-null   setContextLoader(null) on the session's thread
//   --main CLASS            callMain with the --value texts and --arg arguments
//   --value TEXT / --arg TEXT
//   --exit N                callSystemExit(N)
//   --unload-twice          call unload a second time
// Every step prints one line ("createVm=0", "callMain=7": the exit code of the result) on
// standard output; the checks are made by the test registration on that output, on standard
// error and on the test runtime's log.
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "launcher/jvm_session.h"
#include "platform/env.h"

namespace {

struct Plan {
    std::vector<std::string> env;
    std::string runtime;
    std::vector<std::string> options;
    bool loadFirst = false;
    bool version = false;
    bool contextLoaderNull = false;
    std::string mainClass;
    std::vector<std::string> values;
    std::vector<std::string> args;
    bool exit = false;
    int exitStatus = 0;
    bool unloadTwice = false;
};

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    va_list list;
    va_start(list, format);
    std::vprintf(format, list);
    va_end(list);
    std::putchar('\n');
    std::fflush(stdout);
}

[[noreturn]] void usage(const char* problem) {
    std::fprintf(stderr, "wyn_session_probe: %s\n", problem);
    std::exit(64);
}

std::vector<Plan> parse(int argc, char** argv) {
    std::vector<Plan> plans(1);
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        Plan& plan = plans.back();
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage(("missing value after " + flag).c_str());
            }
            return argv[++i];
        };
        if (flag == "--then") {
            plans.emplace_back();
        } else if (flag == "--env") {
            plan.env.push_back(value());
        } else if (flag == "--runtime") {
            plan.runtime = value();
        } else if (flag == "--option") {
            plan.options.push_back(value());
        } else if (flag == "--load-first") {
            plan.loadFirst = true;
        } else if (flag == "--version") {
            plan.version = true;
        } else if (flag == "--context-loader-null") {
            plan.contextLoaderNull = true;
        } else if (flag == "--main") {
            plan.mainClass = value();
        } else if (flag == "--value") {
            plan.values.push_back(value());
        } else if (flag == "--arg") {
            plan.args.push_back(value());
        } else if (flag == "--exit") {
            plan.exit = true;
            plan.exitStatus = std::atoi(value().c_str());
        } else if (flag == "--unload-twice") {
            plan.unloadTwice = true;
        } else {
            usage(("unknown step " + flag).c_str());
        }
    }
    for (const Plan& plan : plans) {
        if (plan.runtime.empty()) {
            usage("every session needs --runtime");
        }
    }
    return plans;
}

void runJavaSteps(JvmSession& session, Plan& plan) {
    if (plan.version) {
        TextString version;
        int ran = session.queryJavaVersion(version);
        say("version-query=%d", ran);
        say("version=%s", version.c_str());
    }
    if (plan.contextLoaderNull) {
        session.setContextLoader(nullptr, nullptr);
        say("context-loader-set");
    }
    if (!plan.mainClass.empty()) {
        StringList values;
        for (const std::string& value : plan.values) {
            values.addString(value.c_str());
        }
        std::vector<char*> args;
        for (std::string& arg : plan.args) {
            args.push_back(&arg[0]);
        }
        int result = exitCodeOf(session.callMain(plan.mainClass.c_str(), values,
                                                 static_cast<int>(args.size()), args.data()));
        say("callMain=%d", result);
    }
    if (plan.exit) {
        JvmSession::callSystemExit(session.env(), plan.exitStatus);
        say("exit returned");
    }
}

void runSession(Plan& plan) {
    for (const std::string& assignment : plan.env) {
        platform::putEnv(assignment.c_str());
    }
    JvmSession session;
    for (const std::string& option : plan.options) {
        session.addOption(option.c_str());
    }
    if (plan.loadFirst) {
        say("loadRuntime=%d", exitCodeOf(session.loadRuntime(plan.runtime.c_str())));
    }
    int created = exitCodeOf(session.createVm(plan.runtime.c_str()));
    say("createVm=%d", created);
    say("vm=%s", session.vm() != nullptr ? "set" : "null");
    if (created == 0) {
        runJavaSteps(session, plan);
    }
    session.unload();
    say("unloaded");
    if (plan.unloadTwice) {
        session.unload();
        say("unloaded again");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<Plan> plans = parse(argc, argv);
    for (Plan& plan : plans) {
        std::thread launch([&plan] { runSession(plan); });
        launch.join();
    }
    return 0;
}
