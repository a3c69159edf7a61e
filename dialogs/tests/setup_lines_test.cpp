// The viewer's parameter lines of stored setups against a reader written in
// Python from the file format and the line tables: the factory spectrum
// setup, a spectrum setup with every line off its default, a network
// analyzer setup without a frequency range, and a power meter setup. Each
// setup is written by its own object, read back as the setup screen reads
// it, and its lines are handed to the reader with the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "core/params.h"
#include "dialogs/setup_lines.h"
#include "files/formats/setup_file.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"

namespace {

namespace fs = std::filesystem;

class SetupLines : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(root_.path() / "FlashFX Disk" / "My Setups"); }
    // Writes the setup, reads it back and writes its lines beside it;
    // answers the host path of the setup file.
    fs::path WriteWithLines(CMeasSetup& setup, const std::string& name) {
        const core::Text path = u"\\FlashFX Disk\\My Setups\\" + plat::from_utf8(name) + u".tws";
        setup.SetSetupLabel(plat::from_utf8(name));
        setup.SetFilePath(path);
        CSetupFile file(&setup);
        EXPECT_TRUE(setup.GetMeasurementClass() == CMeasSetup::kClassPower ? file.Write(path)
                                                                           : setup.Save());
        core::Text reason;
        std::unique_ptr<CMeasSetup> read = CSetupFile::LoadSetupObject(path, nullptr, &reason);
        EXPECT_NE(read, nullptr) << plat::to_utf8(reason);
        const fs::path host = root_.path() / "FlashFX Disk" / "My Setups" / (name + ".tws");
        std::ofstream out(host.string() + ".lines", std::ios::binary);
        for (int line = 0; read && line < setup_lines::kLineCount; ++line) {
            const core::Text text = setup_lines::LineText(line, *read);
            if (!text.empty()) out << line << '\t' << plat::to_utf8(text) << '\n';
        }
        return host;
    }
    void Check(const fs::path& file) {
        const std::string command = "/usr/bin/python3 '" + std::string(SETUP_LINES_CHECK) + "' '" +
                                    std::string(STRINGS_TSV) + "' '" + file.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << file;
    }

    celvane_test::TempRoot root_{"setup-lines"};
};

TEST_F(SetupLines, EachLineIsWhatTheFileSays) {
    CSAMeasSetup factory;
    Check(WriteWithLines(factory, "Factory SA"));

    CSAMeasSetup changed;
    changed.GetBandwidthSettings()->SetRbwMode(1, false);
    changed.GetBandwidthSettings()->SetRbwIndex(3, false);
    changed.GetBandwidthSettings()->SetVbwMode(1, false);
    changed.GetBandwidthSettings()->SetVbwIndex(2, false);
    changed.SetAveragingMode(1);
    changed.SetAveragingCount(16);
    changed.SetChannelNumber(-1);
    changed.SetModulationType(4);
    changed.SetSidebandFrequency(145500000);
    changed.SetThresholdMode(1);
    changed.SetThreshold(-260);
    changed.SetWaterfallMode(1);
    changed.SetAmplitudeOffset(2.5);
    changed.SetAttenuationLevel(10);
    changed.SetPreampMode(0);
    changed.SetDetectionMode(1);
    changed.SetTriggerMode(1);
    changed.SetReferenceStepping(5);
    changed.SetMarkerState(1, 1);
    Check(WriteWithLines(changed, "Every line"));

    CVNAMeasSetup vna;
    vna.SetFrequencyRange(nullptr);
    vna.SetDistanceUnit(true);
    Check(WriteWithLines(vna, "Cable"));

    CPowerMeasSetup power;
    Check(WriteWithLines(power, "Sensor"));
}

TEST(SetupLinesSize, ALineTwoOfOneAndAHalfKilobytesReadsOneKilobyte) {
    CSAMeasSetup setup;
    setup.SetOwnerWord(1536);
    const core::Text line = setup_lines::LineText(2, setup);
    EXPECT_EQ(line.substr(line.find(u'\t') + 1), u"1.0 Kbytes");
}

}  // namespace
