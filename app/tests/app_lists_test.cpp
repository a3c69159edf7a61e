// The lists the program starts with: from the files of "My Lists", the
// built-in lists when a file is missing or wrong, and no cable list without
// its file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app_file_services.h"
#include "app/tests/app_test_support.h"
#include "files/formats/limit_mask_file.h"
#include "files/lists/antenna.h"
#include "files/lists/cable_type.h"
#include "files/lists/signal_band.h"
#include "files/setup_services.h"

using namespace app_test;

namespace {

void WriteList(const DeviceRoot& root, const char* name, const std::string& text) {
    std::filesystem::path folder = root.path() / "FlashFX Disk" / "My Lists";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << text;
}

constexpr char kBands[] =
    "header\n"
    "Site A,0,806,921,0,0,-1,-1,0,0,0,0,-1,-1,0,0,0,0,-1,-1\n"
    "Site B,1,935,959.8,0.2,0.2,0,124,0,0,0,0,-1,-1,0,0,0,0,-1,-1\n";
constexpr char kAntennas[] = "header\nYagi,1,100,800000000,900000000,650\n";
constexpr char kCables[] = "header\nRG-58,0.66,1,2,3,4,5,6,7,8,9\n";

}  // namespace

TEST(StartupLists, TheListFilesAnswerTheLookUps) {
    DeviceRoot root("celvane-lists-good");
    WriteList(root, "BandTypeSettings.csv", kBands);
    WriteList(root, "AntennaTypeSettings.csv", kAntennas);
    WriteList(root, "CableTypeSettings.csv", kCables);
    WriteList(root, "LimitMaskTypeSettings.csv", "header\nEM,1,0,-20,dBc,900000000,0,dBm,0,1\n");
    TestApp app(std::make_shared<Log>());
    bool looked_up = false;
    app.initial = app.AddScreen(kScreenSpectrumAnalyzer);
    app.initial->probes[plat::VK_F1] = [&] {
        ISetupEnvironment* env = AppSetupEnvironment();
        ASSERT_NE(env, nullptr);
        EXPECT_NE(env->FindAntenna(u"Yagi"), nullptr);
        EXPECT_NE(env->FindAntenna(u"None"), nullptr);
        EXPECT_EQ(env->FindAntenna(u"ANT-900"), nullptr);
        EXPECT_NE(env->FindCableType(u"RG-58"), nullptr);
        EXPECT_EQ(FileServices().FindBand(u"Site A", 806000000, 921000000), app.GetBandList());
        EXPECT_EQ(FileServices().FindBand(u"GSM900 U", 890000000, 914800000), nullptr);
        EXPECT_TRUE(app.LoadListFile(32848, 0));
        looked_up = true;
    };
    ASSERT_EQ(RunScript(app, root, "key F1\nquit\n"), 0);
    EXPECT_TRUE(looked_up);
    EXPECT_EQ(app.GetBandList()->GetCount(), 2u);
    EXPECT_EQ(app.GetAntennaList()->GetCount(), 2u);
    EXPECT_EQ(app.GetCableList()->GetCount(), 2u);
    ASSERT_NE(app.GetLimitMaskFile(), nullptr);
    EXPECT_EQ(app.GetLimitMaskFile()->GetMaskCount(), 1);
}

TEST(StartupLists, MissingOrWrongFilesGiveTheBuiltInListsAndNoCables) {
    for (bool wrong : {false, true}) {
        SCOPED_TRACE(wrong ? "wrong files" : "no files");
        DeviceRoot root("celvane-lists-bad");
        if (wrong) {
            WriteList(root, "BandTypeSettings.csv", "header\nSite A,9\n");
            WriteList(root, "AntennaTypeSettings.csv", "header\nYagi,1,100\n");
        }
        TestApp app(std::make_shared<Log>());
        // A wrong file's message box is answered by the script's Return.
        ASSERT_EQ(RunScript(app, root, wrong ? "key Return\nkey Return\nquit\n" : "quit\n"), 0);
        ASSERT_NE(app.GetBandList(), nullptr);
        EXPECT_EQ(app.GetBandList()->GetCount(), 114u);
        ASSERT_NE(app.GetAntennaList(), nullptr);
        EXPECT_EQ(app.GetAntennaList()->GetCount(), 8u);
        EXPECT_EQ(app.GetCableList(), nullptr);
        EXPECT_EQ(app.GetLimitMaskFile(), nullptr);
    }
}
