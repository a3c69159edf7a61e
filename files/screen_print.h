#pragma once
// Printing the screen: a copy of the 800 x 595 screen area, scaled to fill
// the printable page keeping its proportions, on the default printer. The
// user picks orientation, draft mode and colour in the print settings
// dialog; the choice is stored as the printer's mode before the job.
#include <cstdint>
#include <memory>

#include "core/text.h"
#include "files/print_io.h"
#include "platform/print/print_abi.h"

class CSystemSettings;
struct CPrinterRecord;
namespace plat {
class CWnd;
class Window;
}  // namespace plat

inline constexpr const char16_t* kNoPrinterText = u"There is no printer connected!";
inline constexpr const char16_t* kPrintDocumentName = u"Window Contents, VORN Tarnwick Screen";
inline constexpr int kPrintSourceWidth = 800;
inline constexpr int kPrintSourceHeight = 595;

// What the user chose in the print settings dialog.
struct PrintChoice {
    core::Text printer;
    bool high_quality = false;
    bool color = false;
    int orientation = 0;  // 0 portrait, 1 landscape
};

// What printing needs of the application: its settings store and the print
// settings dialog. The application registers itself while it runs.
class IPrintServices {
  public:
    virtual ~IPrintServices() = default;
    // Null when the program has no settings store.
    virtual CSystemSettings* GetPrintSettings() = 0;
    // Runs the dialog over `parent` for the printer table; false when it was
    // cancelled.
    virtual bool RunPrintDialog(plat::CWnd* parent, const CPrinterRecord* table, uint32_t count,
                                PrintChoice& choice) = 0;

    static IPrintServices* current();
    static void set_current(IPrintServices* services);
};

// The printer mode every job starts from.
DEVMODEW DefaultPrintMode();
// The mode for a choice: single bytes of the default changed.
DEVMODEW PrintModeFor(const PrintChoice& choice);
// The target size of the 800 x 595 source on a page of width x height.
void ScaledPrintSize(int width, int height, bool landscape, int& target_w, int& target_h);

class CScreenPrint : public CPrintIO {
  public:
    CScreenPrint();
    ~CScreenPrint();
    // Prints the window's contents; 1 when a page was drawn, 0 otherwise
    // (busy, no printer, cancelled).
    int Print(plat::Window* window, plat::CWnd* parent);

  protected:
    virtual int PrintScreenToDC();

  private:
    // Frees the job's context without a page and lets the worker end.
    int EndWithoutPage();

    plat::Window* window_ = nullptr;  // user-interface thread
    plat::CWnd* parent_ = nullptr;    // user-interface thread
    DEVMODEW printer_mode_{};
    uint32_t printer_mode_size_ = sizeof(DEVMODEW);
};
