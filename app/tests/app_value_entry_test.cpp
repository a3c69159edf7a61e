// The value entry dialogs typed into in the real application, headless: one
// table of key sequences with the value, unit, text and beeps that come
// out; the soft-key bar while a frequency entry is open, taps on it, and the
// screen whole again afterwards (screenshots read by ImageMagick).
#include <gtest/gtest.h>

#include <memory>

#include "app/tests/value_entry_support.h"
#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/unit_entry_dlg.h"
#include "platform/text/utf.h"

namespace {

using namespace entry_test;
using app_test::DeviceRoot;
using app_test::RunScript;
namespace fs = std::filesystem;

constexpr uint64_t kMaxHz = 3'600'000'000;
constexpr uint64_t kCurrentHz = 1'000'000'000;
constexpr uint32_t kCentreTitle = 214;

// A real-number entry (wheel step 1, arrow step 5) and a whole-number one
// (1 and 10) with a range and a default.
template <class Base, typename T>
class RangeDlg : public Base {
  public:
    RangeDlg(std::u16string initial, T lo, T hi, T value, T arrow)
        : Base(nullptr, std::move(initial)) {
        this->Configure({u"Range", u"", lo, hi, 1, arrow, value});
    }
};
using RealDlg = RangeDlg<CKeypadEntryDlg, double>;
using WholeDlg = RangeDlg<CIntegerEntryDlg, int32_t>;

enum class Kind {
    FreqMHz,
    Rbw,
    Vbw,
    Real,
    RealSigned,
    Whole,
    Amplitude,
    Sweep,
    Loss,
    Level,
    LevelPlain
};

struct EntryCase {
    const char* name;
    Kind kind;
    const char* keys;  // the first key opens the dialog
    intptr_t code;
    double value;          // NAN: not checked
    const char16_t* text;  // the edit when the dialog ended; null: not checked
    int beeps;
};

constexpr double kAny = NAN;
constexpr intptr_t kOK = plat::IDOK, kCancel = plat::IDCANCEL;

const EntryCase kCases[] = {
    {"1.5 MHz", Kind::FreqMHz, "1 POINT 5 F3", kOK, 1'500'000, nullptr, 0},
    {"2 GHz", Kind::FreqMHz, "2 F4", kOK, 2'000'000'000, nullptr, 0},
    {"4 GHz is above the range", Kind::FreqMHz, "4 F4 ESCAPE", kCancel, kCurrentHz, u"3.600000000",
     1},
    {"8.2 MHz rounds, not truncates", Kind::FreqMHz, "8 POINT 2 F3", kOK, 8'200'000, nullptr, 0},
    {"1.005 kHz rounds", Kind::FreqMHz, "1 POINT 0 0 5 F2", kOK, 1'005, nullptr, 0},
    {"2.01 GHz rounds", Kind::FreqMHz, "2 POINT 0 1 F4", kOK, 2'010'000'000, nullptr, 0},
    {"the sign key starts empty", Kind::FreqMHz, "MINUS ESCAPE", kCancel, kCurrentHz, u"", 0},
    {"the point starts with a point", Kind::FreqMHz, "POINT ESCAPE", kCancel, kCurrentHz, u".", 0},
    {"Enter on an empty entry", Kind::FreqMHz, "MINUS RETURN ESCAPE", kCancel, kCurrentHz,
     u"1000.000000", 1},
    {"Enter takes MHz", Kind::FreqMHz, "2 5 RETURN", kOK, 25'000'000, nullptr, 0},
    {"full span key", Kind::FreqMHz, "7 F6 RETURN", kOK, kMaxHz, nullptr, 0},
    {"minimum span key", Kind::FreqMHz, "7 F7 RETURN", kOK, 0, nullptr, 0},
    {"clear shows the current value", Kind::FreqMHz, "7 F8 ESCAPE", kCancel, kCurrentHz,
     u"1000.000000", 0},
    {"RBW 150 becomes 300", Kind::Rbw, "1 5 0 RETURN", kOK, 300, u"300", 1},
    {"RBW 300 exactly", Kind::Rbw, "3 0 0 RETURN", kOK, 300, nullptr, 0},
    {"RBW 5 is below the range", Kind::Rbw, "5 RETURN ESCAPE", kCancel, kAny, u"100", 1},
    {"VBW 5 shows 10 Hz", Kind::Vbw, "5 RETURN ESCAPE", kCancel, kAny, u" 10", 1},
    {"RBW 2 kHz becomes 3 kHz", Kind::Rbw, "2 F2", kOK, 3000, u"3.000", 1},
    {"95 Up Up", Kind::Real, "9 5 UP UP ESCAPE", kCancel, kAny, u"100.0", 1},
    {"95 Up", Kind::Real, "9 5 UP RETURN", kOK, 100, nullptr, 0},
    {"a digit after a step starts anew", Kind::Real, "9 5 UP 5 RETURN", kOK, 5, nullptr, 0},
    {"plus with a positive range", Kind::Real, "1 2 PLUS MINUS RETURN", kOK, 12, nullptr, 0},
    {"plus toggles the sign", Kind::RealSigned, "1 2 PLUS RETURN", kOK, -12, nullptr, 0},
    {"plus toggles it back", Kind::RealSigned, "1 2 PLUS PLUS RETURN", kOK, 12, nullptr, 0},
    {"a second point is ignored", Kind::Real, "1 POINT 5 POINT 2 ESCAPE", kCancel, kAny, u"1.52",
     0},
    {"the accepted value is the one re-shown", Kind::Real, "1 POINT 5 2 RETURN", kOK, 1.5, nullptr,
     0},
    {"maximum + 1e-10 passes", Kind::Real, "1 0 0 POINT 0 0 0 0 0 0 0 0 0 1 RETURN", kOK, 100,
     nullptr, 0},
    {"maximum + 1e-9 is the maximum", Kind::Real, "1 0 0 POINT 0 0 0 0 0 0 0 0 1 RETURN ESCAPE",
     kCancel, kAny, u"100.0", 1},
    {"a refused value, then Enter takes the limit", Kind::Real, "2 0 0 RETURN RETURN", kOK, 100,
     nullptr, 1},
    {"Left and Right", Kind::Real, "5 LEFT RIGHT RETURN", kOK, 100, nullptr, 0},
    {"the wheel", Kind::Real, "5 wheel+ wheel+ wheel- RETURN", kOK, 6, nullptr, 0},
    {"eleven nines", Kind::Whole, "9 9 9 9 9 9 9 9 9 9 9 RETURN ESCAPE", kCancel, kAny, u"1000", 1},
    {"twenty-one nines", Kind::Whole, "9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 RETURN ESCAPE",
     kCancel, kAny, u"1000", 1},
    {"a point in a whole number", Kind::Whole, "1 POINT 5 RETURN", kOK, 15, nullptr, 0},
    {"Enter on a lone sign", Kind::Real, "MINUS MINUS RETURN ESCAPE", kCancel, kAny, u"42.0", 1},
    {"Enter on a lone point", Kind::Real, "POINT RETURN ESCAPE", kCancel, kAny, u"42.0", 1},
    {"Escape keeps the value", Kind::Real, "7 ESCAPE", kCancel, kAny, u"7", 0},
    // Levels in dBm from -150 to 30 (50 ohms: P = U^2 / 50).
    {"1 W is 30 dBm", Kind::Amplitude, "1 F6", kOK, 30, nullptr, 0},
    {"10 W is limited to 30 dBm without a beep", Kind::Amplitude, "1 0 F6", kOK, 30, nullptr, 0},
    {"0 W is the minimum", Kind::Amplitude, "0 F6", kOK, -150, nullptr, 0},
    {"1 V", Kind::Amplitude, "1 F5", kOK, 10 * std::log10(1.0 / 50 / 1e-3), nullptr, 0},
    {"-1 V is the minimum", Kind::Amplitude, "MINUS 1 F5", kOK, -150, nullptr, 0},
    {"40 dBuV", Kind::Amplitude, "4 0 F2", kOK,
     40 - 20 * std::log10(1e6) + 10 * std::log10(1e3 / 50), nullptr, 0},
    {"Enter takes dBm", Kind::Amplitude, "MINUS 2 0 RETURN", kOK, -20, nullptr, 0},
    {"2.5 s is 2500 ms", Kind::Sweep, "2 POINT 5 F2", kOK, 2500, nullptr, 0},
    {"2.5 ms", Kind::Sweep, "2 POINT 5 F1", kOK, 2.5, nullptr, 0},
    {"20 s is above 10 s", Kind::Sweep, "2 0 F2 ESCAPE", kCancel, kAny, u"10.0", 1},
    {"1 dB/m in dB/ft", Kind::Loss, "1 F2", kOK, 0.3048, nullptr, 0},
    {"1 dB/m stays", Kind::Loss, "1 F1", kOK, 1, nullptr, 0},
    {"VSWR 2 as return loss", Kind::Level, "2 F1", kOK, 20 * std::log10(1.0 / 3), nullptr, 0},
    {"no unit keys in mode 3", Kind::LevelPlain, "MINUS 5 F1 RETURN", kOK, -5, nullptr, 0},
    {"reflection 0.5", Kind::Level, "POINT 5 F3", kOK, 20 * std::log10(0.5), nullptr, 0},
};

// Queues the entry of a case; the outcome goes to `out`.
std::function<void(int)> EntryFor(const EntryCase& c, Outcome& out) {
    return [&c, &out](int code) {
        switch (c.kind) {
            case Kind::FreqMHz: {
                Recorded<CFreqEntryDlg> dlg(&out, nullptr);
                dlg.Setup(kCentreTitle, kCurrentHz, kMaxHz, 0, 1'000'000, 2, code);
                dlg.SetSpanKeys(true);
                RunModal(dlg, out, [&](auto& d) {
                    out.hz = d.GetValue();
                    out.value = static_cast<double>(d.GetValue());
                    out.unit = d.GetUnit();
                    out.step = d.GetStep();
                });
                break;
            }
            case Kind::Rbw:
            case Kind::Vbw: {
                Recorded<CBandwidthEntryDlg> dlg(&out, nullptr,
                                                 c.kind == Kind::Rbw ? u"RBW" : u"VBW", code, 0);
                RunModal(dlg, out, [&](auto& d) {
                    out.value = static_cast<double>(d.GetValue());
                    out.selection = d.GetSelection();
                });
                break;
            }
            case Kind::Real:
            case Kind::RealSigned: {
                Recorded<RealDlg> dlg(&out, CKeypadEntryDlg::KeyToChar(code),
                                      c.kind == Kind::Real ? 0.0 : -100.0, 100.0, 42.0, 5.0);
                RunModal(dlg, out, [&](auto& d) { out.value = d.GetValue(); });
                break;
            }
            case Kind::Amplitude: {
                Recorded<CAmplitudeEntryDlg> dlg(&out, nullptr, u"Level",
                                                 CKeypadEntryDlg::KeyToChar(code), UNIT_DBM, -50.0,
                                                 30.0, -150.0, 1.0);
                RunModal(dlg, out, [&](auto& d) { out.value = d.GetValue(); });
                break;
            }
            case Kind::Sweep: {
                Recorded<CSweepTimeDlg> dlg(&out, nullptr, u"Sweep Time",
                                            CKeypadEntryDlg::KeyToChar(code), 100.0, 1.0, 10'000.0,
                                            CSweepTimeDlg::kMilliseconds);
                RunModal(dlg, out, [&](auto& d) {
                    out.value = d.GetRawValue();
                    EXPECT_DOUBLE_EQ(d.GetSeconds(), d.GetRawValue() * 0.001);
                });
                break;
            }
            case Kind::Loss: {
                Recorded<CCableLossDlg> dlg(&out, nullptr, CKeypadEntryDlg::KeyToChar(code),
                                            UNIT_DB_PER_METRE, 0.5f);
                RunModal(dlg, out, [&](auto& d) { out.value = d.GetValue(); });
                break;
            }
            case Kind::Level:
            case Kind::LevelPlain: {
                const int mode = c.kind == Kind::Level ? 0 : CLevelEntryDlg::kPlainModeA;
                Recorded<CLevelEntryDlg> dlg(&out, nullptr, u"Limit",
                                             CKeypadEntryDlg::KeyToChar(code), UNIT_RETURN_LOSS,
                                             mode, -10.0, 0.0, -60.0, 1.0);
                RunModal(dlg, out, [&](auto& d) {
                    out.value = d.GetValue();
                    out.unit = d.GetUnit();
                });
                break;
            }
            case Kind::Whole: {
                Recorded<WholeDlg> dlg(&out, CIntegerEntryDlg::KeyToChar(code), 0, 1000, 10, 10);
                RunModal(dlg, out, [&](auto& d) { out.value = d.GetValue(); });
                break;
            }
        }
    };
}

TEST(ValueEntryInApp, OneTableOfEntrySequences) {
    DeviceRoot root("celvane-entry-table");
    auto log = std::make_shared<Log>();
    EntryApp app(log);
    constexpr size_t n = std::size(kCases);
    std::vector<Outcome> outcomes(n);
    std::vector<std::string> sequences;
    for (size_t i = 0; i < n; ++i) {
        app.screen->entries.push_back(EntryFor(kCases[i], outcomes[i]));
        sequences.push_back(kCases[i].keys);
    }
    ASSERT_EQ(RunScript(app, root, TypeScript(sequences)), 0);
    for (size_t i = 0; i < n; ++i) {
        const EntryCase& c = kCases[i];
        const Outcome& o = outcomes[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(o.code, c.code);
        if (c.code == kOK && c.kind == Kind::FreqMHz) {
            EXPECT_EQ(o.hz, static_cast<uint64_t>(c.value));
        } else if (c.code == kOK && !std::isnan(c.value)) {
            EXPECT_NEAR(o.value, c.value, 1e-6 * std::max(1.0, std::abs(c.value)));
        }
        if (c.kind == Kind::FreqMHz && c.code == kCancel) {
            EXPECT_EQ(o.hz, kCurrentHz);
        }
        if (c.text) {
            EXPECT_EQ(plat::to_utf8(o.text), plat::to_utf8(c.text));
        }
        EXPECT_EQ(o.beeps, c.beeps);
    }
    const auto of = [&](std::string_view name) -> const Outcome& {
        for (size_t i = 0; i < n; ++i)
            if (kCases[i].name == name) return outcomes[i];
        return outcomes.front();
    };
    // The unit keys leave their unit; Enter the one shown.
    EXPECT_EQ(of("1.5 MHz").unit, 2u);
    EXPECT_EQ(of("2 GHz").unit, 3u);
    EXPECT_EQ(of("1.005 kHz rounds").unit, 1u);
    EXPECT_EQ(of("Enter takes MHz").unit, 2u);
    EXPECT_EQ(plat::to_utf8(of("4 GHz is above the range").units), "GHz");
    EXPECT_EQ(of("RBW 300 exactly").selection, 1);  // the second from 100 Hz
    EXPECT_EQ(of("RBW 2 kHz becomes 3 kHz").selection, 3);
    EXPECT_EQ(plat::to_utf8(of("RBW 2 kHz becomes 3 kHz").units), "kHz");
    EXPECT_EQ(plat::to_utf8(of("2.5 s is 2500 ms").units), plat::to_utf8(LoadResString(63177)));
    EXPECT_EQ(plat::to_utf8(of("1 dB/m in dB/ft").units), plat::to_utf8(LoadResString(1370)));
    EXPECT_EQ(of("VSWR 2 as return loss").unit, UNIT_DB);
    EXPECT_EQ(of("no unit keys in mode 3").unit, UNIT_RETURN_LOSS);
    // The unit keys on the bar.
    const auto labels = [](const Outcome& o) {
        std::string s;
        for (const auto& k : o.keys) s += plat::to_utf8(k) + "|";
        return s;
    };
    const auto text = [](uint32_t id) { return plat::to_utf8(LoadResString(id)) + "|"; };
    EXPECT_EQ(labels(of("1 W is 30 dBm")), text(561) + text(823) + text(824) + text(825) +
                                               text(1044) + text(560) + text(184) + text(184));
    EXPECT_EQ(labels(of("2.5 ms")), text(63178) + text(63177) + text(184) + text(184) + text(184) +
                                        text(184) + text(184) + text(184));
}

// The centre of soft key i on the screen.
plat::Point SoftKeyCentre(int i) {
    constexpr int kTop = 30, kHeight = 67;
    return {752, kTop + kHeight * i + kHeight / 2};
}

TEST(ValueEntryInApp, TheSoftKeyBarWhileAFrequencyEntryIsOpen) {
    DeviceRoot root("celvane-entry-keys");
    auto log = std::make_shared<Log>();
    EntryApp app(log);
    Outcome out;
    app.screen->entries.push_back([&](int code) {
        Recorded<CFreqEntryDlg> dlg(&out, app.GetMainFrame());
        dlg.Setup(kCentreTitle, kCurrentHz, kMaxHz, 0, 1000, 2, code);
        dlg.SetSpanKeys(true);
        RunModal(dlg, out, [&](auto& d) {
            out.hz = d.GetValue();
            out.unit = d.GetUnit();
            out.step = d.GetStep();
        });
    });
    const fs::path before = root.path() / "before.png", open = root.path() / "open.png",
                   after = root.path() / "after.png";
    const plat::Point mhz = SoftKeyCentre(2), step = SoftKeyCentre(4);
    const auto click = [](plat::Point p) {
        return "click " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    };
    // The pointer leaves the dialog, the dialog takes the capture, and taps
    // on the bar act as its keys: the step key twice, then MHz.
    ASSERT_EQ(
        RunScript(app, root,
                  "wait 10\nshot " + before.string() + "\nkey 7\nwait 10\nshot " + open.string() +
                      "\n" + click({20, 20}) + "wait 300\n" + click(step) + click(step) +
                      click(mhz) + "wait 10\nshot " + after.string() + "\nquit\n"),
        0);
    std::vector<std::string> want;
    for (uint32_t id : {887u, 685u, 686u, 687u}) want.push_back(plat::to_utf8(LoadResString(id)));
    want.push_back(plat::to_utf8(LoadResString(63011)) + "\n1 KHz");
    for (uint32_t id : {232u, 63013u, 138u}) want.push_back(plat::to_utf8(LoadResString(id)));
    std::vector<std::string> shown;
    for (const auto& k : out.keys) shown.push_back(plat::to_utf8(k));
    EXPECT_EQ(shown, want);
    EXPECT_EQ(out.code, plat::IDOK);
    EXPECT_EQ(out.hz, 7'000'000u);
    EXPECT_EQ(out.unit, 2u);
    EXPECT_EQ(out.step, 100'000u) << "two taps on the step key: 1 KHz -> 100 KHz";
    EXPECT_TRUE(out.brush) << "the edit brush is made at the start";
    EXPECT_FALSE(CNumericEdit::HasEditBrush()) << "and deleted at the exit";

    screen_test::Shot b(before), o(open), a(after);
    ASSERT_TRUE(b.ok() && o.ok() && a.ok());
    EXPECT_TRUE(b.SameAs(a)) << "the screen is whole again";
    const plat::Rect bar{705, 30, 800, 566};
    int differing = 0;
    for (int y = bar.top; y < bar.bottom; ++y)
        for (int x = bar.left; x < bar.right; ++x) differing += b.at(x, y) != o.at(x, y);
    EXPECT_GT(differing, 100) << "the bar shows the dialog's labels";
    // The editable edit on the edit colour, right of its text.
    const uint32_t edit = screen_test::Rgb(CNumericEdit::EditColor());
    EXPECT_EQ(o.at(out.edit.right - 6, out.edit.top + out.edit.height() / 2), edit);
    EXPECT_NE(b.at(out.edit.right - 6, out.edit.top + out.edit.height() / 2), edit);
}

}  // namespace
