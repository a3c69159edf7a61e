#pragma once
// The basic controls, drawn in the instrument's style: static text, bitmap
// static, push button, check and radio buttons, group box.
#include "platform/framework/wnd.h"
#include "platform/gfx/bitmap.h"

namespace plat {

// Static styles.
inline constexpr uint32_t SS_LEFT = 0x0000;
inline constexpr uint32_t SS_CENTER = 0x0001;
inline constexpr uint32_t SS_RIGHT = 0x0002;
inline constexpr uint32_t SS_BITMAP = 0x000E;
inline constexpr uint32_t SS_TYPEMASK = 0x001F;
inline constexpr uint32_t SS_NOTIFY = 0x0100;
inline constexpr uint32_t SS_CENTERIMAGE = 0x0200;

// Button styles and states.
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr uint32_t BS_CHECKBOX = 0x0002;
inline constexpr uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr uint32_t BS_GROUPBOX = 0x0007;
inline constexpr uint32_t BS_AUTORADIOBUTTON = 0x0009;
inline constexpr uint32_t BS_TYPEMASK = 0x000F;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;

// Colours of the controls.
inline constexpr COLORREF kControlText = RGB(0, 0, 0);
inline constexpr COLORREF kControlFace = RGB(0xF4, 0xF6, 0xF8);
inline constexpr COLORREF kControlFrame = RGB(0x46, 0x5A, 0x78);
inline constexpr COLORREF kControlPressed = RGB(0xA8, 0xC8, 0xF0);
inline constexpr COLORREF kControlFocus = RGB(0xF0, 0x8C, 0x00);
inline constexpr COLORREF kControlDisabledText = RGB(0x90, 0x90, 0x90);

// The font a control draws with: its own, else the system's default.
Font control_font(const CWnd* control);
// Sends a WM_COMMAND notification with the control's id to its parent.
void notify_parent(CWnd* control, uint32_t code);

// Asks the parent for the control's colours (WM_CTLCOLOR*) and answers the
// background brush to use (the parent's, else `fallback`).
Brush control_colors(CWnd* control, Dc& dc, uint32_t ctl_message, const Brush& fallback);

// An SS_BITMAP static whose text is "#<id>" shows the program's bitmap of
// that id (load_bitmap) from its creation on.
class CStatic : public CWnd {
  public:
    bool Create(std::u16string_view text, uint32_t style, const Rect& r, CWnd* parent, int id);
    // The picture of an SS_BITMAP static; answers the previous one.
    Bitmap SetBitmap(Bitmap bitmap);
    const Bitmap& GetBitmap() const { return bitmap_; }

  protected:
    int OnCreate(const CreateParams* params) override;
    void OnPaint() override;
    void OnLButtonUp(uint32_t flags, Point p) override;

  private:
    Bitmap bitmap_;
};

class CButton : public CWnd {
  public:
    bool Create(std::u16string_view text, uint32_t style, const Rect& r, CWnd* parent, int id);
    int GetCheck() const { return check_; }
    void SetCheck(int state);
    bool IsPressed() const { return pressed_; }
    // Sends BN_CLICKED to the parent as a tap would.
    void Click();

  protected:
    void OnPaint() override;
    void OnLButtonDown(uint32_t flags, Point p) override;
    void OnLButtonUp(uint32_t flags, Point p) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;

  private:
    uint32_t kind() const { return style() & BS_TYPEMASK; }
    int check_ = BST_UNCHECKED;
    bool pressed_ = false;
};

// Registers every control class for dialog templates: "STATIC", "BUTTON",
// "EDIT", "LISTBOX", "COMBOBOX", the progress bar and the date-time picker.
void register_basic_controls();

}  // namespace plat
