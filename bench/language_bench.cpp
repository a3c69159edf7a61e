// A text by id through the Mandarin language library, as every label of a
// Mandarin screen is fetched: the library call, the copy and the release.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/res_string.h"
#include "language/language_abi.h"
#include "platform/kernel/device_root.h"
#include "platform/module/library.h"

namespace {

namespace fs = std::filesystem;

// The built library in a device root of its own, bound as the program binds it.
class MandarinBound {
  public:
    MandarinBound() {
        root_ = fs::temp_directory_path() / ("celvane-bench-lang-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "FlashFX Disk" / "System");
        const char* bin = std::getenv("CELVANE_BUILD_BIN");
        const fs::path built = fs::path(bin ? bin : CELVANE_BIN_DIR) / "QXMandarinDll.so";
        fs::copy_file(built, root_ / "FlashFX Disk/System/QXMandarinDll.dll",
                      fs::copy_options::overwrite_existing);
        plat::set_device_root(root_);
        lib_ = plat::Library::load(u"QXMandarinDll.dll");
        if (lib_)
            SetLanguageHook(
                reinterpret_cast<lang::GetLanguageResFn>(lib_.symbol(lang::kGetLanguageRes)));
    }
    ~MandarinBound() {
        SetLanguageHook(nullptr);
        lib_.unload();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    bool ok() const { return static_cast<bool>(lib_); }

  private:
    fs::path root_;
    plat::Library lib_;
};

void BM_LoadResStringMandarin(benchmark::State& state) {
    MandarinBound bound;
    if (!bound.ok()) {
        state.SkipWithError("QXMandarinDll could not be loaded");
        return;
    }
    const uint32_t ids[] = {134, 215, 64250, 64517};  // short labels to long messages
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(LoadResString(ids[i++ % 4]));
}
BENCHMARK(BM_LoadResStringMandarin)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
