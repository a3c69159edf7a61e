// One 800 x 595 screen from capture to closed printer port, through the
// printing system and the Pagejet driver, in mono and colour at 300 and
// 600 dpi. Reports the time per page and the bytes of the job, beside a
// plain copy of a page's 24-bit pixels at each resolution (the least a page
// can cost).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/dib.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/print/printer_dc.h"
#include "platform/registry/registry.h"

namespace {

namespace fs = std::filesystem;

fs::path SetUpRoot() {
    const fs::path root = fs::temp_directory_path() / ("print-bench-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Windows");
    plat::set_device_root(root);
    fs::copy_file(fs::path(CELVANE_BIN_DIR) / "Pagejet.so", root / "Windows" / "pagejethd.dll");
    plat::RegKey printers, key;
    plat::hkey_local_machine().create(u"Printers", printers);
    printers.set_string(u"DefaultPrinter", u"Pagejet Inkjet");
    printers.create(u"Pagejet Inkjet", key);
    key.set_string(u"Driver", u"pagejethd.dll");
    key.set_string(u"Port", u"LPT1:");
    key.set_string(u"Draft Quality", u"300");
    key.set_string(u"High Quality", u"600");
    return root;
}

void SetMode(bool color, bool high) {
    DEVMODEW m{};
    const std::u16string name = u"Pagejet Inkjet";
    std::copy(name.begin(), name.end(), m.dmDeviceName);
    m.dmSpecVersion = 0x400, m.dmDriverVersion = 0x100, m.dmSize = sizeof m, m.dmFields = 0xD03;
    m.dmOrientation = 1, m.dmPaperSize = 1, m.dmCopies = 1;
    m.dmPrintQuality = high ? -4 : -1;
    m.dmColor = color ? 2 : 1;
    plat::RegKey key;
    plat::hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&m);
    key.set_binary(u"DEVMODE", std::vector<uint8_t>(bytes, bytes + sizeof m));
}

// A screen with text-like detail, colour areas and ramps.
plat::Bitmap Screen() {
    plat::Bitmap screen = plat::Bitmap::create(800, 600, plat::RGB(255, 255, 255));
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            if (y < 100)
                screen.set_pixel(x, y, plat::RGB(x % 256, 40, 200 - y));
            else if ((x / 3 + y / 5) % 7 == 0)
                screen.set_pixel(x, y, plat::RGB(0, 0, 0));
            else if (x > 600)
                screen.set_pixel(x, y, plat::RGB(255, y % 256, 0));
        }
    return screen;
}

void BM_PrintScreen(benchmark::State& state) {
    plat::set_debug_to_stderr(false);
    const bool color = state.range(0) != 0, high = state.range(1) == 600;
    const fs::path root = SetUpRoot();
    SetMode(color, high);
    const plat::Bitmap screen = Screen();
    uint64_t job_bytes = 0;
    for (auto _ : state) {
        plat::Bitmap capture = plat::Bitmap::create(800, 595);
        plat::Dc(capture).bit_blt(0, 0, 800, 595, screen, 0, 0);
        const auto bits = plat::pack_dib_rows(capture, 24);
        plat::BITMAPINFOHEADER header;
        header.biWidth = 800, header.biHeight = 595, header.biBitCount = 24;
        plat::PrinterEntry printer;
        plat::find_default_printer(printer);
        auto dc = plat::PrinterDc::create(printer);
        if (!dc) {
            state.SkipWithError("no printer context");
            break;
        }
        const int w = dc->get_device_caps(plat::HORZRES);
        plat::DocInfo doc;
        doc.lpszDocName = u"bench";
        dc->start_doc(doc);
        dc->start_page();
        dc->stretch_dib_bits(0, 0, w, w * 595 / 800, 0, 0, 800, 595, bits.data(), header,
                             plat::DIB_RGB_COLORS, plat::SRCCOPY);
        dc->end_page();
        dc->end_doc();
        dc.reset();
        state.PauseTiming();
        for (const auto& e : fs::directory_iterator(root / "spool")) {
            job_bytes = fs::file_size(e.path());
            fs::remove(e.path());
        }
        state.ResumeTiming();
    }
    state.counters["job_bytes"] = double(job_bytes);
    fs::remove_all(root);
}
BENCHMARK(BM_PrintScreen)
    ->ArgsProduct({{0, 1}, {300, 600}})
    ->ArgNames({"colour", "dpi"})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// A letter page's printable pixels (as the printer's page surface holds
// them) copied once from one buffer to another.
void BM_PlainPageCopy(benchmark::State& state) {
    const int dpi = int(state.range(0));
    const size_t bytes = size_t(dpi * 8) * size_t(dpi * 1026 / 100) * 3;
    std::vector<uint8_t> from(bytes, 0xFF), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.counters["page_bytes"] = double(bytes);
}
BENCHMARK(BM_PlainPageCopy)
    ->Arg(300)
    ->Arg(600)
    ->ArgName("dpi")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
