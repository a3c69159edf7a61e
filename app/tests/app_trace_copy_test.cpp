// File copies of the measurement screens in the program itself: the
// progress window a copy shows, and a copy onto a volume that cannot take
// the file (a forked program under a file-size limit).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/message_box.h"
#include "app/tests/app_test_support.h"
#include "app/tests/measurement_screen_rig.h"
#include "app/tests/product_run.h"
#include "core/res_string.h"
#include "dialogs/message_dlg.h"
#include "platform/framework/dialog.h"
#include "platform/text/utf.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kCopyFileText = 1215, kCopyFailed = 64256;

std::string Bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The regular files of a folder with their bytes, hidden ones included.
std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out[e.path().filename().string()] = e.is_regular_file() ? Bytes(e.path()) : "<not a file>";
    return out;
}

// A copy of one trace shows its progress window at 0 and then at the end,
// 10000 of 10000, with the text naming the source file and the target
// folder; the window is gone afterwards and the copy is byte-equal.
TEST(TraceCopy, TheProgressWindowRunsFromNothingToTheWholeRange) {
    mrig::AppRun run("celvane-copy-progress", mrig::ReferenceScene(false));
    ASSERT_TRUE(run.ImageOk());
    const fs::path flash = run.root().path() / "FlashFX Disk" / "My Traces";
    const fs::path usb = run.root().path() / "Hard Disk" / "My Traces";
    fs::create_directories(flash);
    fs::create_directories(usb);
    const std::string content(30000, 'p');
    std::ofstream(flash / "a.twf", std::ios::binary) << content;
    run.Start();
    ASSERT_TRUE(run.Activate());

    bool copied = false, shown_after = true;
    run.OnUi([&](mrig::SpectrumScreen& s) {
        copied = s.CopyFileWithProgress(u"\\FlashFX Disk\\My Traces", u"a.twf",
                                        u"\\Hard Disk\\My Traces");
        shown_after = s.ProgressShown();
    });
    EXPECT_TRUE(copied);
    EXPECT_FALSE(shown_after);
    EXPECT_EQ(Bytes(usb / "a.twf"), content);

    std::vector<mrig::Recorder::ProgressStep> steps;
    {
        std::lock_guard lock(run.recorder().mutex);
        steps = run.recorder().progress;
    }
    ASSERT_GE(steps.size(), 2u);
    const std::u16string text = LoadResString(kCopyFileText) +
                                u"\\FlashFX Disk\\My Traces\\a.twf to \\Hard Disk\\My Traces";
    EXPECT_EQ(steps.front().position, 0u);
    EXPECT_EQ(steps.back().position, 10000u);
    for (const auto& step : steps) {
        EXPECT_EQ(step.maximum, 10000u);
        EXPECT_TRUE(step.position == 0 || step.position == 10000) << step.position;
        EXPECT_EQ(plat::to_utf8(step.text), plat::to_utf8(text));
    }
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_LE(steps[i - 1].position, steps[i].position) << "step " << i;
    run.Finish();
}

// --- A volume that cannot take the file ------------------------------------------------------

constexpr char kScene[] = R"({"receiver": {"noise_variation": false}})";
constexpr size_t kBigBytes = 2 << 20;  // copied
constexpr rlim_t kAllowed = 1 << 20;   // the largest file the program may write
constexpr char kOldTarget[] = "an older copy of big.twf";

std::string BigTrace() {
    std::string s(kBigBytes, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i * 7 % 26);
    return s;
}

// What the forked program did, one line each, written to `out`:
// "root <path>", "copied <0|1>", "box <text, line feeds as \n>",
// "error <what>".
class FullVolumeChild {
  public:
    explicit FullVolumeChild(FILE* out) : out_(out) {}

    void Run() {
        product_test::ProductRun run("celvane-copy-full", kScene);
        if (!run.ImageOk()) return Say("error", "no device image");
        const fs::path root = run.root().path();
        Say("root", root.string());
        fs::create_directories(root / "FlashFX Disk" / "My Traces");
        fs::create_directories(root / "Hard Disk" / "My Traces");
        std::ofstream(root / "FlashFX Disk" / "My Traces" / "big.twf", std::ios::binary)
            << BigTrace();
        std::ofstream(root / "FlashFX Disk" / "My Traces" / "a.twf") << "trace a";
        std::ofstream(root / "FlashFX Disk" / "My Traces" / "b.twf") << "trace b";
        std::ofstream(root / "Hard Disk" / "My Traces" / "big.twf") << kOldTarget;
        SetMessageBoxObserver([this](const std::u16string& text, uint32_t) {
            std::lock_guard lock(mutex_);
            boxes_.push_back(text);
        });
        if (!run.Start()) return Say("error", "the program did not start");

        // Writes past the limit fail with EFBIG instead of ending the
        // process.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit old = limit;
        limit.rlim_cur = kAllowed;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        bool copied = true;
        CallAnsweringBoxes(run, [&](CSpecAnMode& s) {
            copied = s.CopyFileWithProgress(u"\\FlashFX Disk\\My Traces", u"big.twf",
                                            u"\\Hard Disk\\My Traces");
        });
        Say("copied", copied ? "1" : "0");
        CallAnsweringBoxes(run, [&](CSpecAnMode& s) {
            s.CopyFolderFiles(nullptr, u"\\FlashFX Disk\\My Traces", u"\\Hard Disk\\My Traces", 2);
        });
        ::setrlimit(RLIMIT_FSIZE, &old);
        SetMessageBoxObserver(nullptr);
        for (const std::u16string& box : boxes_) {
            std::string line = plat::to_utf8(box);
            for (size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at))
                line.replace(at, 1, "\\n");
            Say("box", line);
        }
        run.Finish();
        // The device root stays for the test to read; the test removes it.
        std::fflush(out_);
        ::_exit(0);
    }

  private:
    void Say(const char* what, const std::string& text) {
        std::fprintf(out_, "%s %s\n", what, text.c_str());
        std::fflush(out_);
    }
    // Runs `fn` on the program's user-interface thread; each message box it
    // opens is answered with Enter once it holds the keyboard.
    void CallAnsweringBoxes(product_test::ProductRun& run,
                            const std::function<void(CSpecAnMode&)>& fn) {
        std::atomic<bool> done{false};
        std::thread call([&] {
            run.OnUi([&] { fn(*run.Spectrum()); });
            done = true;
        });
        size_t answered = Count();
        while (!done) {
            bool open = false;
            product_test::Eventually([&] {
                run.OnUi([&] {
                    plat::CWnd* w = plat::CWnd::GetFocus();
                    while (w && !dynamic_cast<plat::CDialog*>(w)) w = w->GetParent();
                    open = dynamic_cast<CMessageDlg*>(w) != nullptr;
                });
                return done || (open && Count() > answered);
            });
            if (open && Count() > answered) {
                answered = Count();
                run.Type("key RETURN\n");
            }
        }
        call.join();
    }
    size_t Count() {
        std::lock_guard lock(mutex_);
        return boxes_.size();
    }

    FILE* out_;
    std::mutex mutex_;
    std::vector<std::u16string> boxes_;  // under mutex_
};

// Under a 1 MB file-size limit a 2 MB trace cannot be copied: the copy
// says so naming the file, the source and the older target keep their
// bytes and no temporary file is left; a folder copy names the one file it
// could not copy and copies the rest. The program runs in a child forked
// before any thread exists, so the limit is the child's alone.
TEST(TraceCopy, AVolumeThatCannotTakeTheFileFailsThatFileAlone) {
    // The process's device image is laid out here, so that this process
    // removes it at its end.
    const app_test::DeviceRoot first("celvane-copy-image");
    ASSERT_EQ(app_test::MakeDeviceImage(first.path()), 0);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        FILE* out = ::fdopen(fds[1], "w");
        FullVolumeChild(out).Run();
        ::_exit(1);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            report.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;

    fs::path root;
    std::string copied;
    std::vector<std::string> boxes;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::string what = line.substr(0, line.find(' '));
        const std::string text = line.size() > what.size() ? line.substr(what.size() + 1) : "";
        if (what == "root") root = text;
        if (what == "copied") copied = text;
        if (what == "box") boxes.push_back(text);
        EXPECT_NE(what, "error") << text;
    }
    ASSERT_FALSE(root.empty()) << report;
    const std::string failed = plat::to_utf8(LoadResString(kCopyFailed));
    EXPECT_EQ(copied, "0");
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         failed + "\\n\\FlashFX Disk\\My Traces\\big.twf",
                         failed + "\\nbig.twf",
                     }));
    // Files compared by their bytes, shown by their sizes.
    auto sizes = [](const std::map<std::string, std::string>& files) {
        std::string out;
        for (const auto& [name, bytes] : files)
            out += " " + name + ":" + std::to_string(bytes.size());
        return out;
    };
    const std::map<std::string, std::string> source = Files(root / "FlashFX Disk" / "My Traces");
    const std::map<std::string, std::string> target = Files(root / "Hard Disk" / "My Traces");
    const std::map<std::string, std::string> sources = {
        {"a.twf", "trace a"}, {"b.twf", "trace b"}, {"big.twf", BigTrace()}};
    EXPECT_TRUE(source == sources) << sizes(source);
    // Every file the target folder holds, temporaries included.
    const std::map<std::string, std::string> targets = {
        {"a.twf", "trace a"}, {"b.twf", "trace b"}, {"big.twf", kOldTarget}};
    EXPECT_TRUE(target == targets) << sizes(target);
    fs::remove_all(root);
}

}  // namespace
