#pragma once
// The print settings dialog: printer, port, orientation, draft mode and
// colour, driven from the keypad and the wheel.
#include <cstdint>
#include <string>

#include "platform/framework/combo_box.h"
#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"

struct CPrinterRecord;

inline constexpr const char16_t* kHighQualityWarning =
    u"Expect longer time for high qaulity printing";

class CTWPrintDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 287;
    static constexpr int kPrinterCombo = 1481;
    static constexpr int kPrinterLabel = 1482;
    static constexpr int kPortLabel = 1483;
    static constexpr int kPortCombo = 1485;
    static constexpr int kOrientationGroup = 1486;
    static constexpr int kPortrait = 1488;
    static constexpr int kLandscape = 1490;
    static constexpr int kDraftMode = 1492;
    static constexpr int kColor = 1495;

    CTWPrintDlg(plat::CWnd* parent, const CPrinterRecord* table, uint32_t count);

    const std::u16string& GetPrinterName() const { return m_Printer; }
    const std::u16string& GetPortName() const { return m_Port; }
    bool IsHighQuality() const { return m_nDraft == 0; }
    bool IsColor() const { return m_nColor != 0; }
    int GetOrientation() const { return m_nOrientation; }

    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;

  private:
    // The fields from the controls (save) or the controls from the fields.
    void Exchange(bool save);
    bool OnKeyPress(uint32_t key);
    bool IsCheckBox(const plat::CWnd* w) const { return w == &m_DraftBox || w == &m_ColorBox; }
    // Flips the draft or colour flag and focuses its check box.
    void Flip(int& flag, plat::CButton& box);

    plat::CComboBox m_PortCombo;
    plat::CComboBox m_PrinterCombo;
    plat::CButton m_Portrait;
    plat::CButton m_Landscape;
    plat::CButton m_ColorBox;
    plat::CButton m_DraftBox;
    std::u16string m_Printer;
    std::u16string m_Port;
    int m_nDraft = 1;
    int m_nColor = 1;
    int m_nOrientation = 0;
    plat::CWnd* m_pParent;
    const CPrinterRecord* m_pTable;
    uint32_t m_nCount;
};
