// The carrier-to-interference function of the program itself on the
// simulated board: a carrier switched off at its source while the check
// runs, and the interferer left at the same frequency; and the results a
// recalled trace file of the check's own brings back.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "app/tests/specan_functions_support.h"
#include "core/units.h"
#include "platform/kernel/sync.h"

using namespace specan_functions;

namespace {

// A carrier of Lc = -20 dBm and an interferer of Li = -32 dBm, both at
// 300 MHz in a span of 1 MHz (the middle point on them). The carrier goes
// off when the check sets its event. The screen shows watts; the levels are
// kept in dBm all the same, and C/I is their difference in dB.
constexpr double kLc = -20, kLi = -32, kCiHz = 300e6;
constexpr char kCarrierOff[] = "RatioCheckCarrierOff";

class CarrierToInterference : public MeasureRun {
  protected:
    struct Values {
        double carrier, interference, ratio;
    };
    Values Read() {
        Values v{};
        OnScreen([&](CSpecAnMode& s) {
            v = {s.GetCarrierPower(), s.GetInterferencePower(), s.GetPowerDifference()};
        });
        return v;
    }
    // Waits until the current marker stands on the frequency and reads
    // `dbm` (+-0.05 dB). It reads watts with the unit's prefix: unit u is
    // 10^(3 (u - W)) W.
    ::testing::AssertionResult MarkerReads(double dbm) {
        std::string seen;
        const bool ok = Until([&](CSpecAnMode& s) {
            double shown = 0;
            uint64_t hz = 0;
            int marker = 0;
            const auto u = static_cast<int>(s.GetSASetup()->GetMeasureUnit());
            if (!s.GetGraphPanel()->GetCurrentMarker(marker) ||
                !s.GetGraphPanel()->GetMarkerValues(marker, shown, hz) || shown <= 0) {
                seen = "no marker value";
                return false;
            }
            const double level = 10 * std::log10(shown) + 30.0 * (u - int(UNIT_W)) + 30;
            seen = std::to_string(level) + " dBm at " + std::to_string(hz) + " Hz";
            return std::abs(double(hz) - kCiHz) < 1e6 / 704 / 2 && std::abs(level - dbm) <= 0.05;
        });
        if (ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the marker reads " << seen << ", not " << dbm;
    }
};

TEST_F(CarrierToInterference, TheCarrierSwitchedOffAtTheSourceLeavesTheInterference) {
    Begin(SceneOf({{kCiHz, kLc, 0, std::string(R"(, "off_event": ")") + kCarrierOff + "\""},
                   {kCiHz, kLi, 0, ""}}));
    plat::Event carrier_off = plat::Event::open(kCarrierOff);
    ASSERT_TRUE(carrier_off) << "the board made no switch-off event";
    CentreAndSpan("300", "1", 1000000);
    // The amplitude unit W (amplitude page, units, key 5).
    Keys({"shift+F3", "F7", "F6"});
    ASSERT_TRUE(Until([&](CSpecAnMode& s) {
        const auto unit = static_cast<uint32_t>(s.GetSASetup()->GetMeasureUnit());
        return unit >= UNIT_FW && unit <= UNIT_KW;
    }));
    // C/I on: three values not measured, three empty fields.
    Keys({"shift+F4", "F7", "F1"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 27 &&
               s.GetActiveFunction() == 25;
    }));
    Values v = Read();
    EXPECT_EQ(v.carrier, -1000.0);
    EXPECT_EQ(v.interference, -1000.0);
    EXPECT_EQ(v.ratio, -1000.0);
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(NumberIn(Cell(4, c)), std::nullopt) << c;

    // Two whole sweeps of C/I, then the marker to the peak: both powers
    // summed.
    const double both = 10 * std::log10(std::pow(10, kLc / 10) + std::pow(10, kLi / 10));
    int sweeps = 0;
    OnScreen([&](CSpecAnMode& s) { sweeps = s.GetCompletedSweeps(); });
    ASSERT_TRUE(Until([&](CSpecAnMode& s) { return s.GetCompletedSweeps() >= sweeps + 2; }));
    Keys({"F2"});
    ASSERT_TRUE(MarkerReads(both));
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.GetActiveFunction() == 25; }));
    Keys({"F3"});
    ASSERT_TRUE(
        Until([&](CSpecAnMode& s) { return std::abs(s.GetCarrierPower() - both) <= 0.05; }));
    EXPECT_NE(core::LowBytes(Cell(4, 1)).find('W'), std::string::npos)
        << core::LowBytes(Cell(4, 1));

    // The carrier off at its source; once the marker reads the interferer
    // alone, the interference: C/I is the difference.
    carrier_off.set();
    ASSERT_TRUE(MarkerReads(kLi));
    Keys({"F4"});
    EXPECT_TRUE(Until([&](CSpecAnMode& s) {
        return std::abs(s.GetInterferencePower() - kLi) <= 0.05 &&
               std::abs(s.GetPowerDifference() - (both - kLi)) <= 0.05;
    }));
    EXPECT_TRUE(CellNear(4, 3, both - kLi, 0.05 + 0.05));  // one decimal shown
    EXPECT_NE(core::LowBytes(Cell(4, 3)).find("dB"), std::string::npos);

    // A new carrier, the marker moved a point, the interference there: no
    // new ratio, the old one stays.
    Keys({"F3"});
    ASSERT_TRUE(Until([&](CSpecAnMode& s) { return std::abs(s.GetCarrierPower() - kLi) <= 0.05; }));
    Keys({"RIGHT", "F4"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetInterferencePower() > -1000.0 && s.GetInterferencePower() < kLi - 0.05;
    }));
    EXPECT_NEAR(Read().ratio, both - kLi, 0.05) << "a ratio between two frequencies";
    EXPECT_NEAR(Read().carrier, kLi, 0.05);

    // A carrier is awaited again: an arrow clears all three.
    Keys({"LEFT"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCarrierPower() == -1000.0 && s.GetInterferencePower() == -1000.0 &&
               s.GetPowerDifference() == -1000.0;
    }));
}

// ---------------------------------------------------------------- recalled results

namespace fs = std::filesystem;

// Trace files of the check's own, made from one the program saved with C/I
// current: its result lines replaced by the check's.
class RecalledResults : public MeasureRun {
  protected:
    fs::path Traces() { return run().root().path() / "FlashFX Disk" / "My Traces"; }
    std::vector<fs::path> TraceFiles() {
        std::vector<fs::path> out;
        if (fs::exists(Traces()))
            for (const auto& e : fs::directory_iterator(Traces()))
                if (e.path().extension() == ".twf") out.push_back(e.path());
        return out;
    }
    // The saved file's text, the file moved out of the trace folder. A
    // trace is saved whole, after a single sweep (sweep page, key 0), and
    // the file appears under its name once it is written.
    std::string QuickSaved() {
        Keys({"shift+F2", "F8", "F1"});
        EXPECT_TRUE(Until([](CSpecAnMode& s) {
            const CMeasurement* m = s.GetCurrentMeasurement();
            return s.IsSingleSweep() && m && !m->IsActive() && s.GetPointsReceived() >= 705;
        }));
        Keys({"shift+F6", "F1"});
        std::vector<fs::path> files;
        EXPECT_TRUE(Eventually([&] {
            files = TraceFiles();
            return files.size() == 1;
        }));
        if (files.size() != 1) return {};
        std::ifstream in(files[0], std::ios::binary);
        std::string text(std::istreambuf_iterator<char>(in), {});
        in.close();
        fs::remove(files[0]);
        return text;
    }
    // The saved text with its C/I lines replaced by `lines` (tags written as
    // the writer does, "\t<tag = value>\n").
    static std::string WithResults(const std::string& saved, const std::string& lines) {
        static const std::regex c2i("\t<c2i [a-z]+ = [^>]*>\r?\n");
        std::string out = std::regex_replace(saved, c2i, "");
        const size_t at = saved.find("\t<c2i ");
        return at == std::string::npos ? out : out.insert(at, lines);
    }
    // Writes the one trace file of the folder and recalls it by keys: the
    // file page, its recall list, Enter on the highlighted file.
    void Recall(const std::string& text) {
        for (const fs::path& p : TraceFiles()) fs::remove(p);
        run().root().Write("FlashFX Disk/My Traces/Check C2I.twf", text);
        Keys({"shift+F6", "F4", "RETURN"});
    }
    struct Values {
        double carrier, interference, ratio;
        SaTraceValues handed;
    };
    Values Read() {
        Values v{};
        OnScreen([&](CSpecAnMode& s) {
            v = {s.GetCarrierPower(), s.GetInterferencePower(), s.GetPowerDifference(),
                 s.GetSaValues()};
        });
        return v;
    }
};

TEST_F(RecalledResults, TheFilesResultsFillTheLiveAndStoredValuesAndAreHandedBack) {
    Begin(SceneOf({{300e6, -20, 0, ""}}));
    Keys({"shift+F4", "F7", "F1"});
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 27 &&
               s.GetCompletedSweeps() >= 1;
    }));
    const std::string saved = QuickSaved();
    ASSERT_NE(saved.find("\t<c2i carrier = "), std::string::npos) << saved.substr(0, 2000);

    // No C/I tags (the file is read: its channel power is stored): the live
    // values stay not measured.
    Recall(WithResults(saved, "\t<cp power = -4.10000e+001>\n"));
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.GetStoredResults().channelPower == -41.0; }));
    Values v = Read();
    EXPECT_EQ(v.carrier, -1000.0);
    EXPECT_EQ(v.interference, -1000.0);
    EXPECT_EQ(v.ratio, -1000.0);

    // The three C/I tags, and "acp power" after "cp power": the later one
    // is the channel power.
    Recall(WithResults(saved,
                       "\t<cp power = -4.00000e+001>\n\t<acp power = -3.55000e+001>\n"
                       "\t<c2i carrier = -2.15000e+001>\n\t<c2i ifpower = -3.32500e+001>\n"
                       "\t<c2i powerdiff = 1.17500e+001>\n"));
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.GetCarrierPower() == -21.5; }));
    v = Read();
    EXPECT_EQ(v.interference, -33.25);
    EXPECT_EQ(v.ratio, 11.75);
    OnScreen([](CSpecAnMode& s) {
        EXPECT_EQ(s.GetStoredResults().carrierPower, -21.5);
        EXPECT_EQ(s.GetStoredResults().interferencePower, -33.25);
        EXPECT_EQ(s.GetStoredResults().powerDifference, 11.75);
        EXPECT_EQ(s.GetStoredResults().channelPower, -35.5);
    });
    EXPECT_EQ(v.handed.c2i_carrier, -21.5);
    EXPECT_EQ(v.handed.c2i_interference, -33.25);
    EXPECT_EQ(v.handed.c2i_difference, 11.75);
    EXPECT_EQ(v.handed.channel_power, -35.5);
    EXPECT_TRUE(CellNear(4, 1, -21.5, 0.0005));
    EXPECT_TRUE(CellNear(4, 2, -33.25, 0.0005));
    EXPECT_TRUE(CellNear(4, 3, 11.75, 0.05 + 1e-9));  // one decimal shown

    // "nan" is not measured: the recall is taken, and no field says "nan".
    Recall(WithResults(saved,
                       "\t<cp power = nan>\n\t<c2i carrier = -2.20000e+001>\n"
                       "\t<c2i ifpower = nan>\n\t<c2i powerdiff = 1.00000e+001>\n"));
    ASSERT_TRUE(Until([](CSpecAnMode& s) { return s.GetCarrierPower() == -22.0; }));
    v = Read();
    EXPECT_EQ(v.interference, -1000.0);
    EXPECT_EQ(v.ratio, 10.0);
    EXPECT_EQ(v.handed.c2i_interference, -1000.0);
    EXPECT_EQ(v.handed.channel_power, -300.0);
    EXPECT_TRUE(CellNear(4, 1, -22.0, 0.0005));
    EXPECT_EQ(NumberIn(Cell(4, 2)), std::nullopt) << core::LowBytes(Cell(4, 2));
    for (int c = 0; c < 4; ++c) {
        std::string text = core::LowBytes(Cell(4, c));
        for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(text.find("nan"), std::string::npos) << c << ": " << text;
    }

    // A channel power trace: its measurement becomes current, and while its
    // trace is held the row shows the file's channel power; a menu key lets
    // the recall go, and the row shows the live measurement again.
    std::string channel = WithResults(saved, "\t<cp power = -3.72500e+001>\n");
    const std::string id = "<measurement id = carrier to interference>";
    ASSERT_NE(channel.find(id), std::string::npos);
    channel.replace(channel.find(id), id.size(), "<measurement id = channel power>");
    Recall(channel);
    ASSERT_TRUE(Until([](CSpecAnMode& s) {
        return s.GetCurrentMeasurement() && s.GetCurrentMeasurement()->GetId() == 22;
    }));
    EXPECT_TRUE(CellNear(4, 2, -37.25, 0.0005));
    Keys({"shift+F1"});
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        const auto v = NumberIn(s.readout_panel()->GetCell(4, 2)->GetValue());
        return !v || std::abs(*v + 37.25) > 0.0005;
    })) << core::LowBytes(Cell(4, 2));
}

}  // namespace
