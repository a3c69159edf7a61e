#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "core/history.h"
#include "files/formats/analyzer_trace_file.h"
#include "files/formats/trace_file.h"
#include "files_test_support.h"

using namespace files_test;

namespace {

// A trace of known points and results.
class TestSource : public ITraceSource {
  public:
    explicit TestSource(uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            points.push_back({-100.0f + 0.25f * static_cast<float>(i % 400), 0.0f});
            dtf.push_back({0.5f * static_cast<float>(i), -0.125f * static_cast<float>(i)});
        }
    }
    core::Text GetTracePath() const override { return path; }
    const TracePoint* GetPoint(uint32_t i) const override {
        return i < points.size() ? &points[i] : nullptr;
    }
    const TracePoint* GetDtfPoint(uint32_t i) const override {
        return i < dtf.size() ? &dtf[i] : nullptr;
    }
    SaTraceValues GetSaValues() const override { return sa; }
    VnaTraceValues GetVnaValues() const override { return vna; }

    std::vector<TracePoint> points, dtf;
    SaTraceValues sa;
    VnaTraceValues vna;
    core::Text path = u"\\FlashFX Disk\\My Traces\\t.twf";
};

class Receiver : public ITraceValueReceiver {
  public:
    void ReceiveSaValues(const SaTraceValues& v) override {
        sa = v;
        ++calls;
    }
    void ReceiveVnaValues(const VnaTraceValues& v) override {
        vna = v;
        ++calls;
    }
    SaTraceValues sa;
    VnaTraceValues vna;
    int calls = 0;
};

constexpr std::time_t kStamp = 1237127405;  // 15 March 2009

template <typename Setup>
void FixTimes(Setup& setup) {
    setup.SetChangeTime(kStamp);
    setup.SetSaveTime(kStamp + 60);
    setup.SetCreationTime(kStamp - 3600);
    setup.SetSetupLabel(u"Site 7");
    setup.SetTitle(u"Tower A");
}

// The values of each point line ("\t<sa data = v;v;...>").
std::vector<size_t> ValuesPerLine(const std::string& text, const std::string& key) {
    std::vector<size_t> counts;
    std::istringstream in(text);
    std::string line;
    std::string head = "\t<" + key + " = ";
    while (std::getline(in, line))
        if (line.rfind(head, 0) == 0)
            counts.push_back(static_cast<size_t>(std::count(line.begin(), line.end(), ';')));
    return counts;
}

// The checksum line holds the byte sum of everything before it.
void ExpectChecksum(const std::string& text) {
    size_t end = text.rfind("\r\n", text.size() - 3);
    ASSERT_NE(end, std::string::npos);
    std::string body = text.substr(0, end + 2);
    uint32_t sum = 0;
    for (unsigned char c : body) sum += c;
    char expected[32];
    std::snprintf(expected, sizeof expected, "%04d\r\n", static_cast<int>(sum));
    EXPECT_EQ(text.substr(end + 2), expected);
}

std::string SaTrace(CSAMeasSetup& setup, const TestSource& source) {
    CSATraceFile file(&setup, &source);
    return file.FormatInMemory();
}

// Writes the golden files anew when CELVANE_WRITE_GOLDEN is set.
std::string GoldenOrWrite(const std::string& name, const std::string& text) {
    if (std::getenv("CELVANE_WRITE_GOLDEN")) {
        std::ofstream(std::filesystem::path(FILES_GOLDEN_DIR) / name, std::ios::binary) << text;
    }
    return Golden(name);
}

}  // namespace

class TraceFileTest : public ::testing::Test {
  protected:
    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
    std::vector<TracePoint> buffer = std::vector<TracePoint>(kTraceBufferPoints, {7.0f, 7.0f});
};

TEST_F(TraceFileTest, SpectrumGoldenWithOccupiedBandwidthRoundTripsByteIdentically) {
    CSAMeasSetup setup(&env);
    FixTimes(setup);
    setup.SetMeasurementId(21);
    ASSERT_TRUE(setup.SetDataPoints(705));
    TestSource source(705);
    source.sa.occupied_bandwidth = 1500000000u;
    source.sa.gps_data = u"N 52.1 E 4.3";
    std::string text = SaTrace(setup, source);
    std::string golden = GoldenOrWrite("sa_trace_705.twf", text);
    EXPECT_EQ(text, golden);
    EXPECT_EQ(ValuesPerLine(golden, "sa data"), (std::vector<size_t>{201, 200, 200, 104}));
    EXPECT_NE(golden.find("\t<occ bw =1500000000>\n"), std::string::npos);
    EXPECT_NE(golden.find("\t</end sa data>\n</body>\n</html>\r\n"), std::string::npos);
    ExpectChecksum(golden);

    CSAMeasSetup read(&env);
    Receiver receiver;
    CSATraceFile reader(&read, nullptr);
    reader.SetReceiver(&receiver);
    ASSERT_TRUE(reader.ReadTraceBytes(golden, u"\\FlashFX Disk\\My Traces\\t.twf", buffer.data()));
    EXPECT_EQ(receiver.calls, 1);
    EXPECT_EQ(receiver.sa.occupied_bandwidth, 1500000000u);
    EXPECT_EQ(receiver.sa.gps_data, u"N 52.1 E 4.3");
    for (uint32_t i = 0; i < 705; ++i) ASSERT_EQ(buffer[i].first, source.points[i].first) << i;
    EXPECT_EQ(buffer[705].first, 0.0f);  // the rest of the buffer is zeroed
    EXPECT_EQ(buffer[0].second, 0.0f);
    EXPECT_EQ(SaTrace(read, source), golden);
}

TEST_F(TraceFileTest, FourHundredOnePointsEndWithAnEmptyLine) {
    CSAMeasSetup setup(&env);
    FixTimes(setup);
    ASSERT_TRUE(setup.SetDataPoints(401));
    TestSource source(401);
    std::string text = SaTrace(setup, source);
    EXPECT_EQ(ValuesPerLine(text, "sa data"), (std::vector<size_t>{201, 200, 0}));
    EXPECT_NE(text.find("\t<sa data = >\n\t</end sa data>\n"), std::string::npos);
    CSAMeasSetup read(&env);
    ASSERT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(text, u"x.twf", buffer.data()));
    EXPECT_EQ(buffer[400].first, source.points[400].first);
}

TEST_F(TraceFileTest, EachSpectrumMeasurementWritesItsResults) {
    struct Case {
        int32_t id;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {20, {}},
        {21, {"\t<occ bw =0000012345>\n"}},
        {22, {"\t<cp power = 1.25000e-003>\n"}},
        {23,
         {"\t<acp power = 1.25000e-003>\n", "\t<acp hipower = -2.50000e+001>\n",
          "\t<acp lopower = -3.00000e+001>\n"}},
        {27,
         {"\t<c2i carrier = -1.00000e+001>\n", "\t<c2i ifpower = -4.00000e+001>\n",
          "\t<c2i powerdiff = 3.00000e+001>\n"}},
        {29,
         {"\t<fs antenna name = >\n", "\t<fs start freq = 0000000000>\n",
          "\t<fs stop freq = 0000000000>\n", "\t<fs gain = 0.00000e+000>\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CSAMeasSetup setup(&env);
        setup.SetMeasurementId(c.id);
        ASSERT_TRUE(setup.SetDataPoints(177));
        TestSource source(177);
        source.sa.occupied_bandwidth = 12345;
        source.sa.channel_power = 1.25e-3;
        source.sa.acp_high_power = -25;
        source.sa.acp_low_power = -30;
        source.sa.c2i_carrier = -10;
        source.sa.c2i_interference = -40;
        source.sa.c2i_difference = 30;
        std::string text = SaTrace(setup, source);
        EXPECT_NE(text.find("\t<db reference level = 2.00000e+001>\n\t<averages = 002>\n"),
                  std::string::npos);
        std::string results;
        for (const std::string& line : c.lines) results += line;
        EXPECT_NE(text.find(results + "\t<gps data = >\n"), std::string::npos) << text;

        CSAMeasSetup read(&env);
        Receiver receiver;
        CSATraceFile reader(&read, nullptr);
        reader.SetReceiver(&receiver);
        ASSERT_TRUE(reader.ReadTraceBytes(text, u"x.twf", buffer.data()));
        EXPECT_EQ(read.GetMeasurementId(), c.id);
        EXPECT_EQ(receiver.sa.occupied_bandwidth.has_value(), c.id == 21);
        EXPECT_EQ(receiver.sa.c2i_difference.has_value(), c.id == 27);
        EXPECT_EQ(receiver.sa.fs_gain.has_value(), c.id == 29);
        if (c.id == 23) {
            EXPECT_EQ(receiver.sa.acp_low_power, -30.0);
        }
    }
}

TEST_F(TraceFileTest, FieldStrengthWithAnAntennaWritesItsBand) {
    CSAMeasSetup setup(&env);
    setup.SetMeasurementId(29);
    TestSource source(705);
    source.sa.fs_start = 800000000;
    source.sa.fs_stop = 2500000000u;
    source.sa.fs_gain = 6.5;
    std::string text = SaTrace(setup, source);
    EXPECT_EQ(text.find("fs antenna name"), std::string::npos);
    EXPECT_NE(text.find("\t<fs start freq = 0800000000>\n\t<fs stop freq = 2500000000>\n"
                        "\t<fs gain = 6.50000e+000>\n"),
              std::string::npos);
}

TEST_F(TraceFileTest, NetworkAnalyzerGoldenFilesRoundTrip) {
    for (int32_t id : {2, 3}) {
        SCOPED_TRACE(id);
        CVNAMeasSetup setup(&env);
        FixTimes(setup);
        setup.SetMeasurementId(id);
        ASSERT_TRUE(setup.SetDataPoints(353));
        setup.SetCableLoss(3.25f);
        TestSource source(setup.GetDataPoints());
        source.vna.calibration_type = 2;
        source.vna.adc_saturated = true;
        std::string text = CVNATraceFile(&setup, &source).FormatInMemory();
        std::string golden = GoldenOrWrite("vna_trace_id" + std::to_string(id) + ".twf", text);
        EXPECT_EQ(text, golden);
        ExpectChecksum(golden);
        uint32_t n = static_cast<uint32_t>(setup.GetDataPoints());
        size_t lines = (n - 1) / 200 + 1;
        EXPECT_EQ(ValuesPerLine(golden, "vna data").size(), lines);
        EXPECT_EQ(ValuesPerLine(golden, "dtf data").empty(), id != 2);
        EXPECT_EQ(golden.find("\t<cable loss = 3.25000e+000>\n") != std::string::npos, id == 3);

        CVNAMeasSetup read(&env);
        Receiver receiver;
        CVNATraceFile reader(&read, nullptr);
        reader.SetReceiver(&receiver);
        ASSERT_TRUE(reader.ReadTraceBytes(golden, u"x.twf", buffer.data()));
        const std::vector<TracePoint>& shown = id == 2 ? source.dtf : source.points;
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(buffer[i].first, shown[i].first) << i;
            ASSERT_EQ(buffer[i].second, shown[i].second) << i;
        }
        EXPECT_EQ(receiver.vna.calibration_type, 2);
        EXPECT_EQ(receiver.vna.adc_saturated, true);
        if (id == 3) {
            EXPECT_EQ(read.GetCableLoss(), 3.25f);
        }
        EXPECT_EQ(CVNATraceFile(&read, &source).FormatInMemory(), golden);
    }
}

TEST_F(TraceFileTest, RandomSetupsAndPointsRoundTripToTheirWrittenValues) {
    std::mt19937 random(27);
    std::uniform_real_distribution<float> level(-170.0f, 30.0f);
    std::uniform_int_distribution<int32_t> points(177, 11265);
    for (int round = 0; round < 20; ++round) {
        CSAMeasSetup setup(&env);
        setup.SetDataPoints(points(random));
        setup.SetMeasurementId(20 + round % 10);
        uint32_t n = static_cast<uint32_t>(setup.GetDataPoints());
        TestSource source(n);
        for (TracePoint& p : source.points) p.first = level(random);
        std::string text = SaTrace(setup, source);
        CSAMeasSetup read(&env);
        ASSERT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(text, u"x.twf", buffer.data()));
        for (uint32_t i = 0; i < n; ++i) {
            char written[64];
            std::snprintf(written, sizeof written, "% 6.6f", source.points[i].first);
            ASSERT_EQ(buffer[i].first, std::strtof(written, nullptr)) << i;
        }
        EXPECT_EQ(SaTrace(read, source), text);
    }
}

TEST_F(TraceFileTest, DamagedPointBlocksFailWithSetupBufferAndScreenUntouched) {
    CSAMeasSetup setup(&env);
    FixTimes(setup);
    ASSERT_TRUE(setup.SetDataPoints(177));
    TestSource source(177);
    const std::string good = SaTrace(setup, source);
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return t.replace(at, from.size(), to);
    };
    size_t last_value = good.rfind(";>");
    size_t value_start = good.rfind(';', last_value - 1) + 1;
    const std::string cases[] = {
        // one value short
        good.substr(0, value_start) + good.substr(last_value + 1),
        // never closed
        replace("\t</end sa data>\n", ""),
        // a value that is no number
        replace("-100.000000;", "-1x0.000000;"),
        // no point block at all
        replace("\t<sa data = ", "\t<gps data = "),
    };
    for (const std::string& text : cases) {
        CSAMeasSetup read(&env);
        read.SetTitle(u"untouched");
        Receiver receiver;
        CSATraceFile reader(&read, nullptr);
        reader.SetReceiver(&receiver);
        EXPECT_FALSE(reader.ReadTraceBytes(text, u"x.twf", buffer.data()));
        EXPECT_EQ(read.GetTitle(), u"untouched");
        EXPECT_EQ(receiver.calls, 0);
        EXPECT_EQ(buffer[0].first, 7.0f);
    }
    EXPECT_EQ(services.messages.size(), std::size(cases));
    // Extra values past the point count are ignored.
    std::string extra = replace(";>\n\t</end", "; 1.0; 2.0;>\n\t</end");
    CSAMeasSetup read(&env);
    EXPECT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(extra, u"x.twf", buffer.data()));
    EXPECT_EQ(buffer[177].first, 0.0f);
}

TEST_F(TraceFileTest, SavedTraceIsWrittenAtTheSourcePathAndReadBack) {
    CSAMeasSetup setup(&env);
    TestSource source(705);
    CSATraceFile file(&setup, &source);
    ASSERT_TRUE(file.Save());
    std::string on_disk = celvane_test::slurp(root.path() / "FlashFX Disk" / "My Traces" / "t.twf");
    EXPECT_EQ(on_disk, SaTrace(setup, source));
    CSAMeasSetup read(&env);
    EXPECT_TRUE(CSATraceFile(&read, nullptr).ReadInto(source.path, buffer.data()));
    EXPECT_EQ(read.GetFilePath(), source.path);
}

TEST_F(TraceFileTest, TooLittleSpaceShowsTheMessageAndWritesNothing) {
    CSAMeasSetup setup(&env);
    TestSource source(705);
    services.free_bytes = 100;
    EXPECT_FALSE(CSATraceFile(&setup, &source).Save());
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(root.path() / "FlashFX Disk" / "My Traces" / "t.twf"));
}

TEST_F(TraceFileTest, TraceRecordIsATraceSource) {
    std::vector<TracePoint> first(3, {1.0f, 2.0f}), second(3, {3.0f, 4.0f});
    CTraceFile record(CTraceFile::kKindVna, 3, first.data(), second.data());
    record.SetTexts(kStamp, u"T", u"S", u"C", u"L", u"\\FlashFX Disk\\My Traces\\r.twf");
    EXPECT_EQ(record.GetCount(), 3u);
    EXPECT_EQ(record.GetTracePath(), u"\\FlashFX Disk\\My Traces\\r.twf");
    EXPECT_EQ(record.GetPoint(2)->second, 2.0f);
    EXPECT_EQ(record.GetDtfPoint(2)->first, 3.0f);
    EXPECT_EQ(record.GetPoint(3), nullptr);
    CVNAMeasSetup setup(&env);
    setup.SetMeasurementId(2);
    std::string text = CVNATraceFile(&setup, &record).FormatInMemory();
    EXPECT_NE(text.find("\t<vna data =  1.000000; 2.000000; 1.000000; 2.000000; 1.000000; "
                        "2.000000;>\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t<dtf data =  3.000000; 4.000000;"), std::string::npos);
}

// --- legacy files

namespace {

std::string LegacyFile(const std::string& first, const std::string& version,
                       const std::string& kind, const std::string& body) {
    return first + "\r\n" + version +
           "\n\tunit\nmodel\nserial\n14:30:05 03/15/2009\nOld title\nOld subtitle\nx\ny\n"
           "Old label\nOld notes\n" +
           kind + "\n" + body;
}

}  // namespace

TEST_F(TraceFileTest, LegacyRecallTable) {
    struct Case {
        std::string file;
        int32_t setup_class;  // 1 network, 2 spectrum
        bool ok;
        size_t messages;
    };
    const std::string body = "21\n100000000\n200000000\n";
    const Case cases[] = {
        {LegacyFile("0000", "1.0.20071027", "0001", body), 2, true, 0},   // other kind: header
        {LegacyFile("0000", "1.0.20071026", "0001", body), 2, false, 0},  // too old
        {LegacyFile("0001", "1.6.20130314", "0002", body), 2, false, 1},  // not "0000": 2621
        {LegacyFile("0000", "1.6.20130314", "0002", body), 1, true, 0},   // spectrum on network
        {LegacyFile("0000", "1.6.20130314", "0002", body), 2, false, 0},  // own kind, no points
        {LegacyFile("0000", "1.6", "0001", body), 2, false, 0},           // short version
        {"0000\n1.6.20130314\nunit\n", 2, false, 0},                      // missing lines
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 20));
        services.messages.clear();
        std::unique_ptr<CMeasSetup> setup;
        if (c.setup_class == 1) setup = std::make_unique<CVNAMeasSetup>(&env);
        if (c.setup_class == 2) setup = std::make_unique<CSAMeasSetup>(&env);
        setup->SetTitle(u"Mine");
        int32_t id = setup->GetMeasurementId();
        CTraceFile file(setup.get(), 0, 0, 1);
        EXPECT_EQ(
            file.ReadLegacyBytes(c.file, u"\\FlashFX Disk\\My Traces\\old.twf", buffer.data()),
            c.ok);
        EXPECT_EQ(services.messages.size(), c.messages);
        EXPECT_EQ(setup->GetTitle(), c.ok ? u"Old title" : u"Mine");
        EXPECT_EQ(setup->GetMeasurementId(), id);
        EXPECT_EQ(buffer[0].first, 7.0f);
        if (c.ok) {
            EXPECT_EQ(setup->GetSetupLabel(), u"Old label");
            EXPECT_EQ(setup->GetNotes(), u"Old notes");
            EXPECT_EQ(setup->GetFilePath(), u"\\FlashFX Disk\\My Traces\\old.twf");
        }
    }
}

// A legacy body of the screen's own kind is recalled: the measurement, the
// range and the points reach the setup and the point buffer; a point line
// "EOF" or a missing end line refuses the file and leaves both as they were.
TEST_F(TraceFileTest, LegacyBodyOfTheOwnKindIsRecalled) {
    std::string levels;
    for (int i = 0; i < 177; ++i) levels += std::to_string(-100 + i / 2.0) + "\n";
    const std::string head = "23\n100000000\n300000000\n177\n";
    struct Case {
        std::string body;
        bool ok;
    };
    const Case cases[] = {
        {head + levels + "end\n", true},
        {head + levels, false},
        {head + "EOF\n" + levels + "end\n", false},
        {"23\n100000000\n300000000\n178\n" + levels + "end\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.size());
        CSAMeasSetup setup(&env);
        setup.SetTitle(u"Mine");
        const int32_t id = setup.GetMeasurementId();
        buffer.assign(buffer.size(), {7.0f, 0.0f});
        CTraceFile file(&setup, 0, 0, 1);
        ASSERT_EQ(file.ReadLegacyBytes(LegacyFile("0000", "1.6.20130314", "0002", c.body),
                                       u"old.twf", buffer.data()),
                  c.ok);
        if (!c.ok) {
            EXPECT_EQ(setup.GetTitle(), u"Mine");
            EXPECT_EQ(setup.GetMeasurementId(), id);
            EXPECT_EQ(buffer[0].first, 7.0f);
            continue;
        }
        EXPECT_EQ(setup.GetTitle(), u"Old title");
        EXPECT_EQ(setup.GetMeasurementId(), 23);
        EXPECT_EQ(setup.GetDataPoints(), 177);
        EXPECT_EQ(setup.GetFrequencyRange()->GetStart(), 100000000u);
        EXPECT_EQ(setup.GetFrequencyRange()->GetStop(), 300000000u);
        for (int i = 0; i < 177; ++i)
            EXPECT_FLOAT_EQ(buffer[static_cast<size_t>(i)].first, -100 + i / 2.0f) << i;
        EXPECT_EQ(buffer[177].first, 0.0f) << "the rest of the buffer is zeroed";
    }
}

TEST_F(TraceFileTest, LegacyListingReadsKindIdAndFrequencies) {
    CSAMeasSetup setup(&env);
    CTraceFile file(&setup, 0, 0, 1);
    ASSERT_TRUE(file.LoadTraceHeaderBytes(
        LegacyFile("0000", "1.6.20130314", "0002", "23\n100000000\n3000000000\n"), u"old.twf"));
    EXPECT_EQ(file.GetFileVersion(), 16130314u);
    EXPECT_EQ(setup.GetMeasurementClass(), 2);
    EXPECT_EQ(setup.GetMeasurementId(), 23);
    EXPECT_EQ(setup.GetFrequencyRange()->GetStart(), 100000000u);
    EXPECT_EQ(setup.GetFrequencyRange()->GetStop(), 3000000000u);
    EXPECT_EQ(setup.GetTitle(), u"Old title");

    CSAMeasSetup bad(&env);
    bad.SetTitle(u"Mine");
    EXPECT_FALSE(CTraceFile(&bad, 0, 0, 1)
                     .LoadTraceHeaderBytes(
                         LegacyFile("0000", "1.6.20130314", "0002", "31\n100000000\n3000000000\n"),
                         u"old.twf"));
    EXPECT_EQ(bad.GetTitle(), u"Mine");
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(TraceFileTest, AChecksumThatDiffersIsNotedNotEnforced) {
    HistoryInit(0xFFFFFFFF);
    CSAMeasSetup setup(&env);
    TestSource source(177);
    setup.SetDataPoints(177);
    std::string text = SaTrace(setup, source);
    text.replace(text.size() - 6, 4, "0001");
    CSAMeasSetup read(&env);
    EXPECT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(text, u"odd.twf", buffer.data()));
    EXPECT_NE(HistoryRing().Format().find("trace checksum differs: odd.twf"), std::string::npos);
}

// --- the trace header, whole records and one-line texts

TEST_F(TraceFileTest, TraceHeaderCarriesTheRecordTextsAndTheUnit) {
    services.serial = u"SN-0042";
    CSAMeasSetup setup(&env);
    FixTimes(setup);
    ASSERT_TRUE(setup.SetDataPoints(177));
    std::vector<TracePoint> points(177, {-50.0f, 0.0f});
    CTraceFile record(CTraceFile::kKindSa, 177, points.data());
    record.SetTexts(kStamp, u"Record title", u"Record sub", u"Record notes", u"Record label",
                    u"\\FlashFX Disk\\My Traces\\h.twf");
    const std::string text = CSATraceFile(&setup, &record).FormatInMemory();
    const std::string head = text.substr(0, text.find("</head>"));
    for (const char* line :
         {"\t<measurement class = specan>\n", "\t<setup label = Record label>\n",
          "\t<file type = MTRC>\n", "\t<title = Record title>\n", "\t<subtitle = Record sub>\n",
          "\t<setup location = >\n", "\t<operator = >\n", "\t<notes = Record notes>\n",
          "\t<serial number = SN-0042>\n", "\t<App revision = 1.6.20130314>\n",
          "\t<DSP revision = >\n", "\t<FPGA revision = >\n"})
        EXPECT_NE(head.find(line), std::string::npos) << line;
    EXPECT_EQ(head.find("file save date"), std::string::npos);
    EXPECT_EQ(head.find("Tower A"), std::string::npos);  // the setup's own title
    CSAMeasSetup read(&env);
    ASSERT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(text, u"h.twf", buffer.data()));
    EXPECT_EQ(read.GetTitle(), u"Record title");
    EXPECT_EQ(read.GetSetupLabel(), u"Record label");
}

TEST_F(TraceFileTest, RecordsOfEverySizeReadBackWholeAndAShortOneWritesNothing) {
    for (uint32_t n : {177u, 401u, 705u, 11265u}) {
        CSAMeasSetup setup(&env);
        ASSERT_TRUE(setup.SetDataPoints(static_cast<int32_t>(n))) << n;
        TestSource source(n);
        ASSERT_TRUE(CSATraceFile(&setup, &source).Save()) << n;
        CSAMeasSetup read(&env);
        std::fill(buffer.begin(), buffer.end(), TracePoint{7.0f, 7.0f});
        ASSERT_TRUE(CSATraceFile(&read, nullptr).ReadInto(source.path, buffer.data())) << n;
        EXPECT_EQ(read.GetDataPoints(), static_cast<int32_t>(n));
        for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(buffer[i].first, source.points[i].first) << n;
    }
    // One point fewer than the setup's count: no file at all.
    std::filesystem::remove(root.path() / "FlashFX Disk" / "My Traces" / "t.twf");
    CSAMeasSetup setup(&env);
    ASSERT_TRUE(setup.SetDataPoints(705));
    TestSource shorter(704);
    EXPECT_FALSE(CSATraceFile(&setup, &shorter).Save());
    EXPECT_FALSE(std::filesystem::exists(root.path() / "FlashFX Disk" / "My Traces" / "t.twf"));
    CVNAMeasSetup vna(&env);
    vna.SetMeasurementId(2);
    TestSource no_dtf(static_cast<uint32_t>(vna.GetDataPoints()));
    no_dtf.dtf.pop_back();
    EXPECT_FALSE(CVNATraceFile(&vna, &no_dtf).Save());
}

TEST_F(TraceFileTest, LineBreaksInTextsBecomeBlanksAndTheFileStaysReadable) {
    CSAMeasSetup setup(&env);
    ASSERT_TRUE(setup.SetDataPoints(177));
    std::vector<TracePoint> points(177, {-60.0f, 0.0f});
    CTraceFile record(CTraceFile::kKindSa, 177, points.data());
    record.SetTexts(kStamp, u"a\nb", u"c\r\nd", u"line\none", u"x\ry", u"t.twf");
    const std::string text = CSATraceFile(&setup, &record).FormatInMemory();
    CSAMeasSetup read(&env);
    ASSERT_TRUE(CSATraceFile(&read, nullptr).ReadTraceBytes(text, u"t.twf", buffer.data()));
    EXPECT_EQ(read.GetTitle(), u"a b");
    EXPECT_EQ(read.GetSubtitle(), u"c  d");
    EXPECT_EQ(read.GetNotes(), u"line one");
    EXPECT_EQ(read.GetSetupLabel(), u"x y");
}
