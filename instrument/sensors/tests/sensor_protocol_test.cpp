// The sensor protocols piece by piece: the serial reader's framing over a
// pseudo-terminal, the receive ring and buffer pool, the K630-family reply
// kinds and the K610/K615 numbers.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <deque>
#include <thread>

#include "instrument/buffer_helper.h"
#include "instrument/sensor_ports.h"
#include "instrument/sensors/power_sensor_models.h"
#include "instrument/tests/wait_for.h"
#include "platform/fs/tests/test_support.h"
#include "pty_pair.h"

namespace {

using instrument_test::WaitFor;
using namespace sensor_test;
namespace sp = sensor_protocol;

std::string RingText(CDevicePort& port) {
    std::string s;
    while (port.GetCount() > 0) s.push_back(char(port.PopByte()));
    return s;
}

// ------------------------------------------------------------ reader framing

struct FramingCase {
    const char* name;
    int32_t mode;
    std::string sent;
    std::string ring;  // what one completed reply leaves in the ring
};

TEST(SerialFraming, EachPortModeFramesItsReplies) {
    const std::string d13 = "0123456789abc";
    const std::string forty(40, 'q');
    const std::vector<FramingCase> cases = {
        {"fixed: stray byte dropped, LF added", 1, "xD" + d13, "D" + d13 + "\n"},
        {"fixed, long form", 3, "D" + d13 + "d", "D" + d13 + "d\n"},
        {"fixed two-byte reply", 2, "zzB12", "B12\n"},
        {"text line", 6, "12.5\r", "12.5\r"},
        {"text line, K670", 21, "D,1\r", "D,1\r"},
        {"loose: 40 bytes", 0, forty + "rest", forty},
        {"loose: CR", -1, "K640\r", "K640\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        celvane_test::TempRoot root("framing");
        PtyPair pty;
        MapCom1(pty.slave_path());
        CSerialPort port(1);
        port.SetPortMode(c.mode);
        port.Start();
        port.Write("?", 1);  // the reading flag
        pty.Read(100);
        port.GetReplyEvent().reset();
        pty.Write(c.sent);
        ASSERT_TRUE(port.GetReplyEvent().wait(10000));
        ASSERT_TRUE(WaitFor([&] { return port.GetCount() >= c.ring.size(); }));
        EXPECT_EQ(RingText(port).substr(0, c.ring.size()), c.ring);
        port.Stop();
    }
}

TEST(SerialFraming, GpsModeReadsWithoutAWriteAndFeedsTheCallback) {
    struct Collect : ILineCallback {
        void OnBytes(uint32_t n, const uint8_t* b) override {
            std::lock_guard lock(m);
            got.append(reinterpret_cast<const char*>(b), n);
        }
        std::string Got() {
            std::lock_guard lock(m);
            return got;
        }
        std::mutex m;
        std::string got;
    } collect;
    celvane_test::TempRoot root("gpsmode");
    PtyPair pty;
    MapCom1(pty.slave_path());
    CSerialPort port(1);
    port.SetLineCallback(&collect);
    port.Start();
    port.SetPortMode(port_mode::kGps);
    EXPECT_TRUE(port.IsReading());
    pty.Write("$GPGGA\r\n");
    ASSERT_TRUE(WaitFor([&] { return collect.Got() == "$GPGGA\r\n"; }));
    EXPECT_EQ(port.GetCount(), 0u);
    port.Stop();
}

TEST(ByteRing, CountWrapsAndALappingWriterDropsTheOldest) {
    CByteRing ring;
    std::vector<uint8_t> block(2040, 1);
    ring.Push(2040, block.data());
    for (int i = 0; i < 2040; ++i) ring.PopByte();
    const uint8_t sixteen[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ring.Push(16, sixteen);  // read 2040, write 8
    EXPECT_EQ(ring.GetCount(), 16u);
    std::vector<uint8_t> big(2047, 7);
    ring.Push(2047, big.data());
    EXPECT_EQ(ring.GetCount(), 2047u);
    EXPECT_EQ(ring.PopByte(), 7);
    ring.Push(2048, big.data());  // ignored
    EXPECT_EQ(ring.GetCount(), 2046u);
}

TEST(BufferPool, TwentyBuffersAtMostEvenAfterAResize) {
    CBufferHelper pool;
    std::vector<CPoolBuffer*> out;
    for (int i = 0; i < 19; ++i) out.push_back(pool.GetBuffer());
    CPoolBuffer* twentieth = pool.GetBuffer();
    ASSERT_NE(twentieth, nullptr);
    EXPECT_EQ(twentieth->GetIndex(), 19u);
    EXPECT_TRUE(twentieth->in_use);
    EXPECT_EQ(twentieth->GetCapacity(), CBufferHelper::kDefaultSize);
    EXPECT_EQ(pool.GetBuffer(), nullptr);
    pool.QueueFilled(twentieth);
    EXPECT_EQ(pool.GetFilledCount(), 1u);
    EXPECT_EQ(pool.TakeFilled(), twentieth);
    pool.ReleaseBuffer(twentieth);
    EXPECT_EQ(pool.GetBuffer(), twentieth);
    pool.ReleaseBuffer(twentieth);
    for (auto* b : out) pool.ReleaseBuffer(b);
    pool.SetBufferSize(1000);  // destroys the listed buffers, keeps the count
    EXPECT_EQ(pool.GetBuffer(), nullptr);
}

// ------------------------------------------------------------ K630 replies

// A port whose ring the test fills and whose writes it reads.
class FakePort : public CDevicePort {
  public:
    FakePort() { line_event_ = plat::Event(true, false); }
    int Write(const void* b, uint32_t n) override {
        written.append(static_cast<const char*>(b), n);
        return 1;
    }
    void Put(const std::string& s) { ring_->Push(uint32_t(s.size()), (const uint8_t*)s.data()); }
    void SetPortMode(int32_t m) override { mode = m; }
    std::string written;
    int32_t mode = -1;
};

struct Listener : ISensorListener {
    void OnSensorReading(const CSensorReading& r) override {
        values.clear();
        for (int i = 0; i < 10; ++i) values.push_back(r.GetReadingValue(i));
        type = r.GetType();
        ++count;
    }
    PowerScreenFields* GetScreenFields() override { return &fields; }
    PowerScreenFields fields;
    std::vector<float> values;
    uint32_t type = 0;
    int count = 0;
};

// Brings a USB-form K630 sensor to its reading state.
void ToReading(CPowerSensorC& s, FakePort& port) {
    s.ResetPoll();
    ASSERT_TRUE(s.PollSend());  // U, F
    port.Put("F,K650,ACK\r\n");
    ASSERT_TRUE(s.PollReceive());
    ASSERT_TRUE(s.PollSend());  // G
    port.Put("G,4.20000e+01,ACK\r\n");
    ASSERT_TRUE(s.PollReceive());
    ASSERT_TRUE(s.PollSend());  // D
    EXPECT_EQ(s.GetModelCode(), sp::kK650);
    EXPECT_EQ(s.GetSourceWord(), 42u);
}

TEST(K630Replies, IdentificationCommandsAndEveryReplyKind) {
    FakePort port;
    Listener listener;
    CPowerSensorC s(&port, &listener, false);
    EXPECT_EQ(port.written, "U");  // the constructor stops the output
    ToReading(s, port);
    EXPECT_NE(port.written.find("G,1,1.50000e+02,1.50000e-01,0,1.00000e+04 \r"), std::string::npos);
    EXPECT_EQ(port.written.substr(port.written.size() - 2), "D\r");

    struct Case {
        const char* name;
        std::string reply;
        bool reading;
    };
    const std::vector<Case> cases = {
        {"reading",
         "D,1.00000e-03,2.50000e+01,5.00000e-03,1.00000e-04,7.50000e-03,0.00000e+00,"
         "1.00000e+00,1.76000e+00,1.00000e+02,ACK\r\n",
         true},
        {"NAK", "D\x15\r\n", false},
        {"wrong letter", "Q,1.00000e-03,ACK\r\n", false},
        {"short", "D,1\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = listener.count;
        port.Put(c.reply);
        s.PollReceive();
        EXPECT_EQ(listener.count - before, c.reading ? 1 : 0);
    }
    EXPECT_EQ(listener.type, 0x0101u);
    EXPECT_FLOAT_EQ(listener.values[sp::key::kForward], 5e-3f);
    EXPECT_FLOAT_EQ(listener.values[sp::key::kDuty], 100.0f);
    EXPECT_EQ(listener.values[0], 42.0f);
    // A long reply of another letter is kept as raw data.
    port.Put("X" + std::string(120, 'r') + "\r\n");
    s.PollReceive();
    EXPECT_GE(s.GetRawData().size(), 108u);
}

TEST(K630Replies, NumbersExponentsAndLimits) {
    FakePort port;
    Listener listener;
    CPowerSensorC s(&port, &listener, true);
    ToReading(s, port);
    EXPECT_EQ(CPowerSensorC::WidenExponent("1.5e-03"), "1.5e-003");
    EXPECT_EQ(CPowerSensorC::WidenExponent("1.5e-003"), "1.5e-003");
    EXPECT_EQ(CPowerSensorC::WidenExponent("12"), "12");
    std::string shown = "1.50000e-003,2e+010";
    CPowerSensorC::ShortenExponents(shown);
    EXPECT_EQ(shown, "1.50000e-03,2e+10");
    // Spaces skipped, a number without exponent not stored, limits applied
    // with k the family's full scale of 150 W: burst 500 > 405 -> 850.5,
    // forward 300 -> 225, reflected 30 -> 22.5; below them nothing changes.
    auto r = s.ParseReading("D, 5.00000e+02 ,25, 3.00000e+02,3.00000e+01,4.00000e+02,ACK\n");
    ASSERT_NE(r, nullptr);
    EXPECT_FLOAT_EQ(r->GetReadingValue(1), 850.5f);
    EXPECT_EQ(r->GetReadingValue(2), 0.0f);
    EXPECT_FLOAT_EQ(r->GetReadingValue(3), 225.0f);
    EXPECT_FLOAT_EQ(r->GetReadingValue(4), 22.5f);
    EXPECT_FLOAT_EQ(r->GetReadingValue(5), 400.0f);
    r = s.ParseReading("D,1.00000e+04,25,1.00000e+01,1.00000e+00,ACK\n");
    ASSERT_NE(r, nullptr);
    EXPECT_FLOAT_EQ(r->GetReadingValue(3), 10.0f);
    EXPECT_FLOAT_EQ(r->GetReadingValue(4), 1.0f);
    // A reply holding NAK is refused, never a reading.
    EXPECT_EQ(s.ParseReading("D,1.00000e-03,2.00000e-03,\x15"
                             "ACK\n"),
              nullptr);
    EXPECT_FLOAT_EQ(s.ParseReading("D,1.00000e-03,ACK\n")->GetReadingValue(1), 1e-3f);
    // Seven bytes carry no data (and copy none).
    EXPECT_EQ(s.ParseReading("D,1e-03"), nullptr);
    EXPECT_NE(s.ParseReading("D,1e-030"), nullptr);
}

// A refused G is sent again; the answer to Z ends the zero request and the
// zero-done flag, a refusal of Z is reported.
TEST(K630Replies, RefusedCommandsAndTheZeroAnswer) {
    FakePort port;
    Listener listener;
    CPowerSensorC s(&port, &listener, false);
    s.ResetPoll();
    ASSERT_TRUE(s.PollSend());
    port.Put("F,K640,ACK\r\n");
    ASSERT_TRUE(s.PollReceive());
    ASSERT_TRUE(s.PollSend());  // G
    port.written.clear();
    port.Put("G,4.20000e+01,\x15\r\n");
    EXPECT_FALSE(s.PollReceive());
    ASSERT_TRUE(s.PollSend());
    EXPECT_EQ(port.written.rfind("G,1,", 0), 0u) << port.written;
    port.Put("G,4.20000e+01,ACK\r\n");
    ASSERT_TRUE(s.PollReceive());
    ASSERT_TRUE(s.PollSend());  // D

    struct Case {
        const char* name;
        std::string answer;
        bool refused;
    };
    for (const Case& c :
         {Case{"accepted", "Z,ACK\r\n", false}, Case{"refused", "Z,\x15\r\n", true}}) {
        SCOPED_TRACE(c.name);
        PowerScreenFields& f = listener.fields;
        f.zero_request = true;
        f.zero_done = true;
        f.zeroing = true;
        port.Put("D,1.00000e-03,2.50000e+01,1.00000e-03,ACK\r\n");
        s.PollReceive();                                            // the reading, then state 8
        s.PollReceive();                                            // U
        s.PollSend();                                               // Z
        port.Put("D,1.00000e-03,2.50000e+01,1.00000e-03,ACK\r\n");  // still on its way
        port.Put(c.answer);
        EXPECT_TRUE(s.PollReceive());
        EXPECT_FALSE(f.zero_request.load());
        EXPECT_FALSE(f.zero_done.load());
        EXPECT_TRUE(f.zeroing.load()) << "the screen ends the zeroing";
        EXPECT_EQ(f.zero_refused.exchange(false), c.refused);
        EXPECT_EQ(s.GetPollState(), 6);
        ASSERT_TRUE(s.PollSend());  // D again
        f.zeroing = false;
    }
}

TEST(K630Replies, SerialFormAnnouncesItselfAndSilenceMeansIdentifyingAgain) {
    FakePort port;
    Listener listener;
    CPowerSensorC s(&port, &listener, true);
    s.ResetPoll();
    ASSERT_TRUE(s.PollSend());
    port.Put("rs232\r\n");
    EXPECT_FALSE(s.PollReceive());  // the step fails; the next try is framed
    EXPECT_TRUE(s.IsSerialFraming());
    port.written.clear();
    s.ResetPoll();
    ASSERT_TRUE(s.PollSend());
    EXPECT_EQ(port.written, "U\n\rF\n");
    port.Put("F,K660,ACK\r\n");
    EXPECT_TRUE(s.PollReceive());
    EXPECT_EQ(s.GetModelCode(), sp::kK660);
    s.PollSend();
    port.Put("G,1.00000e+00,ACK\r\n");
    s.PollReceive();
    s.PollSend();  // D: reading
    EXPECT_EQ(port.written.substr(port.written.size() - 2), "D\n");
    // No reading in a whole cycle: the send step fails.
    EXPECT_FALSE(s.PollSend());
}

TEST(K630Replies, ModelCheckAndIdentifyOnTheChain) {
    FakePort port;
    Listener listener;
    auto head = MakePowerSensor(sp::kK610, &port, &listener, true);
    for (int32_t code : {3, 5, 6, 13, 17, 18, 19, 20, 21}) {
        auto s = MakePowerSensor(code, &port, &listener, true);
        if (s) head->AppendSensor(std::move(s));
    }
    struct Case {
        const char* reply;
        int32_t code;  // -1: none
    };
    for (const Case& c : {Case{"K660 v2\r\n", sp::kK660}, Case{"K610\r\n", sp::kK610},
                          Case{"K610M\r\n", sp::kK610M}, Case{"K615\r\n", sp::kK615},
                          Case{"K620\r\n", -1}, Case{"$GPGGA,1\r\n", -1}, Case{"\r\n", -1}}) {
        SCOPED_TRACE(c.reply);
        port.Put(c.reply);
        CPowerSensor* found = head->Identify();
        EXPECT_EQ(found ? found->GetModelCode() : -1, c.code);
        if (found) {
            EXPECT_EQ(port.mode, c.code);
        }
        RingText(port);
    }
    // A reading where an identification was due stops the output.
    port.written.clear();
    port.Put("D,1.0e-03,ACK\r\n");
    EXPECT_EQ(head->Identify(), nullptr);
    EXPECT_EQ(port.written, "G,F");
    CPowerSensorC c(&port, &listener, false);
    EXPECT_FALSE(c.AcceptModel("K610"));
}

// ------------------------------------------------------------ K610 and K615

TEST(K610Numbers, CorrectionFactorAndCheckedReplies) {
    FakePort port;
    Listener listener;
    CPowerSensorA a(&port, &listener, true);
    CPowerSensorB b(&port, &listener, true);
    EXPECT_NEAR(a.GetCorrectionFactor(9472), 1.2897, 5e-5);
    EXPECT_NEAR(a.GetCorrectionFactor(30000), 0.9712, 5e-5);
    EXPECT_EQ(a.GetCorrectionFactor(9471), 1.0);
    EXPECT_EQ(a.GetCorrectionFactor(50689), 1.0);
    EXPECT_EQ(b.GetCorrectionFactor(30000), 1.0);
    EXPECT_EQ(b.GetModelCode(), sp::kK610M);
    // A calibration reply with a bad check makes the sensor identify again.
    a.ResetPoll();
    a.PollSend();
    std::string bad = "C" + std::string(sp::kK610CalBytes, '\0') + "\n";
    bad[5] = 1;  // the check (0) no longer matches
    port.Put(bad);
    EXPECT_FALSE(a.PollReceive());
    EXPECT_EQ(a.GetPollState(), CPowerSensor::kPollStart);
}

TEST(Crc16, UmtsResidueAndOddPadding) {
    // Without reflection or final XOR, a message followed by its check
    // leaves no remainder.
    std::vector<uint8_t> msg = {'1', '2', '3', '4', '5', '6', '7', '8'};
    uint8_t check[2];
    sp::PutBe16(check, sp::Crc16(msg));
    msg.insert(msg.end(), check, check + 2);
    EXPECT_EQ(sp::Crc16(msg), 0);
    EXPECT_NE(sp::Crc16(std::span(msg.data(), 8)), 0);
    const uint8_t odd[3] = {0x12, 0x34, 0x56}, padded[4] = {0x12, 0x34, 0x56, 0};
    EXPECT_EQ(sp::Crc16(odd), sp::Crc16(padded));
}

std::vector<uint8_t> CalRecord(uint32_t zero, uint32_t sens, uint16_t temp, int8_t e, uint32_t m) {
    std::vector<uint8_t> r(19, 0);
    r[0] = 'C';
    sp::PutBe32(&r[1], zero);
    sp::PutBe32(&r[5], zero + sens);
    sp::PutBe32(&r[9], sens);
    sp::PutBe16(&r[13], temp);
    r[15] = uint8_t(e);
    r[16] = uint8_t(m >> 16);
    r[17] = uint8_t(m >> 8);
    r[18] = uint8_t(m);
    uint8_t check[2];
    sp::PutBe16(check, sp::Crc16(r));
    r.insert(r.end(), check, check + 2);
    return r;
}

std::string DataRecord(uint32_t count, uint16_t temp) {
    std::vector<uint8_t> r(9, 0);
    r[0] = 'D';
    sp::PutBe32(&r[1], count);
    sp::PutBe16(&r[5], temp);
    uint8_t check[2];
    sp::PutBe16(check, sp::Crc16(r));
    r.insert(r.end(), check, check + 2);
    return std::string(r.begin(), r.end());
}

TEST(K615Numbers, TemperatureCalibrationAndRecords) {
    EXPECT_NEAR(CPowerSensorD::GetTemperatureCorrection(16000), 0.9587, 5e-5);
    EXPECT_EQ(CPowerSensorD::GetTemperatureCorrection(4499), 1.0f);
    EXPECT_EQ(CPowerSensorD::GetTemperatureCorrection(29001), 1.0f);
    EXPECT_NEAR(CPowerSensorD::TemperatureCelsius(16000), 29.94, 0.005);
    EXPECT_NEAR(CPowerSensorD::TemperatureCelsius(4500), -40.0, 1e-6);

    FakePort port;
    Listener listener;
    CPowerSensorD d(&port, &listener, true);
    d.ResetPoll();
    d.PollSend();  // expects 'C'
    auto r = CalRecord(1000, 500000, 16000, 6, 950000);
    EXPECT_TRUE(d.ReadCalibration(r.data(), r.size()));
    EXPECT_NEAR(d.GetCalibrationFactor(), 0.95, 1e-7);
    r = CalRecord(1000, 500000, 16000, 6, 2000000);
    EXPECT_TRUE(d.ReadCalibration(r.data(), r.size()));
    EXPECT_EQ(d.GetCalibrationFactor(), 1.0);
    // Sensitivity 0 would divide by zero: the calibration fails.
    r = CalRecord(1000, 0, 16000, 6, 980000);
    EXPECT_FALSE(d.ReadCalibration(r.data(), r.size()));
    r = CalRecord(1000, 500000, 16000, 6, 980000);
    r[3] ^= 1;  // bad check
    EXPECT_FALSE(d.ReadCalibration(r.data(), r.size()));
    r = CalRecord(1000, 500000, 16000, 6, 980000);
    ASSERT_TRUE(d.ReadCalibration(r.data(), r.size()));

    // A count equal to the zero count is no power; fewer than 11 bytes wait.
    port.Put(DataRecord(1000, 16000).substr(0, 10));
    EXPECT_EQ(d.ReadDataRecords(), nullptr);
    port.Put(DataRecord(1000, 16000).substr(10));
    auto reading = d.ReadDataRecords();
    ASSERT_NE(reading, nullptr);
    EXPECT_EQ(reading->GetType(), 0x0106u);
    EXPECT_EQ(reading->GetReadingValue(3), 0.0f);
    EXPECT_NEAR(reading->GetReadingValue(2), 29.94f, 0.005f);
    // Half the sensitivity at the calibration temperature: half of 10 mW
    // over the calibration factor.
    port.Put(DataRecord(1000 + 250000, 16000));
    reading = d.ReadDataRecords();
    EXPECT_NEAR(reading->GetReadingValue(3), 0.005 / 0.98, 1e-7);
    // A failed check ends the records without a reading.
    std::string broken = DataRecord(5000, 16000);
    broken[2] ^= 0x40;
    port.Put(broken);
    EXPECT_EQ(d.ReadDataRecords(), nullptr);
    EXPECT_TRUE(d.HasRecordError());
}

TEST(K615Numbers, AveragingSelectionAndZeroAdvice) {
    FakePort port;
    Listener listener;
    CPowerSensorD d(&port, &listener, true);
    d.ResetFilter();
    d.SetAveragingCount(5);
    d.SetTargetAveraging(24);
    const int8_t range = CPowerSensorD::GetRangeIndex();
    d.SelectAveraging(0.0011f, 0.0011f + 2e-5f);
    EXPECT_EQ(d.GetTargetAveraging(), 24);
    EXPECT_EQ(CPowerSensorD::GetRangeIndex(), range);
    d.SelectAveraging(0.002f, 0.002f);
    EXPECT_EQ(d.GetTargetAveraging(), 8);
    EXPECT_EQ(CPowerSensorD::GetRangeIndex(), 0);
    d.SelectAveraging(0.0005f, 0.0005f);
    EXPECT_EQ(d.GetTargetAveraging(), 24);
    EXPECT_EQ(CPowerSensorD::GetRangeIndex(), 1);
    d.SelectAveraging(0.00001f, 0.00001f);
    EXPECT_EQ(d.GetTargetAveraging(), 100);
    EXPECT_EQ(CPowerSensorD::GetRangeIndex(), 2);
    d.SelectAveraging(0.0005f, 0.002f);  // far apart
    EXPECT_EQ(d.GetTargetAveraging(), 8);
    EXPECT_EQ(CPowerSensorD::GetRangeIndex(), 1);
    d.SelectAveraging(-1e-6f, 0);
    EXPECT_EQ(d.GetTargetAveraging(), 100);

    d.SetTemperatureWord(16000);
    d.MarkZeroTemperature();
    d.SetFilteredPower(5e-5f);
    d.SetTemperatureWord(16600);
    EXPECT_FALSE(d.IsZeroAdvised());
    d.SetTemperatureWord(16601);
    EXPECT_TRUE(d.IsZeroAdvised());
    d.SetTemperatureWord(15399);
    EXPECT_TRUE(d.IsZeroAdvised());
    d.SetZeroAdviceOff(true);
    EXPECT_FALSE(d.IsZeroAdvised());
}

TEST(PowerUnits, WattsToDbm) {
    EXPECT_DOUBLE_EQ(CPowerSensor::WattsToDbm(0.001), 0.0);
    EXPECT_DOUBLE_EQ(CPowerSensor::WattsToDbm(1.0), 30.0);
    EXPECT_EQ(CPowerSensor::WattsToDbm(0), -30.0);
    EXPECT_EQ(CPowerSensor::WattsToDbm(1e-12), -30.0);
}

}  // namespace
