#include "files/formats/setup_file.h"

#include <gtest/gtest.h>

#include "files_test_support.h"
#include "platform/kernel/clock.h"

using namespace files_test;

namespace {

std::string Format(CSetupFile& file) {
    return file.FormatInMemory();
}

template <typename Setup, typename File>
std::string ReadAndRewrite(const std::string& text, Setup& setup) {
    File file(&setup);
    EXPECT_TRUE(file.ReadBytes(text, u"\\FlashFX Disk\\My Setups\\x.tws", false));
    File again(&setup);
    return Format(again);
}

}  // namespace

class SetupFileTest : public ::testing::Test {
  protected:
    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
};

TEST_F(SetupFileTest, GoldenSpectrumSetupReadsAndRewritesByteIdentically) {
    std::string golden = Golden("sa_rev4.tws");
    CSAMeasSetup setup(&env);
    std::string again = ReadAndRewrite<CSAMeasSetup, CSASetupFile>(golden, setup);
    EXPECT_EQ(again, golden);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(setup.GetMeasurementId(), 22);
    EXPECT_EQ(setup.GetBand(), &services.band);
    EXPECT_EQ(setup.GetCableType(), Cable());
    EXPECT_EQ(setup.GetAntenna(), Antenna());
    EXPECT_EQ(setup.GetNotes(), u"\u00dcberpr\u00fcfung 5 \u00b5s, \u5317");
    EXPECT_EQ(setup.GetFilePath(), u"\\FlashFX Disk\\My Setups\\x.tws");
}

TEST_F(SetupFileTest, GoldenNetworkSetupReadsAndRewritesByteIdentically) {
    std::string golden = Golden("vna_rev4.tws");
    CVNAMeasSetup setup(&env);
    std::string again = ReadAndRewrite<CVNAMeasSetup, CVNASetupFile>(golden, setup);
    EXPECT_EQ(again, golden);
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(setup.GetMeasurementId(), 2);
    EXPECT_FLOAT_EQ(setup.GetDtfVp(), 0.66f);
    EXPECT_EQ(setup.GetDataPoints(), 1409);
}
