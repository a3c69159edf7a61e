#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <fstream>
#include <set>
#include <sstream>

#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/fs/file.h"
#include "platform/fs/file_system.h"
#include "platform/fs/tests/test_support.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace {

namespace fs = std::filesystem;
using namespace plat;
using celvane_test::slurp;

std::string read_all(File& f) {
    std::string out(4096, '\0');
    int64_t n = f.read(std::as_writable_bytes(std::span(out.data(), out.size())));
    out.resize(n < 0 ? 0 : size_t(n));
    return out;
}

class Files : public ::testing::Test {
  protected:
    celvane_test::TempRoot root_{"fs-files"};
    fs::path host(const char16_t* p) { return *host_path(p); }
};

TEST_F(Files, OpenModesOnExistingAndMissingFiles) {
    const char16_t* path = u"\\FlashFX Disk\\System\\mode.txt";
    struct Case {
        FileOpen how;
        bool file_exists;
        bool opens;
        uint32_t error;
        const char* content_after;  // after writing "new" at the start
    } cases[] = {
        {FileOpen::Existing, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {FileOpen::Existing, true, true, 0, "newold"},
        {FileOpen::CreateAlways, true, true, 0, "new"},
        {FileOpen::CreateAlways, false, true, 0, "new"},
        {FileOpen::CreateNew, true, false, ERROR_FILE_EXISTS, nullptr},
        {FileOpen::CreateNew, false, true, 0, "new"},
        {FileOpen::OpenAlways, true, true, 0, "newold"},
        {FileOpen::OpenAlways, false, true, 0, "new"},
        {FileOpen::TruncateExisting, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {FileOpen::TruncateExisting, true, true, 0, "new"},
        {FileOpen::Append, true, true, 0, "oldoldnew"},
    };
    for (const auto& c : cases) {
        fs::remove(host(path));
        if (c.file_exists) std::ofstream(host(path)) << "oldold";
        set_last_error(0);
        File f = File::open(path, FileAccess::ReadWrite, c.how);
        ASSERT_EQ(bool(f), c.opens) << int(c.how) << " " << c.file_exists;
        if (!c.opens) {
            EXPECT_EQ(get_last_error(), c.error);
            continue;
        }
        EXPECT_EQ(f.write("new"), 3);
        f.close();
        std::string want = c.content_after;
        if (c.how == FileOpen::Existing || c.how == FileOpen::OpenAlways)
            want = c.file_exists ? "newold" : "new";
        EXPECT_EQ(slurp(host(path)), want) << int(c.how);
    }
}

TEST_F(Files, ReadSeekSizeTruncate) {
    File f = File::open(u"\\FlashFX Disk\\a.bin", FileAccess::ReadWrite, FileOpen::CreateNew);
    ASSERT_TRUE(f);
    f.write("0123456789");
    EXPECT_EQ(f.size(), 10);
    EXPECT_EQ(f.seek(-4, SeekFrom::End), 6);
    EXPECT_EQ(read_all(f), "6789");
    EXPECT_EQ(f.seek(3, SeekFrom::Begin), 3);
    EXPECT_EQ(f.seek(2, SeekFrom::Current), 5);
    EXPECT_TRUE(f.truncate_here());
    EXPECT_EQ(f.size(), 5);
    EXPECT_EQ(f.seek(-1, SeekFrom::Begin), -1);
    EXPECT_EQ(get_last_error(), ERROR_INVALID_PARAMETER);
    f.seek(0, SeekFrom::Begin);
    EXPECT_EQ(read_all(f), "01234");
    EXPECT_EQ(read_all(f), "");  // end of file
}

TEST_F(Files, MissingFoldersAndVolumes) {
    set_last_error(0);
    EXPECT_FALSE(
        File::open(u"\\FlashFX Disk\\Nowhere\\x.txt", FileAccess::Write, FileOpen::CreateAlways));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
    // No USB storage: "\Hard Disk" is an absent volume.
    EXPECT_FALSE(File::open(u"\\Hard Disk\\x.txt", FileAccess::Write, FileOpen::CreateAlways));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
    DiskSpace space;
    EXPECT_FALSE(disk_free_space(u"\\Hard Disk", space));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(file_attributes(u"\\Hard Disk"), INVALID_FILE_ATTRIBUTES);
    // A folder is not a file.
    EXPECT_FALSE(File::open(u"\\FlashFX Disk", FileAccess::Read, FileOpen::Existing));
    EXPECT_EQ(get_last_error(), ERROR_ACCESS_DENIED);
    // Leaving the root is refused everywhere.
    EXPECT_FALSE(File::open(u"\\..\\..\\etc\\passwd", FileAccess::Read, FileOpen::Existing));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(delete_file(u"/etc/passwd"));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, CaseInsensitiveLookUpThroughEveryCall) {
    ASSERT_TRUE(create_directory(u"\\FlashFX Disk\\My Traces"));
    File f =
        File::open(u"\\FlashFX Disk\\My Traces\\A.TRC", FileAccess::Write, FileOpen::CreateNew);
    ASSERT_TRUE(f);
    f.close();
    EXPECT_TRUE(fs::exists(root_.path() / "FlashFX Disk" / "My Traces" / "A.TRC"));
    EXPECT_TRUE(file_exists(u"\\flashfx disk\\my traces\\a.trc"));
    EXPECT_TRUE(
        File::open(u"\\FLASHFX DISK\\MY TRACES\\a.trc", FileAccess::Read, FileOpen::Existing));
    EXPECT_TRUE(copy_file(u"\\flashfx disk\\my traces\\a.trc", u"\\FlashFx Disk\\b.trc", true));
    EXPECT_TRUE(delete_file(u"\\flashfx disk\\my traces\\a.trc"));
    EXPECT_FALSE(file_exists(u"\\FlashFX Disk\\My Traces\\A.TRC"));
}

TEST_F(Files, AttributesAndTimes) {
    atomic_save(u"\\FlashFX Disk\\f.txt", "x");
    create_directory(u"\\FlashFX Disk\\Dir");
    atomic_save(u"\\FlashFX Disk\\.hidden", "x");
    EXPECT_EQ(file_attributes(u"\\FlashFX Disk\\Dir") & FILE_ATTRIBUTE_DIRECTORY,
              FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(file_attributes(u"\\FlashFX Disk\\f.txt") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(file_attributes(u"\\FlashFX Disk\\.hidden") & FILE_ATTRIBUTE_HIDDEN, 0u);

    ASSERT_TRUE(set_file_attributes(u"\\FlashFX Disk\\f.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(file_attributes(u"\\FlashFX Disk\\f.txt") & FILE_ATTRIBUTE_READONLY, 0u);
    if (::geteuid() != 0) {  // root writes through permissions
        EXPECT_FALSE(File::open(u"\\FlashFX Disk\\f.txt", FileAccess::Write, FileOpen::Existing));
    }
    EXPECT_FALSE(delete_file(u"\\FlashFX Disk\\f.txt"));
    EXPECT_EQ(get_last_error(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(set_file_attributes(u"\\FlashFX Disk\\f.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(file_attributes(u"\\FlashFX Disk\\f.txt") & FILE_ATTRIBUTE_READONLY, 0u);

    // 2013-03-14 00:00:00 UTC in 100 ns ticks since 1601.
    const FileTime when = 130076928000000000ULL;
    ASSERT_TRUE(set_last_write_time(u"\\FlashFX Disk\\f.txt", when));
    EXPECT_EQ(*last_write_time(u"\\FlashFX Disk\\f.txt"), when);
    struct stat st {};
    ASSERT_EQ(::stat(host(u"\\FlashFX Disk\\f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1363219200);  // the same moment as the host sees it
}

TEST_F(Files, FoldersCopyMoveDelete) {
    EXPECT_TRUE(create_directory(u"\\FlashFX Disk\\My Setups"));
    EXPECT_FALSE(create_directory(u"\\FlashFX Disk\\my setups"));
    EXPECT_EQ(get_last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(create_directory(u"\\FlashFX Disk\\A\\B"));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);

    atomic_save(u"\\FlashFX Disk\\My Setups\\one.stp", "one");
    atomic_save(u"\\FlashFX Disk\\two.stp", "two");
    const FileTime old_time = 130077216000000000ULL;
    set_last_write_time(u"\\FlashFX Disk\\two.stp", old_time);

    EXPECT_FALSE(
        copy_file(u"\\FlashFX Disk\\two.stp", u"\\FlashFX Disk\\My Setups\\ONE.stp", true));
    EXPECT_EQ(get_last_error(), ERROR_FILE_EXISTS);
    EXPECT_EQ(slurp(host(u"\\FlashFX Disk\\My Setups\\one.stp")), "one");
    EXPECT_TRUE(
        copy_file(u"\\FlashFX Disk\\two.stp", u"\\FlashFX Disk\\My Setups\\ONE.stp", false));
    EXPECT_EQ(slurp(host(u"\\FlashFX Disk\\My Setups\\one.stp")), "two");
    EXPECT_EQ(*last_write_time(u"\\FlashFX Disk\\My Setups\\one.stp"), old_time);
    EXPECT_FALSE(copy_file(u"\\FlashFX Disk\\missing", u"\\FlashFX Disk\\x", false));
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);

    EXPECT_FALSE(remove_directory(u"\\FlashFX Disk\\My Setups"));
    EXPECT_EQ(get_last_error(), ERROR_DIR_NOT_EMPTY);

    EXPECT_FALSE(move_file(u"\\FlashFX Disk\\two.stp", u"\\FlashFX Disk\\My Setups\\one.stp"));
    EXPECT_EQ(get_last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(move_file(u"\\FlashFX Disk\\two.stp", u"\\FlashFX Disk\\My Setups\\three.stp"));
    EXPECT_FALSE(file_exists(u"\\FlashFX Disk\\two.stp"));
    EXPECT_TRUE(move_file(u"\\FlashFX Disk\\My Setups", u"\\FlashFX Disk\\Setups"));
    EXPECT_TRUE(file_exists(u"\\FlashFX Disk\\Setups\\three.stp"));
    EXPECT_FALSE(move_file(u"\\FlashFX Disk\\Setups", u"\\FlashFX Disk\\Setups\\inner"));
    EXPECT_TRUE(
        move_file(u"\\FlashFX Disk\\Setups\\three.stp", u"\\FlashFX Disk\\Setups\\THREE.stp"));

    EXPECT_TRUE(delete_file(u"\\FlashFX Disk\\Setups\\one.stp"));
    EXPECT_FALSE(delete_file(u"\\FlashFX Disk\\Setups\\one.stp"));
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(delete_file(u"\\FlashFX Disk\\Setups"));
    EXPECT_EQ(get_last_error(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(delete_file(u"\\FlashFX Disk\\Setups\\three.stp"));
    EXPECT_TRUE(remove_directory(u"\\FlashFX Disk\\Setups"));
}

TEST_F(Files, WildcardMatching) {
    struct Case {
        const char16_t* pattern;
        const char16_t* name;
        bool match;
    } cases[] = {
        {u"*.*", u"noext", true},
        {u"*.stp", u"A.STP", true},
        {u"*.stp", u"a.stpx", false},
        {u"Setup?.stp", u"setup1.stp", true},
        {u"Setup?.stp", u"setup12.stp", false},
        {u"*a*b", u"xxaxxb", true},
        {u"*a*b", u"xxaxxbc", false},
        {u"trace.*", u"trace", true},
        {u"*", u"", true},
        {u"?", u"", false},
        {u"a*", u"b", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcard_match(c.pattern, c.name), c.match)
            << std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern));
}

TEST_F(Files, FindFirstAndNextListAFolderInNameOrder) {
    create_directory(u"\\FlashFX Disk\\My Setups");
    for (auto name : {u"\\FlashFX Disk\\My Setups\\b.STP", u"\\FlashFX Disk\\My Setups\\a.stp",
                      u"\\FlashFX Disk\\My Setups\\c.trc"})
        atomic_save(name, "12345");
    create_directory(u"\\FlashFX Disk\\My Setups\\Backup");

    FindData data;
    FindFile find = FindFile::first(u"\\flashfx disk\\my setups\\*.stp", data);
    ASSERT_TRUE(find);
    std::vector<std::u16string> names{data.name};
    EXPECT_EQ(data.size, 5u);
    EXPECT_NE(data.last_write, 0u);
    while (find.next(data)) names.push_back(data.name);
    EXPECT_EQ(get_last_error(), ERROR_NO_MORE_FILES);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a.stp", u"b.STP"}));

    find = FindFile::first(u"\\FlashFX Disk\\My Setups\\*.*", data);
    ASSERT_TRUE(find);
    std::set<std::u16string> all{data.name};
    bool saw_folder = data.attributes & FILE_ATTRIBUTE_DIRECTORY;
    while (find.next(data)) {
        all.insert(data.name);
        saw_folder |= (data.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    EXPECT_EQ(all.size(), 4u);
    EXPECT_TRUE(saw_folder);

    EXPECT_FALSE(FindFile::first(u"\\FlashFX Disk\\My Setups\\*.cal", data));
    EXPECT_EQ(get_last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FindFile::first(u"\\Hard Disk\\*.*", data));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, VolumeSpaceAndMemoryStatus) {
    DiskSpace space;
    ASSERT_TRUE(disk_free_space(u"\\FlashFX Disk", space));
    EXPECT_GT(space.total, 0u);
    EXPECT_LE(space.total_free, space.total);
    EXPECT_LE(space.free_to_caller, space.total_free);
    // Same figures as the host tool reports, give or take other writers.
    std::ostringstream cmd;
    cmd << "df -B1 --output=size '" << root_.path().string() << "' | tail -1";
    FILE* p = ::popen(cmd.str().c_str(), "r");
    ASSERT_NE(p, nullptr);
    unsigned long long df_total = 0;
    EXPECT_EQ(std::fscanf(p, "%llu", &df_total), 1);
    ::pclose(p);
    EXPECT_EQ(space.total, df_total);

    MemoryStatus m = global_memory_status();
    EXPECT_EQ(m.length, 32u);
    EXPECT_LE(m.memory_load, 100u);
    EXPECT_GT(m.total_phys, 0u);
    EXPECT_LE(m.avail_phys, m.total_phys);
    EXPECT_LE(m.avail_virtual, m.total_virtual);
}

TEST_F(Files, AtomicSaveReplacesWholeOrNothing) {
    const char16_t* path = u"\\FlashFX Disk\\System\\setup.stp";
    ASSERT_TRUE(atomic_save(path, "first version"));
    {
        AtomicFile pending = AtomicFile::for_instrument_path(path);
        ASSERT_TRUE(pending);
        pending.write("half of a second ver");
        // Abandoned before commit, as a crash would: the old file stands.
    }
    EXPECT_EQ(slurp(host(path)), "first version");
    ASSERT_TRUE(atomic_save(path, "second"));
    EXPECT_EQ(slurp(host(path)), "second");
    int entries = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(host(u"\\FlashFX Disk\\System")))
        ++entries;
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
    EXPECT_FALSE(atomic_save(u"\\Hard Disk\\x", "x"));
    EXPECT_EQ(get_last_error(), ERROR_PATH_NOT_FOUND);
}

// A child process that opened a save of `target` and wrote half of it,
// waiting there until it is killed.
pid_t StartSaveThatHangs(const fs::path& target) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        AtomicFile file(target);
        const bool ok = file && file.write("half a save");
        const char c = ok ? '+' : '-';
        (void)::write(ready[1], &c, 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    const bool started = child > 0 && ::read(ready[0], &c, 1) == 1 && c == '+';
    ::close(ready[0]);
    return started ? child : -1;
}

void Kill(pid_t child) {
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

// The hidden files beside `target` that belong to it.
std::set<std::string> Hidden(const fs::path& target) {
    const std::string prefix = "." + target.filename().string();
    std::set<std::string> names;
    for (auto& e : fs::directory_iterator(target.parent_path()))
        if (e.path().filename().string().starts_with(prefix)) names.insert(e.path().filename());
    return names;
}

// Every save of a file removes what killed saves of that file left beside
// it, whoever made them, and leaves the saves still running alone: one in
// another live process and one of this process.
TEST_F(Files, ASaveRemovesWhatKilledSavesLeftAndNothingElse) {
    for (const char16_t* path :
         {u"\\FlashFX Disk\\System\\mode.txt", u"\\FlashFX Disk\\System\\language.txt",
          u"\\FlashFX Disk\\HistoryLog.txt", u"\\FlashFX Disk\\My Pictures\\shot.png"}) {
        const fs::path target = host(path);
        SCOPED_TRACE(target.filename());
        fs::create_directories(target.parent_path());
        const pid_t killed = StartSaveThatHangs(target);
        ASSERT_GT(killed, 0);
        Kill(killed);
        const std::set<std::string> left = Hidden(target);
        ASSERT_EQ(left.size(), 1u) << "the killed save's temporary file";
        // One of an older build, without a process id.
        const std::string older = "." + target.filename().string() + ".tmp-Ab12Cd";
        std::ofstream(target.parent_path() / older) << "half";
        // A save in another process that is still running.
        const pid_t running = StartSaveThatHangs(target);
        ASSERT_GT(running, 0);
        const std::set<std::string> others = [&] {
            std::set<std::string> s = Hidden(target);
            s.erase(older);
            s.erase(*left.begin());
            return s;
        }();
        ASSERT_EQ(others.size(), 1u);
        AtomicFile mine = AtomicFile::for_instrument_path(path);
        ASSERT_TRUE(mine);
        ASSERT_TRUE(mine.write("pending"));

        ASSERT_TRUE(atomic_save(path, "saved"));
        EXPECT_EQ(slurp(target), "saved");
        const std::set<std::string> now = Hidden(target);
        EXPECT_EQ(now.count(*left.begin()), 0u) << "a killed save's file stayed";
        EXPECT_EQ(now.count(older), 0u) << "an older build's leftover stayed";
        EXPECT_EQ(now.count(*others.begin()), 1u) << "a running save lost its file";
        EXPECT_EQ(now.size(), 2u) << "this process's pending save keeps its file";
        Kill(running);
        ASSERT_TRUE(mine.commit());
        EXPECT_EQ(slurp(target), "pending");
    }
}

// At a start the whole tree is cleared of killed saves' leftovers, also
// of files named by their time that no later save names again; a save
// still running in a live process keeps its file, and a user's file stays.
TEST_F(Files, TheTreeSweepRemovesKilledSavesOfEveryTarget) {
    const fs::path pictures = host(u"\\FlashFX Disk\\My Pictures");
    fs::create_directories(pictures);
    std::set<fs::path> killed;
    for (const char* name : {"Screen001.bmp", "Screen002.bmp"}) {
        const pid_t child = StartSaveThatHangs(pictures / name);
        ASSERT_GT(child, 0);
        Kill(child);
        for (const std::string& left : Hidden(pictures / name)) killed.insert(pictures / left);
    }
    ASSERT_EQ(killed.size(), 2u);
    const pid_t running = StartSaveThatHangs(pictures / "Screen003.bmp");
    ASSERT_GT(running, 0);
    const std::set<std::string> live = Hidden(pictures / "Screen003.bmp");
    ASSERT_EQ(live.size(), 1u);
    std::ofstream(pictures / ".notes.tmp-x") << "the user's";

    remove_stale_temporaries_below(host(u"\\FlashFX Disk"));
    for (const fs::path& p : killed) EXPECT_FALSE(fs::exists(p)) << p;
    EXPECT_TRUE(fs::exists(pictures / *live.begin())) << "a running save lost its file";
    EXPECT_TRUE(fs::exists(pictures / ".notes.tmp-x"));
    Kill(running);
}

}  // namespace
