// Printing the screen through the real printing system, driver and port in
// a device root: the stored printer mode, the job it makes, and what the
// user is told when there is no printer, it is busy or it goes away.
#include "files/screen_print.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "core/settings/system_settings.h"
#include "platform/framework/message_box.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/message_queue.h"
#include "platform/window/message_loop.h"
#include "platform/window/paint.h"
#include "platform/window/window.h"
#include "printer/tests/print_test_support.h"

namespace {

namespace fs = std::filesystem;

// The application's side: the settings store and a dialog that answers as
// the test says.
class FakeServices : public IPrintServices {
  public:
    CSystemSettings* settings = nullptr;
    bool answer_ok = true;
    PrintChoice choice;
    int dialogs = 0;
    uint32_t table_count = 0;
    CSystemSettings* GetPrintSettings() override { return settings; }
    bool RunPrintDialog(plat::CWnd*, const CPrinterRecord*, uint32_t count,
                        PrintChoice& out) override {
        ++dialogs;
        table_count = count;
        out = choice;
        return answer_ok;
    }
};

// Exposes the job's end event, to hold a job open.
class TestScreenPrint : public CScreenPrint {
  public:
    using CPrintIO::m_hEndEvent;
};

class ScreenPrint : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::set_debug_to_stderr(false);
        plat::ensure_message_queue();
        plat::set_input_thread(plat::current_thread_id());
        // Every box is answered with Enter as it opens.
        plat::set_message_box_observer([this](const plat::MessageBoxCall& c) {
            messages.push_back(c.text);
            plat::post_key_input(plat::VK_RETURN, true);
            plat::post_key_input(plat::VK_RETURN, false);
        });
        settings_.Initialize();
        services_.settings = &settings_;
        IPrintServices::set_current(&services_);
        plat::register_window_class({"PrintTest", 0, std::nullopt});
        plat::CreateParams p;
        p.class_name = "PrintTest";
        p.style = plat::WS_VISIBLE;
        p.rect = {0, 0, 800, 600};
        ASSERT_TRUE(window_.create(p));
        // Left half black, right half white.
        auto screen = plat::screen_surface();
        auto lock = screen.lock();
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                screen.set_pixel(x, y, x < 400 ? plat::RGB(0, 0, 0) : plat::RGB(255, 255, 255));
    }
    void TearDown() override {
        window_.destroy();
        IPrintServices::set_current(nullptr);
        plat::set_message_box_observer(nullptr);
    }
    // Pumps until `count` boxes were seen.
    void PumpUntilMessages(size_t count) {
        plat::run_modal_loop([&] { return messages.size() >= count; });
    }
    std::vector<std::u16string> messages;
    print_test::PrinterRoot root_{"screen-print"};
    CSystemSettings settings_;
    FakeServices services_;
    plat::Window window_;
};

TEST_F(ScreenPrint, TheChoiceIsStoredAsThePrinterModeAndTheJobFollowsIt) {
    services_.choice.color = true;
    services_.choice.orientation = 1;
    services_.choice.high_quality = true;
    TestScreenPrint print;
    ASSERT_EQ(print.Print(&window_, nullptr), 1);
    ASSERT_TRUE(print.WaitIdle(60000));
    EXPECT_FALSE(print.IsBusy());
    EXPECT_TRUE(print.IsLandscape());
    EXPECT_TRUE(messages.empty());

    // The default mode with three single bytes changed.
    std::vector<uint8_t> expected(192, 0);
    const char16_t name[] = u"Pagejet Inkjet";
    std::memcpy(expected.data(), name, sizeof name - 2);
    const auto put16 = [&](size_t at, uint16_t v) {
        expected[at] = uint8_t(v), expected[at + 1] = uint8_t(v >> 8);
    };
    put16(64, 0x400), put16(66, 0x100), put16(68, 192), put16(72, 0xD03), put16(76, 2);
    put16(78, 1), put16(86, 1), put16(90, 0xFFFC), put16(92, 2);
    plat::RegKey key;
    ASSERT_EQ(plat::hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key), 0u);
    EXPECT_EQ(key.get_binary(u"DEVMODE").value_or(std::vector<uint8_t>{}), expected);

    const auto jobs = root_.Jobs();
    ASSERT_EQ(jobs.size(), 1u);
    // Landscape letter at the high quality's 600 dpi: 6156 raster lines of
    // 4800 dots, four planes.
    const auto decoded = print_test::Decode(jobs[0], 600);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(print_test::Joined(decoded.sequences, 3, 1), "<ESC>*t600R");
    EXPECT_EQ(print_test::Joined(decoded.sequences, 10, 3), "<ESC>*r6156T <ESC>*r-4U <ESC>*b0S");
    ASSERT_EQ(decoded.pages.size(), 1u);
    EXPECT_EQ(decoded.pages[0].rows, 6156 * 4);
}

TEST_F(ScreenPrint, ACancelledDialogPrintsNothingAndTellsNothing) {
    services_.answer_ok = false;
    CScreenPrint print;
    EXPECT_EQ(print.Print(&window_, nullptr), 0);
    ASSERT_TRUE(print.WaitIdle(60000));
    EXPECT_FALSE(print.IsBusy());
    EXPECT_EQ(services_.dialogs, 1);
    EXPECT_TRUE(root_.Jobs().empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScreenPrint, APrintWhileAJobRunsIsRefusedAsBusy) {
    TestScreenPrint print;
    ASSERT_TRUE(print.StartJob());
    EXPECT_EQ(print.Print(&window_, nullptr), 0);
    EXPECT_EQ(messages, std::vector<std::u16string>{u"The printer is busy."});
    EXPECT_EQ(services_.dialogs, 0);
    print.m_hEndEvent.set();
    ASSERT_TRUE(print.WaitIdle(60000));
    EXPECT_FALSE(print.IsBusy());
}

TEST_F(ScreenPrint, WithoutAPrinterTheUserIsToldThereIsNone) {
    const fs::path fifo = root_.path() / "printer.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* name;
        std::function<void()> arrange;
    } cases[] = {
        {"no settings store", [&] { services_.settings = nullptr; }},
        {"no default printer",
         [&] {
             plat::RegKey printers;
             plat::hkey_local_machine().open(u"Printers", printers);
             printers.delete_value(u"DefaultPrinter");
         }},
        {"a pipe without reader", [&] { root_.SetPort(1, u"printer.fifo"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        messages.clear();
        CScreenPrint print;
        EXPECT_EQ(print.Print(&window_, nullptr), 0);
        ASSERT_TRUE(print.WaitIdle(60000));
        EXPECT_FALSE(print.IsBusy());
        EXPECT_EQ(messages, std::vector<std::u16string>{u"There is no printer connected!"});
        EXPECT_TRUE(root_.Jobs().empty());
    }
}

// The printer going away mid-job is told on the user-interface thread; no
// spool file stays behind and the next print works.
TEST_F(ScreenPrint, APrinterLostMidJobIsToldAndTheNextPrintWorks) {
    {  // a screen of grey ramps, which compresses little
        auto screen = plat::screen_surface();
        auto lock = screen.lock();
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const int v = (x * 7 + y * 13) % 256;
                screen.set_pixel(x, y, plat::RGB(v, v, v));
            }
    }
    // A file-size limit on the spool file.
    {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 20000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        CScreenPrint print;
        ASSERT_EQ(print.Print(&window_, nullptr), 1);
        PumpUntilMessages(1);
        ASSERT_TRUE(print.WaitIdle(60000));
        setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_EQ(messages, std::vector<std::u16string>{u"Lost the printer connection!"});
        EXPECT_FALSE(print.IsBusy());
        EXPECT_TRUE(root_.Jobs().empty());
        ASSERT_EQ(print.Print(&window_, nullptr), 1);
        ASSERT_TRUE(print.WaitIdle(60000));
        EXPECT_EQ(root_.Jobs().size(), 1u);
    }
    // A reader that leaves after the first bytes.
    messages.clear();
    const fs::path fifo = root_.path() / "printer.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    root_.SetPort(1, u"printer.fifo");
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::thread leaver([reader] {
        pollfd wait_data{reader, POLLIN, 0};
        (void)::poll(&wait_data, 1, -1);  // the job's first bytes
        char buffer[4096];
        (void)::read(reader, buffer, sizeof buffer);
        ::close(reader);
    });
    CScreenPrint print;
    const int printed = print.Print(&window_, nullptr);
    if (printed == 1) PumpUntilMessages(1);
    ASSERT_TRUE(print.WaitIdle(60000));
    leaver.join();
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(messages, std::vector<std::u16string>{u"Lost the printer connection!"});
    EXPECT_FALSE(print.IsBusy());
}

TEST(ScreenPrintSize, TheScreenFillsTheWidthOrTheHeightKeepingItsProportions) {
    const struct {
        int w, h;
        bool landscape;
        int tw, th;
    } cases[] = {{2400, 3150, false, 2400, 1785}, {3150, 2400, true, 3150, 2342},
                 {2400, 3078, false, 2400, 1785}, {3078, 2400, true, 3078, 2289},
                 {1000, 500, false, 672, 500},    {3000, 2000, true, 2689, 2000}};
    for (const auto& c : cases) {
        int tw = 0, th = 0;
        ScaledPrintSize(c.w, c.h, c.landscape, tw, th);
        EXPECT_EQ(tw, c.tw) << c.w << " x " << c.h;
        EXPECT_EQ(th, c.th) << c.w << " x " << c.h;
    }
}

}  // namespace
