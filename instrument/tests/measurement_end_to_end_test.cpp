// The measurements end to end: setup object -> measurement -> DSP link ->
// "DSP1:" (the acquisition driver loaded by the device manager) -> USB host
// -> simulated board, and the board's blocks back into result items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "instrument/specan_measurements.h"
#include "instrument/tests/board_rig.h"
#include "instrument/tests/measurement_fixtures.h"
#include "instrument/vna_measurements.h"

namespace {

using namespace measure_test;

constexpr uint64_t kCentre = 947500000;
constexpr uint64_t kSpan = 20000000;

sim::Scene ReferenceScene() {
    return LoadScene(MEASURE_SCENE_FILE);
}

float FloatAt(const Bytes& data, size_t i) {
    return Get<float>(data, 4 * i);
}

// ---- Spectrum ---------------------------------------------------------------------

struct SpectrumCase {
    const char* name;
    uint32_t id;
    uint16_t message;
    std::function<std::unique_ptr<CSpectrumMeasurement>(CDevicePort*)> make;
    std::function<bool(const Result&)> result;
};

void PrintTo(const SpectrumCase& c, std::ostream* os) {
    *os << c.name;
}

bool WholeTrace(const Result& r, uint32_t reply) {
    return r.type == CDeviceItem::kSweep && r.reply == reply && r.first == 705 &&
           r.data.size() >= 705 * 4;
}

template <typename M>
std::function<std::unique_ptr<CSpectrumMeasurement>(CDevicePort*)> Maker() {
    return [](CDevicePort* link) { return std::make_unique<M>(link); };
}

class SpectrumEndToEnd : public ::testing::TestWithParam<SpectrumCase> {
  protected:
    void SetUp() override {
        ConfigureSpectrum(setup_, kCentre, kSpan);
        setup_.SetChannelWidth(5000000);
        setup_.SetAdjChannelWidth(4000000);
        setup_.SetCenterDistance(5000000);
        setup_.SetZeroSpanTime(200);
        rig_ = std::make_unique<BoardRig>(ReferenceScene());
    }
    void TearDown() override {
        if (m_) m_->Stop();
        m_.reset();  // before the link it listens to
        rig_.reset();
    }

    CSAMeasSetup setup_;
    Screen screen_{&setup_};
    std::unique_ptr<BoardRig> rig_;
    std::unique_ptr<CSpectrumMeasurement> m_;
};

TEST_P(SpectrumEndToEnd, SendsItsRecordAndYieldsItsResult) {
    const SpectrumCase& c = GetParam();
    m_ = c.make(&rig_->link());
    m_->Init(&screen_);
    rig_->link().SetListener(m_.get());
    ASSERT_EQ(m_->IsReady(), 1);
    m_->Start(0, 0);
    Result r;
    ASSERT_TRUE(screen_.WaitFor(c.result, &r)) << c.name;
    // The board got the record the setup describes, byte for byte.
    EXPECT_EQ(rig_->board().LastPayload(c.message), ExpectedRecord(setup_, c.id, c.message));
}

const SpectrumCase kSpectrumCases[] = {
    {"GeneralSpectrum", 20, dsp::msg::kSweep, Maker<CGeneralSpectrumMeasurement>(),
     [](const Result& r) {
         if (!WholeTrace(r, 1)) return false;
         // The strongest carrier at 940 MHz, -30 dBm.
         size_t peak = 0;
         for (size_t i = 0; i < 705; ++i)
             if (FloatAt(r.data, i) > FloatAt(r.data, peak)) peak = i;
         const double step = kSpan / 704.0;
         const double f = kCentre - kSpan / 2.0 + peak * step;
         EXPECT_NEAR(f, 940e6, step);
         EXPECT_NEAR(FloatAt(r.data, peak), -30.0, 0.5);
         return true;
     }},
    {"OccupiedBandwidth", 21, dsp::msg::kOccupiedBandwidth, Maker<COccupiedBwMeasurement>(),
     [](const Result& r) { return r.type == CDeviceItem::kOccupiedBw && r.bandwidth > 0; }},
    {"ChannelPower", 22, dsp::msg::kChannelPower, Maker<CChannelPowerMeasurement>(),
     [](const Result& r) {
         return r.type == CDeviceItem::kChannelPower && r.power > -100 && r.power < 0;
     }},
    {"AdjacentChannelPower", 23, dsp::msg::kAdjacentChannelPower, Maker<CAcprMeasurement>(),
     [](const Result& r) { return r.type == CDeviceItem::kAcpr && r.power > -100; }},
    {"Demodulation", 26, dsp::msg::kSweep, Maker<CDemodSignalMeasurement>(),
     [](const Result& r) { return WholeTrace(r, 1); }},
    {"CarrierToInterference", 27, dsp::msg::kSweep, Maker<CCarrierInterferenceMeasurement>(),
     [](const Result& r) { return WholeTrace(r, 1); }},
    {"TimeDomain", 28, dsp::msg::kZeroSpan, Maker<CTimeDomainMeasurement>(),
     [](const Result& r) { return WholeTrace(r, 9); }},
    {"SignalStrength", 29, dsp::msg::kSweep, Maker<CSignalStrengthMeasurement>(),
     [](const Result& r) { return WholeTrace(r, 1); }},
};

INSTANTIATE_TEST_SUITE_P(Classes, SpectrumEndToEnd, ::testing::ValuesIn(kSpectrumCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The setup's detector codes as the instrument names them: 0 average power,
// 1 sample, 2 negative peak, 3 positive peak. The scene's -30 dBm carrier
// sits on point 88; the point covers half a step either side, over which the
// Gaussian filter (3 dB down at half the 30 kHz RBW) is read.
TEST_F(SpectrumEndToEnd, DetectorCodesFollowTheSetup) {
    const double step = kSpan / 704.0, half_rbw = 15e3;
    auto response_db = [&](double d) {
        return -10 * std::log10(2.0) * (d / half_rbw) * (d / half_rbw);
    };
    double mean = 0;
    const int k = 10000;
    for (int j = 0; j < k; ++j)
        mean += std::pow(10, response_db(((j + 0.5) / k - 0.5) * step) / 10) / k;
    const double expected[] = {-30 + 10 * std::log10(mean), -30, -30 + response_db(step / 2), -30};
    for (int32_t code = 0; code < 4; ++code) {
        SCOPED_TRACE(code);
        if (m_) m_->Stop();
        screen_.Clear();
        ConfigureSpectrum(setup_, kCentre, kSpan, 5, code);
        m_ = std::make_unique<CGeneralSpectrumMeasurement>(&rig_->link());
        m_->Init(&screen_);
        rig_->link().SetListener(m_.get());
        m_->Start(0, 0);
        Result r;
        ASSERT_TRUE(screen_.WaitFor([](const Result& r) { return WholeTrace(r, 1); }, &r));
        EXPECT_NEAR(FloatAt(r.data, 88), expected[code], 0.05);
    }
}

TEST_F(SpectrumEndToEnd, CounterMarkerQueryRidesOnTheSweep) {
    auto* m = new CGeneralSpectrumMeasurement(&rig_->link());
    m_.reset(m);
    m->Init(&screen_);
    rig_->link().SetListener(m);
    m->Start(0, 0);
    ASSERT_TRUE(screen_.WaitFor([](const Result& r) { return WholeTrace(r, 1); }, nullptr));
    Bytes query(56, 0);
    query[0] = 1;
    Put<uint64_t>(query, 8, 940010000);  // 10 kHz off the carrier
    ASSERT_EQ(m->SetParameters(query.data(), query.size()), 1);
    ASSERT_TRUE(screen_.WaitFor([](const Result& r) { return r.type == CDeviceItem::kQueryReply; },
                                nullptr));
    CQueryReplyItem* item = m->GetQueryItem();
    EXPECT_EQ(item->present[0], 1);
    EXPECT_EQ(item->frequency[0], 940e6);  // counted on the carrier
    EXPECT_NEAR(item->level[0], -30.0, 0.5);
    EXPECT_EQ(rig_->board().LastPayload(dsp::msg::kCounterMarkers), query);
}

TEST_F(SpectrumEndToEnd, DemodulationYields20000SamplesPerSecondOfTheTone) {
    auto* m = new CDemodSignalMeasurement(&rig_->link());
    m_.reset(m);
    m->Init(&screen_);
    setup_.SetModulationType(2);  // FM
    setup_.SetSidebandFrequency(95500000);
    m->SetAudio(true);
    rig_->link().SetListener(m);
    m->Start(0, 0);
    Result r;
    ASSERT_TRUE(screen_.WaitFor(
        [](const Result& r) { return r.type == CDeviceItem::kDemod && r.count > 4000; }, &r));
    const Bytes record = rig_->board().LastPayload(dsp::msg::kDemodulationAudio);
    ASSERT_EQ(record.size(), 64u);
    EXPECT_EQ(Get<uint64_t>(record, 0), 95500000u);
    EXPECT_EQ(Get<uint16_t>(record, 40), 2);
    // Count the tone's cycles over the block's samples, played at the wave
    // player's 20,000 a second: the tone of the scene's station comes out.
    constexpr double kWavePlayerRate = 20000;
    const sim::Scene scene = ReferenceScene();
    const auto station =
        std::find_if(scene.signals.begin(), scene.signals.end(),
                     [](const sim::Signal& s) { return s.frequency_hz == 95.5e6; });
    ASSERT_NE(station, scene.signals.end());
    const uint32_t n = r.count;
    ASSERT_GE(r.data.size(), 2u * n);
    std::vector<double> x(n);
    double mean = 0;
    for (uint32_t i = 0; i < n; ++i) mean += x[i] = Get<int16_t>(r.data, 2 * i);
    mean /= n;
    int rising = 0;
    uint32_t first = 0, last = 0;
    for (uint32_t i = 1; i < n; ++i) {
        if (x[i - 1] - mean < 0 && x[i] - mean >= 0) {
            if (rising == 0) first = i;
            last = i;
            ++rising;
        }
    }
    ASSERT_GT(rising, 10);
    const double hz = (rising - 1) / ((last - first) / kWavePlayerRate);
    EXPECT_NEAR(hz, station->tone_hz, station->tone_hz * 0.01);
}

// The link delivers on its own thread: a measurement deleted while blocks
// stream in must leave the link before its result items go.
TEST_F(SpectrumEndToEnd, DeletingAStreamingMeasurementIsSafe) {
    for (int i = 0; i < 2; ++i) {
        screen_.Clear();
        auto m = std::make_unique<CChannelPowerMeasurement>(&rig_->link());
        m->Init(&screen_);
        rig_->link().SetListener(m.get());
        m->Start(0, 0);
        ASSERT_TRUE(screen_.WaitFor([](const Result& r) { return r.type == CDeviceItem::kSweep; },
                                    nullptr));
        m.reset();  // still active, the board still streaming
    }
}

// ---- Network analyzer ---------------------------------------------------------------

class VnaEndToEnd : public ::testing::Test {
  protected:
    void Start(const sim::Scene& scene) {
        setup_.GetFrequencyRange()->Set(500000000, 1000000000, 1500000000, 1000000000, 0);
        setup_.SetDataPoints(setup_.GetDisplayPoints());
        rig_ = std::make_unique<BoardRig>(scene);
    }
    void TearDown() override {
        if (m_) m_->Stop();
        m_.reset();  // before the link it listens to
        rig_.reset();
    }
    template <typename M>
    M* Use() {
        auto* m = new M(&rig_->link());
        m_.reset(m);
        m->Init(&screen_);
        rig_->link().SetListener(m);
        return m;
    }
    // Sends a message of the calibration procedure and waits for the
    // board's answer to it.
    Result Step(const std::function<int()>& send, uint32_t reply) {
        screen_.Clear();
        EXPECT_EQ(send(), 1);
        Result r;
        EXPECT_TRUE(screen_.WaitFor([reply](const Result& r) { return r.reply == reply; }, &r))
            << "no answer " << reply;
        return r;
    }
    // A whole sweep of `points` items of the measurement's reply.
    Result Sweep(CVnaMeasurement* m) {
        screen_.Clear();
        m->Start(0, 0);
        const uint32_t points = static_cast<uint32_t>(setup_.GetDataPoints());
        const uint32_t reply = dsp::message_number(m->GetMessageId());
        Result r;
        EXPECT_TRUE(screen_.WaitFor(
            [&](const Result& r) {
                return r.type == CDeviceItem::kVnaSweep && r.reply == reply && r.first == points &&
                       r.data.size() >= points * 8;
            },
            &r))
            << screen_.Recent();
        return r;
    }
    std::vector<double> Frequencies() const {
        const uint32_t n = static_cast<uint32_t>(setup_.GetDataPoints());
        std::vector<double> f(n);
        for (uint32_t i = 0; i < n; ++i) f[i] = 500e6 + 1e9 * i / (n - 1);
        return f;
    }

    CVNAMeasSetup setup_;
    Screen screen_{&setup_};
    std::unique_ptr<BoardRig> rig_;
    std::unique_ptr<CVnaMeasurement> m_;
};

// The far end of a cable left open reflects everything: the return loss is
// twice the cable loss.
TEST_F(VnaEndToEnd, CableLossOfTheScenesCable) {
    sim::Scene scene = ReferenceScene();
    scene.dut.faults.clear();
    scene.dut.termination = sim::Termination::Open;
    // A reflectometer without error, so that the raw sweep is the cable's.
    scene.terms.directivity_db = 300;
    scene.terms.source_match_db = 300;
    scene.terms.reflection_tracking_db = 0;
    scene.terms.tracking_delay_ns = 0;
    Start(scene);
    auto* m = Use<CCableLossMeasurement>();
    const Result r = Sweep(m);
    const std::vector<double> f = Frequencies();
    double worst = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        const double loss = -FloatAt(r.data, 2 * i) / 2;
        const double want =
            scene.dut.cable.loss_db_per_m * std::sqrt(f[i] / 1e9) * scene.dut.cable.length_m;
        worst = std::max(worst, std::abs(loss - want));
    }
    EXPECT_LT(worst, 0.01);
    EXPECT_EQ(Get<uint32_t>(rig_->board().LastPayload(dsp::msg::kReflectionSweep), 0), f.size());
}

// One-port calibration through the measurement: the standards, the board's
// three terms fetched and uploaded again through the table path, which the
// board then applies: the sweep of a 20 dB load reads 20 dB, off before.
TEST_F(VnaEndToEnd, CalibrationTermsUploadedCorrectTheSweep) {
    sim::Scene scene = ReferenceScene();
    scene.dut.cable.length_m = 0;
    scene.dut.faults.clear();
    scene.dut.termination = sim::Termination::Load;
    scene.dut.load_return_loss_db = 20;
    Start(scene);
    auto* m = Use<CFreqSweepMeasurement>();
    const uint32_t n = static_cast<uint32_t>(setup_.GetDisplayPoints());
    const Result raw = Sweep(m);
    double raw_off = 0;
    for (uint32_t i = 0; i < n; ++i)
        raw_off = std::max(raw_off, std::abs(FloatAt(raw.data, 2 * i) + 20.0));
    EXPECT_GT(raw_off, 1.0);
    for (uint32_t kind : {5u, 6u, 7u}) Step([&] { return m->SendSweepSetup(kind); }, kind);
    Step([&] { return m->SendCommand(9); }, 9);
    for (auto [fetch, store] : {std::pair{10u, 11u}, std::pair{12u, 13u}, std::pair{14u, 15u}}) {
        const Result term = Step([&] { return m->SendCommand(fetch); }, fetch);
        ASSERT_EQ(term.count, 2 * n);
        ASSERT_GE(term.data.size(), n * 8u);
        Bytes table(vna::kTableBytes, 0);
        std::memcpy(table.data(), term.data.data(), n * 8u);
        Step([&] { return m->SendCalTable(store, table.data(), table.size()); }, store);
        // What reached the board through the table path is the fetched term.
        EXPECT_EQ(rig_->board().UploadedTable(static_cast<uint16_t>(dsp::CLASS_VNA + store)),
                  Bytes(term.data.begin(), term.data.begin() + n * 8));
    }
    const Result fixed = Sweep(m);
    double worst = 0;
    for (uint32_t i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(FloatAt(fixed.data, 2 * i) + 20.0));
    EXPECT_LT(worst, 0.01);
}

// The distance-to-fault sweep has the measurement's own points, whatever the
// calibration's: it completes, and the scene's fault lies where it is.
TEST_F(VnaEndToEnd, DistanceToFaultAtAnyDataPoints) {
    sim::Scene scene = ReferenceScene();
    // An ideal reflectometer and a matched cable end: the fault alone reflects.
    scene.terms.directivity_db = 300;
    scene.terms.source_match_db = 300;
    scene.terms.reflection_tracking_db = 0;
    scene.terms.tracking_delay_ns = 0;
    scene.dut.termination = sim::Termination::Load;
    scene.dut.load_return_loss_db = 60;
    Start(scene);
    const double fault = scene.dut.faults.at(0).distance_m;
    const double vf = scene.dut.cable.velocity_factor;
    // Two-way: a metre of cable turns the phase over c vf / 2 hertz.
    const double resolution = 299792458.0 * vf / (2 * 1e9);
    auto* m = Use<CDtfMeasurement>();
    for (int32_t points : {177, 353, 705, 1409}) {
        SCOPED_TRACE(points);
        m->Stop();
        setup_.SetDataPoints(points);
        setup_.SetDtfVp(static_cast<float>(vf));
        setup_.SetDtfLoss(0);
        setup_.SetDtfSmoothing(2);
        setup_.SetDtfStart(0);
        setup_.SetDtfStop(20);
        ASSERT_EQ(setup_.GetDataPoints(), points);
        const Result r = Sweep(m);
        ASSERT_GE(r.data.size(), static_cast<size_t>(points) * 8);
        EXPECT_EQ(Get<uint16_t>(rig_->board().LastPayload(dsp::msg::kDistanceToFault), 16), points);
        const double start = setup_.GetDtfStartRaw(), stop = setup_.GetDtfStopRaw();
        int peak = 0;
        for (int i = 0; i < points; ++i)
            if (FloatAt(r.data, 2 * i) > FloatAt(r.data, 2 * peak)) peak = i;
        EXPECT_NEAR(start + (stop - start) * peak / (points - 1), fault, resolution);
    }
}

TEST_F(VnaEndToEnd, GainOfTheScenesAmplifierAfterTheThroughCalibration) {
    const sim::Scene scene = ReferenceScene();
    Start(scene);
    auto* m = Use<CGainMeasurement>();
    Step([&] { return m->SendSweepSetup(8); }, 8);
    Step([&] { return m->SendCommand(24); }, 24);
    const Result et = Step([&] { return m->SendCommand(16); }, 16);
    const uint32_t n = static_cast<uint32_t>(setup_.GetDisplayPoints());
    ASSERT_GE(et.data.size(), n * 8u);
    Bytes table(vna::kTableBytes, 0);
    std::memcpy(table.data(), et.data.data(), n * 8u);
    Step([&] { return m->SendCalTable(17, table.data(), table.size()); }, 17);
    const Result r = Sweep(m);
    double worst = 0;
    for (uint32_t i = 0; i < n; ++i)
        worst = std::max(worst, std::abs(FloatAt(r.data, 2 * i) - scene.dut.gain_db));
    EXPECT_LT(worst, 0.05);
}

}  // namespace
