#include "files/screen_print.h"

#include <algorithm>
#include <vector>

#include "core/settings/system_settings.h"
#include "platform/framework/message_box.h"
#include "platform/framework/wnd.h"
#include "platform/gfx/dc.h"
#include "platform/gfx/dib.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"
#include "platform/window/paint.h"

namespace {

constexpr const char16_t* kPrinterName = u"Pagejet Inkjet";
constexpr uint32_t kDefaultModeFields = 0xD03;
constexpr uint8_t kHighQualityByte = 0xFC;  // dmPrintQuality then reads -4
constexpr int kWholeArea = 1;

IPrintServices* registered_services = nullptr;  // set by the application on its thread

void ShowPrinterMessage(plat::CWnd* parent, const char16_t* text) {
    plat::message_box(parent, text, kPrinterMessageCaption, plat::MB_OK | plat::MB_ICONEXCLAMATION);
}

// Sets the low byte of a 16-bit field, leaving the high byte as it is.
void SetLowByte(int16_t& field, uint8_t value) {
    field = int16_t((uint16_t(field) & 0xFF00) | value);
}

}  // namespace

IPrintServices* IPrintServices::current() {
    return registered_services;
}
void IPrintServices::set_current(IPrintServices* services) {
    registered_services = services;
}

DEVMODEW DefaultPrintMode() {
    DEVMODEW m{};
    const std::u16string name = kPrinterName;
    std::copy(name.begin(), name.end(), m.dmDeviceName);
    m.dmSpecVersion = DM_SPECVERSION;
    m.dmDriverVersion = 0x100;
    m.dmSize = sizeof(DEVMODEW);
    m.dmFields = kDefaultModeFields;
    m.dmOrientation = DMORIENT_PORTRAIT;
    m.dmPaperSize = DMPAPER_LETTER;
    m.dmCopies = 1;
    m.dmPrintQuality = DMRES_DRAFT;
    m.dmColor = DMCOLOR_MONOCHROME;
    return m;
}

DEVMODEW PrintModeFor(const PrintChoice& choice) {
    DEVMODEW m = DefaultPrintMode();
    if (choice.color) SetLowByte(m.dmColor, uint8_t(DMCOLOR_COLOR));
    if (choice.orientation == 1) SetLowByte(m.dmOrientation, uint8_t(DMORIENT_LANDSCAPE));
    if (choice.high_quality) SetLowByte(m.dmPrintQuality, kHighQualityByte);
    return m;
}

void ScaledPrintSize(int width, int height, bool landscape, int& target_w, int& target_h) {
    const int scaled_h = width * kPrintSourceHeight / kPrintSourceWidth;
    const int scaled_w = height * kPrintSourceWidth / kPrintSourceHeight;
    const bool full_width = landscape ? scaled_w > width : scaled_h <= height;
    target_w = full_width ? width : scaled_w;
    target_h = full_width ? scaled_h : height;
}

CScreenPrint::CScreenPrint() : printer_mode_(DefaultPrintMode()) {}

CScreenPrint::~CScreenPrint() {
    EndWorker();
}

int CScreenPrint::Print(plat::Window* window, plat::CWnd* parent) {
    if (window_ == nullptr) window_ = window;
    if (parent_ == nullptr) parent_ = parent;
    if (!StartJob()) return 0;
    return PrintScreenToDC();
}

int CScreenPrint::EndWithoutPage() {
    EndPrinting(printer_dc_);
    printer_dc_.reset();
    m_hEndEvent.set();
    return 0;
}

int CScreenPrint::PrintScreenToDC() {
    if (window_ == nullptr) return EndWithoutPage();

    // The screen as a 24-bit bitmap stored bottom row first.
    plat::Bitmap capture = plat::Bitmap::create(kPrintSourceWidth, kPrintSourceHeight);
    if (!capture) return EndWithoutPage();
    {
        plat::WindowDc window_dc(window_);
        plat::Dc memory(capture);
        memory.bit_blt(0, 0, kPrintSourceWidth, kPrintSourceHeight, window_dc.dc(), 0, 0);
    }
    const std::vector<uint8_t> bits = plat::pack_dib_rows(capture, 24);
    plat::BITMAPINFOHEADER header;
    header.biWidth = kPrintSourceWidth;
    header.biHeight = kPrintSourceHeight;
    header.biBitCount = 24;

    // The user's choice becomes the printer's mode, then its context.
    IPrintServices* services = IPrintServices::current();
    CSystemSettings* settings = services ? services->GetPrintSettings() : nullptr;
    plat::PrinterEntry printer;
    if (settings == nullptr || !settings->IsPrinterInstalled()) {
        ShowPrinterMessage(parent_, kNoPrinterText);
        return EndWithoutPage();
    }
    std::vector<CPrinterRecord> table;
    for (uint32_t i = 0; i < settings->GetPrinterCount(); ++i)
        if (const CPrinterRecord* r = settings->GetPrinter(i)) table.push_back(*r);
    PrintChoice choice;
    if (!services->RunPrintDialog(parent_, table.empty() ? nullptr : table.data(),
                                  uint32_t(table.size()), choice))
        return EndWithoutPage();
    printer_mode_ = PrintModeFor(choice);
    if (settings->SaveDevMode(kPrinterName, &printer_mode_, printer_mode_size_)) {
        if (plat::find_default_printer(printer)) printer_dc_ = plat::PrinterDc::create(printer);
        if (!printer_dc_) ShowPrinterMessage(parent_, kNoPrinterText);
    }
    if (!BeginPrinting(printer_dc_.get())) return EndWithoutPage();

    const std::string device = plat::to_utf8(printer.device), port = plat::to_utf8(printer.port);
    plat::debug_printf("#####CScreenPrint::PrintScreenToDC, The default printer is %s on %s.\n",
                       device.c_str(), port.c_str());
    plat::debug_printf(
        "#####CScreenPrint::PrintScreenToDC, NumColPlan: %d, NumPens: %d, NumColTable: %d\n",
        printer_dc_->get_device_caps(plat::PLANES), printer_dc_->get_device_caps(plat::NUMPENS),
        printer_dc_->get_device_caps(plat::NUMCOLORS));
    plat::debug_printf("#####CScreenPrint::PrintScreenToDC, NumColorTable: %d, ColorResol: %d\n",
                       printer_dc_->get_device_caps(plat::NUMCOLORS),
                       printer_dc_->get_device_caps(plat::COLORRES));

    const int width = printer_dc_->get_device_caps(plat::HORZRES);
    const int height = printer_dc_->get_device_caps(plat::VERTRES);
    SetOrientationFromSize(width, height);
    SetPrintArea(kWholeArea);
    int target_w = 0, target_h = 0;
    ScaledPrintSize(width, height, IsLandscape(), target_w, target_h);

    plat::DocInfo doc;
    doc.lpszDocName = kPrintDocumentName;
    if (printer_dc_->start_doc(doc) <= 0) return EndWithoutPage();
    if (printer_dc_->start_page() <= 0) {
        printer_dc_->end_doc();
        EndWithoutPage();
        ShowPrinterMessage(parent_, kLostPrinterText);
        return 0;
    }
    plat::debug_printf(
        "#####CScreenPrint::PrintScreenToPC, StretchDIBits,  idcWidthAdj = %lu, idcHeightAdj = "
        "%lu)\n",
        static_cast<unsigned long>(target_w), static_cast<unsigned long>(target_h));
    printer_dc_->stretch_dib_bits(0, 0, target_w, target_h, 0, 0, kPrintSourceWidth,
                                  kPrintSourceHeight, bits.data(), header, plat::DIB_RGB_COLORS,
                                  plat::SRCCOPY);
    plat::debug_output("#####CScreenPrint::PrintScreenToPC, StretchDIBits finished!\n");
    m_hPrintEvent.set();
    plat::debug_output("#####CScreenPrint::PrintScreenToPC, SetEvent(m_hPrintEvent)!\n");
    return 1;
}
