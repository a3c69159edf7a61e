// The calibration file beside a network analyzer setup: its layout read
// back by Python's struct module, its terms loaded back identical, and the
// damaged files the reader refuses without storing a term.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "core/res_string.h"
#include "files_test_support.h"

using namespace files_test;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Pattern(uint32_t points, uint8_t seed) {
    std::vector<uint8_t> bytes(size_t{points} * 8);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    ::pclose(p);
    return out;
}

void PutU32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

}  // namespace

class CalibrationFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CVNASetupFile file(&vna);
        ASSERT_TRUE(file.ReadBytes(Golden("vna_rev4.tws"), u"golden", false));
        vna.SetSetupLabel(u"Feeder A");
        vna.SetFilePath(u"\\FlashFX Disk\\My Setups\\Feeder A.tws");
        sweep = vna.GetSweepCalInfo();
        for (auto [term, seed] : {std::pair{CVNADataStore::ER, 1},
                                  {CVNADataStore::ES, 2},
                                  {CVNADataStore::ED, 3},
                                  {CVNADataStore::ET, 4}}) {
            std::vector<uint8_t> data = Pattern(sweep.points, static_cast<uint8_t>(seed));
            store.SetTerm(term, data.data(), sweep.points, sweep.start, sweep.stop, sweep.power,
                          sweep.two_port);
        }
        ASSERT_TRUE(vna.IsCalValid(true));
    }
    fs::path CalFile() const { return root.path() / "FlashFX Disk" / "My Cals" / "Feeder A.cal"; }

    DeviceRoot root;
    TestServices services;
    ListEnvironment env;
    CVNADataStore store;
    CVNAMeasSetup vna{&env, &store};
    CalTermInfo sweep;
};

TEST_F(CalibrationFileTest, ACalibratedSetupSavesItsTermsInTheLayoutAndLoadsThemBack) {
    ASSERT_TRUE(vna.Save());
    EXPECT_TRUE(vna.HasCalFile());
    ASSERT_TRUE(fs::exists(CalFile()));
    std::string setup_text =
        celvane_test::slurp(root.path() / "FlashFX Disk" / "My Setups" / "Feeder A.tws");
    EXPECT_NE(setup_text.find("\t<Has Calibration>\n</body>\n"), std::string::npos);

    // An independent reading of the layout.
    std::string script =
        "import struct,sys\n"
        "b=open(sys.argv[1],'rb').read()\n"
        "assert b[:4]==b'TWC0'\n"
        "n=b[4]; name=b[5:5+n].decode()\n"
        "pts,start,stop,power,two=struct.unpack_from('<IQQdI',b,5+n)\n"
        "o=5+n+32; tags=[]\n"
        "while o<len(b):\n"
        "  t=b[o:o+5].decode(); d=b[o+5:o+5+pts*8]; assert len(d)==pts*8\n"
        "  tags.append(t+':'+d[:4].hex()); o+=5+pts*8\n"
        "print(name,pts,start,stop,'%.6f'%power,two,' '.join(tags))\n";
    std::string out = RunCommand("python3 -c \"" + script + "\" '" + CalFile().string() + "'");
    std::ostringstream expected;
    auto head = [&](uint8_t seed) {
        std::vector<uint8_t> p = Pattern(sweep.points, seed);
        char hex[9];
        std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", p[0], p[1], p[2], p[3]);
        return std::string(hex);
    };
    char power[32];
    std::snprintf(power, sizeof power, "%.6f", sweep.power);
    expected << "TW123456 " << sweep.points << " " << sweep.start << " " << sweep.stop << " "
             << power << " " << sweep.two_port << " ERCAL:" << head(1) << " ESCAL:" << head(2)
             << " EDCAL:" << head(3) << " ETCAL:" << head(4) << "\n";
    EXPECT_EQ(out, expected.str());

    CVNADataStore loaded;
    CVNAMeasSetup back(&env, &loaded);
    ASSERT_TRUE(back.Load(vna.GetFilePath()));
    EXPECT_TRUE(back.HasCalFile());
    for (auto term : {CVNADataStore::ER, CVNADataStore::ES, CVNADataStore::ED, CVNADataStore::ET}) {
        EXPECT_TRUE(loaded.IsTermValid(term));
        EXPECT_EQ(loaded.TermBytes(term), store.TermBytes(term));
    }
    EXPECT_FALSE(loaded.IsTermValid(CVNADataStore::EX));
    EXPECT_TRUE(back.IsCalValid(true));

    // Read for its properties only: it still knows its calibration file.
    std::unique_ptr<CMeasSetup> object = CSetupFile::LoadSetupObject(vna.GetFilePath(), &env);
    ASSERT_TRUE(object);
    auto* listed = dynamic_cast<CVNAMeasSetup*>(object.get());
    ASSERT_NE(listed, nullptr);
    EXPECT_TRUE(listed->HasCalFile());
    EXPECT_TRUE(listed->DeleteCalFile());
    EXPECT_FALSE(fs::exists(CalFile()));
    EXPECT_TRUE(services.messages.empty());
}

// A save replaces both files or neither: when the calibration or the setup
// cannot take its place, both old files and the has-calibration flag stay
// as they were, and the user is told.
TEST_F(CalibrationFileTest, ASaveReplacesBothFilesOrNeither) {
    const fs::path setup_file = root.path() / "FlashFX Disk" / "My Setups" / "Feeder A.tws";
    const fs::path cal_folder = root.path() / "FlashFX Disk" / "My Cals";
    ASSERT_TRUE(vna.Save());
    const std::string old_setup = celvane_test::slurp(setup_file);
    const std::string old_cal = celvane_test::slurp(CalFile());
    const auto Entries = [](const fs::path& folder) {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    };
    const auto setup_entries = Entries(setup_file.parent_path());
    // New settings and new terms to save.
    vna.SetTitle(u"Mast 2");
    std::vector<uint8_t> data = Pattern(sweep.points, 9);
    store.SetTerm(CVNADataStore::ER, data.data(), sweep.points, sweep.start, sweep.stop,
                  sweep.power, sweep.two_port);
    // A folder where the file should be.
    const auto folder_at = [](const fs::path& p) {
        fs::remove(p);
        fs::create_directories(p / "inside");
    };
    struct Case {
        const char* name;
        std::function<void()> block;
    };
    const Case cases[] = {
        {"no calibration folder",
         [&] {
             fs::remove_all(cal_folder);
             std::ofstream(cal_folder.string()) << "";
         }},
        {"calibration target is a folder", [&] { folder_at(CalFile()); }},
        // The new calibration replaces the old one first, then goes back.
        {"setup target is a folder", [&] { folder_at(setup_file); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        c.block();
        EXPECT_FALSE(vna.Save());
        EXPECT_TRUE(vna.HasCalFile());
        EXPECT_EQ(services.messages.size(), 1u);
        if (fs::is_regular_file(setup_file)) {
            EXPECT_EQ(celvane_test::slurp(setup_file), old_setup);
        }
        if (fs::is_regular_file(CalFile())) {
            EXPECT_EQ(celvane_test::slurp(CalFile()), old_cal);
        }
        // Nothing left beside the files.
        EXPECT_EQ(Entries(setup_file.parent_path()), setup_entries);
        if (fs::is_directory(cal_folder)) {
            EXPECT_EQ(Entries(cal_folder), 1);
        }
        // The old files back in place.
        fs::remove_all(cal_folder);
        fs::create_directories(cal_folder);
        std::ofstream(CalFile(), std::ios::binary) << old_cal;
        fs::remove_all(setup_file);
        std::ofstream(setup_file, std::ios::binary) << old_setup;
    }
    // Both writable: both files are new.
    ASSERT_TRUE(vna.Save());
    EXPECT_NE(celvane_test::slurp(setup_file).find("<title = Mast 2>"), std::string::npos);
    const std::string new_cal = celvane_test::slurp(CalFile());
    EXPECT_NE(new_cal, old_cal);
    EXPECT_EQ(new_cal.size(), old_cal.size());
    EXPECT_TRUE(vna.HasCalFile());
}

TEST_F(CalibrationFileTest, DamagedCalibrationsStoreNoTerm) {
    ASSERT_TRUE(vna.Save());
    const std::string good = celvane_test::slurp(CalFile());
    const size_t descriptor = 5 + 8;  // magic, N and the serial
    const size_t first_tag = descriptor + CalTermInfo::kSize;
    const size_t term = size_t{sweep.points} * 8;
    struct Case {
        const char* name;
        std::string bytes;
        uint32_t message;  // 0: none
    };
    auto with_count = [&](uint32_t count) {
        std::string b = good;
        PutU32(b, descriptor, count);
        return b;
    };
    std::string er_then_ed = good;
    er_then_ed.replace(first_tag + 5 + term, 5, "EDCAL");
    std::vector<Case> cases = {
        {"wrong magic", "TWC1" + good.substr(4), 64349},
        {"count 0", with_count(0), 64350},
        {"count 11266", with_count(11266), 64350},
        {"count 2^32-1", with_count(0xFFFFFFFF), 64350},
        {"short section", good.substr(0, first_tag + 5 + term / 2), 64350},
        {"short last section", good.substr(0, good.size() - 1), 64350},
        {"ERCAL then EDCAL", er_then_ed, 64350},
        {"short header", good.substr(0, 3), 64349},
        {"ends after the descriptor", good.substr(0, first_tag), 0},
    };
    CVNADataStore other;
    CVNAMeasSetup target(&env, &other);
    target.SetSetupLabel(u"Feeder A");
    std::vector<uint8_t> kept = Pattern(sweep.points, 9);
    other.SetTerm(CVNADataStore::EX, kept.data(), sweep.points, sweep.start, sweep.stop,
                  sweep.power, sweep.two_port);
    const core::Text path = u"\\FlashFX Disk\\My Cals\\Feeder A.cal";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messages.clear();
        CVNASetupFile file(&target);
        EXPECT_FALSE(file.LoadCalibrationBytes(c.bytes, path));
        for (auto t : {CVNADataStore::ER, CVNADataStore::ES, CVNADataStore::ED, CVNADataStore::ET})
            EXPECT_FALSE(other.IsTermValid(t));
        EXPECT_EQ(other.TermBytes(CVNADataStore::EX), std::vector<uint8_t>(kept));
        if (c.message == 0) {
            EXPECT_TRUE(services.messages.empty());
        } else {
            ASSERT_EQ(services.messages.size(), 1u);
            EXPECT_EQ(services.messages[0],
                      plat::to_utf8(LoadResString(c.message)) + "\n" + plat::to_utf8(path));
        }
    }

    // Sections in another order all load.
    std::string reordered = good.substr(0, first_tag) + good.substr(first_tag + 3 * (5 + term)) +
                            good.substr(first_tag, 3 * (5 + term));
    CVNASetupFile file(&target);
    EXPECT_TRUE(file.LoadCalibrationBytes(reordered, path));
    for (auto t : {CVNADataStore::ER, CVNADataStore::ES, CVNADataStore::ED, CVNADataStore::ET})
        EXPECT_EQ(other.TermBytes(t), store.TermBytes(t));
}
