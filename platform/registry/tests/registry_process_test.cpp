// The registry shared between processes of one device root.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_tree.h"
#include "platform/text/utf.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using celvane_test::slurp;

fs::path child_program() {
    return celvane_test::build_bin() / "registry_child";
}

// Starts the helper with its standard output on a pipe.
struct Child {
    pid_t pid = 0;
    int out = -1;
    Child(const fs::path& root, std::vector<std::string> args) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> all{child_program().string(), root.string()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out = fds[0];
    }
    std::string output() {
        std::string text;
        char buf[256];
        ssize_t n;
        while ((n = ::read(out, buf, sizeof buf)) > 0) text.append(buf, size_t(n));
        return text;
    }
    int wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

class RegistryProcesses : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"registry-proc"};
    RegKey test_key() {
        RegKey key;
        hkey_current_user().create(u"Test", key);
        return key;
    }
};

TEST_F(RegistryProcesses, ValuesWrittenByOneProcessAreReadByTheNext) {
    Child writer(root_.path(), {"set", "FromChild", "4711"});
    ASSERT_EQ(writer.wait(), 0);
    RegKey key = test_key();
    EXPECT_EQ(key.get_dword(u"FromChild"), 4711u) << "this process sees the child's change";

    key.set_dword(u"FromParent", 42);
    Child reader(root_.path(), {"get", "FromParent"});
    EXPECT_EQ(reader.output(), "42\n");
    EXPECT_EQ(reader.wait(), 0);

    key.set_dword(u"FromParent", 43);  // a later change reaches a later process
    Child reader2(root_.path(), {"get", "FromParent"});
    EXPECT_EQ(reader2.output(), "43\n");
    reader2.wait();
}

TEST_F(RegistryProcesses, TwoWritersAtOnceLoseNothing) {
    Child a(root_.path(), {"count", "A", "40"});
    Child b(root_.path(), {"count", "B", "40"});
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    RegKey key = test_key();
    for (uint32_t i = 0; i < 40; ++i) {
        EXPECT_EQ(key.get_dword(u"A" + from_utf8(std::to_string(i))), i);
        EXPECT_EQ(key.get_dword(u"B" + from_utf8(std::to_string(i))), i);
    }
}

TEST_F(RegistryProcesses, AWriterKilledMidBurstLeavesAFileThatLoads) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const int rounds = 60;  // sanitized processes start slowly
#else
    const int rounds = 300;
#endif
    std::mt19937 random(12345);
    const fs::path file = root_.path() / "registry.txt";
    for (int round = 0; round < rounds; ++round) {
        Child writer(root_.path(), {"burst", "V"});
        char ready = 0;
        ASSERT_EQ(::read(writer.out, &ready, 1), 1) << "round " << round;
        ::usleep(random() % 3000);
        ::kill(writer.pid, SIGKILL);
        writer.wait();

        std::string text = slurp(file);
        std::string error;
        auto tree = detail::parse_registry(text, nullptr, &error);
        ASSERT_TRUE(tree) << "round " << round << ": " << error;
        // The values of the burst form an unbroken run from V0.
        const detail::RegNode* key = tree->children[0]->child(u"Test");
        ASSERT_NE(key, nullptr);
        size_t run = 0;
        while (key->value(u"V" + from_utf8(std::to_string(run)))) ++run;
        size_t total = 0;
        for (const auto& v : key->values) total += v.name.starts_with(u"V") ? 1 : 0;
        ASSERT_EQ(run, total) << "round " << round;
        ASSERT_GE(run, 1u);
    }
    // Later writers clear what killed ones left behind.
    test_key().set_dword(u"After", 1);
    for (const auto& e : fs::directory_iterator(root_.path()))
        EXPECT_FALSE(e.path().filename().string().starts_with(".registry.txt.tmp-")) << e.path();
    EXPECT_FALSE(fs::exists(root_.path() / "registry.bad"));
}

}  // namespace
