// Every value dialog with fixed settings, opened in the real application by
// a screen's entry key: its title and units caption, Left to its minimum,
// Right to its maximum, one wheel step and one arrow step up from the
// minimum, and which entry keys may start it. The threshold-offset dialog's
// level follows its soft key 5.
#include <gtest/gtest.h>

#include <memory>

#include "app/tests/value_entry_support.h"
#include "core/res_string.h"
#include "dialogs/threshold_offset_dlg.h"
#include "dialogs/unit_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "platform/text/utf.h"

namespace {

using namespace entry_test;
using app_test::DeviceRoot;
using app_test::RunScript;

// Opens the dialog with the screen's key code; records into the outcome.
using Opener = std::function<void(int key_code, Outcome& out)>;

template <class D>
void RunReal(Outcome& out, D& dlg) {
    RunModal(dlg, out, [&](auto& d) { out.value = d.GetValue(); });
}

struct FixedDialog {
    const char* name;
    Opener open;
    std::u16string title;
    std::u16string caption;
    double minimum, maximum, wheel, arrow;
    const char16_t* sign_start;   // the text the sign key starts with
    const char16_t* point_start;  // and the point
    const char* format;           // how the edit shows values
};

std::vector<FixedDialog> Dialogs() {
    const auto id = [](uint32_t i) { return LoadResString(i); };
    return {
        {"signal offset",
         [](int k, Outcome& o) {
             Recorded<CSignalOffsetDlg> d(&o, nullptr, CSignalOffsetDlg::KeyToChar(k), 3.0);
             RunReal(o, d);
         },
         id(1200), id(670), -100, 100, 1, 10, u"-", u".", "%3.1f"},
        {"threshold",
         [](int k, Outcome& o) {
             Recorded<CThresholdDlg> d(&o, nullptr, CThresholdDlg::KeyToChar(k), -30.0);
             RunReal(o, d);
         },
         id(63121), id(851), -120, 0, 0.1, 1, u"-", u".", "%3.1f"},
        {"power output",
         [](int k, Outcome& o) {
             Recorded<CPowerOutputDlg> d(&o, nullptr, CPowerOutputDlg::KeyToChar(k), 0.0);
             RunReal(o, d);
         },
         id(64387), id(561), -20, 10, 1, 10, u"-", u".", "%3.1f"},
        {"velocity factor",
         [](int k, Outcome& o) {
             Recorded<CVpEntryDlg> d(&o, nullptr, CVpEntryDlg::KeyToChar(k), 66.0f);
             RunReal(o, d);
         },
         u"Enter the Vp Value", id(1077), 10, 100, 1, 10, u"", u".", "%3.1f"},
        {"volume",
         [](int k, Outcome& o) {
             Recorded<CVolumeEntryDlg> d(&o, nullptr, u"Volume", CVolumeEntryDlg::KeyToChar(k),
                                         50.0);
             RunReal(o, d);
         },
         u"Volume", u"%", 0, 100, 1, 10, u"", u".", "%3.1f"},
        {"cable loss",
         [](int k, Outcome& o) {
             Recorded<CCableLossDlg> d(&o, nullptr, CCableLossDlg::KeyToChar(k), 30, 0.2f);
             RunReal(o, d);
         },
         id(64189), id(1370), 0, 20, static_cast<double>(0.0001f), static_cast<double>(0.1f), u"-",
         u".", "%3.4f"},
        {"given limits",
         [](int k, Outcome& o) {
             Recorded<CLimitsEntryDlg> d(&o, nullptr, u"Limit", CLimitsEntryDlg::KeyToChar(k),
                                         u"dB", -10.0, 10.0, 0.5, 2.0, 1.0);
             RunReal(o, d);
         },
         u"Limit", u"dB", -10, 10, 0.5, 2, u"-", u".", "%3.1f"},
        {"scale",
         [](int k, Outcome& o) {
             Recorded<CScaleEntryDlg> d(&o, nullptr, CScaleEntryDlg::KeyToChar(k), 10, 26);
             RunReal(o, d);
             EXPECT_EQ(d.GetUnit(), 26);
         },
         id(220), id(1198), 1, 15, 1, 1, u"-", u"", "%.0f"},
        {"average",
         [](int k, Outcome& o) {
             Recorded<CAverageDlg> d(&o, nullptr, CAverageDlg::KeyToChar(k), 16);
             RunReal(o, d);
         },
         id(63175), u"", 2, 1024, 1, 1024, u"-", u"", "%.0f"},
        {"span to RBW",
         [](int k, Outcome& o) {
             Recorded<CSpanRbwDlg> d(&o, nullptr, CSpanRbwDlg::KeyToChar(k), 100);
             RunReal(o, d);
         },
         id(809), u"", 10, 3600, 1, 10, u"-", u"", "%.0f"},
    };
}

// The key sequences each dialog is run with, in order.
enum Run { kSign, kPoint, kLeft, kRight, kWheel, kArrow, kRunCount };
const char* const kSequences[kRunCount] = {
    "MINUS ESCAPE",   "POINT ESCAPE",         "5 LEFT ESCAPE",
    "5 RIGHT ESCAPE", "5 LEFT wheel+ RETURN", "5 LEFT UP RETURN",
};

std::string Shown(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

TEST(ValueDialogsInApp, EveryFixedDialog) {
    DeviceRoot root("celvane-entry-fixed");
    auto log = std::make_shared<Log>();
    EntryApp app(log);
    const std::vector<FixedDialog> dialogs = Dialogs();
    std::vector<Outcome> outcomes(dialogs.size() * kRunCount);
    std::vector<std::string> sequences;
    for (size_t d = 0; d < dialogs.size(); ++d) {
        for (int r = 0; r < kRunCount; ++r) {
            Outcome& out = outcomes[d * kRunCount + static_cast<size_t>(r)];
            app.screen->entries.push_back(
                [open = dialogs[d].open, &out](int code) { open(code, out); });
            sequences.push_back(kSequences[r]);
        }
    }
    ASSERT_EQ(RunScript(app, root, TypeScript(sequences)), 0);
    for (size_t d = 0; d < dialogs.size(); ++d) {
        const FixedDialog& f = dialogs[d];
        const Outcome* o = &outcomes[d * kRunCount];
        SCOPED_TRACE(f.name);
        EXPECT_EQ(plat::to_utf8(o[kSign].title), plat::to_utf8(f.title));
        EXPECT_EQ(plat::to_utf8(o[kSign].units), plat::to_utf8(f.caption));
        EXPECT_EQ(plat::to_utf8(o[kSign].text), plat::to_utf8(f.sign_start));
        EXPECT_EQ(plat::to_utf8(o[kPoint].text), plat::to_utf8(f.point_start));
        EXPECT_EQ(plat::to_utf8(o[kLeft].text), Shown(f.format, f.minimum));
        EXPECT_EQ(plat::to_utf8(o[kRight].text), Shown(f.format, f.maximum));
        EXPECT_EQ(o[kWheel].code, plat::IDOK);
        EXPECT_NEAR(o[kWheel].value, f.minimum + f.wheel, 1e-6);
        EXPECT_EQ(o[kWheel].beeps, 0);
        // An arrow step beyond the maximum stops there with a beep.
        EXPECT_EQ(o[kArrow].code, plat::IDOK);
        EXPECT_NEAR(o[kArrow].value, std::min(f.minimum + f.arrow, f.maximum), 1e-6);
        EXPECT_EQ(o[kArrow].beeps, f.minimum + f.arrow > f.maximum ? 1 : 0);
        for (const Outcome* x = o; x < o + kRunCount; ++x) EXPECT_NE(x->code, -1);
    }
}

// The threshold-offset dialog with its level beside the offset.
class RecordedOffset : public CThresholdOffsetDlg {
  public:
    using CThresholdOffsetDlg::CThresholdOffsetDlg;
    std::vector<std::string> levels;  // the level at each soft key 5 and end
    std::vector<std::u16string> keys;

    bool OnSoftKey(int index, bool pressed) override {
        const bool r = CThresholdOffsetDlg::OnSoftKey(index, pressed);
        if (!pressed) levels.push_back(plat::to_utf8(GetLevelText()));
        return r;
    }
    void OnOK() override {
        CThresholdOffsetDlg::OnOK();
        levels.push_back(plat::to_utf8(GetLevelText()));
    }

  protected:
    bool OnInitDialog() override {
        const bool r = CThresholdOffsetDlg::OnInitDialog();
        levels.push_back(plat::to_utf8(GetLevelText()));
        if (CSoftKeyMenu* bar = GetSoftKeyBar())
            for (int i = 0; i < CSoftKeyMenu::kKeyCount; ++i)
                keys.push_back(bar->Key(i)->GetTitle());
        return r;
    }
};

TEST(ValueDialogsInApp, TheThresholdLevelFollowsSoftKey5) {
    DeviceRoot root("celvane-entry-offset");
    auto log = std::make_shared<Log>();
    EntryApp app(log);
    std::unique_ptr<RecordedOffset> dlg;
    intptr_t code = 0;
    app.screen->entries.push_back([&](int k) {
        dlg = std::make_unique<RecordedOffset>(nullptr, CKeypadEntryDlg::KeyToChar(k), 5.0, -20.0);
        code = dlg->DoModal();
    });
    // 12 then key 5: -8; the minimum (selected) replaced by 400, which is
    // refused: 300 shown, the level with it; Enter again takes 300.
    ASSERT_EQ(RunScript(app, root, TypeScript({"1 2 F5 LEFT 4 0 0 RETURN RETURN"})), 0);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(code, plat::IDOK);
    EXPECT_DOUBLE_EQ(dlg->GetValue(), 300);
    const std::vector<std::string> want = {" -15.0", "  -8.0", " 280.0", " 280.0"};
    EXPECT_EQ(dlg->levels, want);
    ASSERT_EQ(dlg->keys.size(), 8u);
    EXPECT_EQ(plat::to_utf8(dlg->keys[4]), plat::to_utf8(LoadResString(2541)));
    EXPECT_EQ(plat::to_utf8(dlg->keys[0]), plat::to_utf8(LoadResString(184)));
    EXPECT_EQ(plat::to_utf8(dlg->GetWindowText()), plat::to_utf8(LoadResString(64460)));
}

}  // namespace
