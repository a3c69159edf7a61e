#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/kernel/kernel.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A device root of its own for each test.
class NamedObjects : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("kernel-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(root_);
        plat::set_device_root(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs the lock helper in a child process; true when it saw "already exists".
    bool child_sees_existing(const std::string& name) {
        const char* bin = std::getenv("CELVANE_BUILD_BIN");
        const std::string exe = std::string(bin ? bin : ".") + "/kernel_lock_child";
        const std::string root = root_.string();
        char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>(root.c_str()),
                        const_cast<char*>(name.c_str()), nullptr};
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ), 0);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status));
        return WEXITSTATUS(status) == 1;
    }

    fs::path root_;
};

TEST_F(NamedObjects, CreateReportsAlreadyExistsAndOpenFindsOnlyLiveObjects) {
    EXPECT_FALSE(plat::Event::open("Gate"));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_FILE_NOT_FOUND);
    plat::Created first, second;
    plat::Event a = plat::Event::create("Gate", true, false, &first);
    EXPECT_FALSE(first.already_existed);
    plat::Event b = plat::Event::create("Gate", false, true, &second);
    EXPECT_TRUE(second.already_existed);
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(a.same_object(b));
    EXPECT_FALSE(a.is_set());  // the existing object keeps its state

    // A name belongs to one kind of object.
    EXPECT_FALSE(plat::Mutex::create("Gate", false));
    EXPECT_EQ(plat::get_last_error(), plat::ERROR_INVALID_HANDLE);

    a = plat::Event();
    b = plat::Event();
    EXPECT_FALSE(plat::Event::open("Gate"));  // gone with its last handle
}

TEST_F(NamedObjects, ManualResetEventSetInOneThreadIsSeenInAnother) {
    plat::Event mine = plat::Event::create("DriverEvent", true, false);
    plat::Thread t = plat::Thread::start([] {
        plat::Event theirs = plat::Event::open("DriverEvent");
        theirs.set();
        return 0u;
    });
    t.join();
    plat::Thread reader = plat::Thread::start([] {
        plat::Event theirs = plat::Event::open("DriverEvent");
        return theirs.wait(0) ? 1u : 0u;
    });
    reader.join();
    EXPECT_EQ(reader.exit_code(), 1u);
    EXPECT_TRUE(mine.wait(0));
}

TEST_F(NamedObjects, SingleInstanceMutexHoldsAcrossProcesses) {
    EXPECT_FALSE(child_sees_existing("SpectrumAnalyzer"));
    {
        plat::Created created;
        plat::Mutex held = plat::Mutex::create("SpectrumAnalyzer", true, &created);
        EXPECT_FALSE(created.already_existed);
        EXPECT_TRUE(child_sees_existing("SpectrumAnalyzer"));
        held.unlock();
    }
    EXPECT_FALSE(child_sees_existing("SpectrumAnalyzer"));
}

TEST_F(NamedObjects, FileMappingIsSharedByName) {
    plat::Created created;
    plat::FileMapping writer = plat::FileMapping::create("SharedBlock", 181116, &created);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(created.already_existed);
    EXPECT_EQ(writer.size(), 181116u);
    std::memcpy(writer.data() + 1000, "block", 5);

    plat::FileMapping reader = plat::FileMapping::open("SharedBlock");
    ASSERT_TRUE(reader);
    EXPECT_EQ(std::memcmp(reader.data() + 1000, "block", 5), 0);
    plat::FileMapping again = plat::FileMapping::create("SharedBlock", 16, &created);
    EXPECT_TRUE(created.already_existed);
    EXPECT_EQ(again.size(), 181116u);
    EXPECT_EQ(again.data(), writer.data());
}

}  // namespace
