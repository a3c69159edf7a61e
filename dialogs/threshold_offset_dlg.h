#pragma once
// CThresholdOffsetDlg: entry of the peak threshold offset (template 289).
// Beside the offset it shows the threshold level it gives (reference level
// + offset), recomputed by soft key 5 and on a refused Enter.
#include <cstdint>
#include <string>

#include "dialogs/instrument_dlg.h"
#include "dialogs/numeric_edit.h"
#include "platform/framework/controls.h"

class CThresholdOffsetDlg : public CSoftKeyDlg {
  public:
    static constexpr int IDD = 289;
    static constexpr int kOffsetEdit = 1508;
    static constexpr int kLevelEdit = 1507;
    static constexpr int kOffsetCaption = 1506;
    static constexpr int kLevelCaption = 1189;
    static constexpr int kOffsetUnit = 1191;
    static constexpr int kLevelUnit = 1190;
    static constexpr uint32_t kTitle = 64460;
    static constexpr uint32_t kOffsetText = 2539;
    static constexpr uint32_t kLevelText = 2540;
    static constexpr uint32_t kUpdateLabel = 2541;
    static constexpr int kUpdateKey = 4;  // soft key 5
    static constexpr double kMinimum = -50;
    static constexpr double kMaximum = 300;
    static constexpr const char* kLevelFormat = "% 6.1f";

    CThresholdOffsetDlg(plat::CWnd* parent, std::u16string initial_text, double offset,
                        double reference_level);
    ~CThresholdOffsetDlg() override;

    // After IDOK: the offset.
    double GetValue() const { return m_Result; }
    CDoubleEdit& GetOffsetEdit() { return m_OffsetEdit; }
    std::u16string GetLevelText() const;

    bool OnSoftKey(int index, bool pressed) override;
    void OnOK() override;
    void OnFocus(plat::CWnd* previous) override;

  protected:
    bool OnInitDialog() override;

  private:
    // Shows reference level + the offset as typed (the current offset when
    // the text holds none).
    void ShowLevel();

    std::u16string m_InitialText;
    double m_Offset;
    double m_Reference;
    double m_Result;
    CDoubleEdit m_OffsetEdit;
    CDoubleEdit m_LevelEdit;
};
