// The distance-to-fault wizard run modally over a screen and driven by keys:
// what it computes for the typed values against a float32 reference in numpy
// (dtf_wizard_check.py), a length too short to reach anything, feet, the
// centre's step key, the Vp forms and a cable picked from the list.
#include "dialogs/dtf_wizard_dlg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/frequency_range.h"
#include "core/res_string.h"
#include "dialog_test_support.h"
#include "files/lists/cable_type.h"
#include "files/vna_meas_setup.h"
#include "platform/framework/system_services.h"
#include "platform/text/utf.h"

namespace {

using namespace dialog_test;

constexpr uint32_t kF1 = plat::VK_F1, kF2 = plat::VK_F1 + 1, kF4 = plat::VK_F1 + 3;
constexpr uint32_t kNext = plat::VK_F1 + 5, kBack = plat::VK_F1 + 7;
constexpr uint64_t kLowest = 325000000, kLowestWithOption = 1600000;

class OpenedWizard : public CDtfWizardDlg {
  public:
    using CDtfWizardDlg::CDtfWizardDlg;
    plat::Event opened{true, false};

  protected:
    bool OnInitDialog() override {
        const bool r = CDtfWizardDlg::OnInitDialog();
        opened.set();
        return r;
    }
};

// The reference's points, span and centre, or nothing for "invalid".
struct Reference {
    bool valid = false;
    int points = 0;
    uint64_t span = 0, centre = 0;
};
Reference Expected(double vp, double length, double resolution, bool feet, uint64_t centre,
                   uint64_t lowest) {
    char cmd[512];
    std::snprintf(cmd, sizeof cmd, "/usr/bin/python3 '%s' %.9g %.9g %.9g %d %llu %llu",
                  DTF_WIZARD_CHECK, vp, length, resolution, feet ? 1 : 0,
                  static_cast<unsigned long long>(centre), static_cast<unsigned long long>(lowest));
    Reference r;
    FILE* p = popen(cmd, "r");
    if (!p) return r;
    char line[128] = {};
    if (std::fgets(line, sizeof line, p)) {
        unsigned long long span = 0, c = 0;
        r.valid = std::sscanf(line, "%d %llu %llu", &r.points, &span, &c) == 3;
        r.span = span;
        r.centre = c;
    }
    pclose(p);
    return r;
}

class DtfWizard : public DialogFixture {
  protected:
    void SetUp() override {
        DialogFixture::SetUp();
        setup_.GetFrequencyRange()->SetLimits(0, 3600000000ull, 100000);
        setup_.GetFrequencyRange()->Set(500000000, 1000000000, 1500000000, 1000000000, 0);
        setup_.SetDtfVp(0.85f);
        setup_.SetDtfLoss(0.0f);
    }
    // Runs the wizard; `user` acts once it is open.
    intptr_t Run(OpenedWizard& dlg, const std::function<void()>& user) {
        return RunDriven(
            dlg.opened, [&] { return dlg.DoModal(); }, user);
    }
    // Digits and points typed into the field with the focus. The characters
    // they make reach it behind the keys already queued: the test waits for
    // them before the next key.
    void Type(const std::string& text) {
        for (char c : text) Press(c == '.' ? plat::VK_OEM_PERIOD : static_cast<uint32_t>(c));
        Settle();
    }
    // Vp (percent), loss, length, the centre (empty: as it stands) and the
    // resolution, each followed by the next-field key; then Enter.
    void Fill(const std::string& vp, const std::string& loss, const std::string& length,
              const std::string& centre, const std::string& resolution) {
        Settle();
        for (const std::string* s : {&vp, &loss, &length, &centre}) {
            Type(*s);
            Press(kNext);
        }
        Type(resolution);
        Press(plat::VK_RETURN);
    }

    CVNAMeasSetup setup_;
};

TEST_F(DtfWizard, ComputesPointsSpanAndCentreInSinglePrecision) {
    struct Case {
        const char* vp;  // percent
        const char* length;
        const char* centre;  // GHz
        const char* resolution;
        uint64_t lowest;
    } cases[] = {
        {"80", "100", "", "0.5", kLowest},             // 353 points, 337,686,240 Hz
        {"80", "100.9", "", "0.5", kLowest},           // as 100
        {"80", "100", "", "0.706", kLowest},           // 177 points
        {"80", "100", "", "0.702", kLowest},           // 353 points
        {"100", "10", "", "0.01", kLowestWithOption},  // the span clamped
        {"80", "100", "3.59", "0.5", kLowest},         // the centre lowered
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.length) + " m, " + c.resolution + " m");
        OpenedWizard dlg(&view, &setup_, nullptr, c.lowest);
        ASSERT_EQ(Run(dlg, [&] { Fill(c.vp, "0", c.length, c.centre, c.resolution); }), plat::IDOK);
        const double centre = *c.centre ? std::stod(c.centre) * 1e9 : 1e9;
        const Reference want =
            Expected(std::stod(c.vp) / 100, std::stod(c.length), std::stod(c.resolution), false,
                     static_cast<uint64_t>(centre + 0.5), c.lowest);
        ASSERT_TRUE(want.valid);
        EXPECT_TRUE(dlg.IsValidated());
        EXPECT_EQ(dlg.GetDataPoints(), want.points);
        EXPECT_EQ(dlg.GetSpan(), want.span);
        EXPECT_EQ(dlg.GetCenterFrequency(), want.centre);
        EXPECT_FLOAT_EQ(dlg.GetStopDistance(), std::stof(c.length) * 1.25f);
        EXPECT_FLOAT_EQ(dlg.GetVp(), std::stof(c.vp) / 100);
        EXPECT_EQ(dlg.GetDistanceUnit(), CDtfWizardDlg::kMetres);
        EXPECT_EQ(dlg.GetLossUnit(), CDtfWizardDlg::kLossPerMetre);
    }
    // The numbers of the description.
    EXPECT_EQ(Expected(0.8, 100, 0.5, false, 1000000000, kLowest).span, 337686240u);
    EXPECT_EQ(Expected(1.0, 10, 0.01, false, 1000000000, kLowestWithOption).centre, 1639100000u);
}

// Half a metre has no whole metre to reach: OK stays open on the length
// with a beep, and the wizard ends as Cancel with nothing validated.
TEST_F(DtfWizard, ALengthBelowOneUnitKeepsTheWizardOpen) {
    plat::reset_system_service_calls();
    OpenedWizard dlg(&view, &setup_, nullptr, kLowest);
    int field = -1;
    size_t beeps = 0;
    ASSERT_EQ(Run(dlg,
                  [&] {
                      Fill("80", "0", "0.5", "", "0.5");
                      Settle();
                      field = dlg.GetCurrentField();
                      beeps = plat::system_service_calls().beeps.size();
                      Press(kBack);
                  }),
              plat::IDCANCEL);
    EXPECT_EQ(field, CDtfWizardDlg::kLength);
    EXPECT_GE(beeps, 1u);
    EXPECT_FALSE(dlg.IsValidated());
    EXPECT_FALSE(dtf_wizard::Validate({0.8f, 0.5f, 0.5f, false, 1000000000, kLowest}));
}

// In feet a stored 0.3281 dB/m shows 0.100 dB/ft; 0.1 dB/ft typed comes
// back as 0.328084 dB/m with loss unit 30.
TEST_F(DtfWizard, InFeetTheLossIsPerFoot) {
    setup_.SetDtfLoss(0.3281f);
    OpenedWizard dlg(&view, &setup_, nullptr, kLowest);
    std::u16string shown;
    ASSERT_EQ(Run(dlg,
                  [&] {
                      Press(kNext);  // the loss
                      Press(kF2);    // feet
                      Settle();
                      shown = dlg.GetField(CDtfWizardDlg::kLoss).GetWindowText();
                      Type("0.1");
                      Press(kNext);
                      Type("100");
                      Press(kNext);
                      Press(kNext);
                      Type("1");
                      Press(plat::VK_RETURN);
                  }),
              plat::IDOK);
    EXPECT_EQ(plat::to_utf8(shown), "0.100");
    EXPECT_NEAR(dlg.GetLoss(), 0.328084, 1e-6);
    EXPECT_EQ(dlg.GetLossUnit(), CDtfWizardDlg::kLossPerFoot);
    EXPECT_EQ(dlg.GetDistanceUnit(), CDtfWizardDlg::kFeet);
    const Reference want = Expected(0.85, 100, 1, true, 1000000000, kLowest);
    EXPECT_EQ(dlg.GetSpan(), want.span);
    EXPECT_EQ(dlg.GetDataPoints(), want.points);
}

// The step key of the centre goes 1 Hz, 10 Hz .. 1 GHz, then 1 Hz again;
// toggling the Vp form twice shows the stored Vp.
TEST_F(DtfWizard, TheCentreStepCyclesAndTheVpFormTogglesBack) {
    OpenedWizard dlg(&view, &setup_, nullptr, kLowest);
    std::vector<uint64_t> steps;
    std::u16string vp_before, vp_fraction, vp_after;
    ASSERT_EQ(Run(dlg,
                  [&] {
                      Settle();
                      vp_before = dlg.GetField(CDtfWizardDlg::kVp).GetWindowText();
                      Press(kF2);
                      Settle();
                      vp_fraction = dlg.GetField(CDtfWizardDlg::kVp).GetWindowText();
                      Press(kF2);
                      Settle();
                      vp_after = dlg.GetField(CDtfWizardDlg::kVp).GetWindowText();
                      for (int i = 0; i < 3; ++i) Press(kNext);  // the centre
                      for (int i = 0; i < 10; ++i) {
                          Press(kF4);
                          Settle();
                          steps.push_back(dlg.GetCentreStep());
                      }
                      Press(plat::VK_ESCAPE);
                  }),
              plat::IDCANCEL);
    EXPECT_EQ(plat::to_utf8(vp_before), "85.00");
    EXPECT_EQ(plat::to_utf8(vp_fraction), "0.85");
    EXPECT_EQ(vp_after, vp_before);
    EXPECT_EQ(steps, (std::vector<uint64_t>{10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                            100000000, 1000000000, 1}));
}

// The cable list key runs the screen's list; a cable it put into the setup
// fills Vp and loss, and OK hands them back with the cable changed.
TEST_F(DtfWizard, ACablePickedFillsVpAndLoss) {
    CCableType::Losses l{};
    l.fill(0.2f);
    CCableType cable(1, u"Picked", 0.7f, l, true);
    int runs = 0;
    OpenedWizard dlg(
        &view, &setup_,
        [&] {
            ++runs;
            setup_.SetCableType(&cable);
            setup_.SetDtfVp(cable.GetVp());
            setup_.SetDtfLoss(cable.GetLossAt(1000000000));
        },
        kLowest);
    ASSERT_EQ(Run(dlg,
                  [&] {
                      Press(kF1);
                      Press(kNext);
                      Press(kNext);
                      Type("100");
                      Press(kNext);
                      Press(kNext);
                      Type("0.5");
                      Press(plat::VK_RETURN);
                  }),
              plat::IDOK);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(dlg.IsCableChanged());
    EXPECT_FLOAT_EQ(dlg.GetVp(), 0.7f);
    EXPECT_FLOAT_EQ(dlg.GetLoss(), 0.2f);
}

}  // namespace
