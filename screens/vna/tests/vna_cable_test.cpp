// The cable page of the distance-to-fault measurement in-process against
// the simulated board: a cable chosen from the list gives the setup its Vp
// and its loss at the centre, reaches the board in the distance-to-fault
// record and moves the fault's peak; Vp and loss edited by hand drop the
// cable.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/keys.h"
#include "core/res_string.h"
#include "files/lists/cable_type.h"
#include "files/tests/cable_list_fixture.h"
#include "instrument/vna_measurements.h"
#include "platform/text/utf.h"
#include "screens/vna/tests/vna_screen_rig.h"
#include "widgets/graph_panel.h"
#include "widgets/soft_key_menu.h"
#include "widgets/tests/screen_view.h"

namespace {

using namespace vna_test;

constexpr uint32_t kMeasureMenu = VK_F13 + 3;
constexpr uint32_t kSoft1 = VK_F1;
constexpr uint64_t kLow = 850000000, kHigh = 1850000000;

// The entries answered by the test: the cable list takes `pick` (unless
// null, which cancels), the Vp entry `vp`.
class PickingEntries : public NoEntries {
  public:
    CCableType* pick = nullptr;
    std::optional<double> vp;
    int lists_run = 0;
    CCableType* list_seen = nullptr;
    bool CableList(CCableType** choice, bool, CCableType* list) override {
        ++lists_run;
        list_seen = list;
        if (!pick) return false;
        *choice = pick;
        return true;
    }
    std::optional<double> Vp(int, double) override { return vp; }
    std::optional<double> distance;
    std::optional<int> ifbw;
    // What the last distance entry was opened with.
    struct DistanceEntry {
        uint32_t title_id = 0;
        bool metric = false;
        double shown = 0, low = 0, high = 0;
    } distance_entry;
    std::optional<double> Distance(uint32_t title_id, int, bool metric, double shown, double low,
                                   double high, double, double) override {
        distance_entry = {title_id, metric, shown, low, high};
        return distance;
    }
    std::optional<int> Ifbw(int) override { return ifbw; }
};

using cable_fixture::ThreeCables;

class VnaCable : public VnaScreen {
  protected:
    // A 26 dB fault 12 m down a lossless cable of Vp 0.85 into a 60 dB
    // load; the setup measures distance to fault from 850 to 1850 MHz at
    // 705 points, 0.1 to 20 m.
    void StartDtf(bool activate = true) {
        sim::Scene scene = IdealScene(60);
        scene.dut.cable.length_m = 19;
        scene.dut.cable.velocity_factor = 0.85;
        scene.dut.cable.loss_db_per_m = 0;
        scene.dut.faults = {{12.0, 26.0}};
        Start(scene);
        list_ = ThreeCables();
        services_->cables = list_.get();
        auto entries = std::make_unique<PickingEntries>();
        entries_ = entries.get();
        screen_->SetEntries(std::move(entries));
        setup().GetFrequencyRange()->Set(kLow, (kLow + kHigh) / 2, kHigh, kHigh - kLow, 0);
        Choose(vna::kDistanceToFault);
        ASSERT_TRUE(setup().SetDataPoints(705));
        setup().SetDtfStart(0.1f);
        setup().SetDtfStop(20.0f);
        if (activate) Activate();
    }
    core::Text KeyTitle(int key) const {
        CSoftKeyMenu* menu = screen_->soft_key_menu();
        CReadoutBox* box = menu ? menu->Key(key) : nullptr;
        return box ? box->GetTitle() : core::Text();
    }
    // Page 31 by keys: the measure menu (the type's page 27), then soft key 5.
    void OpenCablePage() {
        Key(kMeasureMenu);
        ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageDtf);
        Key(kSoft1 + 4);
        ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageCable);
    }
    // The next distance-to-fault record from packet `from` on that carries
    // the Vp word; its payload.
    std::vector<uint8_t> AwaitDtfRecord(size_t from, uint32_t vp_word) {
        std::vector<uint8_t> found;
        Until([&] {
            const auto packets = rig_->board().Packets();
            for (size_t i = from; i < packets.size(); ++i)
                if (packets[i].command == dsp::msg::kDistanceToFault &&
                    plat::get_le<uint32_t>(packets[i].payload.data() + 32) == vp_word) {
                    found = packets[i].payload;
                    return true;
                }
            return false;
        });
        return found;
    }
    // Waits until a whole sweep's maximum stands within a distance bin of
    // `metres` and `high` accepts its height; where it stood and how high.
    std::pair<double, double> AwaitPeak(double metres, const std::function<bool(double)>& high) {
        std::pair<double, double> peak;
        const bool seen = Until([&] {
            const std::vector<double> trace = screen_->GetShownTrace();
            if (static_cast<int>(trace.size()) != setup().GetDataPoints()) return false;
            const auto top = std::max_element(trace.begin(), trace.end());
            const double start = setup().GetDtfStartRaw();
            const double bin = (setup().GetDtfStopRaw() - start) / (trace.size() - 1);
            peak = {start + static_cast<double>(top - trace.begin()) * bin, *top};
            return std::abs(peak.first - metres) <= bin && high(peak.second);
        });
        EXPECT_TRUE(seen) << "the last peak stood at " << peak.first << " m, " << peak.second
                          << " dB";
        return peak;
    }

    std::unique_ptr<CCableType> list_;
    PickingEntries* entries_ = nullptr;
};

TEST_F(VnaCable, EachListedCableGivesItsVpAndLossAtTheCentreToTheBoard) {
    StartDtf();
    struct Case {
        const char16_t* name;
        const char16_t* vp_text;
        float loss;
        uint32_t vp_word;
        double peak_m;
    } cases[] = {
        {u"Match85", u"85.0", 0.05f, 8500, 12.0},
        {u"Slow66", u"66.0", 0.0f, 6600, 12.0 * 0.66 / 0.85},
        {u"Lossy66", u"66.0", 0.2f, 6600, 12.0 * 0.66 / 0.85},
    };
    double slow_height = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(plat::to_utf8(c.name));
        OpenCablePage();
        entries_->pick = list_->FindByName(c.name);
        const size_t from = PacketCount();
        Key(kSoft1);
        EXPECT_EQ(entries_->list_seen, list_.get());
        EXPECT_EQ(setup().GetCableType(), entries_->pick);
        EXPECT_NE(KeyTitle(1).find(c.vp_text), core::Text::npos) << plat::to_utf8(KeyTitle(1));
        EXPECT_NEAR(setup().GetDtfLoss(), c.loss, 1e-6);
        EXPECT_NE(KeyTitle(0).find(c.name), core::Text::npos);
        const std::vector<uint8_t> record = AwaitDtfRecord(from, c.vp_word);
        ASSERT_GE(record.size(), 40u) << "no record with Vp " << c.vp_word;
        EXPECT_NEAR(std::bit_cast<float>(plat::get_le<uint32_t>(record.data() + 36)), c.loss, 1e-6);
        // Lossy66's peak stands the two-way loss to the fault above Slow66's.
        const auto peak = AwaitPeak(c.peak_m, [&](double height) {
            return c.loss != 0.2f || std::abs(height - slow_height - 2 * 0.2 * c.peak_m) <= 0.05;
        });
        if (c.loss == 0.0f) slow_height = peak.second;
        Key(kSoft1 + 7);  // back to page 27
        EXPECT_NE(KeyTitle(4).find(c.name), core::Text::npos);
    }
}

// "None" clears the cable and keeps Vp and loss; cancelling keeps the
// cable; an edit of Vp by hand drops it, and page 27 then reads none.
TEST_F(VnaCable, NoneClearsTheCableAndAnEditedVpDropsIt) {
    StartDtf();
    OpenCablePage();
    entries_->pick = list_->FindByName(u"Lossy66");
    Key(kSoft1);
    entries_->pick = list_.get();  // "None"
    Key(kSoft1);
    EXPECT_EQ(setup().GetCableType(), nullptr);
    EXPECT_FLOAT_EQ(setup().GetDtfVp(), 0.66f);
    EXPECT_FLOAT_EQ(setup().GetDtfLoss(), 0.2f);

    entries_->pick = list_->FindByName(u"Match85");
    Key(kSoft1);
    entries_->pick = nullptr;  // cancelled
    Key(kSoft1);
    EXPECT_EQ(setup().GetCableType(), list_->FindByName(u"Match85"));

    Key(kSoft1 + 1);  // Vp
    entries_->vp = 70.0;
    screen_->OnKeyEvent('7', 0);
    EXPECT_FLOAT_EQ(setup().GetDtfVp(), 0.70f);
    EXPECT_EQ(setup().GetCableType(), nullptr);
    Key(kSoft1 + 7);
    EXPECT_EQ(KeyTitle(4), LoadResString(760) + u"\n" + LoadResString(658));
}

// Without a list file the cable list runs on no list, and nothing changes.
TEST_F(VnaCable, WithoutAListNothingChanges) {
    StartDtf();
    services_->cables = nullptr;
    OpenCablePage();
    const float vp = setup().GetDtfVp();
    Key(kSoft1);
    EXPECT_EQ(entries_->lists_run, 1);
    EXPECT_EQ(entries_->list_seen, nullptr);
    EXPECT_EQ(setup().GetCableType(), nullptr);
    EXPECT_FLOAT_EQ(setup().GetDtfVp(), vp);
}

// The measurement selection: a new type is made current and shows its page;
// the gain key is blank and does nothing without the second port.
TEST_F(VnaCable, TheMeasurementSelectionSwitchesTypesAndHidesGainWithoutTwoPorts) {
    Start(IdealScene(20), 0x107);
    Activate();
    Key(kMeasureMenu);
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageMatch);
    Key(kSoft1);  // back to the selection
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageMeasure);
    EXPECT_EQ(KeyTitle(3), LoadResString(184));
    Key(kSoft1 + 3);
    EXPECT_EQ(screen_->CurrentType(), vna::kMatch);
    EXPECT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageMeasure);
    for (int type : {vna::kDistanceToFault, vna::kCableLoss, vna::kMatch}) {
        Key(kSoft1 + static_cast<uint32_t>(type) - 1);
        EXPECT_EQ(screen_->CurrentType(), type);
        EXPECT_EQ(setup().GetMeasurementId(), type);
        EXPECT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageMatch + type - 1);
        Key(kSoft1);
    }
}

// Smoothing and the distance unit reach the board in the distance-to-fault
// record (bytes 40 and 41); a held arrow on the start speeds up to 3.5 a
// step; a start typed above the maximum distance is refused with 64188 and
// held at the maximum.
TEST_F(VnaCable, DistanceToFaultSettingsReachTheBoard) {
    StartDtf();
    const auto record_with = [&](size_t from, size_t at, uint8_t value) {
        return Until([&] {
            const auto packets = rig_->board().Packets();
            for (size_t i = from; i < packets.size(); ++i)
                if (packets[i].command == dsp::msg::kDistanceToFault &&
                    packets[i].payload.size() > at && packets[i].payload[at] == value)
                    return true;
            return false;
        });
    };
    Key(kMeasureMenu);
    Key(kSoft1 + 5);  // smoothing
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageSmoothing);
    for (uint8_t level : {3, 0, 2}) {
        const size_t from = PacketCount();
        Key(kSoft1 + level);
        EXPECT_EQ(setup().GetDtfSmoothing(), level);
        EXPECT_TRUE(record_with(from, 40, level)) << "smoothing " << int{level};
    }
    Key(kSoft1 + 7);
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageDtf);
    EXPECT_EQ(KeyTitle(5), LoadResString(762) + u"\n" + LoadResString(764));
    size_t from = PacketCount();
    Key(kSoft1 + 3);  // feet
    EXPECT_FALSE(setup().IsDistanceInMeters());
    EXPECT_TRUE(record_with(from, 41, 0));
    from = PacketCount();
    Key(kSoft1 + 3);
    EXPECT_TRUE(record_with(from, 41, 1));

    // The start, held Right: 0.1 a step at first, 3.5 at the 35th.
    Key(kSoft1 + 1);
    setup().SetDtfStop(150.0f);
    setup().SetDtfStart(0.1f);
    std::vector<float> steps;
    for (int i = 0; i < 40; ++i) {
        const float before = setup().GetDtfStart();
        screen_->OnArrowKey(VK_RIGHT, 1);
        steps.push_back(setup().GetDtfStart() - before);
    }
    screen_->OnArrowKey(VK_RIGHT, 0);
    EXPECT_NEAR(steps.front(), 0.1f, 1e-4);
    EXPECT_NEAR(steps[34], 3.5f, 1e-3);
    EXPECT_NEAR(steps.back(), 3.5f, 1e-3);

    // Typed above the maximum: 64188, and the start held within the limits.
    entries_->distance = 1.0e6;
    messages_->asked.clear();
    screen_->OnKeyEvent('9', 0);
    EXPECT_EQ(messages_->asked, (std::vector<uint32_t>{64188}));
    EXPECT_LE(setup().GetDtfStart(), setup().GetMaxDistance());
}

// IFBW 3 kHz from the sweep page shows in the readout and reaches the board
// as 8 - 3 in byte 19 of the next standard's record; interference immunity
// goes into byte 18.
TEST_F(VnaCable, IfbwAndImmunityReachTheStandardsRecords) {
    Start(IdealScene(20));
    auto entries = std::make_unique<PickingEntries>();
    entries_ = entries.get();
    screen_->SetEntries(std::move(entries));
    Activate();
    Key(VK_F13 + 2);  // amplitude
    Key(kSoft1 + 6);  // sweep
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageSweep);
    entries_->ifbw = 3;
    Key(kSoft1 + 4);
    EXPECT_EQ(screen_->IfbwIndex(), 3);
    EXPECT_NE(KeyTitle(4).find(u"3 kHz"), core::Text::npos) << plat::to_utf8(KeyTitle(4));
    EXPECT_EQ(CellValue(2, 3), u"IFBW: 3 kHz");
    const bool immunity = setup().GetIfImmunity();
    Key(kSoft1 + 3);
    EXPECT_NE(setup().GetIfImmunity(), immunity);
    EXPECT_EQ(setup().GetCableLossInterferenceImmunity(), false);
    Key(VK_F13 + 1);  // calibration
    Key(kSoft1);      // open
    std::vector<uint8_t> open;
    ASSERT_TRUE(Until([&] {
        open = rig_->board().LastPayload(dsp::msg::kMeasureOpen);
        return open.size() >= 20u;
    }));
    EXPECT_EQ(open[18], immunity ? 0 : 1);
    EXPECT_EQ(open[19], 5);
}

// The distance-to-fault screen over the application's graph panel.
class VnaMarkerDistance : public VnaCable {
  protected:
    void SetUp() override {
        panel_.Create(&view_, 0, 30, 705, 455, 18, 90, scheme_.get());
        shared_graph_ = &panel_;
    }
    // Where the selected marker stands, in millimetres, once the graph
    // carried out the requests (it does while it draws).
    uint64_t MarkerMillimetres() {
        panel_.DrawTrace();
        int marker = 0;
        double level = 0;
        uint64_t position = 0;
        EXPECT_TRUE(panel_.GetCurrentMarker(marker));
        EXPECT_TRUE(panel_.GetPendingMarkerValues(marker, level, position));
        return position;
    }

    widget_test::ScreenView view_{"VnaMarkerView"};
    CGraphPanel panel_{1, 0};
};

// A distance typed on a marker of the distance-to-fault trace moves it to
// the trace's point nearest that many millimetres, held within the start
// and stop distances; in feet the entry shows the marker and its limits in
// feet. The points stand every 0.1 m from 0.1 to 17.7 m.
TEST_F(VnaMarkerDistance, ATypedDistanceMovesTheMarkerWithinTheRange) {
    StartDtf(false);
    ASSERT_TRUE(setup().SetDataPoints(177));
    setup().SetDtfStart(0.1f);
    setup().SetDtfStop(17.7f);
    Activate();
    ASSERT_EQ(panel_.GetXAxisKind(), 2) << "the distance axis";
    ASSERT_TRUE(Until([&] { return static_cast<int>(screen_->GetShownTrace().size()) == 177; }));
    ASSERT_TRUE(screen_->ToggleMarker());
    ASSERT_TRUE(screen_->IsMarkerOn());
    constexpr double kFeetPerMetre = 1 / 0.3048;
    struct Case {
        bool metric;
        double typed;
        uint64_t millimetres;  // of the nearest point
        const char* reads;     // the marker's text, in metres
    } cases[] = {
        {true, 9.5, 9500, "/9.500 m"},  {true, 25, 17700, "/17.700 m"},  // held at the stop
        {true, 3.04, 3000, "/3.000 m"},                                  // between points
        {false, 25, 7600, ""},                                           // 25 ft = 7.62 m
        {false, 70, 17700, ""},       // held at the stop, 58.1 ft
        {false, 32.8084, 10000, ""},  // 10 m in feet
    };
    uint64_t before = MarkerMillimetres();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        setup().SetDistanceUnit(c.metric);
        entries_->distance = c.typed;
        EXPECT_TRUE(screen_->EditMarkerPosition(9));
        const auto& e = entries_->distance_entry;
        EXPECT_EQ(e.title_id, 1192u);
        EXPECT_EQ(e.metric, c.metric);
        const double unit = c.metric ? 1.0 : kFeetPerMetre;
        EXPECT_NEAR(e.shown, static_cast<double>(before) / 1000 * unit, 1e-6);
        EXPECT_NEAR(e.low, 0.1 * unit, 1e-6);
        EXPECT_NEAR(e.high, 17.7 * unit, 1e-5);
        ASSERT_TRUE(Until([&] { return MarkerMillimetres() == c.millimetres; }))
            << MarkerMillimetres();
        before = c.millimetres;
        // The marker's field follows at the next drawing of the screen.
        if (c.metric) {
            std::string text;
            EXPECT_TRUE(Until([&] {
                text = plat::to_utf8(panel_.GetCurrentMarkerText());
                return text.ends_with(c.reads);
            })) << text;
        }
    }
}

// The gain page switches the DC bias: on sends {0, 1, 0, 0}, the voltage
// key flips +12 V and +24 V; choosing the match switches it off with
// {0, 0, 0, 0}. The off reaches the board through the stop of the gain
// sweep and the match's activation (its stop and upload), before the match
// sweeps.
TEST_F(VnaCable, TheGainPageSwitchesTheBiasAndTheMatchSwitchesItOff) {
    sim::Scene scene = IdealScene(20);
    scene.dut.bias_current_a = 0.12;
    Start(scene);
    Choose(vna::kGain);
    Activate();
    Key(kMeasureMenu);
    ASSERT_EQ(screen_->GetActiveFunction(), CVnaMode::kPageGain);
    const std::vector<uint8_t> on = {0, 1, 0, 0}, off = {0, 0, 0, 0};
    // The index of the first packet from `from` on that `is` holds for.
    const auto first = [&](size_t from, const std::function<bool(const Packet&)>& is) {
        const auto packets = rig_->board().Packets();
        for (size_t i = from; i < packets.size(); ++i)
            if (is(packets[i])) return i;
        return packets.size() + 1;
    };
    const auto option = [](const std::vector<uint8_t>& want) {
        return
            [want](const Packet& p) { return p.command == dsp::msg::kOption && p.payload == want; };
    };
    size_t from = PacketCount();
    Key(kSoft1 + 2);
    EXPECT_TRUE(screen_->IsDcBiasOn());
    EXPECT_TRUE(Until([&] { return first(from, option(on)) < PacketCount(); }));
    EXPECT_EQ(KeyTitle(1), LoadResString(61331) + u"\n+12V");
    Key(kSoft1 + 1);
    EXPECT_EQ(KeyTitle(1), LoadResString(61331) + u"\n+24V");
    Key(kSoft1);  // the selection
    from = PacketCount();
    Key(kSoft1);  // match
    EXPECT_FALSE(screen_->IsDcBiasOn());
    EXPECT_EQ(screen_->CurrentType(), vna::kMatch);
    Activate();  // as the frame does for the activation the switch posts
    const auto match_sweep = [](const Packet& p) {
        return p.command == dsp::msg::kReflectionSweep;
    };
    ASSERT_TRUE(Until([&] { return first(from, match_sweep) < PacketCount(); }));
    const size_t bias_off = first(from, option(off));
    EXPECT_LT(bias_off, first(from, match_sweep)) << "the bias stayed on at the board";
    EXPECT_EQ(rig_->board().LastPayload(dsp::msg::kOption), off);
}

}  // namespace
