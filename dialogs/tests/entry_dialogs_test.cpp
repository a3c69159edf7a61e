// The numeric edits' reading of texts, and the entry dialogs driven through
// the message loop: a kept frequency dialog run twice, the wheel-step key's
// cycle with its labels, keys typed from the owning screen, and a number
// entry with a step of 0.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/res_string.h"
#include "dialog_test_support.h"
#include "dialogs/freq_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "platform/framework/system_services.h"

namespace {

using namespace dialog_test;

TEST(NumericTexts, RealNumbersReadAsScanfWould) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const struct {
        std::u16string text;
        std::optional<double> value;
    } cases[] = {
        {u"1.5", 1.5},
        {u"  5", 5},
        {u"-.5", -0.5},
        {u"12.", 12},
        {u"1.52x", 1.52},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u".", std::nullopt},
        {u"-.", std::nullopt},
        {u"9e", 9},
        {std::u16string(400, u'9'), kInf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(core::LowBytes(c.text)).substr(0, 20));
        EXPECT_EQ(ParseRealText(c.text), c.value);
    }
    EXPECT_EQ(ParseRealText(u"-" + std::u16string(400, u'9')), -kInf);
    EXPECT_EQ(ParseRealText(u"0." + std::u16string(400, u'0') + u"1"), 0.0);
}

TEST(NumericTexts, WholeNumbersReadIntoSixtyFourBits) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const struct {
        const char16_t* text;
        std::optional<int64_t> value;
    } cases[] = {
        {u"12", 12},
        {u" -7", -7},
        {u"+3", 3},
        {u"99999999999", 99'999'999'999},
        {u"99999999999999999999999", kMax},
        {u"-99999999999999999999999", kMin},
        {u"", std::nullopt},
        {u"-", std::nullopt},
        {u"1.5", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(core::LowBytes(c.text));
        EXPECT_EQ(ParseWholeText(c.text), c.value);
    }
}

// A dialog that says when it has opened.
template <class D>
class Opened : public D {
  public:
    using D::D;
    plat::Event opened{true, false};

  protected:
    bool OnInitDialog() override {
        const bool r = D::OnInitDialog();
        opened.set();
        return r;
    }
};

class EntryDialogs : public DialogFixture {
  protected:
    // The label of soft key i as the bar holds it.
    std::string Label(int i) { return core::LowBytes(services.keys.Key(i)->GetTitle()); }
};

TEST_F(EntryDialogs, AKeptFrequencyDialogStartsAfreshAtEachSetup) {
    Opened<CFreqEntryDlg> dlg(&view);
    dlg.Setup(214, 5'000'000, 3'600'000'000, 0, 1'000'000, 2, 3);
    intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            Press(plat::vk_function(5));  // step 10 MHz
            Press(plat::vk_function(2));  // "3" in kHz
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_EQ(dlg.GetValue(), 3000u);
    EXPECT_EQ(dlg.GetUnit(), 1u);
    EXPECT_EQ(dlg.GetStep(), 10'000'000u);
    // Again, with the kept step; Escape leaves the value as it was given.
    dlg.opened.reset();
    dlg.Setup(214, 7'000'000, 3'600'000'000, 0, dlg.GetStep(), 2, kNoEntryKey);
    std::u16string text;
    r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            Settle();
            text = dlg.GetEdit().GetWindowText();
            Press(plat::VK_ESCAPE);
        });
    EXPECT_EQ(r, plat::IDCANCEL);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(dlg.GetValue(), 7'000'000u);
    EXPECT_EQ(dlg.GetUnit(), 2u);
}

TEST_F(EntryDialogs, TheStepKeyCyclesFromOneHertzToOneGigahertz) {
    Opened<CFreqEntryDlg> dlg(&view);
    dlg.Setup(214, 5'000'000, 3'600'000'000, 0, 1, 0, kNoEntryKey);
    std::vector<std::string> labels;
    std::vector<uint64_t> steps;
    const intptr_t r = RunDriven(
        dlg.opened, [&] { return dlg.DoModal(); },
        [&] {
            for (int i = 0; i <= 10; ++i) {
                Settle();
                labels.push_back(Label(CFreqEntryDlg::kStepKey));
                steps.push_back(dlg.GetStep());
                Press(plat::vk_function(5));
            }
            Press(plat::VK_ESCAPE);
        });
    EXPECT_EQ(r, plat::IDCANCEL);
    const std::string step = core::LowBytes(LoadResString(63011)) + "\n";
    const std::vector<std::string> want = {step + "1 Hz",  step + "10 Hz",  step + "100 Hz",
                                           step + "1 KHz", step + "10 KHz", step + "100 KHz",
                                           step + "1 MHz", step + "10 MHz", step + "100 MHz",
                                           step + "1 GHz", step + "1 Hz"};
    EXPECT_EQ(labels, want);
    EXPECT_EQ(steps.back(), 1u);
    // The span keys were not offered: blank, and they do nothing.
    EXPECT_EQ(Label(CFreqEntryDlg::kFullSpanKey), core::LowBytes(LoadResString(184)));
}

TEST_F(EntryDialogs, KeysTypedOnTheOwningScreen) {
    Opened<CFreqEntryDlg> freq(&view);
    freq.Setup(214, 5'000'000, 3'600'000'000, 0, 1000, 2, 1);
    std::u16string text;
    intptr_t r = RunDriven(
        freq.opened, [&] { return freq.DoModal(); },
        [&] {
            plat::run_on_ui_thread(
                ui_thread,
                [&] {
                    freq.ForwardChar('2', true);  // a press: nothing
                    freq.ForwardChar('2', false);
                    freq.ForwardChar(plat::VK_DECIMAL, false);
                    freq.ForwardChar('5', false);
                    text = freq.GetEdit().GetWindowText();
                },
                plat::INFINITE);
            Settle();
            Press(plat::VK_RETURN);
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_EQ(text, u"12.5");
    EXPECT_EQ(freq.GetValue(), 12'500'000u);

    // A number entry shows its value selected; a step of 0 steps by 0.01;
    // the screen's digits replace the selection, a second point is ignored.
    Opened<CNumberEntryDlg> number(&view, 214, 2.5f, true, 10.f, 0.f, 0.f, "%4.2f");
    std::u16string first, stepped;
    r = RunDriven(
        number.opened, [&] { return number.DoModal(); },
        [&] {
            Settle();
            first = number.GetEdit().GetWindowText();
            Press(plat::VK_UP);
            Settle();
            stepped = number.GetEdit().GetWindowText();
            plat::run_on_ui_thread(
                ui_thread,
                [&] {
                    number.OnChar('7', false);
                    number.OnChar(plat::VK_OEM_PERIOD, false);
                    number.OnChar(plat::VK_OEM_PERIOD, false);
                    number.OnChar('5', false);
                },
                plat::INFINITE);
            Settle();
            Press(plat::VK_RETURN);
        });
    EXPECT_EQ(r, plat::IDOK);
    EXPECT_EQ(first, u"2.50");
    EXPECT_EQ(stepped, u"2.51");
    EXPECT_DOUBLE_EQ(number.GetValue(), 7.5);
    EXPECT_TRUE(number.GetFlag());
}

}  // namespace
