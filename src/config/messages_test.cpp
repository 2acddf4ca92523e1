#include "config/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string str(const TextString& t) {
    return std::string(t.c_str(), t.length());
}

std::string fill(const char* text, const char* version = "1.6.0_45", const char* minjre = "1.7",
                 const char* maxjre = "11") {
    return str(formatMessage(text, version, minjre, maxjre));
}

TEST(Messages, DefaultTexts) {
    struct Case {
        int id;
        const char* text;
    } cases[] = {
        {kMessageRuntimeNotFound, "Java Runtime Environment not found."},
        {kMessageRuntimeNotValid, "Java Runtime Environment not valid."},
        {kMessageVmInitializeFailed, "Java Virtual Machine initialize failed."},
        {kMessageVmStartFailed, "Java Virtual Machine starts failed."},
        {kMessageVersionUnknown, "Can not get the virtual machine version."},
        {kMessageVersionTooLow,
         "Java virtual machine version %s is too low, require %s or higher."},
        {kMessageMainClassNotFound, "The main startup class could not be found."},
        {kMessageMainMethodMissing, "The main startup class is not valid, main method missing."},
        {kMessageCaption, "Error"},
        {kMessageVersionTooHigh,
         "Java virtual machine version %s is too high, version between %s and %s is required."},
        {kMessageAlreadyRunning, "There is already an instance of this program running."},
        {kMessagePathWithoutAnsiForm,
         "This program cannot start from %s because Java cannot be given that path. Please move "
         "the program to a folder whose path uses only characters of the system's language "
         "settings."},
        {kMessageRuntimeCacheFailed,
         "The Java runtime inside this program cannot be unpacked into %s: %s. Free some disk "
         "space or make that folder writable, then start the program again."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(getMessage(c.id)), c.text) << c.id;
    }
}

TEST(MessageFormat, TheRuntimeCacheFailureNamesTheFolderAndTheReason) {
    EXPECT_EQ(str(runtimeCacheFailureMessage("/home/u/.cache/wyn/runtimes", "the disk is full")),
              "The Java runtime inside this program cannot be unpacked into "
              "/home/u/.cache/wyn/runtimes: the disk is full. Free some disk space or make that "
              "folder writable, then start the program again.");
    // A folder whose name holds printf directives is shown as it is.
    EXPECT_NE(str(runtimeCacheFailureMessage("C:\\%s%n%d", "the folder may not be written"))
                  .find("C:\\%s%n%d: the folder may not be written."),
              std::string::npos);
}

TEST(Messages, IdsWithoutTextAreEmpty) {
    for (int id : {0, 9, 11, 99, -1, 100000}) {
        EXPECT_EQ(str(getMessage(id)), "") << id;
    }
}

TEST(MessageFormat, VersionMessagesReadAsSentences) {
    EXPECT_EQ(fill(str(getMessage(kMessageVersionTooLow)).c_str()),
              "Java virtual machine version 1.6.0_45 is too low, require 1.7 or higher.");
    EXPECT_EQ(fill(str(getMessage(kMessageVersionTooHigh)).c_str(), "17.0.2", "1.8", "11"),
              "Java virtual machine version 17.0.2 is too high, version between 1.8 and 11 is "
              "required.");
}

TEST(MessageFormat, OnlyPercentSAndPercentPercentAreFilled) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%n%n%n", "%n%n%n"},
        {"%x %d %p %08x", "%x %d %p %08x"},
        {"%1000000s", "%1000000s"},
        {"%-10s|%.2s", "%-10s|%.2s"},
        {"100%% sure", "100% sure"},
        {"%%s", "%s"},
        {"trailing %", "trailing %"},
        {"%s %s %s %s %s", "1.6.0_45 1.7 11  "},
        {"%s%s", "1.6.0_451.7"},
        {"no placeholders", "no placeholders"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fill(c.text), c.expected) << c.text;
    }
}

TEST(MessageFormat, LongTextsComeOutWhole) {
    std::string text(100000, 'a');
    text += " %s ";
    text += std::string(100000, 'b');
    std::string version(5000, 'v');
    std::string expected =
        std::string(100000, 'a') + " " + version + " " + std::string(100000, 'b');
    EXPECT_EQ(fill(text.c_str(), version.c_str()), expected);
}

TEST(DownloadPage, OnlyPlainWebAddressesAreOpened) {
    struct Case {
        const char* url;
        bool web;
    };
    const Case cases[] = {
        {"https://example.org/java", true},
        {"HTTP://example.org/get%20java?v=17&os=win#top", true},
        {"hTtPs://x", true},
        {"https://", false},
        {"http:/example.org", false},
        {"ftp://example.org/java", false},
        {"file:///C:/Windows/System32/calc.exe", false},
        {"javascript:alert(1)", false},
        {" https://example.org", false},
        {"https://example.org/a b", false},
        {"https://example.org/\" --new-window", false},
        {"https://example.org/<x>", false},
        {"https://example.org/a\\b", false},
        {"https://example.org/a|b", false},
        {"https://example.org/a^b", false},
        {"https://example.org/\tx", false},
        {"https://ex\xC3\xA4mple.org/", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isWebAddress(c.url), c.web) << c.url;
    }
}

}  // namespace
