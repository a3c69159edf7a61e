#pragma once
// CQuickHelpDlg: shows a help text file (UTF-16, little-endian, with a
// byte-order mark) in a read-only text box with a title above it. Up and
// Down scroll one line, soft keys 1 and 2 thirty lines up and down, 3 and 4
// to the top and the end, 8 or Escape close. A file that cannot be opened is
// named in an exclamation box and the viewer then shows an empty page.
#include <cstdint>
#include <span>
#include <string>

#include "dialogs/instrument_dlg.h"
#include "platform/framework/edit.h"

class CQuickHelpDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 276;
    static constexpr int kTitleStatic = 1401;
    static constexpr int kTextEdit = 1365;
    // Soft-key labels 1 to 4 and 8.
    static constexpr uint32_t kPreviousPageLabel = 63195;
    static constexpr uint32_t kNextPageLabel = 63196;
    static constexpr uint32_t kFirstPageLabel = 63197;
    static constexpr uint32_t kLastPageLabel = 63198;
    static constexpr uint32_t kCloseLabel = 63199;
    static constexpr uint32_t kBlankLabel = 184;
    // The first line of the message naming a file that cannot be opened.
    static constexpr uint32_t kCannotOpenText = 64494;
    // Lines a page key and an end key scroll.
    static constexpr int kPageLines = 30;
    static constexpr int kEndLines = 32767;

    CQuickHelpDlg(plat::CWnd* parent, std::u16string title, std::u16string path);
    ~CQuickHelpDlg() override;

    // The text of a help file's bytes: after the byte-order mark FF FE when
    // there is one, up to the first zero character or the last whole one.
    static std::u16string DecodeHelpText(std::span<const uint8_t> bytes);

    bool OnSoftKey(int index, bool pressed) override;
    using CSoftKeyDlg::OnKeyDown;
    bool OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) override;
    // Enter and Escape close on their release only when their press came
    // here: the release of the key that answered the message box about a
    // missing file leaves the viewer open.
    bool OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) override;
    // Arrow presses are swallowed: the lines move on the release.
    bool OnArrow(uint32_t key, bool pressed) override;

  protected:
    bool OnInitDialog() override;

  private:
    // The file's text; false when it cannot be opened or read.
    bool ReadFile(std::u16string& text) const;
    void Scroll(int lines);

    std::u16string m_Title;
    std::u16string m_Path;
    plat::CEdit m_Text;
    bool m_bEnterDown = false;
    bool m_bEscapeDown = false;
};
