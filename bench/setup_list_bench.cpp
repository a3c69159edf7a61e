// The setup key's cost: 500 stored spectrum setups read into the setup
// list and its rows filled, beside a bare read of the same files (the
// folder listing and every file's bytes). Reported per round; the ratio is
// the first over the second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "core/sorted_item_list.h"
#include "dialogs/setup_select_dlg.h"
#include "files/listed_setup.h"
#include "files/sa_meas_setup.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/device_root.h"
#include "screens/screen_services.h"
#include "screens/system/setup_mode.h"

namespace {

namespace fs = std::filesystem;
constexpr int kSetups = 500;

// A unit with a spectrum analyzer screen and the application's setup list.
class BenchServices : public IScreenServices {
  public:
    CSortedItemList list;
    CSetupMode spectrum;  // stands in for the spectrum analyzer screen
    void SetCurrentModeId(int) override {}
    int GetLastMeasurementModeId() const override { return 2; }
    CModeBase* GetCurrentMeasurementScreen() const override { return nullptr; }
    void ModeKey(uint32_t) override {}
    void SetupKey(uint32_t) override {}
    void ShowModeSelect() override {}
    void ShowTools() override {}
    void ShowSetupScreen() override {}
    void ForwardValue(int) override {}
    CModeBase* FindScreen(int id) override { return id == 2 ? &spectrum : nullptr; }
    CSortedItemList* GetSetupList() override { return &list; }
    void DeleteSetupList() override {
        while (CSortedItem* item = list.GetHead()) {
            list.Remove(item);
            delete item;
        }
    }
};

// A device root with 500 spectrum setups in the setup folder, made once.
const fs::path& Root() {
    static const fs::path root = [] {
        fs::path r = fs::temp_directory_path() / ("setup-list-bench-" + std::to_string(getpid()));
        fs::create_directories(r / "FlashFX Disk" / "My Setups" / "Backup");
        plat::set_device_root(r);
        CSAMeasSetup setup;
        for (int i = 0; i < kSetups; ++i) {
            const std::u16string name =
                u"Site " + std::u16string(1, u'A' + i % 26) + core::FormatText("%03d", i);
            setup.SetSetupLabel(name);
            setup.SetFilePath(u"\\FlashFX Disk\\My Setups\\" + name + u".tws");
            setup.Save();
        }
        return r;
    }();
    return root;
}

}  // namespace

static void BM_SetupKeyToFilledList(benchmark::State& state) {
    Root();
    BenchServices services;
    IScreenServices::set_current(&services);
    CSetupMode screen;
    auto* dlg = new CSetupSelectDlg(nullptr, nullptr, false);
    for (auto _ : state) {
        screen.ReloadSetupList();
        dlg->SetFirstEntry(CListedSetup::EntryOf(services.list.SetSortMode(6)));
        dlg->FillList();
        benchmark::DoNotOptimize(dlg->GetRowCount());
    }
    state.counters["rows"] = dlg->GetRowCount();
    delete dlg;
    services.DeleteSetupList();
    IScreenServices::set_current(nullptr);
}
BENCHMARK(BM_SetupKeyToFilledList)->Unit(benchmark::kMillisecond)->Repetitions(5);

static void BM_BareReadOfTheSameFiles(benchmark::State& state) {
    const fs::path folder = Root() / "FlashFX Disk" / "My Setups";
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const auto& e : fs::directory_iterator(folder)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
            bytes += text.size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BareReadOfTheSameFiles)->Unit(benchmark::kMillisecond)->Repetitions(5);
