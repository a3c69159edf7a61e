// Linked into every test program: the text ids the program's texts-by-id
// lookup could not find, in this process or in the programs a test starts,
// fail the test that asked for them, naming each id.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

// The variable the lookup reads (core/res_string.h), spelled here so that
// test programs below the core layer link this check too.
constexpr char kVariable[] = "CELVANE_MISSING_TEXTS";

// A test's own knowledge that it asks for ids no table holds.
constexpr char kExpectedMarker[] = "missing-texts-expected";

class MissingTextsCheck : public ::testing::EmptyTestEventListener {
  public:
    MissingTextsCheck() {
        // Set before main runs, while this is the only thread; the programs a
        // test starts inherit it.
        file_ = (std::filesystem::temp_directory_path() /
                 ("celvane-missing-texts-" + std::to_string(::getpid()) + ".txt"))
                    .string();
        ::setenv(kVariable, file_.c_str(), 1);
        std::filesystem::remove(file_);
    }

    void OnTestEnd(const ::testing::TestInfo& info) override {
        std::set<unsigned long> ids;
        {
            std::ifstream in(file_);
            for (std::string line; std::getline(in, line);)
                if (!line.empty()) ids.insert(std::stoul(line));
        }
        std::filesystem::remove(file_);
        if (ids.empty() || info.result()->HasFatalFailure()) return;
        for (const auto& p : Properties(info))
            if (p == kExpectedMarker) return;
        std::string list;
        for (unsigned long id : ids) list += (list.empty() ? "" : ", ") + std::to_string(id);
        // Reported on the test program's result: the run fails, naming the ids.
        failures_ += std::string(info.test_suite_name()) + "." + info.name() +
                     ": no text for string ids " + list + "\n";
    }

    void OnTestProgramEnd(const ::testing::UnitTest&) override { std::filesystem::remove(file_); }

    const std::string& failures() const { return failures_; }

  private:
    static std::set<std::string> Properties(const ::testing::TestInfo& info) {
        std::set<std::string> keys;
        const ::testing::TestResult* r = info.result();
        for (int i = 0; i < r->test_property_count(); ++i) keys.insert(r->GetTestProperty(i).key());
        return keys;
    }

    std::string file_;
    std::string failures_;
};

MissingTextsCheck* g_check = nullptr;

// Fails the program once every test ran when some test asked for a text
// that no table holds.
class MissingTextsVerdict : public ::testing::Environment {
  public:
    void TearDown() override {
        if (g_check && !g_check->failures().empty()) ADD_FAILURE() << g_check->failures();
    }
};

const bool g_installed = [] {
    g_check = new MissingTextsCheck;
    ::testing::UnitTest::GetInstance()->listeners().Append(g_check);
    ::testing::AddGlobalTestEnvironment(new MissingTextsVerdict);
    return true;
}();

}  // namespace
