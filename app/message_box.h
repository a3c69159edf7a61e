#pragma once
// The program's message boxes: ShowMessage with the program's own modal
// message dialog over the main view (OK or Yes/No), and the plain box of the
// exception handlers.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/framework/dialog.h"

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONHAND = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONASTERISK = 0x40;

// The program's message dialog (template 101): the text, an OK button or a
// Yes/No pair. Ends with IDOK, IDYES, IDNO, or IDCANCEL on Escape.
class CMessageDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 101;
    static constexpr int kText = 1422;
    static constexpr int kYes = 1216;
    static constexpr int kOk = 1415;
    static constexpr int kNo = 1416;

    CMessageDlg(plat::CWnd* parent, std::u16string text, uint32_t style);

    const std::u16string& text() const { return text_; }
    uint32_t style() const { return style_; }

  protected:
    bool OnInitDialog() override;
    bool PreTranslateMessage(const plat::Message& msg) override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

  private:
    bool yes_no() const { return (style_ & 7) == MB_YESNO; }
    std::u16string text_;
    uint32_t style_;
    plat::Font font_;
};

// Shows the text in the program's message dialog over the main view and
// waits for the answer: MB_OK answers IDOK or IDCANCEL, MB_YESNO IDYES or
// IDNO; any other button set answers IDCANCEL without showing anything.
// Afterwards the main view has the focus again and repaints.
int ShowMessage(const std::u16string& text, uint32_t style = MB_OK, uint32_t extra = 0);
int ShowMessageById(uint32_t id, uint32_t style = MB_OK, uint32_t extra = 0);
// The plain box with "Tarnwick::" and the text, OK only.
void ShowExceptionMessage(const std::u16string& text);
// The framework's standard box (the system's message box with the program's
// caption): the text with the style's icon and buttons; answers the button.
int StandardMessageBox(const std::u16string& text, uint32_t style);

// Watches every box as it opens (text and style); tests install one to see
// what the program tells its user. Null removes it.
using MessageBoxObserver = std::function<void(const std::u16string& text, uint32_t style)>;
void SetMessageBoxObserver(MessageBoxObserver observer);
