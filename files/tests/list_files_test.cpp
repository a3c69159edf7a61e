#include <gtest/gtest.h>

#include <fstream>

#include "core/history.h"
#include "files/formats/limit_mask_file.h"
#include "files/formats/list_files.h"
#include "files_test_support.h"

using namespace files_test;

namespace {

constexpr char kBandHeader[] =
    "name,count,f1,l1,bw1,sp1,c1,d1,f2,l2,bw2,sp2,c2,d2,f3,l3,bw3,sp3,c3,d3\n";
constexpr char kMaskHeader[] = "name,count,freq,level,unit,ref freq,ref level,unit,a,kind\n";

std::string BandLine(const std::string& name, const std::string& count, const std::string& f8,
                     const std::string& channel) {
    return name + "," + count + ",889.988,914.988,1.23,0.025,0," + channel + "," + f8 +
           ",889.9625,1.23,0.025,1329,2047,0,0,0,0,-1,-1\n";
}

}  // namespace

class ListFilesTest : public ::testing::Test {
  protected:
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(root.path() / "FlashFX Disk" / "My Lists" / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) {
        return celvane_test::slurp(root.path() / "FlashFX Disk" / "My Lists" / name);
    }
    DeviceRoot root;
    TestServices services;
};

// Every reader's refusals: the exact message, shown once, and no list.
TEST_F(ListFilesTest, WrongLinesAreReportedOnceWithLineAndField) {
    struct Case {
        const char* file;
        std::string text;
        std::string message;
    };
    const std::string antenna_tail = "\nDefault Antenna List will be used";
    const std::string band_tail = "\nDefault Band List will be used";
    const std::string mask_tail = "\n Default limit masks will be used";
    const std::string mask_ok = "M1,2,-1000000,0,dBc,900000000,-10,dBm,0,1\n";
    const Case cases[] = {
        {"AntennaTypeSettings.csv", "h\nA,1,70,890000000,960000000\n",
         "Incorrect data at:\n line: 2, Field: 0" + antenna_tail},
        {"AntennaTypeSettings.csv", "h\nA,1,70,abc,960000000,0\n",
         "Incorrect data at:\n line: 2, Field: 3" + antenna_tail},
        {"AntennaTypeSettings.csv", "h\nA,1,70,1,2,0\nB,3,70,1,2,0\n",
         "Incorrect data at:\n line: 3, Field: 1" + antenna_tail},
        {"BandTypeSettings.csv",
         std::string(kBandHeader) + "B,2,1,2,3,4,5,6,7,8,9,0,1,2,3,4,5,6,7\n",
         "Incorrect data at:\n line: 2, Field: 0" + band_tail},
        {"BandTypeSettings.csv", std::string(kBandHeader) + BandLine("B", "4", "872.0125", "1000"),
         "Incorrect data at:\n line: 2, Field: 1" + band_tail},
        {"BandTypeSettings.csv",
         std::string(kBandHeader) + BandLine("B", "2", "872.0125", "2147483648"),
         "Incorrect data at:\n line: 2, Field: 7" + band_tail},
        {"BandTypeSettings.csv", std::string(kBandHeader) + BandLine("B", "2", "x", "1000"),
         "Incorrect data at:\n line: 2, Field: 8" + band_tail},
        {"LimitMaskTypeSettings.csv",
         std::string(kMaskHeader) + "M1,72,0,0,dBc,900000000,-10,dBm,0,1\n",
         "Number of points is too big, file line number: 2" + mask_tail},
        {"LimitMaskTypeSettings.csv",
         std::string(kMaskHeader) + "M1,0,0,0,dBc,900000000,-10,dBm,0,1\n",
         "Incorrect data, file line number: 2" + mask_tail},
        {"LimitMaskTypeSettings.csv", std::string(kMaskHeader) + mask_ok + "M1,0,0,dBc\n",
         "Incorrect data, file line number: 3" + mask_tail},
        {"LimitMaskTypeSettings.csv", std::string(kMaskHeader) + mask_ok + "M2,0,0,dBc,x\n",
         " Too few data points, file line number: 3" + mask_tail},
        {"LimitMaskTypeSettings.csv",
         std::string(kMaskHeader) + mask_ok + "M1,,1000000,0,dBc\nM1,,2000000,0,dBc\n",
         "Too many data points, file line number: 4" + mask_tail},
        {"LimitMaskTypeSettings.csv",
         std::string(kMaskHeader) + "M1,1,0,0,dBx,900000000,-10,dBm,0,1\n",
         "Incorrect data, file line number: 2" + mask_tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        services.messages.clear();
        Write(c.file, c.text);
        bool ok = true;
        std::string file = c.file;
        if (file.starts_with("Antenna")) {
            std::unique_ptr<CAntennaList> list;
            ok = CAntennaListFile().ReadCommaSeparated(list);
            EXPECT_EQ(list, nullptr);
        } else if (file.starts_with("Band")) {
            std::unique_ptr<CSignalBand> list;
            ok = CBandListFile().ReadCommaSeparated(list);
            EXPECT_EQ(list, nullptr);
        } else {
            CLimitMaskFile masks;
            ok = masks.Load();
            EXPECT_EQ(masks.GetMaskTotal(), 0u);
            EXPECT_EQ(masks.GetMaskCount(), 0);
        }
        EXPECT_FALSE(ok);
        ASSERT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages[0], c.message);
        std::filesystem::remove(root.path() / "FlashFX Disk" / "My Lists" / c.file);
    }
}

TEST_F(ListFilesTest, HeaderOnlyFilesGiveEmptyListsWithoutMessages) {
    Write("BandTypeSettings.csv", kBandHeader);
    Write("CableTypeSettings.csv", "name,vp,l1,l2,l3,l4,l5,l6,l7,l8,l9\n");
    Write("LimitMaskTypeSettings.csv", kMaskHeader);
    Write("AntennaTypeSettings.csv", "name,bands,span,start,stop,gain\n");
    std::unique_ptr<CSignalBand> bands;
    EXPECT_TRUE(CBandListFile().ReadCommaSeparated(bands));
    EXPECT_EQ(bands, nullptr);
    std::unique_ptr<CCableType> cables;
    EXPECT_TRUE(CCableListFile().ReadCommaSeparated(cables));
    ASSERT_NE(cables, nullptr);
    EXPECT_EQ(cables->GetCount(), 1u);
    EXPECT_EQ(cables->GetName(), u"None");
    CLimitMaskFile masks;
    EXPECT_TRUE(masks.Load());
    EXPECT_EQ(masks.GetMaskTotal(), 0u);
    std::unique_ptr<CAntennaList> antennas;
    EXPECT_TRUE(CAntennaListFile().ReadCommaSeparated(antennas));
    ASSERT_NE(antennas, nullptr);
    EXPECT_EQ(antennas->GetCount(), 1u);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ListFilesTest, GoodFilesGiveTheirEntries) {
    Write("BandTypeSettings.csv", std::string(kBandHeader) +
                                      BandLine("CNA1", "2", "872.0125", "1000") +
                                      "Tetra,0,806,921,0,0,-1,-1,0,0,0,0,-1,-1,0,0,0,0,-1,-1\n");
    std::unique_ptr<CSignalBand> bands;
    ASSERT_TRUE(CBandListFile().ReadCommaSeparated(bands));
    ASSERT_EQ(bands->GetCount(), 2u);
    EXPECT_EQ(bands->GetName(), u"CNA1");
    // The frequencies as single-precision values: 889.988 MHz is 889.987976 MHz,
    // 872.0125 MHz is 872.012512 MHz.
    EXPECT_EQ(bands->ChannelToFrequency(0), 889987976u);
    EXPECT_EQ(bands->ChannelToFrequency(1329), 872012512u);
    EXPECT_EQ(bands->GetNext()->GetIndex(), 1);
    EXPECT_EQ(bands->GetNext()->GetSpan(), 115000000u);

    Write("CableTypeSettings.csv",
          "h\n RG-58 , 0.66 ,0.1, 0.2,0.3,0.4,0.5,0.6,0.7,0.8, 0.9 \nbad "
          "line\nLMR,1,1,1,1,1,1,1,1,1,1\n");
    std::unique_ptr<CCableType> cables;
    ASSERT_TRUE(CCableListFile().ReadCommaSeparated(cables));
    ASSERT_EQ(cables->GetCount(), 2u);  // the bad line ends the reading quietly
    CCableType* rg58 = cables->FindByName(u"RG-58");
    ASSERT_NE(rg58, nullptr);
    EXPECT_EQ(rg58->GetId(), 1);
    EXPECT_FLOAT_EQ(rg58->GetVp(), 0.66f);
    EXPECT_FLOAT_EQ(rg58->GetColumnLoss(8), 0.9f);
    EXPECT_FALSE(rg58->IsCustom());

    Write("AntennaTypeSettings.csv", "h\nYagi,1,100,800000000,900000000,650\nFlat,0,0,5,1,0\n");
    std::unique_ptr<CAntennaList> antennas;
    ASSERT_TRUE(CAntennaListFile().ReadCommaSeparated(antennas));
    ASSERT_EQ(antennas->GetCount(), 3u);
    EXPECT_EQ(antennas->GetAt(0)->GetName(), u"None");
    EXPECT_EQ(antennas->FindByName(u"Yagi")->GetGainRaw(0), 650);
    EXPECT_EQ(antennas->FindByName(u"Yagi")->GetStop(0), 900000000u);
    // A band whose stop is not above its start is absent: zeros, no range.
    CAntenna* flat = antennas->FindByName(u"Flat");
    EXPECT_EQ(flat->GetStart(0), 0u);
    EXPECT_EQ(flat->GetStop(1), 0u);
    EXPECT_EQ(flat->GetDisplayText(), u"Flat () 0 dB");

    Write("LimitMaskTypeSettings.csv",
          std::string(kMaskHeader) + "Up,2,-3600000000,0,dBc,900000000,-10,DBC,1,1\n" +
              "Up,,3600000000,-20,dBm\nLow,1,0,-50,dBm,100,0,dBm,0,0\n");
    CLimitMaskFile masks;
    ASSERT_TRUE(masks.Load());
    EXPECT_EQ(masks.GetMaskCount(), 1);
    EXPECT_EQ(masks.GetOtherMaskCount(), 1);
    const LimitMask* up = masks.FindMask(u"Up");
    ASSERT_NE(up, nullptr);
    EXPECT_TRUE(up->reference_level_flag);
    EXPECT_TRUE(up->reference_frequency_flag);
    EXPECT_EQ(up->points[0].offset, -3600000000ll);
    EXPECT_EQ(up->points[1].offset, 3600000000ll);
    EXPECT_TRUE(up->points[1].is_absolute_dbm);
    EXPECT_FALSE(masks.FindMask(u"Low")->upper);
    masks.ClearMasks();
    EXPECT_EQ(masks.GetMaskTotal(), 0u);
    masks.AddMask(std::make_unique<LimitMask>());
    EXPECT_EQ(masks.GetMaskTotal(), 1u);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ListFilesTest, TheHundredAndFirstMaskOfAKindIsRefused) {
    std::string text = kMaskHeader;
    for (int i = 0; i < 101; ++i)
        text += "M" + std::to_string(i) + ",1,0,0,dBc,0,0,dBm,0," + (i % 2 ? "0" : "1") + "\n";
    for (int i = 101; i < 202; ++i) text += "M" + std::to_string(i) + ",1,0,0,dBc,0,0,dBm,0,1\n";
    Write("LimitMaskTypeSettings.csv", text);
    CLimitMaskFile masks;
    EXPECT_FALSE(masks.Load());
    EXPECT_EQ(masks.GetLastError(), CLimitMaskFile::kTooManyMasks);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_NE(services.messages[0].find("reached. File line number: "), std::string::npos);
}

TEST_F(ListFilesTest, TaggedFormsRoundTripAndLeaveTheSpreadsheetFilesAlone) {
    Write("BandTypeSettings.csv", kBandHeader);
    std::unique_ptr<CSignalBand> bands = BuildDefaultBandList();
    ASSERT_TRUE(CBandListFile().Save(bands.get()));
    std::unique_ptr<CSignalBand> read;  // null head: the first band read heads it
    CSignalBand* last = CBandListFile().ReadTagged(read);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetCount(), 114u);
    EXPECT_EQ(last->GetName(), u"UHF/Tetra");
    EXPECT_EQ(last->GetIndex(), 113);
    for (CSignalBand *a = bands.get(), *b = read.get(); a; a = a->GetNext(), b = b->GetNext()) {
        ASSERT_EQ(a->GetName(), b->GetName());
        ASSERT_EQ(a->GetStart(), b->GetStart());
        ASSERT_EQ(a->GetStop(), b->GetStop());
        ASSERT_EQ(a->GetCenter(), b->GetCenter());
    }
    EXPECT_EQ(Read("BandTypeSettings.csv"), kBandHeader);

    std::unique_ptr<CAntennaList> antennas = CreateDefaultAntennaList();
    ASSERT_TRUE(CAntennaListFile().Save(*antennas));
    std::unique_ptr<CAntennaList> antennas_read;
    ASSERT_TRUE(CAntennaListFile().ReadTagged(antennas_read));
    ASSERT_EQ(antennas_read->GetCount(), 8u);
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(antennas_read->GetAt(i)->GetName(), antennas->GetAt(i)->GetName());
        EXPECT_EQ(antennas_read->GetAt(i)->GetStop(0), antennas->GetAt(i)->GetStop(0));
    }

    auto cables = std::make_unique<CCableType>(0, u"None", 0.0f, 0.0f, 0.0f, false);
    cables->Append(std::make_unique<CCableType>(1, u"RG-8", 0.78f, 0.25f, 0.82f, false));
    ASSERT_TRUE(CCableListFile().Save(cables.get()));
    EXPECT_NE(Read("CableTypeSettings.tag").find("\t\t<cable dielectric =  0.780000>\n"),
              std::string::npos);
    std::unique_ptr<CCableType> cables_read;
    ASSERT_TRUE(CCableListFile().ReadTagged(cables_read));
    ASSERT_EQ(cables_read->GetCount(), 2u);
    EXPECT_EQ(cables_read->GetNext()->GetId(), 1);
    EXPECT_FLOAT_EQ(cables_read->GetNext()->GetLossPerMetre(), 0.82f);
    EXPECT_TRUE(cables_read->GetNext()->IsCustom());
}

// Lists read from the spreadsheet files keep what they read through the
// tagged form: the antennas' spans, the cables' nine column losses.
TEST_F(ListFilesTest, SpreadsheetListsRoundTripThroughTheTaggedForm) {
    Write("AntennaTypeSettings.csv",
          "h\nYagi,1,100000000,800000000,900000000,650\nWhip,1,2500000,1e8,1.025e8,-120\n");
    std::unique_ptr<CAntennaList> antennas;
    ASSERT_TRUE(CAntennaListFile().ReadCommaSeparated(antennas));
    EXPECT_EQ(antennas->FindByName(u"Yagi")->GetSpan(), 100000000u);
    EXPECT_EQ(antennas->FindByName(u"Whip")->GetSpan(), 2500000u);
    ASSERT_TRUE(CAntennaListFile().Save(*antennas));
    std::unique_ptr<CAntennaList> antennas_read;
    ASSERT_TRUE(CAntennaListFile().ReadTagged(antennas_read));
    ASSERT_EQ(antennas_read->GetCount(), antennas->GetCount());
    for (uint32_t i = 0; i < antennas->GetCount(); ++i) {
        const CAntenna *a = antennas->GetAt(i), *b = antennas_read->GetAt(i);
        EXPECT_EQ(b->GetName(), a->GetName());
        EXPECT_EQ(b->GetSpan(), a->GetSpan());
        EXPECT_EQ(b->GetStart(0), a->GetStart(0));
        EXPECT_EQ(b->GetStop(0), a->GetStop(0));
        EXPECT_EQ(b->GetGainRaw(0), a->GetGainRaw(0));
    }

    Write("CableTypeSettings.csv",
          "h\nRG-58,0.66,0.1,0.2,0.21,0.23,0.24,0.31,0.33,0.345,0.9\n"
          "LMR-400,0.85,1.5e-05,0.0321,0.0342,0.0361,0.0373,0.0492,0.0521,0.0532,0.0601\n");
    std::unique_ptr<CCableType> cables;
    ASSERT_TRUE(CCableListFile().ReadCommaSeparated(cables));
    ASSERT_TRUE(CCableListFile().Save(cables.get()));
    std::unique_ptr<CCableType> cables_read;
    ASSERT_TRUE(CCableListFile().ReadTagged(cables_read));
    ASSERT_EQ(cables_read->GetCount(), 3u);
    for (const CCableType *a = cables.get(), *b = cables_read.get(); a;
         a = a->GetNext(), b = b->GetNext()) {
        SCOPED_TRACE(std::string(a->GetName().begin(), a->GetName().end()));
        EXPECT_EQ(b->GetName(), a->GetName());
        EXPECT_EQ(b->GetVp(), a->GetVp());
        EXPECT_FALSE(b->IsCustom());
        for (int i = 0; i < CCableType::kColumns; ++i)
            EXPECT_EQ(b->GetColumnLoss(i), a->GetColumnLoss(i));
        EXPECT_EQ(b->GetLossAt(1300000000), a->GetLossAt(1300000000));
    }
    EXPECT_FLOAT_EQ(cables_read->FindByName(u"RG-58")->GetColumnLoss(8), 0.9f);
}

// A stray file far above any list's size is not read whole: refused, and
// the history says why.
TEST_F(ListFilesTest, FilesAboveTheLoadBoundAreRefusedWithAHistoryNote) {
    HistoryInit(0xFFFFFFFF);
    const auto folder = root.path() / "FlashFX Disk" / "My Lists";
    Write("AntennaTypeSettings.csv", "h\nYagi,1,100,800000000,900000000,650\n");
    std::filesystem::resize_file(folder / "AntennaTypeSettings.csv",
                                 CTaggedFile::kMaxLoadBytes + 1);
    std::unique_ptr<CAntennaList> antennas;
    EXPECT_FALSE(CAntennaListFile().ReadCommaSeparated(antennas));
    EXPECT_EQ(antennas, nullptr);
    EXPECT_NE(HistoryRing().Format().find("file too large to read: \\FlashFX Disk\\My "
                                          "Lists\\AntennaTypeSettings.csv"),
              std::string::npos)
        << HistoryRing().Format();
    // The bound itself is still read.
    Write("Big.txt", "");
    std::filesystem::resize_file(folder / "Big.txt", CTaggedFile::kMaxLoadBytes);
    CTaggedFile file;
    EXPECT_EQ(file.LoadFile(u"\\FlashFX Disk\\My Lists\\Big.txt"), CTaggedFile::kMaxLoadBytes);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ListFilesTest, SavingWithoutRoomShowsTheMessageAndWritesNothing) {
    services.free_bytes = 100;
    EXPECT_FALSE(CAntennaListFile().Save(*CreateDefaultAntennaList()));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(root.path() / "FlashFX Disk" / "My Lists" /
                                         "AntennaTypeSettings.tag"));
}

// --- the records

TEST(SignalBandTest, BuiltInBandsFollowTheirChannelPlans) {
    std::unique_ptr<CSignalBand> list = BuildDefaultBandList();
    ASSERT_EQ(list->GetCount(), 114u);
    auto band = [&](int index) { return list->FindByIndex(index); };
    CSignalBand* gsm900 = band(19);
    EXPECT_EQ(gsm900->GetName(), u"GSM900 U");
    EXPECT_EQ(gsm900->ChannelToFrequency(0), 890000000u);
    EXPECT_EQ(gsm900->ChannelToFrequency(124), 914800000u);
    EXPECT_EQ(gsm900->ChannelToFrequency(975), 880200000u);
    EXPECT_EQ(gsm900->ChannelToFrequency(1023), 881160000u);
    EXPECT_EQ(gsm900->NextChannel(124), 975);
    EXPECT_EQ(gsm900->NextChannel(1023), 0);
    CSignalBand* cel = band(10);
    EXPECT_EQ(cel->ChannelToFrequency(1), 825030000u);
    EXPECT_EQ(cel->ChannelToFrequency(799), 848970000u);
    EXPECT_EQ(cel->ChannelToFrequency(990), 824010000u);
    EXPECT_EQ(cel->GetStart(), 824010000u);
    EXPECT_EQ(cel->GetStop(), 848970000u);
    EXPECT_EQ(cel->GetCurrentChannel(), 990);
    CSignalBand* jpn = band(7);
    EXPECT_EQ(jpn->GetStart(), 887012500u);
    EXPECT_EQ(jpn->GetStop(), 924988000u);
    EXPECT_EQ(jpn->ChannelToFrequency(900), 899250000u);
    EXPECT_EQ(jpn->GetCurrentChannel(), 1041);
    CSignalBand* tetra = band(34);
    EXPECT_EQ(tetra->GetSpan(), 115000000u);
    EXPECT_EQ(tetra->GetCenter(), 863500000u);
    int32_t first = 0, last = 0;
    tetra->GetChannelRange(0, first, last);
    EXPECT_EQ(first, 806000000);
    EXPECT_EQ(last, 921000000);
    EXPECT_EQ(band(41)->GetName(), u"PDC 1 U/D ");
    for (int i = 0; i < 5001; ++i) tetra->CountUse(true);
    EXPECT_EQ(tetra->GetUseCount(), 5000u);
    tetra->CountUse(false);
    EXPECT_EQ(tetra->GetUseCount(), 0u);
}

// Channel edges and extrapolated channels that would lie below 0 Hz read 0
// instead of wrapping: a band file's band that starts 0.3 MHz up with 1 MHz
// channels, and a two-range band whose second range is extrapolated
// downwards for a channel no range holds.
TEST(SignalBandTest, ChannelsBelowZeroHertzReadZero) {
    std::array<ChannelRange, 3> low{};
    low[0] = {0.3, 10.3, 1.0, 1.0, 0, 10};
    auto band = CSignalBand::FromRecord(-1, u"Low", 1, low);
    EXPECT_EQ(band->ChannelToFrequency(0), 300000u);
    EXPECT_EQ(band->GetChannelLow(0), 0u);
    EXPECT_EQ(band->GetChannelHigh(0), 800000u);
    EXPECT_EQ(band->GetChannelLow(1), 800000u);

    std::array<ChannelRange, 3> two{};
    two[0] = {100, 110, 0.2, 0.2, 500, 550};
    two[1] = {1, 2, 0.2, 0.5, 10, 12};
    auto split = CSignalBand::FromRecord(-1, u"Split", 2, two);
    EXPECT_EQ(split->ChannelToFrequency(12), 2000000u);
    EXPECT_EQ(split->ChannelToFrequency(9), 500000u);  // extrapolated, still above 0
    EXPECT_EQ(split->ChannelToFrequency(0), 0u);       // 1 MHz - 10 x 0.5 MHz
    EXPECT_EQ(split->GetChannelLow(0), 0u);
    EXPECT_EQ(split->GetChannelHigh(0), 0u + 100000u);
}

TEST(CableTypeTest, LossIsInterpolatedBetweenColumns) {
    CCableType::Losses losses{0.10f, 0.20f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
    CCableType cable(1, u"RG", 0.66f, losses, true);
    EXPECT_FLOAT_EQ(cable.GetLossAt(637000000), 0.15f);
    EXPECT_FLOAT_EQ(cable.GetLossAt(-5), 0.10f);
    EXPECT_FLOAT_EQ(cable.GetLossAt(824000000), 0.20f);
    EXPECT_FLOAT_EQ(cable.GetLossAt(3000000000ll), 0.9f);
    EXPECT_EQ(cable.FormatVp(), u"0.6600");
}

TEST(AntennaTest, SecondBandGainCountsUpToItsStop) {
    CAntenna a(u"Dual", 2, 100, 200, 300, 800, 900, 700);
    EXPECT_EQ(a.GetGainAt(900), 700);
    EXPECT_EQ(a.GetGainAt(901), 300);
    EXPECT_FLOAT_EQ(a.GetGain(5), 3.0f);
    EXPECT_EQ(a.GetStart(5), 100u);
}
