// The file menu's way to the tools screen, and the restart of a sweep whose
// setup changed, in the program itself on the spectrum analyzer.
#include <gtest/gtest.h>

#include <cstring>

#include "app/tests/file_menu_run.h"
#include "core/frequency_range.h"
#include "core/res_string.h"
#include "core/screen_ids.h"
#include "files/sa_meas_setup.h"
#include "instrument/specan_measurements.h"
#include "widgets/soft_key_menu.h"

using namespace file_menu;

namespace {

constexpr int kToolsPage = 48;

// Opens a page of a measurement screen as its own keys do (the page
// switch is the screen's own; no key of the program leads to some pages).
struct PageSwitch : CMeasurementBase {
    static void Open(CMeasurementBase& screen, int page) {
        (screen.*(&PageSwitch::SwitchToPage))(page, -1);
    }
};

class FileToolsProgram : public FileMenuProgram {
  protected:
    FileToolsProgram() : FileMenuProgram("file-tools") {}

    int CurrentModeId() {
        int id = -1;
        run.OnUi([&] {
            if (CModeBase* m = run.app().GetCurrentMode()) id = m->GetModeId();
        });
        return id;
    }
};

TEST_F(FileToolsProgram, ToolsKeyOfTheFileMenuOpensTheToolsScreen) {
    run.Type("key shift+F6\nkey F7\n");
    EXPECT_TRUE(product_test::Eventually([&] { return CurrentModeId() == kScreenTools; }));
    EXPECT_TRUE(Boxes().empty());
}

// The tools page names the tools screen's offers; a key there opens the
// tools screen (even its exit key: leaving is offered there).
TEST_F(FileToolsProgram, TheToolsPageLeadsToTheToolsScreen) {
    const uint32_t expected[] = {155, 157, 184, 184, 142, 1099, 1100, 895};
    ASSERT_TRUE(run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        ASSERT_NE(s, nullptr);
        PageSwitch::Open(*s, kToolsPage);
        EXPECT_EQ(s->GetActiveFunction(), kToolsPage);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(s->soft_key_menu()->Key(k)->GetTitle(), LoadResString(expected[k]))
                << "key " << k;
    }));
    run.Type("key F8\n");
    EXPECT_TRUE(product_test::Eventually([&] { return CurrentModeId() == kScreenTools; }));
    EXPECT_TRUE(Boxes().empty());
}

// The sweep restarts only when the setup changed since its start, and after
// a key only on the pages whose keys change what is swept: the sweep the
// board is sent then carries the new value.
TEST_F(FileToolsProgram, SweepRestartsWhenItsSetupChanged) {
    auto sent = [&](size_t offset, size_t size) {
        uint64_t value = 0;
        run.OnUi([&] {
            auto* m = dynamic_cast<CSpectrumMeasurement*>(run.Spectrum()->GetCurrentMeasurement());
            ASSERT_NE(m, nullptr);
            ASSERT_GE(m->GetRecordSize(), offset + size);
            std::memcpy(&value, m->GetRecord() + offset, size);
        });
        return value;
    };
    constexpr size_t kCentre = 0, kAttenuation = 24;
    bool restarted = true;
    run.OnUi([&] { restarted = run.Spectrum()->CheckRestart(); });
    EXPECT_FALSE(restarted);

    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        s->GetSASetup()->GetFrequencyRange()->SetCentre(941000000, false);
        restarted = s->CheckRestart();
    });
    EXPECT_TRUE(restarted);
    EXPECT_EQ(sent(kCentre, 8), 941000000u);
    run.OnUi([&] { restarted = run.Spectrum()->CheckRestart(); });
    EXPECT_FALSE(restarted);

    struct Case {
        int page, key;
        bool restarts;
    };
    const Case cases[] = {
        {0, 6, true},   {1, 0, true},   {9, 1, true},   {9, 4, true},
        {9, 5, true},   {9, 0, false},  {9, 6, false},  {12, 4, true},
        {12, 5, false}, {17, 2, false}, {33, 0, false}, {41, 0, false},
    };
    double level = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page) + " key " + std::to_string(c.key));
        level = level == 10 ? 20 : 10;
        const uint64_t before = sent(kAttenuation, 1);
        run.OnUi([&] {
            CSpecAnMode* s = run.Spectrum();
            PageSwitch::Open(*s, c.page);
            s->GetSASetup()->SetAttenuationLevel(level);
            s->CheckRestartAfterKey(static_cast<uint32_t>(c.key));
        });
        EXPECT_EQ(sent(kAttenuation, 1), c.restarts ? static_cast<uint64_t>(level) : before);
        run.OnUi([&] { run.Spectrum()->CheckRestart(); });
        EXPECT_EQ(sent(kAttenuation, 1), static_cast<uint64_t>(level));
    }
}

}  // namespace
