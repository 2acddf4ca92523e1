#include "launcher/jvm_session.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "support/test_runtime_env.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const char* const kClasses =
    "wyntest/App:main,wyntest/NoMain,wyntest/Thrower:main-throws,wyntest/Other:main";

// Records of the log from the first one equal to `from` on (all of it when from is empty).
std::vector<std::string> recordsFrom(const std::vector<std::string>& log, const std::string& from) {
    size_t i = 0;
    while (!from.empty() && i < log.size() && log[i] != from) {
        ++i;
    }
    return std::vector<std::string>(log.begin() + static_cast<long>(i), log.end());
}

class JvmSessionTest : public testing::Test {
  protected:
    JvmSessionTest() : runtime_(kClasses) {}

    // A session with a created machine.
    void create() { ASSERT_EQ(session_.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success); }

    int live(const char* what) { return TestRuntimeEnv::live(session_.library(), what); }

    // Every reference and string the session made has been given back.
    void expectNothingLeft() {
        EXPECT_EQ(live("local-refs"), 0);
        EXPECT_EQ(live("open-chars"), 0);
        EXPECT_FALSE(session_.env()->ExceptionCheck());
    }

    TestRuntimeEnv runtime_;
    JvmSession session_;
};

TEST_F(JvmSessionTest, CreateVmPassesOptionsInOrderWithVersionAndIgnoreUnrecognized) {
    session_.addOption("-Xmx64m");
    session_.addOption("-XstartOnFirstThread");
    session_.addOption("-Djava.class.path=a.jar;b.jar");
    ASSERT_EQ(session_.options().count(), 3);

    ASSERT_EQ(session_.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);

    std::vector<std::string> expected = {
        "create-options 3",
        "option -Xmx64m",
        "option -XstartOnFirstThread",
        "option -Djava.class.path=a.jar;b.jar",
        "ignore-unrecognized 1",
        "version 0x10002",
        "create-result 0",
    };
    EXPECT_EQ(runtime_.log(), expected);
    EXPECT_NE(session_.vm(), nullptr);
    EXPECT_NE(session_.env(), nullptr);
    EXPECT_EQ(session_.options().count(), 0) << "the options are given up on creation";
}

TEST_F(JvmSessionTest, CreateVmWithoutOptions) {
    create();
    EXPECT_EQ(runtime_.countOf("create-options 0"), 1);
}

TEST_F(JvmSessionTest, FailedCreationGives4AndKeepsOnlyTheLibrary) {
    runtime_.setCreateResult("-6");
    session_.addOption("-Xss1k");

    EXPECT_EQ(session_.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::VmStartFailed);

    // The test runtime writes its machine pointer even when it fails.
    EXPECT_EQ(session_.vm(), nullptr);
    EXPECT_EQ(session_.env(), nullptr);
    EXPECT_NE(session_.library(), nullptr);
    EXPECT_EQ(session_.options().count(), 0) << "options are given up whatever the outcome";
    session_.unload();
    EXPECT_EQ(session_.library(), nullptr);
    EXPECT_EQ(runtime_.countOf("destroy"), 0) << "no machine to destroy";
}

TEST_F(JvmSessionTest, EntryPointUnderItsOtherNameIsUsed) {
    session_.addOption("-Xmx64m");

    EXPECT_EQ(session_.createVm(WYN_TEST_RUNTIME_IMPL_LIBRARY), LaunchResult::Success);

    EXPECT_NE(session_.vm(), nullptr);
    EXPECT_EQ(runtime_.countOf("option -Xmx64m"), 1);
    EXPECT_EQ(runtime_.countOf("create-result 0"), 1);
}

TEST_F(JvmSessionTest, LibraryWithoutCreationEntryPointGives2) {
    EXPECT_EQ(session_.createVm(WYN_TEST_RUNTIME_NOENTRY_LIBRARY), LaunchResult::RuntimeNotValid);
    EXPECT_EQ(session_.vm(), nullptr);
    EXPECT_TRUE(runtime_.log().empty());
}

TEST_F(JvmSessionTest, LibraryThatCannotBeLoadedGives2WithTheReasonOnStandardError) {
    CaptureStderr();
    LaunchResult result = session_.createVm(WYN_TEST_RUNTIME_HOME "/no-such-directory/jvm-library");
    std::string printed = GetCapturedStderr();

    EXPECT_EQ(result, LaunchResult::RuntimeNotValid);
    EXPECT_EQ(session_.library(), nullptr);
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.back(), '\n');
}

TEST_F(JvmSessionTest, FileThatIsNoLibraryIsReportedWithItsPath) {
    std::string path = runtime_.logPath() + ".not-a-library";
    std::ofstream(path) << "plain text, no code";

    CaptureStderr();
    LaunchResult result = session_.loadRuntime(path.c_str());
    std::string printed = GetCapturedStderr();
    std::remove(path.c_str());

    EXPECT_EQ(result, LaunchResult::RuntimeNotValid);
    EXPECT_NE(printed.find("not-a-library"), std::string::npos) << printed;
}

TEST_F(JvmSessionTest, CreateVmAfterLoadRuntimeDoesNotLoadAgain) {
    ASSERT_EQ(session_.loadRuntime(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);
    platform::LibraryHandle loaded = session_.library();

    // A path that does not exist shows that nothing is loaded a second time.
    EXPECT_EQ(session_.createVm(WYN_TEST_RUNTIME_HOME "/no-such-directory/jvm-library"),
              LaunchResult::Success);
    EXPECT_EQ(session_.library(), loaded);
    EXPECT_NE(session_.vm(), nullptr);
}

TEST_F(JvmSessionTest, SecondCreationFailsAndKeepsTheFirstMachine) {
    create();
    JavaVM* first = session_.vm();
    JNIEnv* env = session_.env();

    EXPECT_EQ(session_.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::VmStartFailed);

    EXPECT_EQ(session_.vm(), first);
    EXPECT_EQ(session_.env(), env);
    EXPECT_EQ(runtime_.countOf("create-result 0"), 1);
    session_.unload();
    EXPECT_EQ(runtime_.countOf("destroy"), 1);
}

TEST_F(JvmSessionTest, UnloadDetachesDestroysAndFreesOnceOnly) {
    create();
    session_.unload();

    EXPECT_EQ(session_.vm(), nullptr);
    EXPECT_EQ(session_.env(), nullptr);
    EXPECT_EQ(session_.library(), nullptr);
    std::vector<std::string> expected = {"detach", "destroy"};
    EXPECT_EQ(recordsFrom(runtime_.log(), "detach"), expected);

    session_.unload();
    EXPECT_EQ(recordsFrom(runtime_.log(), "detach"), expected);
}

TEST_F(JvmSessionTest, DestructorUnloads) {
    {
        JvmSession session;
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);
    }
    EXPECT_EQ(runtime_.log().back(), "destroy");
    // The runtime can be loaded and created again afterwards.
    create();
}

TEST_F(JvmSessionTest, QueryJavaVersionReadsTheProperty) {
    struct Case {
        const char* version;  // null: the property is not set
        const char* expected;
    } cases[] = {
        {"17.0.2", "17.0.2"},
        {"1.6.0_45", "1.6.0_45"},
        {nullptr, "untouched"},
    };
    for (const Case& c : cases) {
        JvmSession session;
        runtime_.setVersion(c.version);
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);
        TextString output("untouched");

        EXPECT_TRUE(session.queryJavaVersion(output));

        EXPECT_EQ(std::string(output.c_str()), c.expected);
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "local-refs"), 0);
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "open-chars"), 0);
    }
    EXPECT_EQ(runtime_.countOf("call java/lang/System.getProperty java.version"), 3);
}

TEST_F(JvmSessionTest, QueryJavaVersionWithoutMachineCannotRun) {
    TextString output("untouched");
    EXPECT_FALSE(session_.queryJavaVersion(output));
    EXPECT_EQ(std::string(output.c_str()), "untouched");
}

TEST_F(JvmSessionTest, DottedAndSlashedNamesFindTheSameClass) {
    create();
    for (const char* name : {"wyntest.App", "wyntest/App"}) {
        jclass found = session_.findClassByName(name);
        EXPECT_NE(found, nullptr) << name;
        session_.env()->DeleteLocalRef(found);
    }
    EXPECT_EQ(runtime_.countOf("find-class wyntest/App found"), 2);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, MissingClassIsNullWithTheErrorDescribedAndCleared) {
    create();
    CaptureStderr();
    EXPECT_EQ(session_.findClassByName("wyntest.Missing"), nullptr);
    std::string printed = GetCapturedStderr();

    EXPECT_EQ(runtime_.countOf("describe java/lang/NoClassDefFoundError: wyntest/Missing"), 1);
    EXPECT_NE(printed.find("java.lang.NoClassDefFoundError"), std::string::npos);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, CallMainResults) {
    struct Case {
        const char* mainClass;
        LaunchResult result;
        const char* described;  // the exception printed, or null
        bool mainCalled;
    } cases[] = {
        {"wyntest.App", LaunchResult::Success, nullptr, true},
        {"wyntest/Other", LaunchResult::Success, nullptr, true},
        {"wyntest.Missing", LaunchResult::MainClassNotFound,
         "describe java/lang/NoClassDefFoundError: wyntest/Missing", false},
        {"wyntest.NoMain", LaunchResult::MainMethodMissing,
         "describe java/lang/NoSuchMethodError: main", false},
        {"wyntest.Thrower", LaunchResult::MainThrew,
         "describe java/lang/RuntimeException: thrown by main of wyntest/Thrower", true},
    };
    create();
    for (const Case& c : cases) {
        StringList values;
        std::vector<std::string> before = runtime_.log();
        CaptureStderr();

        LaunchResult result = session_.callMain(c.mainClass, values, 0, nullptr);

        std::string printed = GetCapturedStderr();
        std::vector<std::string> after = runtime_.log();
        std::vector<std::string> added(after.begin() + static_cast<long>(before.size()),
                                       after.end());
        EXPECT_EQ(result, c.result) << c.mainClass;
        EXPECT_EQ(recordsStartingWith(added, "main-class").size(), c.mainCalled ? 1u : 0u)
            << c.mainClass;
        std::vector<std::string> described = recordsStartingWith(added, "describe");
        if (c.described != nullptr) {
            ASSERT_EQ(described.size(), 1u) << c.mainClass;
            EXPECT_EQ(described[0], c.described);
            EXPECT_FALSE(printed.empty());
        } else {
            EXPECT_TRUE(described.empty()) << c.mainClass;
        }
        expectNothingLeft();
    }
}

TEST_F(JvmSessionTest, MainReceivesConfiguredValuesSplitThenTheCommandLine) {
    create();
    StringList values;
    values.addString("-a \"b c\"");
    values.addString("d");
    char x[] = "x";
    char y[] = "y";
    char* argv[] = {x, y};

    EXPECT_EQ(session_.callMain("wyntest.App", values, 2, argv), LaunchResult::Success);

    std::vector<std::string> expected = {
        "main-class wyntest/App", "arg -a", "arg b c", "arg d", "arg x", "arg y"};
    EXPECT_EQ(recordsFrom(runtime_.log(), "main-class wyntest/App"), expected);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, MainWithoutAnyArgumentsGetsAnEmptyArray) {
    create();
    StringList values;
    values.addString("   ");

    EXPECT_EQ(session_.callMain("wyntest.App", values, 0, nullptr), LaunchResult::Success);

    std::vector<std::string> expected = {"main-class wyntest/App"};
    EXPECT_EQ(recordsFrom(runtime_.log(), "main-class wyntest/App"), expected);
}

// Calls App.main with the array, so that the runtime logs what it holds.
void passToMain(JNIEnv* env, jobjectArray array) {
    jclass app = env->FindClass("wyntest/App");
    jmethodID main = env->GetStaticMethodID(app, "main", "([Ljava/lang/String;)V");
    env->CallStaticVoidMethod(app, main, array);
    env->DeleteLocalRef(app);
}

TEST_F(JvmSessionTest, BuildStringArrayPutsLeadingBeforeFurther) {
    create();
    char a[] = "first";
    char b[] = "";
    char c[] = "with blank";
    char* leading[] = {a, b};
    char* further[] = {c};

    jobjectArray array = session_.buildStringArray(2, leading, 1, further);
    ASSERT_NE(array, nullptr);
    passToMain(session_.env(), array);
    session_.env()->DeleteLocalRef(array);

    std::vector<std::string> expected = {"main-class wyntest/App", "arg first", "arg ",
                                         "arg with blank"};
    EXPECT_EQ(recordsFrom(runtime_.log(), "main-class wyntest/App"), expected);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, BuildStringArrayConvertsFromTheCodePage) {
    // The user's locale, or UTF-8 where the default locale is plain ASCII.
    std::string saved = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "");
    if (narrowFromWide(u"\u00e9", -1) == "?") {
        std::setlocale(LC_ALL, "C.UTF-8");
    }
    TextString narrow = narrowFromWide(u"caf\u00e9 \u00fcber", -1);
    ASSERT_NE(narrow, "caf? ?ber") << "no locale here can represent the test text";
    create();
    char* leading[] = {narrow.data()};

    jobjectArray array = session_.buildStringArray(1, leading, 0, nullptr);
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_NE(array, nullptr);
    passToMain(session_.env(), array);
    session_.env()->DeleteLocalRef(array);

    EXPECT_EQ(runtime_.countOf("arg caf\xC3\xA9 \xC3\xBC"
                               "ber"),
              1);
}

TEST_F(JvmSessionTest, CheckExceptionClearsAndDescribesOnRequest) {
    create();
    JNIEnv* env = session_.env();
    EXPECT_EQ(checkException(env, true), 0);
    EXPECT_EQ(checkException(nullptr, true), 0);

    struct Case {
        bool describe;
        int describedRecords;
    } cases[] = {{false, 0}, {true, 1}};
    for (const Case& c : cases) {
        int before = runtime_.countOf("describe java/lang/NoClassDefFoundError: no/Such");
        EXPECT_EQ(env->FindClass("no/Such"), nullptr);
        CaptureStderr();

        EXPECT_EQ(checkException(env, c.describe), 1);

        std::string printed = GetCapturedStderr();
        EXPECT_FALSE(env->ExceptionCheck());
        EXPECT_EQ(runtime_.countOf("describe java/lang/NoClassDefFoundError: no/Such") - before,
                  c.describedRecords);
        EXPECT_EQ(printed.empty(), !c.describe) << printed;
    }
    expectNothingLeft();
}

TEST_F(JvmSessionTest, CheckedLookupsClearWhatTheyRaise) {
    create();
    JNIEnv* env = session_.env();
    LocalRef<jclass> system(env, findClassChecked(env, "java/lang/System", false));
    ASSERT_FALSE(system.isNull());

    EXPECT_EQ(findClassChecked(env, "no/Such", false), nullptr);
    EXPECT_EQ(findStaticMethodChecked(env, system.get(), "noSuch", "()V", false), nullptr);
    EXPECT_EQ(findMethodChecked(env, system.get(), "exit", "(I)V", false), nullptr)
        << "exit is static";
    EXPECT_NE(findStaticMethodChecked(env, system.get(), "exit", "(I)V", false), nullptr);
    EXPECT_FALSE(env->ExceptionCheck());
    EXPECT_EQ(runtime_.countOf("describe java/lang/NoSuchMethodError: noSuch"), 0);
}

TEST_F(JvmSessionTest, LocalRefDeletesOnceAndReleaseHandsOver) {
    create();
    JNIEnv* env = session_.env();
    jclass kept = nullptr;
    {
        LocalRef<jclass> deleted(env, env->FindClass("java/lang/String"));
        LocalRef<jclass> handed(env, env->FindClass("java/lang/String"));
        EXPECT_EQ(live("local-refs"), 2);
        kept = handed.release();
        EXPECT_TRUE(handed.isNull());
    }
    EXPECT_EQ(live("local-refs"), 1);
    env->DeleteLocalRef(kept);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, SetContextLoaderOnTheSessionsThread) {
    create();
    JNIEnv* env = session_.env();
    jclass loaderClass = env->FindClass("java/lang/ClassLoader");
    jmethodID getSystem =
        env->GetStaticMethodID(loaderClass, "getSystemClassLoader", "()Ljava/lang/ClassLoader;");
    jobject loader = env->CallStaticObjectMethod(loaderClass, getSystem);
    ASSERT_NE(loader, nullptr);

    session_.setContextLoader(loader, nullptr);

    std::vector<std::string> expected = {
        "find-class java/lang/Thread found",
        "call java/lang/Thread.currentThread",
        "call java/lang/Thread.setContextClassLoader java/lang/ClassLoader",
    };
    EXPECT_EQ(recordsFrom(runtime_.log(), "find-class java/lang/Thread found"), expected);
    env->DeleteLocalRef(loader);
    env->DeleteLocalRef(loaderClass);
    expectNothingLeft();
}

TEST_F(JvmSessionTest, SetContextLoaderWithAnotherThreadsEnvironment) {
    create();
    JavaVM* vm = session_.vm();
    std::thread other([&] {
        JNIEnv* env = nullptr;
        ASSERT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
        // The runtime stops the process if the session used its own env on this thread.
        session_.setContextLoader(nullptr, env);
        EXPECT_FALSE(env->ExceptionCheck());
        vm->DetachCurrentThread();
    });
    other.join();

    std::vector<std::string> expected = {
        "attach",
        "find-class java/lang/Thread found",
        "call java/lang/Thread.currentThread",
        "call java/lang/Thread.setContextClassLoader null",
        "detach",
    };
    EXPECT_EQ(recordsFrom(runtime_.log(), "attach"), expected);
    expectNothingLeft();
}

// A runtime that runs out of memory in the middle of an operation.
class JvmSessionOutOfMemoryTest : public JvmSessionTest {};

TEST_F(JvmSessionOutOfMemoryTest, MainIsNotCalledWithAnIncompleteArgumentArray) {
    for (const char* failing : {"NewString", "NewObjectArray"}) {
        JvmSession session;
        runtime_.setFailing(failing);
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);
        StringList values;
        values.addString("a b");
        CaptureStderr();

        LaunchResult result = session.callMain("wyntest.App", values, 0, nullptr);

        std::string printed = GetCapturedStderr();
        EXPECT_EQ(result, LaunchResult::VmStartFailed) << failing;
        EXPECT_EQ(runtime_.countOf("main-class wyntest/App"), 0) << failing;
        EXPECT_EQ(runtime_.countOf(std::string("describe java/lang/OutOfMemoryError: ") + failing),
                  1);
        EXPECT_NE(printed.find("OutOfMemoryError"), std::string::npos);
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "local-refs"), 0) << failing;
        EXPECT_FALSE(session.env()->ExceptionCheck());
    }
}

TEST_F(JvmSessionOutOfMemoryTest, VersionQuery) {
    struct Case {
        const char* failing;
        bool ran;
    } cases[] = {{"NewStringUTF", false}, {"GetStringChars", true}, {"FindClass", false}};
    runtime_.setVersion("17.0.2");
    for (const Case& c : cases) {
        JvmSession session;
        runtime_.setFailing(c.failing);
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);
        TextString output("untouched");

        EXPECT_EQ(session.queryJavaVersion(output), c.ran) << c.failing;

        EXPECT_EQ(std::string(output.c_str()), "untouched") << c.failing;
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "local-refs"), 0) << c.failing;
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "open-chars"), 0) << c.failing;
        EXPECT_FALSE(session.env()->ExceptionCheck());
    }
}

TEST_F(JvmSessionOutOfMemoryTest, CallsThatFindNoClassReturnQuietly) {
    runtime_.setFailing("FindClass");
    create();
    CaptureStderr();

    JvmSession::callSystemExit(session_.env(), 3);
    session_.setContextLoader(nullptr, nullptr);

    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(runtime_.countOf("exit 3"), 0);
    expectNothingLeft();
}

}  // namespace
