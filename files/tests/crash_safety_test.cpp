// Saves that die: a child saving setups is killed at random moments, and a
// child whose files may not grow runs out of room. The files on the disk
// are always whole.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "core/res_string.h"
#include "files/formats/analyzer_trace_file.h"
#include "files/formats/list_files.h"
#include "files/formats/screen_image_file.h"
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

// Kills a child that saves in a loop at random moments, `rounds` times;
// after each kill the files must be whole. A save after the kills clears
// the temporaries they left in `folder`.
void KillWhileSaving(const std::function<bool()>& save, const std::function<bool()>& whole,
                     const fs::path& folder, int rounds, TestServices& services) {
    std::mt19937 random(42);
    for (int round = 0; round < rounds; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            for (;;) {
                char c = save() ? '+' : '-';
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
        ASSERT_TRUE(whole()) << "round " << round;
        ASSERT_TRUE(services.messages.empty()) << services.messages[0];
    }
    ASSERT_TRUE(save());
    for (auto& entry : fs::directory_iterator(folder))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

// A child whose files may not grow past 512 bytes saves: the save fails
// with the no-space message and the old file stays as it was. The child
// keeps SIGXFSZ's default action, which ends a process: the save itself
// keeps the signal from reaching it.
void FailsUnderFileSizeLimit(const std::function<bool()>& save, const fs::path& file) {
    const std::string before = celvane_test::slurp(file);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TestServices services;
        rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool saved = save();
        bool said = services.messages.size() == 1 &&
                    services.messages[0] == plat::to_utf8(LoadResString(749));
        ::_exit(!saved && said ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(celvane_test::slurp(file), before);
    for (auto& entry : fs::directory_iterator(file.parent_path()))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

// A trace of 705 points.
class Trace : public ITraceSource {
  public:
    core::Text GetTracePath() const override { return u"\\FlashFX Disk\\My Traces\\Kill.twf"; }
    const TracePoint* GetPoint(uint32_t i) const override { return i < 705 ? &point_ : nullptr; }

  private:
    TracePoint point_{-42.5f, 0.0f};
};

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
    Savers savers(&env);
    KillWhileSaving([&] { return savers.sa.Save() && savers.vna.Save(); },
                    [&] { return LoadsWhole(&env); }, root.path() / kSetups, 40, services);
}

TEST(CrashSafety, KilledTraceListAndPictureSavesLeaveWholeFiles) {
    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
    fs::create_directories(root.path() / "FlashFX Disk" / "My Pictures");
    CSAMeasSetup setup(&env);
    Trace trace;
    std::unique_ptr<CSignalBand> bands = BuildDefaultBandList();
    plat::Bitmap picture = plat::Bitmap::create(800, 595, 0x00FF00);
    std::array<uint8_t, CBitmapFile::kStateBlockBytes> block{};
    const core::Text picture_path = u"\\FlashFX Disk\\My Pictures\\Kill.bmp";
    auto save = [&] {
        return CSATraceFile(&setup, &trace).Save() && CBandListFile().Save(bands.get()) &&
               CBitmapFile().SaveFile(picture, picture_path, block, true);
    };
    auto whole = [&] {
        CSAMeasSetup read(&env);
        std::vector<TracePoint> buffer(kTraceBufferPoints);
        std::unique_ptr<CSignalBand> read_bands;
        plat::Bitmap read_picture;
        return CSATraceFile(&read, nullptr).ReadInto(trace.GetTracePath(), buffer.data()) &&
               buffer[704].first == -42.5f && CBandListFile().ReadTagged(read_bands) &&
               read_bands->GetCount() == 114 &&
               CBitmapFile().LoadBitmap(picture_path, read_picture) && read_picture.height() == 595;
    };
    ASSERT_TRUE(save());
    KillWhileSaving(save, whole, root.path() / "FlashFX Disk" / "My Traces", 20, services);
}

TEST(CrashSafety, AFileThatMayNotGrowFailsWithNoSpaceAndKeepsTheOldFile) {
    DeviceRoot root;
    ListEnvironment env;
    fs::create_directories(root.path() / "FlashFX Disk" / "My Pictures");
    CSAMeasSetup setup(&env);
    Trace trace;
    std::array<uint8_t, CBitmapFile::kStateBlockBytes> block{};
    {
        TestServices services;
        Savers first(&env);
        ASSERT_TRUE(first.sa.Save());
        ASSERT_TRUE(CSATraceFile(&setup, &trace).Save());
        ASSERT_TRUE(CBitmapFile().SaveFile(plat::Bitmap::create(8, 8),
                                           u"\\FlashFX Disk\\My Pictures\\Kill.bmp", block, false));
    }
    Savers savers(&env);
    savers.sa.SetNotes(u"a longer setup than the limit allows");
    FailsUnderFileSizeLimit([&] { return savers.sa.Save(); },
                            root.path() / kSetups / "Kill SA.tws");
    FailsUnderFileSizeLimit([&] { return CSATraceFile(&setup, &trace).Save(); },
                            root.path() / "FlashFX Disk" / "My Traces" / "Kill.twf");
    FailsUnderFileSizeLimit(
        [&] {
            return CBitmapFile().SaveFile(plat::Bitmap::create(64, 64),
                                          u"\\FlashFX Disk\\My Pictures\\Kill.bmp", block, false);
        },
        root.path() / "FlashFX Disk" / "My Pictures" / "Kill.bmp");
}
