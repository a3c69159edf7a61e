#pragma once
// The printing system: device contexts over a printer. A context loads the
// printer's driver library named in the registry, enables it with the
// engine's default entries and callbacks, and renders pages into a 24-bit
// page surface that the driver sends to the printer's port at the end of
// each page.
//
// HKEY_LOCAL_MACHINE "Printers" holds "DefaultPrinter" (the name of the
// default printer) and one key per printer with "Driver" (library file
// name), "Port" ("LPT1:") and "DEVMODE" (the printer mode record the
// context is made with).
//
// A context has no thread affinity: one thread may make it and another end
// its page and document and delete it. Its calls are serialised.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/module/library.h"
#include "platform/print/print_abi.h"

namespace plat {

// get_device_caps() indexes.
inline constexpr int TECHNOLOGY = 2;
inline constexpr int HORZSIZE = 4;
inline constexpr int VERTSIZE = 6;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMPENS = 18;
inline constexpr int NUMCOLORS = 24;
inline constexpr int RASTERCAPS = 38;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int COLORRES = 108;
inline constexpr int PHYSICALWIDTH = 110;
inline constexpr int PHYSICALHEIGHT = 111;
inline constexpr int PHYSICALOFFSETX = 112;
inline constexpr int PHYSICALOFFSETY = 113;

// The document a job prints (its record is 20 bytes on the instrument).
inline constexpr uint32_t kDocInfoSize = 20;
struct DocInfo {
    uint32_t cbSize = kDocInfoSize;
    const char16_t* lpszDocName = nullptr;
    const char16_t* lpszOutput = nullptr;
    const char16_t* lpszDatatype = nullptr;
    uint32_t fwType = 0;
};

// The header of a device-independent bitmap (40 bytes). A positive height
// stores the bottom row first.
struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t DIB_RGB_COLORS = 0;
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr int SP_ERROR = -1;

// A printer as the registry lists it.
struct PrinterEntry {
    std::u16string device;  // the printer's name ("Pagejet Inkjet")
    std::u16string driver;  // library file ("pagejethd.dll")
    std::u16string port;    // "LPT1:"
    std::vector<uint8_t> devmode;
};

// The default printer; false (ERROR_FILE_NOT_FOUND) when the registry names
// none or its key, driver or port is missing.
bool find_default_printer(PrinterEntry& out);

class PrinterDc {
  public:
    // A context on `printer`; null with the last error set when the driver
    // does not load or enable, or its port does not open
    // (ERROR_DEVICE_NOT_CONNECTED).
    static std::unique_ptr<PrinterDc> create(const PrinterEntry& printer);
    // Deletes the context: the driver frees its surface and device (which
    // closes its port) and the library is unloaded.
    ~PrinterDc();
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;

    int get_device_caps(int index) const;
    // A positive job id, or SP_ERROR.
    int start_doc(const DocInfo& doc);
    // Clears the page surface to white. Positive on success.
    int start_page();
    // Scales a rectangle of a 24-bit bitmap into the page (nearest
    // neighbour), clipped to the page. Answers the number of scan lines
    // drawn, 0 when nothing could be drawn.
    int stretch_dib_bits(int x, int y, int w, int h, int src_x, int src_y, int src_w, int src_h,
                         const void* bits, const BITMAPINFOHEADER& header, uint32_t usage,
                         uint32_t rop);
    // Hands the page to the driver; SP_ERROR when it could not send it.
    int end_page();
    // Positive on success, SP_ERROR when the document could not be ended.
    int end_doc();

  private:
    PrinterDc() = default;
    bool enable(const PrinterEntry& printer);

    mutable std::mutex mutex_;  // serialises every call
    Library library_;
    DRVENABLEDATA table_{};
    GDIINFO gdi_{};
    DEVINFO devinfo_{};
    DHPDEV pdev_ = nullptr;
    HSURF surface_ = nullptr;
    bool in_doc_ = false;
};

// The engine's own record of a surface it made for a driver.
SURFOBJ* engine_surface(HSURF surface);

}  // namespace plat
