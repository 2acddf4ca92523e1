// Several processes publishing the same class-data-sharing file at once, as first runs of
// one program that end together do: once they have all returned, the file and its stamp
// always belong together.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/sharing_files.h"
#include "support/scratch_tree.h"

namespace {

constexpr int kPublishers = 4;
constexpr int kRounds = 40;

// A file like the ones a runtime writes, different for each publisher and round.
std::string archiveOf(int publisher, int round) {
    std::string bytes(70000 + publisher * 8, static_cast<char>('a' + publisher));
    uint32_t magic = kDynamicArchiveMagic;
    bytes.replace(0, sizeof magic, reinterpret_cast<const char*>(&magic), sizeof magic);
    bytes.replace(sizeof magic, std::to_string(round).size(), std::to_string(round));
    return bytes;
}

// One publisher: for each round, waits for its go byte, writes its archive, publishes it and
// reports with one byte.
[[noreturn]] void publish(int publisher, int go, int done, const ScratchTree& tree) {
    std::string written = tree.path("w" + std::to_string(publisher) + ".tmp");
    std::string archive = tree.path("app.jsa");
    std::string stamp = tree.path("app.stamp");
    for (int round = 0; round < kRounds; ++round) {
        char byte = 0;
        if (read(go, &byte, 1) != 1) {
            _exit(2);
        }
        {
            std::ofstream out(written, std::ios::binary | std::ios::trunc);
            out << archiveOf(publisher, round);
        }
        (void)publishSharingFile(written.c_str(), archive.c_str(), stamp.c_str());
        if (write(done, &byte, 1) != 1) {
            _exit(2);
        }
    }
    _exit(0);
}

TEST(SharingPublish, PublishersEndingTogetherLeaveAMatchingPair) {
    ScratchTree tree;
    int go[kPublishers][2];
    int done[2];
    ASSERT_EQ(pipe(done), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kPublishers; ++p) {
        ASSERT_EQ(pipe(go[p]), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Only the test holds the go ends, so that a publisher whose test gave up ends.
            for (int q = 0; q <= p; ++q) {
                close(go[q][1]);
            }
            publish(p, go[p][0], done[1], tree);
        }
        close(go[p][0]);
        children.push_back(child);
    }
    close(done[1]);
    std::string archive = tree.path("app.jsa");
    std::string stamp = tree.path("app.stamp");
    int unmatched = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int p = 0; p < kPublishers; ++p) {
            ASSERT_EQ(write(go[p][1], "g", 1), 1);
        }
        for (int p = 0; p < kPublishers; ++p) {
            char byte = 0;
            ASSERT_EQ(read(done[0], &byte, 1), 1) << "a publisher ended early";
        }
        if (!sharingStampMatches(archive.c_str(), stamp.c_str())) {
            ++unmatched;
        }
    }
    for (int p = 0; p < kPublishers; ++p) {
        close(go[p][1]);
    }
    close(done[0]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(unmatched, 0) << "rounds after which the stamp described another file";
}

}  // namespace
