#include "platform/print/printer_dc.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace plat {
namespace {

constexpr const char16_t* kPrintersKey = u"Printers";
constexpr const char16_t* kDefaultPrinterValue = u"DefaultPrinter";
constexpr const char16_t* kDriverValue = u"Driver";
constexpr const char16_t* kPortValue = u"Port";
constexpr const char16_t* kDevModeValue = u"DEVMODE";
constexpr uint8_t kWhite = 0xFF;
constexpr int kBytesPerPixel = 3;

// ---- engine objects handed to drivers ----------------------------------

// The memory of a page surface (about 95 MB for a letter page at 600 dpi),
// white from the start. It is laid out in huge pages where the system has
// them: a page's worth of 4 KB page faults would cost more than printing it.
class PageMemory {
  public:
    // False when the memory cannot be had.
    bool allocate(size_t bytes) {
        static constexpr size_t kHugePage = size_t(2) << 20;
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        bytes_.reset(static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded)));
        if (!bytes_) return false;
        madvise(bytes_.get(), rounded, MADV_HUGEPAGE);  // only advice: 4 KB pages also serve
        std::memset(bytes_.get(), kWhite, bytes);
        return true;
    }
    uint8_t* data() const { return bytes_.get(); }

  private:
    struct Free {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> bytes_;
};

struct EngineSurface {
    SURFOBJ obj{};
    PageMemory memory;
};

struct EnginePalette {
    uint32_t mode = 0;
    std::vector<uint32_t> colors;
};

HSURF eng_create_bitmap(SIZEL size, int32_t width_bytes, uint32_t format, uint32_t flags,
                        void* bits) {
    if (format != BMF_24BPP || size.cx <= 0 || size.cy <= 0) return nullptr;
    const int64_t stride =
        std::max<int64_t>(width_bytes, ((int64_t(size.cx) * kBytesPerPixel + 3) / 4) * 4);
    auto surface = new (std::nothrow) EngineSurface;
    if (surface == nullptr) return nullptr;
    if (bits == nullptr && !surface->memory.allocate(size_t(stride) * size_t(size.cy))) {
        delete surface;
        return nullptr;
    }
    uint8_t* base = bits ? static_cast<uint8_t*>(bits) : surface->memory.data();
    SURFOBJ& so = surface->obj;
    so.hsurf = surface;
    so.sizlBitmap = size;
    so.cjBits = uint32_t(stride * size.cy);
    so.pvBits = base;
    so.iBitmapFormat = format;
    if (flags & BMF_TOPDOWN) {
        so.pvScan0 = base;
        so.lDelta = int32_t(stride);
    } else {
        so.pvScan0 = base + (size.cy - 1) * stride;
        so.lDelta = -int32_t(stride);
    }
    return surface;
}

int32_t eng_delete_surface(HSURF surface) {
    delete static_cast<EngineSurface*>(surface);
    return 1;
}

HPALETTE_PRINT eng_create_palette(uint32_t mode, uint32_t count, const uint32_t* colors, uint32_t,
                                  uint32_t, uint32_t) {
    auto palette = new (std::nothrow) EnginePalette;
    if (palette == nullptr) return nullptr;
    palette->mode = mode;
    if (colors != nullptr) palette->colors.assign(colors, colors + count);
    return palette;
}

int32_t eng_delete_palette(HPALETTE_PRINT palette) {
    delete static_cast<EnginePalette*>(palette);
    return 1;
}

constexpr EngineCallbacks kCallbacks{eng_create_bitmap, eng_delete_surface, eng_create_palette,
                                     eng_delete_palette};

// ---- the engine's default driver entries --------------------------------

// The device handle is the engine's own context; the capabilities start as
// a plain 24-bit raster device for the driver to fill in.
DHPDEV default_enable_pdev(const DEVMODEW*, const char16_t*, GDIINFO* gdi, DEVINFO*,
                           void* engine_device) {
    if (gdi != nullptr) {
        *gdi = GDIINFO{};
        gdi->ulVersion = DDI_DRIVER_VERSION;
        gdi->ulTechnology = DT_RASTPRINTER;
        gdi->cBitsPixel = 24;
        gdi->cPlanes = 1;
        gdi->flRaster = RC_STRETCHDIB;
    }
    return engine_device;
}
void default_disable_pdev(DHPDEV) {}
HSURF default_enable_surface(DHPDEV) {
    return nullptr;
}
void default_disable_surface(DHPDEV) {}
int32_t default_copy_bits(SURFOBJ*, SURFOBJ*, void*, void*, const RECTL*, const POINTL*) {
    return 0;
}
int32_t default_set_palette(DHPDEV, HPALETTE_PRINT, uint32_t, uint32_t, uint32_t) {
    return 0;
}
uint32_t default_get_modes(void*, uint32_t, DEVMODEW*) {
    return 0;
}
void default_power_handler(DHPDEV, int32_t) {}
int32_t default_end_doc(SURFOBJ*, uint32_t) {
    return 0;
}
int32_t default_start_doc(SURFOBJ*, const char16_t*, uint32_t) {
    return 0;
}
int32_t default_start_page(SURFOBJ*) {
    return 0;
}
int32_t default_unused() {
    return 0;
}

DRVENABLEDATA default_table() {
    DRVENABLEDATA t{};
    t.DrvEnablePDEV = default_enable_pdev;
    t.DrvDisablePDEV = default_disable_pdev;
    t.DrvEnableSurface = default_enable_surface;
    t.DrvDisableSurface = default_disable_surface;
    t.DrvCopyBits = default_copy_bits;
    t.DrvSetPalette = default_set_palette;
    t.DrvGetModes = default_get_modes;
    t.DrvPowerHandler = default_power_handler;
    t.DrvEndDoc = default_end_doc;
    t.DrvStartDoc = default_start_doc;
    t.DrvStartPage = default_start_page;
    std::fill(std::begin(t.slot4_to_10), std::end(t.slot4_to_10), default_unused);
    std::fill(std::begin(t.slot12_13), std::end(t.slot12_13), default_unused);
    std::fill(std::begin(t.slot15_16), std::end(t.slot15_16), default_unused);
    std::fill(std::begin(t.slot18_21), std::end(t.slot18_21), default_unused);
    std::fill(std::begin(t.slot26_27), std::end(t.slot26_27), default_unused);
    return t;
}

// The printer mode the context is made with: the stored record, or the
// driver's own under the printer's name when none is stored.
bool printer_mode(const PrinterEntry& printer, const DRVENABLEDATA& table, DEVMODEW& mode) {
    if (printer.devmode.size() >= sizeof(DEVMODEW)) {
        std::memcpy(&mode, printer.devmode.data(), sizeof mode);
        return true;
    }
    if (table.DrvGetModes(nullptr, sizeof mode, &mode) != sizeof mode) return false;
    debug_printf("PrinterDc: no stored printer mode for %s, the driver's default is used\n",
                 to_utf8(printer.device).c_str());
    std::memset(mode.dmDeviceName, 0, sizeof mode.dmDeviceName);
    std::copy_n(printer.device.begin(), std::min(printer.device.size(), kDeviceNameChars - 1),
                mode.dmDeviceName);
    return true;
}

}  // namespace

SURFOBJ* engine_surface(HSURF surface) {
    return surface ? &static_cast<EngineSurface*>(surface)->obj : nullptr;
}

bool find_default_printer(PrinterEntry& out) {
    RegKey printers;
    if (hkey_local_machine().open(kPrintersKey, printers) != ERROR_SUCCESS) return false;
    const auto name = printers.get_string(kDefaultPrinterValue);
    RegKey key;
    if (!name || name->empty() || printers.open(*name, key) != ERROR_SUCCESS) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return false;
    }
    out.device = *name;
    out.driver = key.get_string(kDriverValue).value_or(u"");
    out.port = key.get_string(kPortValue).value_or(u"");
    out.devmode = key.get_binary(kDevModeValue).value_or(std::vector<uint8_t>{});
    if (out.driver.empty() || out.port.empty()) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

std::unique_ptr<PrinterDc> PrinterDc::create(const PrinterEntry& printer) {
    std::unique_ptr<PrinterDc> dc(new PrinterDc);
    if (!dc->enable(printer)) return nullptr;
    return dc;
}

bool PrinterDc::enable(const PrinterEntry& printer) {
    library_ = Library::load(printer.driver);
    if (!library_) {
        debug_printf("PrinterDc: the driver %s does not load\n", to_utf8(printer.driver).c_str());
        return false;
    }
    auto enable_driver =
        library_.bind<std::remove_pointer_t<PFN_DrvEnableDriver>>(kDrvEnableDriverName);
    table_ = default_table();
    if (enable_driver == nullptr ||
        !enable_driver(DDI_DRIVER_VERSION, sizeof table_, &table_, &kCallbacks)) {
        set_last_error(ERROR_BAD_EXE_FORMAT);
        return false;
    }
    DEVMODEW mode{};
    if (!printer_mode(printer, table_, mode)) {
        set_last_error(ERROR_INVALID_DATA);
        return false;
    }
    pdev_ = table_.DrvEnablePDEV(&mode, printer.port.c_str(), &gdi_, &devinfo_, this);
    if (pdev_ == nullptr) {
        set_last_error(ERROR_DEVICE_NOT_CONNECTED);
        return false;
    }
    surface_ = table_.DrvEnableSurface(pdev_);
    if (engine_surface(surface_) == nullptr) {
        table_.DrvDisablePDEV(pdev_);
        pdev_ = nullptr;
        eng_delete_palette(devinfo_.hpalDefault);
        devinfo_.hpalDefault = nullptr;
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

PrinterDc::~PrinterDc() {
    std::lock_guard lock(mutex_);
    if (pdev_ == nullptr) return;
    if (surface_ != nullptr) table_.DrvDisableSurface(pdev_);
    table_.DrvDisablePDEV(pdev_);
    eng_delete_palette(devinfo_.hpalDefault);
}

int PrinterDc::get_device_caps(int index) const {
    std::lock_guard lock(mutex_);
    switch (index) {
        case TECHNOLOGY:
            return int(gdi_.ulTechnology);
        case HORZSIZE:
            return int(gdi_.ulHorzSize);
        case VERTSIZE:
            return int(gdi_.ulVertSize);
        case HORZRES:
            return int(gdi_.ulHorzRes);
        case VERTRES:
            return int(gdi_.ulVertRes);
        case BITSPIXEL:
            return int(gdi_.cBitsPixel);
        case PLANES:
            return int(gdi_.cPlanes);
        case NUMPENS:
            return int(gdi_.ulNumPens);
        case NUMCOLORS:
            return int(gdi_.ulNumColors);
        case RASTERCAPS:
            return int(gdi_.flRaster);
        case LOGPIXELSX:
            return int(gdi_.ulLogPixelsX);
        case LOGPIXELSY:
            return int(gdi_.ulLogPixelsY);
        case COLORRES:
            return int(gdi_.ulColorRes);
        case PHYSICALWIDTH:
            return int(gdi_.ulPhysicalWidth);
        case PHYSICALHEIGHT:
            return int(gdi_.ulPhysicalHeight);
        case PHYSICALOFFSETX:
            return int(gdi_.ulPhysicalOffsetX);
        case PHYSICALOFFSETY:
            return int(gdi_.ulPhysicalOffsetY);
        default:
            return 0;
    }
}

int PrinterDc::start_doc(const DocInfo& doc) {
    std::lock_guard lock(mutex_);
    if (in_doc_ || doc.cbSize < kDocInfoSize) return SP_ERROR;
    static constexpr uint32_t kJobId = 1;
    if (!table_.DrvStartDoc(engine_surface(surface_), doc.lpszDocName, kJobId)) return SP_ERROR;
    in_doc_ = true;
    return int(kJobId);
}

int PrinterDc::start_page() {
    std::lock_guard lock(mutex_);
    SURFOBJ* so = engine_surface(surface_);
    if (!in_doc_) return SP_ERROR;
    for (int y = 0; y < so->sizlBitmap.cy; ++y)
        std::memset(static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta, kWhite,
                    size_t(so->sizlBitmap.cx) * kBytesPerPixel);
    return table_.DrvStartPage(so) ? 1 : SP_ERROR;
}

int PrinterDc::stretch_dib_bits(int x, int y, int w, int h, int src_x, int src_y, int src_w,
                                int src_h, const void* bits, const BITMAPINFOHEADER& header,
                                uint32_t usage, uint32_t rop) {
    std::lock_guard lock(mutex_);
    SURFOBJ* so = engine_surface(surface_);
    const int dib_w = header.biWidth;
    const int dib_h = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!in_doc_ || bits == nullptr || header.biBitCount != 24 || header.biCompression != BI_RGB ||
        usage != DIB_RGB_COLORS || rop != SRCCOPY || w <= 0 || h <= 0 || src_w <= 0 || src_h <= 0 ||
        src_x < 0 || src_y < 0 || src_x + src_w > dib_w || src_y + src_h > dib_h)
        return 0;
    const size_t dib_stride = size_t(((int64_t(dib_w) * kBytesPerPixel + 3) / 4) * 4);
    const bool bottom_up = header.biHeight > 0;
    const auto* dib = static_cast<const uint8_t*>(bits);
    // Source columns of the destination columns, worked out once.
    const int x0 = std::max(x, 0), x1 = std::min<int64_t>(int64_t(x) + w, so->sizlBitmap.cx);
    const int y0 = std::max(y, 0), y1 = std::min<int64_t>(int64_t(y) + h, so->sizlBitmap.cy);
    if (x0 >= x1 || y0 >= y1) return 0;
    std::vector<size_t> column(size_t(x1 - x0));
    for (int dx = x0; dx < x1; ++dx)
        column[size_t(dx - x0)] = size_t(src_x + int64_t(dx - x) * src_w / w) * kBytesPerPixel;
    for (int dy = y0; dy < y1; ++dy) {
        const int sy = src_y + int(int64_t(dy - y) * src_h / h);
        const uint8_t* src = dib + dib_stride * size_t(bottom_up ? dib_h - 1 - sy : sy);
        uint8_t* dst = static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(dy) * so->lDelta +
                       ptrdiff_t(x0) * kBytesPerPixel;
        for (size_t i = 0; i < column.size(); ++i, dst += kBytesPerPixel)
            std::memcpy(dst, src + column[i], kBytesPerPixel);
    }
    return y1 - y0;
}

int PrinterDc::end_page() {
    std::lock_guard lock(mutex_);
    if (!in_doc_) return SP_ERROR;
    SURFOBJ* so = engine_surface(surface_);
    const RECTL all{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    const POINTL origin{0, 0};
    return table_.DrvCopyBits(nullptr, so, nullptr, nullptr, &all, &origin) ? 1 : SP_ERROR;
}

int PrinterDc::end_doc() {
    std::lock_guard lock(mutex_);
    if (!in_doc_) return SP_ERROR;
    in_doc_ = false;
    return table_.DrvEndDoc(engine_surface(surface_), 0) ? 1 : SP_ERROR;
}

}  // namespace plat
