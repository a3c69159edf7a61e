#pragma once
// The progress window of long file work: a line of text over a progress bar.
// The owner sets the text, creates the window, shows and paints it at once,
// calls SetProgress as the work advances, and at the end hides, destroys and
// deletes it. Position 0 sets the range 0..maximum (32 bits: callers count
// bytes and files in the hundreds of thousands); any other position moves the
// bar. Either way the text is written again.
#include <cstdint>
#include <string>

#include "platform/framework/dialog.h"
#include "platform/framework/progress.h"

class CProgressDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 182;
    static constexpr int kTextEdit = 1101;
    static constexpr int kBar = 1201;

    explicit CProgressDlg(plat::CWnd* parent);
    ~CProgressDlg() override;

    virtual void SetProgress(uint32_t position, uint32_t maximum);
    void SetText(std::u16string text) { m_Text = std::move(text); }
    const std::u16string& GetText() const { return m_Text; }
    uint32_t GetMaximum() const { return m_Max; }
    uint32_t GetPosition() const { return m_Pos; }
    plat::CProgressCtrl& GetBar() { return m_Bar; }
    // Makes the modeless window from template 182.
    bool Create() { return CDialog::Create(IDD, GetOwner()); }

  protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;

  private:
    uint32_t m_Max = 0;
    uint32_t m_Pos = 0;
    plat::CProgressCtrl m_Bar;
    std::u16string m_Text;
};

void RegisterProgressTemplate();
