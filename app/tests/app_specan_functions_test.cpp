// The measure menu of the spectrum analyzer in the program itself on the
// simulated board: each function switched on and off by its keys, and the
// channel power of a channel of the check's own scene against the closed
// form of its numbers.
#include <cmath>

#include "app/tests/specan_functions_support.h"
#include "core/res_string.h"

using namespace specan_functions;

namespace {

class MeasureMenu : public MeasureRun {};

// Menu 17's keys 0..6, the message each function's first start sends, the
// function's English name and its On label.
struct FunctionRow {
    int key;
    uint16_t message;
    uint32_t name_id, on_label;
};
constexpr FunctionRow kFunctions[] = {
    {0, kOccupied, 635, 61409}, {1, kChannel, 636, 61411}, {2, kAdjacent, 637, 64160},
    {3, kZeroSpan, 642, 61413}, {4, kSweep, 643, 61415},   {5, kAudio, 640, 61417},
    {6, kSweep, 641, 61419},
};
const char* const kSoftKeys[] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8"};

TEST_F(MeasureMenu, EachFunctionSwitchesOnFromItsMenuAndOffAgain) {
    Begin(SceneOf({{940e6, -30, 0, ""}, {95.5e6, -40, 0, R"(, "modulation": "fm")"}}));
    for (const FunctionRow& f : kFunctions) {
        SCOPED_TRACE("measure key " + std::to_string(f.key));
        // Menu key 3, the function's key, its On/Off key.
        size_t from = RecordCount();
        Keys({"shift+F4", kSoftKeys[f.key], "F1"});
        const auto first = NextRecord(from, f.message);
        ASSERT_TRUE(first) << "no message " << std::hex << f.message;
        if (f.message != kAudio) {
            const auto next = NextMeasurement(from);
            ASSERT_TRUE(next);
            EXPECT_EQ(next->command, f.message);
        }
        const std::string name = core::LowBytes(LoadResString(f.name_id));
        EXPECT_TRUE(Until([&](CSpecAnMode& s) {
            return core::LowBytes(s.file_label_panel()->GetFileLabel()).find(name) !=
                   std::string::npos;
        })) << "the file label does not name "
            << name;
        // Back to menu 17: the function's On label.
        Keys({"F8"});
        EXPECT_TRUE(Until([&](CSpecAnMode& s) {
            return s.GetActiveFunction() == 17 &&
                   s.soft_key_menu()->Key(f.key)->GetTitle() == LoadResString(f.on_label);
        }));
        // Into its menu again, off by its key: a sweep of the general spectrum.
        from = RecordCount();
        Keys({kSoftKeys[f.key], "F1"});
        const auto off = NextMeasurement(from);
        ASSERT_TRUE(off);
        EXPECT_EQ(off->command, kSweep);
        EXPECT_TRUE(Until([](CSpecAnMode& s) {
            return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 20;
        }));
    }
    // A function off by menu 17's key 7.
    Keys({"shift+F4", "F2", "F1"});
    ASSERT_TRUE(NextRecord(RecordCount(), kChannel));
    size_t from = RecordCount();
    Keys({"F8", "F8"});
    const auto off = NextMeasurement(from);
    ASSERT_TRUE(off);
    EXPECT_EQ(off->command, kSweep);
    // Key 7 with the general spectrum current only shows menu 17: nothing
    // restarts.
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 20;
    }));
    from = RecordCount();
    Keys({"F8"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) { return s.GetActiveFunction() == 17; }));
    Keys({"shift+F4"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) { return s.GetActiveFunction() == 17; }));
    const auto all = Records();
    for (size_t i = from; i < all.size(); ++i) EXPECT_NE(all[i].command, kSweep);
}

// A channel of 1 MHz at -10 dBm centred on 500 MHz, the noise (-120 dBm/Hz
// behind the automatic attenuation) 47 dB below it over 2 MHz: over a width
// W the row reads L and L - 10 log10 W.
class ChannelPower : public MeasureRun {};

constexpr double kCentre = 500e6, kLevel = -10.0;

TEST_F(ChannelPower, TheRowReadsTheChannelAndItsDensityOverTheTypedWidth) {
    Begin(SceneOf({{kCentre, kLevel, 1e6, ""}}));
    // Centre 500 MHz, span 5 MHz.
    CentreAndSpan("500", "5", 5000000);
    // Channel power on, integration width 2 MHz.
    size_t from = RecordCount();
    Keys({"shift+F4", "F2", "F1", "F2"});
    TypeMhz("2");
    const auto typed = NextRecord(from, kChannel, [](const BoardRecord& r) {
        return r.payload.size() >= 48 && r.Get<uint64_t>(40) == 2000000;
    });
    ASSERT_TRUE(typed);
    const double w = 2e6;
    EXPECT_TRUE(CellNear(4, 2, kLevel, 0.02));
    EXPECT_TRUE(CellNear(4, 3, kLevel - 10 * std::log10(w), 0.05));
    EXPECT_NE(core::LowBytes(Cell(4, 3)).find("dBm/Hz"), std::string::npos);
    // The channel's edges carry the markers ChanStart and ChanStop (one
    // point is 5 MHz / 704).
    const double point = 5e6 / 704;
    uint64_t lo = 0, hi = 0;
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        double a = 0;
        return s.GetGraphPanel()->GetMarkerValues(0, a, lo) &&
               s.GetGraphPanel()->GetMarkerValues(1, a, hi) &&
               std::abs(static_cast<double>(lo) - (kCentre - w / 2)) <= point &&
               std::abs(static_cast<double>(hi) - (kCentre + w / 2)) <= point;
    })) << "markers at "
        << lo << " and " << hi;
    // An offset of 5 dB adds to both.
    Keys({"shift+F3", "F6", "5", "RETURN"});
    EXPECT_TRUE(CellNear(4, 2, kLevel + 5, 0.02));
    EXPECT_TRUE(CellNear(4, 3, kLevel + 5 - 10 * std::log10(w), 0.05));
    // A span below the width clamps the width to it.
    from = RecordCount();
    Keys({"shift+F1", "F4"});
    TypeMhz("1");
    EXPECT_TRUE(NextRecord(from, kChannel, [](const BoardRecord& r) {
        return r.payload.size() >= 48 && r.Get<uint64_t>(40) == 1000000;
    }));
}

// C/I carries no marker labels: the channel's labels of channel power go
// when C/I follows it, and come back with channel power.
TEST_F(ChannelPower, CarrierToInterferenceAfterChannelPowerLeavesNoChannelLabels) {
    Begin(SceneOf({{kCentre, kLevel, 1e6, ""}}));
    Keys({"shift+F4", "F2", "F1"});
    auto labels = [](CSpecAnMode& s) {
        return s.GetGraphPanel()->GetMarkerLabel(0) + u"|" + s.GetGraphPanel()->GetMarkerLabel(1);
    };
    ASSERT_TRUE(Until([&](CSpecAnMode& s) { return labels(s) == u"ChanStart|ChanStop"; }));
    Keys({"F8", "F7", "F1"});
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 27 &&
               labels(s) == u"|";
    }));
    Keys({"F8", "F2", "F1"});
    EXPECT_TRUE(Until([&](CSpecAnMode& s) { return labels(s) == u"ChanStart|ChanStop"; }));
}

}  // namespace
