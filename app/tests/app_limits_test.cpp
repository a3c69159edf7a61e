// Threshold lines, limit lines and emission masks of the spectrum analyzer
// in the program itself, in this process on the simulated board (noise
// variation off, a scene of this check's own): the keys go through the
// headless display's script as the user presses them; what the screen holds
// is read through its own operations on the user-interface thread, and its
// pixels from the headless display's screenshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/tests/product_run.h"
#include "core/frequency_range.h"
#include "files/formats/trace_source.h"
#include "files/sa_meas_setup.h"
#include "platform/framework/system_services.h"
#include "platform/text/utf.h"
#include "widgets/color_scheme.h"
#include "widgets/graph_panel.h"
#include "widgets/graph_widget.h"
#include "widgets/readout_panel.h"
#include "widgets/text_label.h"
#include "widgets/text_widget.h"

using product_test::ProductRun;
namespace fs = std::filesystem;

namespace {

// A carrier at 940 MHz and a spur 30 kHz above it.
constexpr double kCarrierHz = 940e6, kSpurHz = 940.03e6, kSpurDbm = -40;
constexpr char kScene[] = R"({"signals": [{"frequency_hz": 940e6, "level_dbm": -25},)"
                          R"( {"frequency_hz": 940.03e6, "level_dbm": -40}],)"
                          R"( "receiver": {"noise_variation": false}})";

class LimitsProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run.ImageOk());
        if (StartsAtOnce()) {
            ASSERT_TRUE(run.Start());
        }
    }
    virtual bool StartsAtOnce() const { return true; }

    // Waits until the program has taken every key typed so far, with a
    // screenshot of that moment.
    specan_screen::Screen Sync() {
        const fs::path png = run.root().path() / ("sync" + std::to_string(++shots_) + ".png");
        run.Type("shot " + png.string() + "\n");
        specan_screen::Screen s;
        EXPECT_TRUE(product_test::Eventually([&] {
            s = specan_screen::ReadPng(png);
            return !s.bytes.empty();
        }));
        return s;
    }

    // A new upper line ("Mask 1") made and saved by keys, page 40, with the
    // message that follows answered by Enter; then whether the editor is
    // still open and how many upper masks are listed.
    struct SaveOutcome {
        bool editing = false;
        size_t listed = 0;
    };
    SaveOutcome SaveANewMaskByKeys() {
        run.Type(
            "key shift+F5\nkey F8\nkey F1\nkey F4\nkey F2\nkey ESCAPE\nkey F5\nkey F7\n"
            "key RETURN\n");
        Sync();
        SaveOutcome out;
        run.OnUi([&] {
            out.editing = run.Spectrum()->IsMaskEditing();
            out.listed = run.Spectrum()->MaskList(true).size();
        });
        return out;
    }

    // Reads the screen's setup on the user-interface thread.
    template <class Fn>
    auto Setup(Fn fn) {
        decltype(fn(std::declval<CSAMeasSetup&>())) out{};
        run.OnUi([&] { out = fn(*run.Spectrum()->GetSASetup()); });
        return out;
    }
    // The names of the upper (or lower) list.
    std::vector<std::string> Names(bool upper) {
        std::vector<std::string> names;
        run.OnUi([&] {
            for (const EmissionMask& m : run.Spectrum()->MaskList(upper))
                names.push_back(plat::to_utf8(m.name));
        });
        return names;
    }
    double Upper() {
        return Setup([](CSAMeasSetup& s) { return s.GetUpperLimitValue(); });
    }
    double Lower() {
        return Setup([](CSAMeasSetup& s) { return s.GetLowerLimitValue(); });
    }
    core::Text Label(bool upper) {
        core::Text text;
        run.OnUi([&] {
            CGraphPanel* panel = run.Spectrum()->GetGraphPanel();
            if (panel && panel->GetGraph()) text = panel->GetGraph()->GetRightText(upper);
        });
        return text;
    }
    // A level typed on the threshold page: the digits open the level entry.
    void TypeLevel(const std::string& level) {
        std::string keys;
        for (char c : level) keys += c == '-' ? "key MINUS\n" : std::string("key ") + c + "\n";
        run.Type(keys + "key RETURN\n");
    }

    ProductRun run{"celvane-limits", kScene};
    int shots_ = 0;
};

// The top grid row of the graph's ten divisions.
constexpr int kTopRow = specan_screen::kGraphTop;
// The graph's pens of the first colour scheme: a limit line and a passing
// trace, and a failing trace.
constexpr int kPassPen = 24, kFailPen = 25;

specan_screen::Rgb SchemeRgb(int index) {
    const COLORREF c = CreateColorScheme(1)->GetColor(static_cast<ColorSchemeIndex>(index));
    return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
            static_cast<uint8_t>((c >> 16) & 0xFF)};
}

}  // namespace

// One table of the threshold page on the factory scale (+20 dBm reference,
// 10 dB per division: +20 .. -80 dBm): the line switched on at the scale
// top, one arrow press of 1 dB, a held arrow with the repeat count, the
// arrows stopping on the other line and the wheel one unit above it, typed
// levels inside and outside the scale, and a line that is off.
TEST_F(LimitsProgram, ThresholdLinesMoveByArrowsWheelAndTypedLevel) {
    // Marker menu key, then soft key 8: the threshold page; soft key 1
    // selects the upper line (the factory setup has the lower one), soft
    // key 2 switches it on.
    run.Type("key shift+F5\nkey F8\nkey F1\nkey F2\n");
    Sync();
    ASSERT_TRUE(Setup([](CSAMeasSetup& s) { return s.GetUpperLimitState(); }));
    EXPECT_EQ(Upper(), 20.0);
    EXPECT_EQ(Label(true).substr(0, 3), u"UL:");
    // The line, in the limit's pass colour, runs along the top grid row.
    const specan_screen::Rgb pass = SchemeRgb(kPassPen);
    EXPECT_TRUE(product_test::Eventually([&] {
        const specan_screen::Screen s = Sync();
        int along = 0;
        for (int x = 20; x < 680; x += 20)
            for (int y = kTopRow - 1; y <= kTopRow + 1; ++y)
                if (s.At(x, y) == pass) {
                    ++along;
                    break;
                }
        return along == 33;
    }));

    TypeLevel("0");
    run.Type("key UP\n");
    Sync();
    EXPECT_DOUBLE_EQ(Upper(), 1.0);
    // Held: repeats 1, 2, 3 and 4 move 1, 2, 3 and 4 dB.
    run.Type("down UP\ndown UP\ndown UP\ndown UP\nup UP\n");
    Sync();
    EXPECT_DOUBLE_EQ(Upper(), 11.0);

    // At 5 dB per division the step is 0.5 dB times the repeat count.
    run.OnUi([&] { run.Spectrum()->GetSASetup()->SetReferenceStepping(5.0); });
    TypeLevel("0");
    run.Type("down UP\ndown UP\nup UP\n");
    Sync();
    EXPECT_DOUBLE_EQ(Upper(), 1.5);
    run.OnUi([&] { run.Spectrum()->GetSASetup()->SetReferenceStepping(10.0); });

    // Both lines on: the lower one at -50 dBm, the upper one at -45 dBm.
    run.Type("key F1\nkey F2\n");
    TypeLevel("-50");
    run.Type("key F1\n");
    TypeLevel("-45");
    Sync();
    ASSERT_EQ(Lower(), -50.0);
    ASSERT_EQ(Upper(), -45.0);
    run.Type("down DOWN\ndown DOWN\ndown DOWN\ndown DOWN\nup DOWN\n");
    Sync();
    EXPECT_EQ(Upper(), -50.0) << "the arrows stop exactly on the lower line";

    // The wheel keeps one unit (scale height over the points of the last
    // sweep) above the lower line.
    // The sweeps stop after a whole one: 705 points received.
    TypeLevel("-45");
    Sync();
    ASSERT_TRUE(product_test::Eventually([&] {
        bool whole = false;
        run.OnUi([&] {
            whole = run.Spectrum()->GetPointsReceived() == 705;
            if (whole) run.Spectrum()->StopMeasurement();
        });
        return whole;
    }));
    // A block already on its way when the sweep stopped may still start the
    // next sweep's count: the unit is taken over the points received now.
    Sync();
    int points = 0;
    run.OnUi([&] { points = run.Spectrum()->GetPointsReceived(); });
    ASSERT_GT(points, 0);
    run.Type("wheel -100\n");
    Sync();
    EXPECT_NEAR(Upper(), -50.0 + 100.0 / points, 1e-9);

    // A level outside the scale is refused: the entry stays open until
    // escaped, and nothing changes.
    TypeLevel("-30");
    TypeLevel("30");
    run.Type("key ESCAPE\n");
    Sync();
    EXPECT_EQ(Upper(), -30.0);

    // A line that is off does not move.
    run.Type("key F2\nkey UP\nkey UP\nkey F1\n");
    Sync();
    EXPECT_FALSE(Setup([](CSAMeasSetup& s) { return s.GetUpperLimitState(); }));
    EXPECT_EQ(Setup([](CSAMeasSetup& s) { return s.GetLimitType(); }), 0);
    EXPECT_EQ(Upper(), -30.0);
    EXPECT_EQ(run.Finish(), 0);
}

namespace {

// The built-in masks as the instrument's documentation lists them: name,
// then offset/level pairs, "a" after a level in dBm.
constexpr const char* kUpperTable[] = {
    "IBOC AM: -75000/-85 -30500/-72 -25000/-65 -15800/-65 -15200/-39 -15200/-28 -10000/-28 "
    "-10000/-32 -5000/-32 -5000/0 0/0 5000/0 5000/-32 10000/-32 10000/-28 15200/-28 15200/-39 "
    "15800/-65 25000/-65 30500/-72 75000/-85",
    "IBOC FM: -600000/-80 -540000/-74.4 -250000/-74.4 -200000/-61.4 -200000/-40 -100000/-40 "
    "-100000/0 0/0 100000/0 100000/-40 200000/-40 200000/-61.4 250000/-74.4 540000/-74.4 "
    "600000/-80",
    "DTV Upper: -200000000/-44 -40000000/-64 -9000000/-64 -3250000/-18 -3250000/0 0/0 3250000/0 "
    "3250000/-18 9000000/-64 40000000/-64 90000000/-44 1500000000/-44 1500000000/-64",
    "Cell22.917: -45000/-60 -45000/-26 -20000/-26 -20000/0 0/0 20000/0 20000/-26 45000/-26 "
    "45000/-60",
    "Part90-B: -50000/-13a -50000/-35 -20000/-35 -20000/-25 -10000/-25 -10000/0 0/0 10000/0 "
    "10000/-25 20000/-25 20000/-35 50000/-35 50000/-13a",
    "Part90-D: -12500/-20a -5625/-20 -5625/0 0/0 5625/0 5625/-20 12500/-20a",
    "Part90-E: -4600/-25a -3000/-30 -3000/0 0/0 3000/0 3000/-30 4600/-25a",
    "WiMAX10: -14750000/-50 -9750000/-32 -5450000/-25 -4750000/0 0/0 4750000/0 5450000/-25 "
    "9750000/-32 14750000/-50",
    "WiMAX20: -29500000/-50 -19500000/-32 -10500000/-25 -9500000/0 0/0 9500000/0 10500000/-25 "
    "19500000/-32 29500000/-50",
    "WiMAX10x3: -18000000/-37 -18000000/-13 -16000000/-13 -16000000/-3 -15000000/-3 "
    "-15000000/0 0/0 15000000/0 15000000/-3 16000000/-3 16000000/-13 18000000/-13 "
    "18000000/-37",
    "NRSC_2_A: -75000/-80 -75000/-65 -60000/-65 -30000/-35 -20000/-35 -20000/-25 -10200/-25 "
    "-10200/0 0/0 10200/0 10200/-25 20000/-25 20000/-35 30000/-35 60000/-65 75000/-65 "
    "75000/-80",
};
constexpr const char* kLowerTable[] = {
    "DTV Lower: -3000000/-300 -3000000/-2 -2690000/-2 -2690000/0 0/0 2690000/0 2690000/-2 "
    "3000000/-2 3000000/-300",
};

struct Row {
    long long offset;
    double level;
    bool absolute;
};
struct Table {
    std::string name;
    std::vector<Row> rows;
};

Table Parse(const std::string& text) {
    Table t;
    const size_t colon = text.find(':');
    t.name = text.substr(0, colon);
    std::istringstream in(text.substr(colon + 1));
    for (std::string pair; in >> pair;) {
        const size_t slash = pair.find('/');
        Row r{std::stoll(pair.substr(0, slash)), std::stod(pair.substr(slash + 1)),
              pair.back() == 'a'};
        t.rows.push_back(r);
    }
    return t;
}

// The limit at each point, straight from the documented rule: the points
// at reference + offset (clamped at 0 Hz) on the point grid of the sweep,
// extended flat to 0 Hz and to twice the reference, each point's level the
// one of the first row at or right of it, on the line from the row before.
std::vector<double> Reference(const Table& t, double limit, double centre, double start,
                              double span, int n) {
    std::vector<Row> rows;
    rows.push_back(
        {static_cast<long long>(-centre), t.rows.front().level, t.rows.front().absolute});
    rows.insert(rows.end(), t.rows.begin(), t.rows.end());
    rows.push_back({static_cast<long long>(centre), t.rows.back().level, t.rows.back().absolute});
    std::vector<double> x, y;
    for (const Row& r : rows) {
        const double f = std::max(0.0, centre + static_cast<double>(r.offset));
        double p = f > start ? std::floor(n * (f - start) / span) : 0;
        x.push_back(std::min(p, static_cast<double>(n)));
        y.push_back(r.absolute ? r.level : limit + r.level);
    }
    std::vector<double> out(static_cast<size_t>(n));
    for (int p = 0; p < n; ++p) {
        size_t i = 1;
        while (i < x.size() && x[i] < p) ++i;
        if (i == x.size()) {
            out[static_cast<size_t>(p)] = y.back();
            continue;
        }
        const double slope = x[i] == x[i - 1] ? 0 : (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        out[static_cast<size_t>(p)] = y[i] + (p - x[i]) * slope;
    }
    return out;
}

}  // namespace

// Every built-in mask drawn as the upper (and the lower) limit around a
// centre of this check's own, at 705 and at 401 points: the screen's limit
// at every point equals the documented rule's, and the lists hold the masks
// in the documented order.
TEST_F(LimitsProgram, BuiltInMasksProjectAsDocumented) {
    constexpr uint64_t kCentre = 1200000000, kSpan = 80000000;
    constexpr double kLimit = -10.0;
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        CSAMeasSetup* setup = s->GetSASetup();
        setup->GetFrequencyRange()->SetCentre(kCentre, false);
        setup->GetFrequencyRange()->SetSpan(kSpan, false);
        ASSERT_EQ(setup->GetFrequencyRange()->GetSpan(), kSpan);
    });
    for (bool upper : {true, false}) {
        const auto& table = upper ? kUpperTable : kLowerTable;
        const size_t count = upper ? std::size(kUpperTable) : std::size(kLowerTable);
        for (int n : {705, 401}) {
            for (size_t i = 0; i < count; ++i) {
                const Table t = Parse(table[i]);
                SCOPED_TRACE(t.name + " at " + std::to_string(n));
                std::vector<double> got;
                core::Text name;
                size_t listed = 0;
                double start = 0;
                run.OnUi([&] {
                    CSpecAnMode* s = run.Spectrum();
                    CSAMeasSetup* setup = s->GetSASetup();
                    setup->SetDataPoints(n);
                    setup->SetLimitType(upper ? 1 : 0);
                    upper ? setup->SetUpperLimitValue(kLimit) : setup->SetLowerLimitValue(kLimit);
                    listed = s->MaskList(upper).size();
                    name = s->MaskList(upper)[i + 1].name;
                    s->LoadMaskForEdit(static_cast<int>(i) + 1, upper ? 1 : 0);
                    upper ? s->DrawUpperLimit() : s->DrawLowerLimit();
                    got = s->GetLimitArray(upper);
                    start = static_cast<double>(setup->GetFrequencyRange()->GetStart());
                });
                EXPECT_EQ(listed, count + 1);
                EXPECT_EQ(plat::to_utf8(name), t.name);
                const std::vector<double> want =
                    Reference(t, kLimit, kCentre, start, static_cast<double>(kSpan), n);
                ASSERT_EQ(got.size(), want.size());
                for (size_t p = 0; p < want.size(); ++p)
                    ASSERT_NEAR(got[p], want[p], 1e-9) << "at point " << p;
            }
        }
    }
    EXPECT_EQ(run.Finish(), 0);
}

namespace {

// The readout's limit test field: its text and colour.
struct Verdict {
    std::string text;
    COLORREF colour = 0;
};

Verdict ReadVerdict(ProductRun& run) {
    Verdict v;
    run.OnUi([&] {
        CReadoutPanel* panel = run.Spectrum()->readout_panel();
        CTextWidget* cell = panel ? panel->GetCell(3, 3) : nullptr;
        if (!cell || !cell->ValueItem()) return;
        v.text = plat::to_utf8(cell->GetValue());
        v.colour = cell->ValueItem()->textColor;
    });
    return v;
}

// The 0x10 beeps sounded so far.
int LimitBeeps() {
    const auto beeps = plat::system_service_calls().beeps;
    return static_cast<int>(std::count(beeps.begin(), beeps.end(), 0x10u));
}

}  // namespace

// A line switched on above everything the sweeps measure passes from the
// first sweep: the verdict reads PASS in green without a failure before it.
TEST_F(LimitsProgram, ALineThatNeverFailsShowsItsPass) {
    run.Type("key shift+F5\nkey F8\nkey F1\nkey F2\n");
    Sync();
    ASSERT_TRUE(Setup([](CSAMeasSetup& s) { return s.GetUpperLimitState(); }));
    EXPECT_TRUE(product_test::Eventually([&] {
        const Verdict v = ReadVerdict(run);
        return v.text == "PASS" && v.colour == 0x8000u;
    }));
    EXPECT_EQ(run.Finish(), 0);
}

// The carrier at the centre under "Cell22.917" as the upper mask and a spur
// in the mask's -26 dBc shoulder: the sweeps are tested against the mask
// around the centre, fail with the spur 6 dB above it (the verdict in red,
// the spur's piece of trace in the failing pen, one alarm beep for each
// sweep) and pass with it 6 dB below.
TEST_F(LimitsProgram, SweepsAreTestedAgainstTheMaskAroundTheCentre) {
    // Centre 940 MHz, span 200 kHz.
    run.Type(
        "key shift+F1\nkey F3\nkey 9\nkey 4\nkey 0\nkey F3\n"
        "key F4\nkey 2\nkey 0\nkey 0\nkey F2\n");
    Sync();
    uint64_t start = 0, span = 0;
    run.OnUi([&] {
        const CFrequencyRange* r = run.Spectrum()->GetSASetup()->GetFrequencyRange();
        start = r->GetStart();
        span = r->GetSpan();
    });
    ASSERT_EQ(span, 200000u);
    ASSERT_EQ(start, 939900000u);
    // The threshold page; the line/mask list (soft key 5) down to
    // "Cell22.917", the upper line on at -20 dBm, the alarm on.
    run.Type(
        "key shift+F5\nkey F8\nkey F1\nkey F5\nkey DOWN\nkey DOWN\nkey DOWN\nkey DOWN\n"
        "key RETURN\n");
    run.Type("key F2\n");
    TypeLevel("-20");
    run.Type("key F3\n");
    Sync();
    core::Text chosen;
    run.OnUi([&] { chosen = run.Spectrum()->EditRecord(true).name; });
    ASSERT_EQ(chosen, u"Cell22.917");
    // At the spur the mask allows -20 - 26 dBc = -46 dBm.
    std::vector<double> limit;
    run.OnUi([&] { limit = run.Spectrum()->GetLimitArray(true); });
    const auto spurPoint = static_cast<size_t>(705.0 * (kSpurHz - start) / span);
    ASSERT_EQ(limit.size(), 705u);
    EXPECT_NEAR(limit[spurPoint], -46.0, 1e-9);
    EXPECT_NEAR(kSpurDbm - limit[spurPoint], 6.0, 1e-9);

    EXPECT_TRUE(product_test::Eventually([&] {
        const Verdict v = ReadVerdict(run);
        return v.text == "FAIL" && v.colour == 0xFFu;
    }));
    // The spur's piece of the trace is drawn in the failing pen.
    const specan_screen::Rgb fail = SchemeRgb(kFailPen);
    const int spurColumn =
        specan_screen::Column(kSpurHz, static_cast<double>(start), static_cast<double>(span));
    EXPECT_TRUE(product_test::Eventually([&] {
        const specan_screen::Screen shot = Sync();
        for (int x = spurColumn - 2; x <= spurColumn + 2; ++x)
            if (shot.TopRow(x, fail) >= 0) return true;
        return false;
    }));

    // One alarm beep for each completed sweep.
    auto beepsOverSweeps = [&](int& beeps, int& sweeps) {
        int before = 0;
        run.OnUi([&] {
            run.Spectrum()->StopMeasurement();
            before = run.Spectrum()->GetCompletedSweeps();
        });
        plat::reset_system_service_calls();
        run.OnUi([&] { run.Spectrum()->ApplyAndRestart(false); });
        ASSERT_TRUE(product_test::Eventually([&] {
            int now = 0;
            run.OnUi([&] { now = run.Spectrum()->GetCompletedSweeps(); });
            return now >= before + 3;
        }));
        run.OnUi([&] {
            run.Spectrum()->StopMeasurement();
            sweeps = run.Spectrum()->GetCompletedSweeps() - before;
        });
        beeps = LimitBeeps();
        run.OnUi([&] { run.Spectrum()->ApplyAndRestart(false); });
    };
    int beeps = 0, sweeps = 0;
    beepsOverSweeps(beeps, sweeps);
    EXPECT_GE(sweeps, 3);
    EXPECT_EQ(beeps, sweeps);

    // The line 12 dB higher: the spur lies 6 dB below the mask.
    TypeLevel("-8");
    Sync();
    EXPECT_TRUE(product_test::Eventually([&] {
        const Verdict v = ReadVerdict(run);
        return v.text == "PASS" && v.colour == 0x8000u;
    }));
    beepsOverSweeps(beeps, sweeps);
    EXPECT_GE(sweeps, 3);
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(run.Finish(), 0);
}

namespace {

// Where the mask steps from its centre level down by `drop` dB or more
// right of the middle of the sweep.
int StepRightOfMiddle(const std::vector<double>& limit, double drop) {
    for (size_t p = limit.size() / 2; p + 1 < limit.size(); ++p)
        if (limit[p] - limit[p + 1] >= drop) return static_cast<int>(p);
    return -1;
}

}  // namespace

// With the mask's frequency lock on, a centre moved one division up leaves
// the mask at its frequency; with the lock off the mask follows the centre.
TEST_F(LimitsProgram, TheFrequencyLockHoldsTheMaskWhereItWas) {
    run.Type(
        "key shift+F1\nkey F3\nkey 9\nkey 4\nkey 0\nkey F3\n"
        "key F4\nkey 2\nkey 0\nkey 0\nkey F2\n");
    run.Type(
        "key shift+F5\nkey F8\nkey F1\nkey F5\nkey DOWN\nkey DOWN\nkey DOWN\nkey DOWN\n"
        "key RETURN\n");
    run.Type("key F2\n");
    TypeLevel("-20");
    Sync();
    std::vector<double> limit;
    run.OnUi([&] { limit = run.Spectrum()->GetLimitArray(true); });
    // The step at +20 kHz: 705 x 120 / 200 kHz = point 423.
    EXPECT_NEAR(StepRightOfMiddle(limit, 20.0), 423, 1);

    // Lock on (soft key 6), then the centre one division (20 kHz) up.
    run.Type("key F6\nkey shift+F1\nkey F3\nkey RIGHT\n");
    Sync();
    bool locked = false;
    EXPECT_TRUE(product_test::Eventually([&] {
        run.OnUi([&] {
            locked = run.Spectrum()->IsMaskLocked();
            limit = run.Spectrum()->GetLimitArray(true);
        });
        return StepRightOfMiddle(limit, 20.0) <= 353;
    }));
    EXPECT_TRUE(locked);
    // 940.02 MHz in a sweep from 939.92 MHz: 705 x 100 / 200 kHz = 352.5.
    EXPECT_NEAR(StepRightOfMiddle(limit, 20.0), 352, 1);

    // Lock off: the mask follows the centre again.
    run.Type("key shift+F5\nkey F8\nkey F6\n");
    Sync();
    run.OnUi([&] { limit = run.Spectrum()->GetLimitArray(true); });
    EXPECT_NEAR(StepRightOfMiddle(limit, 20.0), 423, 1);
    EXPECT_EQ(run.Finish(), 0);
}

// A limit-mask file of three upper masks and no other: the upper list is
// "LINE" and those three in file order, the lower list "LINE" alone, and no
// built-in mask is listed.
class LimitsFromFile : public LimitsProgram {
  protected:
    bool StartsAtOnce() const override { return false; }
};

TEST_F(LimitsFromFile, TheFileReplacesTheBuiltInMasks) {
    run.root().Write("FlashFX Disk/My Lists/LimitMaskTypeSettings.csv",
                     "name,count,freq,level,unit,ref freq,ref level,unit,a,kind\n"
                     "Zulu,1,0,-10,dBc,0,0,dBm,0,1\n"
                     "Alpha,2,-1000,-20,dBc,0,0,dBm,0,1\nAlpha,,1000,-20,dBm\n"
                     "Mike,1,0,-30,dBm,0,0,dBm,0,1\n");
    ASSERT_TRUE(run.Start());
    const std::vector<std::string> upper = Names(true), lower = Names(false);
    EXPECT_EQ(upper, (std::vector<std::string>{"LINE", "Zulu", "Alpha", "Mike"}));
    EXPECT_EQ(lower, (std::vector<std::string>{"LINE"}));
    EXPECT_EQ(run.Finish(), 0);
}

// Without a file: "LINE" and the eleven built-in upper masks, "LINE" and
// the one lower mask, in the documented order.
TEST_F(LimitsProgram, WithoutAFileTheListsHoldTheBuiltInMasks) {
    const std::vector<std::string> upper = Names(true), lower = Names(false);
    std::vector<std::string> want{"LINE"};
    for (const char* row : kUpperTable) want.push_back(Parse(row).name);
    EXPECT_EQ(upper, want);
    EXPECT_EQ(lower, (std::vector<std::string>{"LINE", "DTV Lower"}));
    EXPECT_EQ(run.Finish(), 0);
}

namespace {

struct Point {
    long long offset;
    double level;
    int absolute;
    bool operator==(const Point&) const = default;
};

std::vector<Point> Points(const EmissionMask& m) {
    std::vector<Point> out;
    for (int i = 0; i < m.count; ++i) {
        const MaskPoint& p = m.points[static_cast<size_t>(i)];
        out.push_back({p.offset, p.level, p.absolute});
    }
    return out;
}

// A point typed into the open mask point dialog: the offset in kHz, then
// the level (Down moves to the level field), then "Save Point".
std::string PointKeys(const std::string& khz, const std::string& db) {
    auto digits = [](const std::string& text) {
        std::string keys;
        for (char c : text)
            keys += c == '-'   ? "key MINUS\n"
                    : c == '.' ? "key POINT\n"
                               : "key " + std::string(1, c) + "\n";
        return keys;
    };
    return "key F7\n" + digits(khz) + "key F2\nkey DOWN\n" + digits(db) + "key F6\n";
}

}  // namespace

// The editor by its keys: a new upper line starts a third of the scale below
// its top; points typed into the mask point dialog go in by their offsets
// (one equal to a point's goes right behind it); Escape during an edit
// keeps the point; the centre point and the last point are not deleted; a
// point is not moved onto or past a neighbour; the mirror image; the mask
// saved under its typed name is listed, and a new start with the saved file
// lists it with the same points.
TEST_F(LimitsProgram, MasksAreEditedByKeysSavedAndFoundAgain) {
    // Threshold page, soft key 4: the editor (page 38); soft key 2 begins a
    // new line and asks for its name, offered as "Mask 1": cleared (soft
    // key 7), "42" typed and saved with soft key 1.
    run.Type("key shift+F5\nkey F8\nkey F1\nkey F4\nkey F2\nkey F7\nkey 4\nkey 2\nkey F1\n");
    Sync();
    int function = 0;
    run.OnUi([&] { function = run.Spectrum()->GetActiveFunction(); });
    EXPECT_EQ(function, 39);
    bool editing = false;
    core::Text name;
    run.OnUi([&] {
        editing = run.Spectrum()->IsMaskEditing();
        name = run.Spectrum()->EditRecord(true).name;
    });
    EXPECT_TRUE(editing);
    EXPECT_EQ(name, u"42");
    EXPECT_NEAR(Upper(), 20.0 - 100.0 / 3.0, 1e-9);

    // Page 40 (soft key 5), add (soft key 2): the first key opens the mask
    // point dialog.
    run.Type("key F5\nkey F2\nkey 1\n");
    run.Type(PointKeys("-30", "-40") + PointKeys("30", "-40") + PointKeys("12.5", "-20") +
             PointKeys("12.5", "-30") + "key F8\n");
    Sync();
    EmissionMask mask;
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    const std::vector<Point> added{
        {-30000, -40, 0}, {0, 0, 0}, {12500, -20, 0}, {12500, -30, 0}, {30000, -40, 0}};
    EXPECT_EQ(Points(mask), added);

    // Edit (soft key 4) steps to the next point; Up raises it 1 dB; Escape
    // puts it back.
    run.Type("key F4\nkey UP\n");
    Sync();
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    EXPECT_NE(Points(mask), added);
    run.Type("key ESCAPE\n");
    Sync();
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    EXPECT_EQ(Points(mask), added);

    // The centre point and a mask's last point stay; a point moved onto
    // or past its neighbour is put back and the mask unchanged.
    run.OnUi([&] {
        CSpecAnMode* s = run.Spectrum();
        EmissionMask& record = s->EditRecord(true);
        EXPECT_FALSE(limit_mask::RemovePoint(record, 2));
        EmissionMask single = limit_mask::LineMask();
        EXPECT_FALSE(limit_mask::RemovePoint(single, 1));
        s->LoadEditPoint(3, nullptr, nullptr);
        EXPECT_FALSE(limit_mask::MovePoint(record, 3, {0, -20, 0}));
        EXPECT_FALSE(limit_mask::MovePoint(record, 3, {20000, -20, 0}));
        mask = record;
    });
    EXPECT_EQ(Points(mask), added);

    // Save (soft key 7): the list holds "42" and the file keeps it.
    run.Type("key F7\n");
    Sync();
    std::vector<Point> saved;
    run.OnUi([&] {
        for (const EmissionMask& m : run.Spectrum()->MaskList(true))
            if (m.name == u"42") saved = Points(m);
        editing = run.Spectrum()->IsMaskEditing();
    });
    EXPECT_EQ(saved, added);
    EXPECT_FALSE(editing);
    const fs::path file =
        run.root().path() / "FlashFX Disk" / "My Lists" / "LimitMaskTypeSettings.csv";
    ASSERT_TRUE(fs::exists(file));

    // The mirror image of -75 kHz, -30.5 kHz and the centre.
    run.Type("key F4\nkey F2\nkey ESCAPE\nkey F5\n");
    Sync();
    run.OnUi([&] {
        EmissionMask& record = run.Spectrum()->EditRecord(true);
        record.count = 3;
        record.points[0] = {-75000, -60, 0};
        record.points[1] = {-30500, -50, 1};
        record.points[2] = {0, 0, 0};
    });
    run.Type("key F5\n");
    Sync();
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    EXPECT_EQ(plat::to_utf8(mask.name), "Mask 1");
    EXPECT_EQ(
        Points(mask),
        (std::vector<Point>{
            {-75000, -60, 0}, {-30500, -50, 1}, {0, 0, 0}, {30500, -50, 1}, {75000, -60, 0}}));
    ASSERT_EQ(run.Finish(), 0);

    // The program started again on the same root reads the file without a
    // word and lists "42": chosen from the list into the editor and saved
    // unchanged, the file it writes equals the first one byte for byte.
    auto read = [&] {
        std::ifstream in(file, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const std::string first = read();
    std::string script = "key shift+F5\nkey F8\nkey F1\nkey F4\nkey F3\n";
    for (size_t row = 0; row < std::size(kUpperTable) + 1; ++row) script += "key DOWN\n";
    script += "key RETURN\nkey F5\nkey F7\nquit\n";
    // This process keeps its hold on the root: the new start runs on a copy.
    app_test::DeviceRoot copy{"celvane-limits-again"};
    for (const auto& entry : fs::directory_iterator(run.root().path()))
        if (entry.path().filename() != "run" && !entry.is_fifo())
            fs::copy(entry.path(), copy.path() / entry.path().filename(),
                     fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path copied = copy.path() / "FlashFX Disk" / "My Lists" / "LimitMaskTypeSettings.csv";
    fs::last_write_time(copied, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto written = fs::last_write_time(copied);
    const std::string cmd = "'" + (app_test::BinDir() / "celvane").string() + "' --root '" +
                            copy.path().string() +
                            "' --display headless --clock real --script - >'" +
                            (copy.path() / "again.log").string() + "' 2>&1";
    FILE* again = popen(cmd.c_str(), "w");
    ASSERT_NE(again, nullptr);
    // Once the spectrum is drawn, the keys.
    const specan_screen::Rgb trace = specan_screen::TraceColour();
    int shots = 0;
    EXPECT_TRUE(product_test::Eventually([&] {
        const fs::path png = copy.path() / ("up" + std::to_string(++shots) + ".png");
        std::fputs(("shot " + png.string() + "\n").c_str(), again);
        std::fflush(again);
        specan_screen::Screen shot;
        if (!product_test::Eventually([&] {
                shot = specan_screen::ReadPng(png);
                return !shot.bytes.empty();
            }))
            return false;
        for (int x = 0; x < specan_screen::kGraphWidth; x += 5)
            if (shot.TopRow(x, trace) >= 0) return true;
        return false;
    }));
    std::fputs(script.c_str(), again);
    EXPECT_EQ(pclose(again) >> 8, 0) << std::ifstream(copy.path() / "again.log").rdbuf();
    EXPECT_NE(fs::last_write_time(copied), written) << "the mask was not saved again";
    std::ifstream in(copied, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              first);
}

// What a user can get wrong in the editor is refused, and says so: an
// offset beyond the centre or a level of 305 dB clears its field and keeps
// the mask point dialog open (the wheel stops a level at 300 dB); a 72nd
// point is refused with a message; a name with a comma is refused with a
// message and the mask keeps its name.
TEST_F(LimitsProgram, TheEditorRefusesWhatDoesNotFit) {
    // A new upper line: the name entry offers "Mask 1"; the input panel's
    // comma (four rows down) typed behind it; saved: refused with a
    // message, which Enter closes.
    run.Type(
        "key shift+F5\nkey F8\nkey F1\nkey F4\nkey F2\n"
        "key DOWN\nkey DOWN\nkey DOWN\nkey DOWN\nkey RETURN\nkey F1\nkey RETURN\n");
    Sync();
    core::Text name;
    run.OnUi([&] { name = run.Spectrum()->EditRecord(true).name; });
    EXPECT_EQ(name, u"Mask 1");

    // Page 40, add: 9999 GHz is beyond the centre and is cleared; 2 kHz
    // with 305 dB has its level cleared; 2 kHz with -7 dB goes in.
    run.Type(
        "key F5\nkey F2\nkey 9\nkey 9\nkey 9\nkey 9\nkey F4\nkey DOWN\nkey MINUS\nkey 5\n"
        "key F6\n");
    run.Type("key 2\nkey F2\nkey DOWN\nkey F7\nkey 3\nkey 0\nkey 5\nkey F6\n");
    run.Type("key MINUS\nkey 7\nkey F6\nkey F8\n");
    Sync();
    EmissionMask mask;
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    ASSERT_EQ(mask.count, 2);
    EXPECT_EQ(mask.points[1].offset, 2000);
    EXPECT_EQ(mask.points[1].level, -7.0);

    // The wheel drives the pending level up to 300 dB and no further.
    run.Type("key F2\nwheel 1000\nwheel 1000\nwheel 1000\n");
    Sync();
    MaskPoint pending;
    run.OnUi([&] { pending = run.Spectrum()->GetPendingPoint(); });
    EXPECT_EQ(pending.level, 300.0);

    // A mask of 71 points takes no 72nd: the message, then Enter; the
    // dialog stays until done.
    run.OnUi([&] {
        EmissionMask& record = run.Spectrum()->EditRecord(true);
        record.count = EmissionMask::kMaxPoints;
        for (int i = 0; i < record.count; ++i)
            record.points[static_cast<size_t>(i)] = {(i - 35) * 100LL, -1.0 * (i != 35), 0};
    });
    run.Type(
        "key 1\nkey F7\nkey 5\nkey 0\nkey F2\nkey DOWN\nkey MINUS\nkey 3\nkey F6\n"
        "key RETURN\nkey F8\n");
    Sync();
    run.OnUi([&] { mask = run.Spectrum()->EditRecord(true); });
    EXPECT_EQ(mask.count, EmissionMask::kMaxPoints);
    EXPECT_EQ(run.Finish(), 0);
}

// While a limit is edited the trace shows the edited limit and the limit's
// line the measured trace; the sweeps are tested with their measured levels
// against the limit: above it they fail, below it they pass again (the
// trace, equal to the limit, never fails against itself). Leaving the editor
// brings the measured trace back.
TEST_F(LimitsProgram, AnEditedLimitStandsInTheTraceAndTheMeasuredLevelsAreTested) {
    // A new upper line, its name "Mask 1" kept: the line stands one third of
    // the scale below the top.
    run.Type("key shift+F5\nkey F8\nkey F1\nkey F4\nkey F2\nkey F1\n");
    Sync();
    bool editing = false;
    run.OnUi([&] { editing = run.Spectrum()->IsMaskEditing(); });
    ASSERT_TRUE(editing);
    const double line = 20.0 - 100.0 / 3.0;
    ASSERT_NEAR(Upper(), line, 1e-9);
    // Both limit cursors of the graph stand on the centre (1.8 GHz).
    uint64_t cursors[2] = {};
    run.OnUi([&] {
        for (int i = 0; i < 2; ++i) cursors[i] = run.Spectrum()->GetGraphPanel()->GetLimitCursor(i);
    });
    EXPECT_EQ(cursors[0], 1800000000u);
    EXPECT_EQ(cursors[1], 1800000000u);

    // The points of the last whole trace (dBm).
    auto trace = [&] {
        std::vector<float> levels;
        run.OnUi([&] {
            CSpecAnMode* s = run.Spectrum();
            std::vector<uint8_t> buffer(static_cast<size_t>(s->GetSASetup()->GetDataPoints()) *
                                        sizeof(TracePoint));
            int count = 0;
            if (!s->GetTraceForFile(buffer.data(), &count)) return;
            const auto* points = reinterpret_cast<const TracePoint*>(buffer.data());
            for (int i = 0; i < count; ++i) levels.push_back(points[i].first);
        });
        return levels;
    };
    auto flatAt = [&](double level) {
        const std::vector<float> t = trace();
        return !t.empty() &&
               std::all_of(t.begin(), t.end(), [&](float v) { return std::abs(v - level) < 1e-4; });
    };
    auto verdict = [&](const std::string& text, COLORREF colour) {
        return product_test::Eventually([&] {
            const Verdict v = ReadVerdict(run);
            return v.text == text && v.colour == colour;
        });
    };
    auto lineAt = [&](double level) {
        run.OnUi([&] {
            run.Spectrum()->GetSASetup()->SetUpperLimitValue(level);
            run.Spectrum()->DrawUpperLimit();
        });
    };
    EXPECT_TRUE(product_test::Eventually([&] { return flatAt(line); }));
    // The line at -35 dBm: the carrier (-25 dBm) stands above it.
    lineAt(-35.0);
    EXPECT_TRUE(product_test::Eventually([&] { return flatAt(-35.0); }));
    EXPECT_TRUE(verdict("FAIL", 0xFFu));
    // Back at its first level: the carrier and the spur (-40 dBm) lie below
    // it, and the sweeps pass.
    lineAt(line);
    EXPECT_TRUE(product_test::Eventually([&] { return flatAt(line); }));
    EXPECT_TRUE(verdict("PASS", 0x8000u));

    // Out of the editor (page 39, soft key 8): the measured trace again,
    // its highest point the carrier.
    run.Type("key F8\n");
    Sync();
    run.OnUi([&] { editing = run.Spectrum()->IsMaskEditing(); });
    EXPECT_FALSE(editing);
    EXPECT_TRUE(product_test::Eventually([&] {
        const std::vector<float> t = trace();
        return !t.empty() && std::abs(*std::max_element(t.begin(), t.end()) - (-25.0)) < 1.0;
    }));
    EXPECT_EQ(run.Finish(), 0);
}

// A save that cannot be written (the list folder made unchangeable) says
// so; the old file stays as it was and the editor stays open.
TEST_F(LimitsProgram, ASaveThatCannotBeWrittenLeavesTheOldFile) {
    const fs::path folder = run.root().path() / "FlashFX Disk" / "My Lists";
    const fs::path file = folder / "LimitMaskTypeSettings.csv";
    const std::string old =
        "name,count,freq,level,unit,ref freq,ref level,unit,a,kind\n"
        "Old,1,0,-10,dBc,0,0,dBm,0,1\n";
    run.root().Write("FlashFX Disk/My Lists/LimitMaskTypeSettings.csv", old);
    // The flag comes off however the test ends, so that the root can go.
    struct Unchangeable {
        fs::path folder;
        bool set = std::system(("chattr +i '" + folder.string() + "' 2>/dev/null").c_str()) == 0;
        ~Unchangeable() {
            if (set) std::system(("chattr -i '" + folder.string() + "'").c_str());
        }
    } unchangeable{folder};
    // Only root on a file system with the immutable flag (not tmpfs) can do
    // this; elsewhere no folder can be made unwritable for root.
    if (!unchangeable.set)
        GTEST_SKIP() << "chattr +i needs root and a file system with the immutable flag";
    const SaveOutcome saved = SaveANewMaskByKeys();
    EXPECT_TRUE(saved.editing);
    EXPECT_EQ(saved.listed, std::size(kUpperTable) + 1);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              old);
    EXPECT_EQ(run.Finish(), 0);
}

// With 100 upper masks in the file the list is full: a further mask is
// refused with a message and the list keeps its 101 entries.
TEST_F(LimitsFromFile, AFullListTakesNoFurtherMask) {
    std::string text = "name,count,freq,level,unit,ref freq,ref level,unit,a,kind\n";
    for (int i = 0; i < 100; ++i) text += "M" + std::to_string(i) + ",1,0,-10,dBc,0,0,dBm,0,1\n";
    run.root().Write("FlashFX Disk/My Lists/LimitMaskTypeSettings.csv", text);
    ASSERT_TRUE(run.Start());
    const SaveOutcome saved = SaveANewMaskByKeys();
    EXPECT_TRUE(saved.editing);
    EXPECT_EQ(saved.listed, 101u);
    EXPECT_EQ(run.Finish(), 0);
}
