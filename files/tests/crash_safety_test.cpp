// Saves that die: a child saving setups is killed at random moments, and a
// child whose files may not grow runs out of room. The files on the disk
// are always whole.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "core/res_string.h"
#include "files_test_support.h"

using namespace files_test;
namespace fs = std::filesystem;

namespace {

const fs::path kSetups = fs::path("FlashFX Disk") / "My Setups";

// The two setups the child saves in turn: a spectrum setup and a calibrated
// network analyzer setup.
struct Savers {
    explicit Savers(ListEnvironment* env) : sa(env), vna(env, &store) {
        CSASetupFile sa_file(&sa);
        sa_file.ReadBytes(Golden("sa_rev4.tws"), u"golden", false);
        CVNASetupFile vna_file(&vna);
        vna_file.ReadBytes(Golden("vna_rev4.tws"), u"golden", false);
        sa.SetFilePath(u"\\FlashFX Disk\\My Setups\\Kill SA.tws");
        vna.SetSetupLabel(u"Kill VNA");
        vna.SetFilePath(u"\\FlashFX Disk\\My Setups\\Kill VNA.tws");
        CalTermInfo s = vna.GetSweepCalInfo();
        std::vector<uint8_t> data(size_t{s.points} * 8, 0x5a);
        for (auto t : {CVNADataStore::ER, CVNADataStore::ES, CVNADataStore::ED})
            store.SetTerm(t, data.data(), s.points, s.start, s.stop, s.power, s.two_port);
    }
    CSAMeasSetup sa;
    CVNADataStore store;
    CVNAMeasSetup vna;
};

bool LoadsWhole(ListEnvironment* env) {
    CSAMeasSetup sa(env);
    CVNADataStore store;
    CVNAMeasSetup vna(env, &store);
    return sa.Load(u"\\FlashFX Disk\\My Setups\\Kill SA.tws") &&
           vna.Load(u"\\FlashFX Disk\\My Setups\\Kill VNA.tws") && vna.HasCalFile() &&
           store.HasOnePort();
}

}  // namespace

TEST(CrashSafety, AKilledSaveLeavesEveryFileWholeAndLoadable) {
    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
    {
        Savers first(&env);
        ASSERT_TRUE(first.sa.Save());
        ASSERT_TRUE(first.vna.Save());
    }
    std::mt19937 random(42);
    for (int round = 0; round < 40; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            Savers savers(&env);
            for (;;) {
                bool ok = savers.sa.Save() && savers.vna.Save();
                char c = ok ? '+' : '-';
                if (::write(ready[1], &c, 1) != 1) ::_exit(2);
            }
        }
        ::close(ready[1]);
        // Let a few saves pass, then kill it somewhere in the next ones.
        int saves = std::uniform_int_distribution<int>(1, 3)(random);
        for (int i = 0; i < saves; ++i) {
            char c = 0;
            ASSERT_EQ(::read(ready[0], &c, 1), 1);
            ASSERT_EQ(c, '+');
        }
        ::usleep(std::uniform_int_distribution<unsigned>(0, 3000)(random));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ready[0]);
        ASSERT_TRUE(LoadsWhole(&env)) << "round " << round;
        ASSERT_TRUE(services.messages.empty()) << services.messages[0];
    }
    // A save after the kills clears the temporaries they left.
    Savers last(&env);
    ASSERT_TRUE(last.sa.Save());
    ASSERT_TRUE(last.vna.Save());
    for (auto& entry : fs::directory_iterator(root.path() / kSetups))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST(CrashSafety, AFileThatMayNotGrowFailsWithNoSpaceAndKeepsTheOldFile) {
    DeviceRoot root;
    ListEnvironment env;
    {
        TestServices services;
        Savers first(&env);
        ASSERT_TRUE(first.sa.Save());
    }
    const std::string before = root.Read(kSetups / "Kill SA.tws");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TestServices services;
        Savers savers(&env);
        savers.sa.SetNotes(u"a longer setup than the limit allows");
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool saved = savers.sa.Save();
        bool said = services.messages.size() == 1 &&
                    services.messages[0] == plat::to_utf8(LoadResString(749));
        ::_exit(!saved && said ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(root.Read(kSetups / "Kill SA.tws"), before);
    for (auto& entry : fs::directory_iterator(root.path() / kSetups))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}
