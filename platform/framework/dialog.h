#pragma once
// Dialogs: templates as C++ tables in dialog units, modal dialogs with an end
// code, modeless dialogs, and the control kinds a template may name.
//
// The dialog manager turns no key into a command: Enter and Escape reach the
// dialog and its controls as plain keys, and each dialog decides what they do.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/framework/wnd.h"
#include "platform/gfx/icon.h"

namespace plat {

// Dialog template styles.
inline constexpr uint32_t DS_SETFONT = 0x0040;
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
inline constexpr uint32_t DS_CENTER = 0x0800;

struct DialogItem {
    std::string class_name;  // "STATIC", "BUTTON", or a registered control class
    std::u16string text;
    int id = 0;
    uint32_t style = 0;                // WS_CHILD | WS_VISIBLE are added
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
    int id = 0;
    uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::u16string caption;
    std::u16string font_face = u"Tahoma";
    int point_size = 8;
    std::vector<DialogItem> items;
};

// Templates are found by id, the way dialogs are constructed.
void register_dialog_template(DialogTemplate tmpl);
const DialogTemplate* find_dialog_template(int id);

// Pixels per 4 horizontal and 8 vertical dialog units for a font: its average
// character width and its line height.
Size dialog_base_units(const Font& font);
// A rectangle in dialog units converted to pixels.
Rect map_dialog_rect(const Rect& units, Size base);

// Makes the control object for a template item of a class.
using ControlFactory = std::function<std::unique_ptr<CWnd>()>;
void register_control_class(std::string_view class_name, ControlFactory factory);

class CDialog : public CWnd {
  public:
    explicit CDialog(int idd, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally: the owner's top-level window is disabled, a
    // nested message loop runs until EndDialog, and the end code is returned
    // (-1 when the dialog could not be made or the program is quitting).
    virtual intptr_t DoModal();
    // Makes the dialog modeless; it stays until destroyed.
    bool Create(int idd, CWnd* parent = nullptr);
    bool Create() { return Create(idd_, parent_wnd_); }
    // Ends a modal dialog with `result`; destroys a modeless one.
    void EndDialog(int result);

    // Called once the controls exist; true lets the dialog put the focus on
    // its first tab stop.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange() {}

    // Uses `control` (not yet created) for the template item `id`.
    void AttachControl(int id, CWnd* control);

    // Focus moves among the controls with WS_TABSTOP, wrapping.
    void NextDlgCtrl();
    void PrevDlgCtrl();
    void GotoDlgCtrl(CWnd* control);

    int GetIDD() const { return idd_; }
    CWnd* GetOwner() const { return parent_wnd_; }
    bool IsModal() const { return modal_; }
    // The icons WM_SETICON gave (empty when none).
    const Icon& GetIcon(bool big) const { return big ? big_icon_ : small_icon_; }
    // The face colour of dialogs.
    static constexpr COLORREF kFaceColor = RGB(0xE4, 0xE8, 0xEE);
    static constexpr COLORREF kCaptionColor = RGB(0x1C, 0x3F, 0x6E);

  protected:
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;
    const Brush* OnCtlColor(Dc* dc, CWnd* control, uint32_t ctl_message) override;
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

  private:
    bool make_window(int idd, CWnd* parent, bool modal);
    CWnd* step_focus(int direction);

    int idd_;
    CWnd* parent_wnd_;
    bool modal_ = false;
    bool ended_ = false;
    int result_ = -1;
    std::map<int, CWnd*> attached_;
    Icon small_icon_, big_icon_;  // WM_SETICON; the caption shows the small one
    std::vector<std::unique_ptr<CWnd>> owned_controls_;
    Brush face_brush_ = Brush::solid(kFaceColor);
};

}  // namespace plat
