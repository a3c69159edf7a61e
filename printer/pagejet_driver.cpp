// Pagejet: the printer driver of the "Pagejet Inkjet" printer. The engine
// enables it through "DrvEnableDriver"; it answers the device's page
// geometry, renders nothing itself (the engine draws into its 24-bit page
// surface) and sends each finished page through the raster pipeline to the
// printer's port as a raster job in the printer's command language.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/print/print_abi.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "printer/pagejet_geometry.h"
#include "printer/pagejet_job.h"
#include "printer/pagejet_raster.h"

#define PAGEJET_EXPORT extern "C" __attribute__((visibility("default")))

namespace pagejet {
namespace {

constexpr const char* kDpiDraftValue = "Draft Quality";
constexpr const char* kDpiHighValue = "High Quality";
constexpr uint32_t kDpiValueBytes = 520;
constexpr uint32_t kTrueColors = 0x1000000;

// What the driver keeps between its entries (one device at a time).
struct DriverState {
    DRVENABLEDATA defaults{};  // the engine's entries as they came
    EngineCallbacks callbacks{};
    DHPDEV pdev = nullptr;
    HSURF surface = nullptr;
    int surface_width = 0;
    int surface_height = 0;
    int pages = 0;  // pages started in the current document
};

DriverState& state() {
    static DriverState s;
    return s;
}

// The resolution the printer's registry key asks for at this quality.
int resolution_from_registry(const DEVMODEW& mode) {
    const bool draft = mode.dmPrintQuality == DMRES_DRAFT;
    const std::u16string name(
        mode.dmDeviceName,
        std::find(mode.dmDeviceName, mode.dmDeviceName + kDeviceNameChars, u'\0'));
    plat::RegKey key;
    const uint32_t opened = plat::hkey_local_machine().open(u"\\Printers\\" + name, key);
    if (opened != plat::ERROR_SUCCESS) {
        plat::debug_printf("DrvEnablePDEV Error opening key %d\n", int(opened));
        return kDefaultDpi;
    }
    char16_t text[kDpiValueBytes / 2] = {};
    uint32_t type = 0, size = sizeof text;
    uint32_t error = key.query_value(plat::from_utf8(draft ? kDpiDraftValue : kDpiHighValue), &type,
                                     text, &size);
    int dpi = 0;
    if (error == plat::ERROR_SUCCESS && type != plat::REG_SZ) error = plat::ERROR_INVALID_DATA;
    if (error == plat::ERROR_SUCCESS) {
        text[std::size(text) - 1] = u'\0';
        if (!parse_dpi(std::u16string_view(text), dpi)) error = plat::ERROR_INVALID_DATA;
    }
    if (error != plat::ERROR_SUCCESS) {
        dpi = draft ? kDraftFallbackDpi : kDefaultDpi;
        plat::debug_printf("DrvEnablePDEV Error reading DPI %d\n", int(error));
    } else {
        plat::debug_printf("PagejetHR DrvEnablePDEV DPI %d\n", dpi);
    }
    return dpi;
}

// ---- the driver's entries ------------------------------------------------

void DrvDisablePDEV(DHPDEV) {
    PagejetFreeJob(job());
    PagejetClosePort(job());
}

DHPDEV DrvEnablePDEV(const DEVMODEW* mode, const char16_t* port, GDIINFO* gdi, DEVINFO* info,
                     void* engine_device) {
    DriverState& s = state();
    if (mode == nullptr || gdi == nullptr || info == nullptr) return nullptr;
    const int dpi = resolution_from_registry(*mode);

    info->hpalDefault = s.callbacks.EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    if (info->hpalDefault == nullptr) return nullptr;

    s.pdev = s.defaults.DrvEnablePDEV(mode, port, gdi, info, engine_device);
    bool ok = s.pdev != nullptr;
    if (ok) {
        const PageGeometry page =
            page_geometry(mode->dmPaperSize, dpi, mode->dmDriverVersion, mode->dmOrientation);
        gdi->ulHorzSize = uint32_t(page.width_mm);
        gdi->ulVertSize = uint32_t(page.height_mm);
        gdi->ulHorzRes = uint32_t(page.horz_res);
        gdi->ulVertRes = uint32_t(page.vert_res);
        gdi->ulPhysicalOffsetX = uint32_t(page.offset_x);
        gdi->ulPhysicalOffsetY = uint32_t(page.offset_y);
        gdi->ulPhysicalWidth = uint32_t(page.width);
        gdi->ulPhysicalHeight = uint32_t(page.height);
        gdi->ulLogPixelsX = gdi->ulLogPixelsY = uint32_t(dpi);
        gdi->ulTechnology = DT_RASTPRINTER;
        gdi->cBitsPixel = 24;
        gdi->ulNumColors = kTrueColors;
        gdi->flRaster &= ~RC_PALETTE;
        s.surface_width = page.horz_res;
        s.surface_height = page.vert_res;

        const bool landscape = mode->dmOrientation == DMORIENT_LANDSCAPE;
        ok = PagejetSetupJob(job(), mode->dmColor == DMCOLOR_COLOR, mode->dmPaperSize, dpi,
                             landscape ? page.vert_res : page.horz_res,
                             landscape ? page.horz_res : page.vert_res, landscape);
        ok = ok && PagejetOpenPort(job(), port) != kClosedPort;
    }
    if (!ok) {
        s.callbacks.EngDeletePalette(info->hpalDefault);
        info->hpalDefault = nullptr;
        DrvDisablePDEV(s.pdev);
        s.pdev = nullptr;
        return nullptr;
    }
    return s.pdev;
}

HSURF DrvEnableSurface(DHPDEV) {
    DriverState& s = state();
    const SIZEL size{s.surface_width, s.surface_height};
    s.surface = s.callbacks.EngCreateBitmap(size, ((s.surface_width * 3 + 3) / 4) * 4, BMF_24BPP, 0,
                                            nullptr);
    return s.surface;
}

void DrvDisableSurface(DHPDEV) {
    DriverState& s = state();
    if (s.surface != nullptr) s.callbacks.EngDeleteSurface(s.surface);
    s.surface = nullptr;
}

int32_t DrvCopyBits(SURFOBJ*, SURFOBJ* src, void*, void*, const RECTL* rect, const POINTL*) {
    if (src == nullptr || rect == nullptr) return 0;
    PrintJobContext& j = job();
    const int width = src->sizlBitmap.cx, height = src->sizlBitmap.cy;
    const auto* scan0 = static_cast<const uint8_t*>(src->pvScan0);
    const int left = std::max(rect->left, 0), right = std::min(rect->right, width);
    const int top = std::max(rect->top, 0), bottom = std::min(rect->bottom, height);
    if (width <= height) {
        if (width != j.pixels_per_line) return 0;
        for (int y = top; y < bottom; ++y)
            if (!PagejetSendScanLine(j, scan0 + ptrdiff_t(y) * src->lDelta)) return 0;
        return 1;
    }
    if (height != j.pixels_per_line || j.landscape_line.empty()) return 0;
    for (int x = left; x < right; ++x) {
        uint8_t* out = j.landscape_line.data();
        for (int k = 0; k < height; ++k, out += 3)
            std::memcpy(out, scan0 + ptrdiff_t(height - 1 - k) * src->lDelta + 3 * ptrdiff_t(x), 3);
        if (!PagejetSendScanLine(j, j.landscape_line.data())) return 0;
    }
    return 1;
}

int32_t DrvSetPalette(DHPDEV, HPALETTE_PRINT, uint32_t, uint32_t, uint32_t) {
    return 0;
}

uint32_t DrvGetModes(void*, uint32_t size, DEVMODEW* buffer) {
    if (buffer == nullptr) return sizeof(DEVMODEW);
    if (size != sizeof(DEVMODEW)) return 0;
    *buffer = default_printer_mode();
    return sizeof(DEVMODEW);
}

void DrvPowerHandler(DHPDEV, int32_t) {}

int32_t DrvEndDoc(SURFOBJ*, uint32_t) {
    PrintJobContext& j = job();
    PagejetEndRaster(j);
    PagejetEndPage(j);
    PagejetWriteString(j,
                       "\x1b"
                       "E\x1b%-12345X");
    return 1;
}

int32_t DrvStartDoc(SURFOBJ*, const char16_t*, uint32_t) {
    PagejetWriteString(job(),
                       "\x1b%-12345X\x1b"
                       "E");
    state().pages = 0;
    return 1;
}

int32_t DrvStartPage(SURFOBJ*) {
    PrintJobContext& j = job();
    if (state().pages != 0) {
        PagejetEndRaster(j);
        PagejetEndPage(j);
    }
    ++state().pages;
    PagejetBeginPage(j);
    return 1;
}

// Frees the job's buffers and closes its port when the library goes away.
struct UnloadGuard {
    ~UnloadGuard() {
        PagejetFreeJob(job());
        PagejetClosePort(job());
    }
} unload_guard;

}  // namespace
}  // namespace pagejet

using namespace pagejet;

PAGEJET_EXPORT int32_t DrvEnableDriver(uint32_t, uint32_t table_size, DRVENABLEDATA* table,
                                       const EngineCallbacks* callbacks) {
    if (table == nullptr || callbacks == nullptr || table_size < sizeof(DRVENABLEDATA)) return 0;
    DriverState& s = state();
    std::memcpy(&s.defaults, table, sizeof(DRVENABLEDATA));
    s.callbacks = *callbacks;
    table->DrvEnablePDEV = pagejet::DrvEnablePDEV;
    table->DrvDisablePDEV = pagejet::DrvDisablePDEV;
    table->DrvEnableSurface = pagejet::DrvEnableSurface;
    table->DrvDisableSurface = pagejet::DrvDisableSurface;
    table->DrvCopyBits = pagejet::DrvCopyBits;
    table->DrvSetPalette = pagejet::DrvSetPalette;
    table->DrvGetModes = pagejet::DrvGetModes;
    table->DrvPowerHandler = pagejet::DrvPowerHandler;
    table->DrvEndDoc = pagejet::DrvEndDoc;
    table->DrvStartDoc = pagejet::DrvStartDoc;
    table->DrvStartPage = pagejet::DrvStartPage;
    return 1;
}

// Test hook: sees every halftoned plane row before it is compressed.
PAGEJET_EXPORT void PagejetSetRowObserver(RowObserver observer, void* context) {
    job().observer = observer;
    job().observer_context = context;
}
