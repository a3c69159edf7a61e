#pragma once
// The program's own message box (template 101): a text, an OK button or a
// Yes/No pair, one of four icons and a sound that plays before the box
// shows. Ends with IDOK, IDYES, IDNO, or IDCANCEL on Escape (pressed or
// released). Left and Right move between Yes and No; Enter answers the
// button that has the focus.
#include <cstdint>
#include <string>

#include "platform/framework/dialog.h"

class CMessageDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 101;
    static constexpr int kText = 1422;
    static constexpr int kYes = 1216;
    static constexpr int kOk = 1415;
    static constexpr int kNo = 1416;
    // The icon statics and the bitmaps they show.
    static constexpr int kStopIcon = 1418;         // bitmap 1422
    static constexpr int kWarningIcon = 1419;      // bitmap 1425
    static constexpr int kQuestionIcon = 1420;     // bitmap 1424
    static constexpr int kInformationIcon = 1424;  // bitmap 1423
    // Button labels.
    static constexpr uint32_t kOkLabel = 2640;
    static constexpr uint32_t kYesLabel = 958;
    static constexpr uint32_t kNoLabel = 959;
    static constexpr const char16_t* kCriticalSound = u"critical.wav";
    static constexpr const char16_t* kQuestionSound = u"question.wav";

    // A caption, when given, stands in the box's title bar.
    CMessageDlg(plat::CWnd* parent, std::u16string text, uint32_t type,
                std::u16string caption = {});
    ~CMessageDlg() override;

    const std::u16string& text() const { return m_Text; }
    uint32_t type() const { return m_Type; }
    // The icon static the box type shows, and the sound it plays.
    static int IconFor(uint32_t type);
    static const char16_t* SoundFor(uint32_t type);

    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange() override {}
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

  private:
    bool yes_no() const;
    std::u16string m_Text;
    uint32_t m_Type;
    std::u16string m_Caption;
    plat::Font m_Font;  // owned
};

// Registers the message box's template.
void RegisterMessageBoxTemplates();
