// The launch sequence's own calls into Java, against the test runtime: what the runtime was
// asked, and that no reference or exception is left behind, also when the runtime fails.
#include "launcher/launch_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/jvm_session.h"
#include "support/test_runtime_env.h"

namespace {

const char* const kClasses = "wyntest/App:main,com/tarnwick/wyn/SplashCloseOnWindow";

class LaunchSequenceJavaTest : public testing::Test {
  protected:
    explicit LaunchSequenceJavaTest(const char* classes = kClasses) : runtime_(classes) {}

    void create() { ASSERT_EQ(session_.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success); }

    // Every reference the sequence made has been given back, and nothing is pending.
    void expectNothingLeft(const std::string& what) {
        EXPECT_EQ(TestRuntimeEnv::live(session_.library(), "local-refs"), 0) << what;
        EXPECT_FALSE(session_.env()->ExceptionCheck()) << what;
    }

    TestRuntimeEnv runtime_;
    JvmSession session_;
};

TEST_F(LaunchSequenceJavaTest, PropertiesReachTheRuntimeAsTheyWereWritten) {
    struct Case {
        const char* line;
        const char* record;  // what the runtime was asked to set, or null for nothing
    } cases[] = {
        {"app.mode=fast", "property app.mode=fast"},
        {"flag", "property flag="},
        {"app.url=a=b", "property app.url=a=b"},
        {"app.mode=slow", "property app.mode=slow"},  // replaces the first: old value returned
        {"app.name=caf\xc3\xa9 \xf0\x9f\x98\x80", "property app.name=caf\xc3\xa9 \xf0\x9f\x98\x80"},
        {"=no name", nullptr},  // the runtime refuses an empty key
    };
    create();
    for (const Case& c : cases) {
        size_t before = recordsStartingWith(runtime_.log(), "property ").size();

        setSystemProperty(session_.env(), c.line);

        std::vector<std::string> set = recordsStartingWith(runtime_.log(), "property ");
        if (c.record == nullptr) {
            EXPECT_EQ(set.size(), before) << c.line;
        } else {
            ASSERT_EQ(set.size(), before + 1) << c.line;
            EXPECT_EQ(set.back(), c.record);
        }
        expectNothingLeft(c.line);
    }
}

TEST_F(LaunchSequenceJavaTest, PropertyIsSkippedQuietlyWhenTheRuntimeRunsOutOfMemory) {
    for (const char* failing : {"FindClass", "NewString"}) {
        JvmSession session;
        runtime_.setFailing(failing);
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);

        setSystemProperty(session.env(), "app.mode=fast");

        EXPECT_EQ(runtime_.countOf("property app.mode=fast"), 0) << failing;
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "local-refs"), 0) << failing;
        EXPECT_FALSE(session.env()->ExceptionCheck()) << failing;
    }
}

TEST_F(LaunchSequenceJavaTest, SplashListenerIsAddedForWindowEvents) {
    create();

    registerSplashCloseListener(session_.env());

    std::vector<std::string> added =
        recordsStartingWith(runtime_.log(), "call java/awt/Toolkit.addAWTEventListener");
    ASSERT_EQ(added.size(), 1u);
    EXPECT_NE(added[0].find("SplashCloseOnWindow"), std::string::npos) << added[0];
    EXPECT_EQ(added[0].substr(added[0].size() - 3), " 64") << added[0];
    expectNothingLeft("listener added");
}

TEST_F(LaunchSequenceJavaTest, SplashListenerIsSkippedQuietlyWhenTheRuntimeRunsOutOfMemory) {
    for (const char* failing : {"FindClass", "NewObject"}) {
        JvmSession session;
        runtime_.setFailing(failing);
        ASSERT_EQ(session.createVm(WYN_TEST_RUNTIME_LIBRARY), LaunchResult::Success);

        registerSplashCloseListener(session.env());

        EXPECT_TRUE(recordsStartingWith(runtime_.log(), "call java/awt/Toolkit.addAWTEventListener")
                        .empty())
            << failing;
        EXPECT_EQ(TestRuntimeEnv::live(session.library(), "local-refs"), 0) << failing;
        EXPECT_FALSE(session.env()->ExceptionCheck()) << failing;
    }
}

// Without the support classes (an application packed without them) there is no listener to
// add, and nothing is left pending.
class LaunchSequenceWithoutSupportTest : public LaunchSequenceJavaTest {
  protected:
    LaunchSequenceWithoutSupportTest() : LaunchSequenceJavaTest("wyntest/App:main") {}
};

TEST_F(LaunchSequenceWithoutSupportTest, SplashListenerNeedsTheSupportClass) {
    create();

    registerSplashCloseListener(session_.env());

    EXPECT_TRUE(
        recordsStartingWith(runtime_.log(), "call java/awt/Toolkit.addAWTEventListener").empty());
    expectNothingLeft("no support class");
}

}  // namespace
