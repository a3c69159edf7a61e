#pragma once
// What the dialogs need of the application: the user-interface face and font
// sizes, the main view, the current screen's soft-key and menu-key bars, the
// fixed key pane and the current colour scheme. The application implements
// the interface and registers itself while it runs; dialogs built without
// one (isolated tests) get the defaults below and no bars.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/framework/wnd.h"

class CAntennaList;
class CBufferPair;
class CColorScheme;
class CGpsReceiver;
class IFileListScreen;
class ISetupEntry;
class CPanelWidget;
class CSoftKeyMenu;

// The unit's identity as the system information box shows it.
struct SystemIdentity {
    std::u16string application_version, dsp_version, keypad_version, model, unit_serial, rf_serial,
        board_model, printer;
};

class IDialogServices {
  public:
    virtual ~IDialogServices() = default;

    static IDialogServices* current();
    static void set_current(IDialogServices* services);

    // The face of the user interface and the two sizes dialogs use (tenths
    // of a point).
    virtual std::u16string GetFontFace() const = 0;
    virtual uint32_t GetSmallFontWeight() const = 0;
    virtual uint32_t GetLargeFontHeight() const = 0;
    // The main view that message boxes open over and return the focus to.
    virtual plat::CWnd* GetMainView() const = 0;
    // The bars of the current screen; null without a screen.
    virtual CSoftKeyMenu* GetSoftKeyBar() const = 0;
    virtual CPanelWidget* GetMenuKeyBar() const = 0;
    // The fixed key pane: for a point in the main window's client
    // coordinates on one of its keys, stores VK_F19, VK_F20, VK_ESCAPE or
    // VK_RETURN and answers true; otherwise stores 0 and answers false.
    virtual bool QueryLinkValue(plat::Point p, uint32_t* key) const = 0;
    // The address of the variable that holds the current colour scheme.
    virtual CColorScheme* const* GetColorSchemeHolder() const = 0;
    // The application's antenna list; null when it has none.
    virtual const CAntennaList* GetAntennaList() const { return nullptr; }
    // The program's message box over the main view (MB_OK or MB_YESNO with
    // an icon, and a caption when one is given); answers the button pressed.
    // Without an application the message dialog runs on its own.
    virtual int ShowMessage(const std::u16string& text, uint32_t style,
                            const std::u16string& caption = {});

    // What the information boxes show; without an application nothing is
    // known (no storage, no battery estimate, no receiver).
    virtual SystemIdentity GetSystemIdentity() const { return {}; }
    // Free bytes of "\FlashFX Disk" (0), "\Hard Disk" (1) or of physical
    // memory (2); `total` takes the total, 0 when there is none.
    virtual uint64_t GetMemoryAndDiskStatus(int /*index*/, uint64_t* total) const {
        if (total) *total = 0;
        return 0;
    }
    virtual int32_t GetTemperatureC() const { return 0; }
    virtual int32_t GetTemperatureF() const { return 0; }
    // Percent as last read; 255 unknown.
    virtual uint32_t GetBatteryLevel() const { return 255; }
    // Seconds as last read; 255 means no estimate.
    virtual uint32_t GetBatteryTime() const { return 255; }
    virtual CGpsReceiver* GetGpsReceiver() const { return nullptr; }
    // The small font's height and width (tenths of a point).
    virtual uint32_t GetSmallFontHeight() const { return kDefaultSmallSize; }
    virtual uint32_t GetSmallFontWidth() const { return kDefaultSmallSize; }
    // The application's setup list in sort mode `mode` (sorted again when
    // the mode changed or entries were added); its first entry, or null.
    virtual ISetupEntry* SortSetupList(uint32_t /*mode*/) { return nullptr; }
    // The current screen shows the texts; the pair goes afterwards.
    virtual void HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair);
    // The current screen as the owner of a file list; null when it is none.
    virtual IFileListScreen* GetFileListScreen() const { return nullptr; }
    // The word the unit's I/O controller keeps: not zero when the unit types
    // by its keypad alone, without the soft input panel.
    virtual uint16_t GetSpiWord() const { return 0; }
    // Copies the file `name` from the folder `source` into the folder
    // `target` with the current screen's progress window, which says what
    // went wrong; answers whether it copied. Without an application the copy
    // is a plain one.
    virtual bool CopyFileWithProgress(const std::u16string& name, const std::u16string& source,
                                      const std::u16string& target);

    static constexpr uint32_t kDefaultSmallSize = 100;
};

// Through the registered services, or the defaults ("Tahoma", 28 and 140
// tenths of a point, no view, bars, pane or scheme).
namespace dialog_services {
inline constexpr const char16_t* kDefaultFace = u"Tahoma";
inline constexpr uint32_t kDefaultSmallWeight = 280;
inline constexpr uint32_t kDefaultLargeHeight = 140;

std::u16string FontFace();
uint32_t SmallFontWeight();
uint32_t LargeFontHeight();
plat::CWnd* MainView();
CSoftKeyMenu* SoftKeyBar();
CPanelWidget* MenuKeyBar();
bool QueryLinkValue(plat::Point p, uint32_t* key);
CColorScheme* const* ColorSchemeHolder();
const CAntennaList* AntennaList();
int ShowMessage(const std::u16string& text, uint32_t style, const std::u16string& caption = {});
uint32_t SmallFontHeight();
uint32_t SmallFontWidth();
uint16_t SpiWord();
bool CopyFileWithProgress(const std::u16string& name, const std::u16string& source,
                          const std::u16string& target);
// A point font of the interface face; an unusable size takes the default.
plat::Font UiFont(uint32_t tenths_of_point);
}  // namespace dialog_services
