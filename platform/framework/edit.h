#pragma once
// The edit control: a single line of text with caret, selection and typing
// (WM_CHAR), or a read-only multi-line text that scrolls by lines. Colours
// come from the parent (WM_CTLCOLOREDIT, read-only edits WM_CTLCOLORSTATIC)
// or, reflected, from the control itself (CWnd::CtlColor).
#include <string>
#include <vector>

#include "platform/framework/wnd.h"

namespace plat {

// Edit styles.
inline constexpr uint32_t ES_LEFT = 0x0000;
inline constexpr uint32_t ES_CENTER = 0x0001;
inline constexpr uint32_t ES_RIGHT = 0x0002;
inline constexpr uint32_t ES_MULTILINE = 0x0004;
inline constexpr uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr uint32_t ES_READONLY = 0x0800;

// Edit messages.
inline constexpr uint32_t EM_GETSEL = 0x00B0;
inline constexpr uint32_t EM_SETSEL = 0x00B1;
inline constexpr uint32_t EM_LINESCROLL = 0x00B6;
inline constexpr uint32_t EM_SCROLLCARET = 0x00B7;
inline constexpr uint32_t EM_GETLINECOUNT = 0x00BA;
inline constexpr uint32_t EM_REPLACESEL = 0x00C2;
inline constexpr uint32_t EM_LIMITTEXT = 0x00C5;
inline constexpr uint32_t EM_GETFIRSTVISIBLELINE = 0x00CE;
inline constexpr uint32_t EM_SETREADONLY = 0x00CF;
inline constexpr uint32_t EM_GETLIMITTEXT = 0x00D5;

// Edit notifications (WM_COMMAND to the parent).
inline constexpr uint32_t EN_SETFOCUS = 0x0100;
inline constexpr uint32_t EN_KILLFOCUS = 0x0200;
inline constexpr uint32_t EN_CHANGE = 0x0300;

// Colours of text selections.
inline constexpr COLORREF kSelectionBack = RGB(0x1C, 0x3F, 0x6E);
inline constexpr COLORREF kSelectionText = RGB(255, 255, 255);

class CEdit : public CWnd {
  public:
    // The most characters an edit takes unless limited.
    static constexpr int kDefaultLimit = 0x7FFFFFFE;
    // Pixels between the frame and the text.
    static constexpr int kMargin = 3;

    bool Create(uint32_t style, const Rect& r, CWnd* parent, int id);

    void GetSel(int& start, int& end) const;
    // (0, -1) selects everything; a start of -1 removes the selection.
    void SetSel(int start, int end, bool no_scroll = false);
    void ReplaceSel(std::u16string_view text, bool can_undo = false);
    void LimitText(int max_chars);
    int GetLimitText() const { return limit_; }
    void SetReadOnly(bool on);
    bool IsReadOnly() const;
    // Multi-line edits: scrolls by lines (clamped so the last page stays
    // full); answers the new first visible line.
    int LineScroll(int lines);
    int GetFirstVisibleLine() const { return first_line_; }
    int GetLineCount() const;
    // How many whole lines the client area shows.
    int GetVisibleLineCount() const;
    // The display lines of a multi-line edit, wrapped at the client width.
    std::vector<std::u16string> GetDisplayLines() const;
    void HideCaret();
    void ShowCaret();
    bool IsCaretShown() const { return caret_shown_; }
    // Where the caret stands (client coordinates of its top) and where the
    // text begins, as the last paint drew them.
    Point GetCaretPos() const;
    int GetTextOrigin() const;

  protected:
    intptr_t WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;
    void OnPaint() override;
    void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) override;
    void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(CWnd* old) override;
    void OnKillFocus(CWnd* next) override;
    void OnLButtonDown(uint32_t flags, Point p) override;

  private:
    bool multi_line() const { return (style() & ES_MULTILINE) != 0; }
    void notify(uint32_t code);
    void clamp_selection();
    void replace_selection(std::u16string_view text, bool notify_change);
    void scroll_to_caret();
    int text_width(std::u16string_view text) const;
    void paint_single_line(Dc& dc, const Rect& r, COLORREF text_color);
    void paint_multi_line(Dc& dc, const Rect& r);

    int sel_start_ = 0;  // UI thread; the caret stands at sel_end_
    int sel_end_ = 0;
    int limit_ = kDefaultLimit;
    int scroll_x_ = 0;    // pixels the single line is scrolled left
    int first_line_ = 0;  // first visible line of a multi-line edit
    bool caret_shown_ = true;
};

void register_edit_control();

}  // namespace plat
