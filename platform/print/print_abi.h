#pragma once
// What the printing system and a printer driver library share: the printer
// mode record (stored in the registry as a printer's "DEVMODE" and handed to
// the driver), the device capabilities the driver fills, the page surface
// record, the engine's callbacks and the 28-slot driver-function table that
// "DrvEnableDriver" overwrites with the driver's own entries.
//
// Everything here crosses a library boundary: plain C layouts with fixed-
// width types, texts in 16-bit units.
#include <cstddef>
#include <cstdint>

extern "C" {

// ---- the printer mode record (192 bytes) --------------------------------
inline constexpr size_t kDeviceNameChars = 32;
inline constexpr size_t kFormNameChars = 32;

struct DEVMODEW {
    char16_t dmDeviceName[kDeviceNameChars];
    uint16_t dmSpecVersion;
    uint16_t dmDriverVersion;
    uint16_t dmSize;
    uint16_t dmDriverExtra;
    uint32_t dmFields;
    int16_t dmOrientation;
    int16_t dmPaperSize;
    int16_t dmPaperLength;
    int16_t dmPaperWidth;
    int16_t dmScale;
    int16_t dmCopies;
    int16_t dmDefaultSource;
    int16_t dmPrintQuality;
    int16_t dmColor;
    int16_t dmDuplex;
    int16_t dmYResolution;
    int16_t dmTTOption;
    int16_t dmCollate;
    char16_t dmFormName[kFormNameChars];
    uint16_t dmLogPixels;
    uint32_t dmBitsPerPel;
    uint32_t dmPelsWidth;
    uint32_t dmPelsHeight;
    uint32_t dmDisplayFlags;
    uint32_t dmDisplayFrequency;
    uint32_t dmDisplayOrientation;
};

static_assert(sizeof(DEVMODEW) == 192);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == 90);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == 172);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == 176);
static_assert(offsetof(DEVMODEW, dmDisplayFlags) == 180);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == 184);
static_assert(offsetof(DEVMODEW, dmDisplayOrientation) == 188);

// dmFields bits.
inline constexpr uint32_t DM_ORIENTATION = 0x00000001;
inline constexpr uint32_t DM_PAPERSIZE = 0x00000002;
inline constexpr uint32_t DM_COPIES = 0x00000100;
inline constexpr uint32_t DM_PRINTQUALITY = 0x00000400;
inline constexpr uint32_t DM_COLOR = 0x00000800;
inline constexpr uint32_t DM_BITSPERPEL = 0x00040000;

inline constexpr int16_t DMORIENT_PORTRAIT = 1;
inline constexpr int16_t DMORIENT_LANDSCAPE = 2;
inline constexpr int16_t DMPAPER_LETTER = 1;
inline constexpr int16_t DMPAPER_LEGAL = 5;
inline constexpr int16_t DMPAPER_A4 = 9;
inline constexpr int16_t DMPAPER_B5 = 13;
inline constexpr int16_t DMRES_DRAFT = -1;
inline constexpr int16_t DMRES_HIGH = -4;
inline constexpr int16_t DMCOLOR_MONOCHROME = 1;
inline constexpr int16_t DMCOLOR_COLOR = 2;
inline constexpr uint16_t DM_SPECVERSION = 0x400;

// ---- device capabilities --------------------------------------------------
inline constexpr uint32_t DT_RASTPRINTER = 2;
inline constexpr uint32_t RC_PALETTE = 0x0100;
inline constexpr uint32_t RC_STRETCHDIB = 0x2000;

// What a driver reports of its device (GetDeviceCaps answers from it).
struct GDIINFO {
    uint32_t ulVersion;
    uint32_t ulTechnology;
    uint32_t ulHorzSize;  // millimetres
    uint32_t ulVertSize;
    uint32_t ulHorzRes;  // printable pixels
    uint32_t ulVertRes;
    uint32_t cBitsPixel;
    uint32_t cPlanes;
    uint32_t ulNumColors;
    uint32_t flRaster;
    uint32_t ulLogPixelsX;
    uint32_t ulLogPixelsY;
    uint32_t ulNumPens;
    uint32_t ulColorRes;
    uint32_t ulPhysicalWidth;  // pixels of the whole sheet
    uint32_t ulPhysicalHeight;
    uint32_t ulPhysicalOffsetX;  // where the printable area starts
    uint32_t ulPhysicalOffsetY;
};

// ---- palettes and surfaces ------------------------------------------------
using HPALETTE_PRINT = void*;
using HSURF = void*;
using DHPDEV = void*;  // the driver's device handle

// Palette modes of the palette-creation callback.
inline constexpr uint32_t PAL_INDEXED = 1;
inline constexpr uint32_t PAL_BGR = 8;

// Surface format codes of the bitmap-creation callback.
inline constexpr uint32_t BMF_24BPP = 5;
// Bitmap-creation flag: rows are stored top row first.
inline constexpr uint32_t BMF_TOPDOWN = 0x0001;

// What the engine tells the driver about its device beyond GDIINFO.
struct DEVINFO {
    uint32_t flGraphicsCaps;
    HPALETTE_PRINT hpalDefault;
};

struct SIZEL {
    int32_t cx;
    int32_t cy;
};
struct POINTL {
    int32_t x;
    int32_t y;
};
struct RECTL {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// A page surface: pvBits is the start of its memory, pvScan0 the first
// (top) scan line, lDelta the bytes from one scan line to the next (negative
// for a surface stored bottom row first).
struct SURFOBJ {
    DHPDEV dhpdev;
    HSURF hsurf;
    SIZEL sizlBitmap;
    uint32_t cjBits;
    void* pvBits;
    void* pvScan0;
    int32_t lDelta;
    uint32_t iBitmapFormat;
};

// ---- the engine's callbacks -------------------------------------------------
struct EngineCallbacks {
    HSURF(*EngCreateBitmap)
    (SIZEL size, int32_t width_bytes, uint32_t format, uint32_t flags, void* bits);
    int32_t (*EngDeleteSurface)(HSURF surface);
    HPALETTE_PRINT(*EngCreatePalette)
    (uint32_t mode, uint32_t count, const uint32_t* colors, uint32_t red, uint32_t green,
     uint32_t blue);
    // Frees a palette the driver made and did not hand over (undoing a
    // failed enable).
    int32_t (*EngDeletePalette)(HPALETTE_PRINT palette);
};

// ---- the driver-function table ---------------------------------------------
using PFN_DrvEnablePDEV = DHPDEV (*)(const DEVMODEW* devmode, const char16_t* port_name,
                                     GDIINFO* gdi_info, DEVINFO* dev_info, void* engine_device);
using PFN_DrvDisablePDEV = void (*)(DHPDEV dev);
using PFN_DrvEnableSurface = HSURF (*)(DHPDEV dev);
using PFN_DrvDisableSurface = void (*)(DHPDEV dev);
using PFN_DrvCopyBits = int32_t (*)(SURFOBJ* dst, SURFOBJ* src, void* clip, void* xlate,
                                    const RECTL* dst_rect, const POINTL* src_point);
using PFN_DrvSetPalette = int32_t (*)(DHPDEV dev, HPALETTE_PRINT palette, uint32_t flags,
                                      uint32_t start, uint32_t count);
using PFN_DrvGetModes = uint32_t (*)(void* driver, uint32_t size, DEVMODEW* buffer);
using PFN_DrvPowerHandler = void (*)(DHPDEV dev, int32_t off);
using PFN_DrvEndDoc = int32_t (*)(SURFOBJ* surface, uint32_t flags);
using PFN_DrvStartDoc = int32_t (*)(SURFOBJ* surface, const char16_t* doc_name, uint32_t job_id);
using PFN_DrvStartPage = int32_t (*)(SURFOBJ* surface);
// A slot the engine never calls in this system; its default answers FALSE.
using PFN_DrvUnused = int32_t (*)();

// The 28 slots in the engine's order (slot number beside each).
struct DRVENABLEDATA {
    PFN_DrvEnablePDEV DrvEnablePDEV;          // 0
    PFN_DrvDisablePDEV DrvDisablePDEV;        // 1
    PFN_DrvEnableSurface DrvEnableSurface;    // 2
    PFN_DrvDisableSurface DrvDisableSurface;  // 3
    PFN_DrvUnused slot4_to_10[7];             // 4 .. 10
    PFN_DrvCopyBits DrvCopyBits;              // 11
    PFN_DrvUnused slot12_13[2];               // 12, 13
    PFN_DrvSetPalette DrvSetPalette;          // 14
    PFN_DrvUnused slot15_16[2];               // 15, 16
    PFN_DrvGetModes DrvGetModes;              // 17
    PFN_DrvUnused slot18_21[4];               // 18 .. 21
    PFN_DrvPowerHandler DrvPowerHandler;      // 22
    PFN_DrvEndDoc DrvEndDoc;                  // 23
    PFN_DrvStartDoc DrvStartDoc;              // 24
    PFN_DrvStartPage DrvStartPage;            // 25
    PFN_DrvUnused slot26_27[2];               // 26, 27
};
inline constexpr uint32_t kDriverSlotCount = 28;
static_assert(sizeof(DRVENABLEDATA) == kDriverSlotCount * sizeof(void*));
static_assert(offsetof(DRVENABLEDATA, DrvCopyBits) == 11 * sizeof(void*));
static_assert(offsetof(DRVENABLEDATA, DrvSetPalette) == 14 * sizeof(void*));
static_assert(offsetof(DRVENABLEDATA, DrvGetModes) == 17 * sizeof(void*));
static_assert(offsetof(DRVENABLEDATA, DrvStartPage) == 25 * sizeof(void*));

inline constexpr uint32_t DDI_DRIVER_VERSION = 0x00020000;

// The driver library's one export.
using PFN_DrvEnableDriver = int32_t (*)(uint32_t engine_version, uint32_t table_size,
                                        DRVENABLEDATA* table, const EngineCallbacks* callbacks);
inline constexpr const char* kDrvEnableDriverName = "DrvEnableDriver";

}  // extern "C"
