#pragma once
// The setting list dialogs: a setting that takes one of a few fixed values is
// picked from a wrapping list (soft keys 4 top, 5 bottom, 6 select, 8 back).
//
// CSettingListDlg: the list-box dialog of template 265 with a caption edit
// and a value edit beside the list; the window title reads "select setting
// value".
// CDataPointsDlg: the number of data points of the network analyzer's step
// table, opened on the row FindStepIndex gives.
// CRbwVbwDlg: the ratio of resolution to video bandwidth, 1 to 100,000,
// opened on the first ratio not below the current one (the last row when the
// current one is larger than all of them).
// CValueListDlg: an antenna of the application's antenna list by name,
// opened on the antenna of the current name (else the first row).
//
// Every getter keeps the current value until OK takes a row; OK without a
// row (an empty list) ends the dialog as Cancel.
#include <cstdint>
#include <string>

#include "dialogs/list_box_dlg.h"
#include "platform/framework/edit.h"

class CAntenna;
class CAntennaList;

class CSettingListDlg : public CListBoxDlg {
  public:
    static constexpr int IDD = 265;
    static constexpr int kListId = 1393;
    static constexpr int kValueEdit = 1101;
    static constexpr int kCaptionEdit = 1365;
    static constexpr uint32_t kTitleText = 64383;
    // The list's gap to the caption and its inset from the dialog's right edge.
    static constexpr int kListGap = 10;
    static constexpr int kRightInset = 20;

    explicit CSettingListDlg(plat::CWnd* parent);

    // Halves the caption edit in place and puts the list 10 pixels right of
    // it, top and height kept, its right edge 20 pixels inside the dialog's.
    void LayoutControls();

  protected:
    bool OnInitDialog() override;
    // Fills the caption and value edits.
    void SetTexts(const std::u16string& caption, const std::u16string& value);

    plat::CEdit m_ValueEdit;
    plat::CEdit m_CaptionEdit;
};

class CDataPointsDlg : public CSettingListDlg {
  public:
    static constexpr uint32_t kCaptionText = 64384;

    CDataPointsDlg(plat::CWnd* parent, int32_t current);
    int32_t GetSelection() const { return m_nSelection; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    int32_t m_nCurrent;
    int32_t m_nSelection;
};

class CRbwVbwDlg : public CSettingListDlg {
  public:
    static constexpr uint32_t kCaptionText = 810;
    static constexpr double kRatios[] = {1, 3, 10, 30, 100, 300, 1000, 3000, 10000, 30000, 100000};

    CRbwVbwDlg(plat::CWnd* parent, double current);
    double GetValue() const { return m_dSelection; }
    // The row a ratio opens on: the first ratio not below it, else the last.
    static int RowOf(double ratio);

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    double m_dCurrent;
    double m_dSelection;
};

class CValueListDlg : public CSettingListDlg {
  public:
    static constexpr uint32_t kCaptionText = 1091;

    // Lists the application's antennas.
    CValueListDlg(plat::CWnd* parent, std::u16string current);
    // Lists `list` instead.
    CValueListDlg(plat::CWnd* parent, std::u16string current, const CAntennaList* list);

    // The chosen antenna; until then the one of the current name, or null.
    CAntenna* GetSelection() const { return m_pSelection; }
    // The chosen row; until then the current name's row, or -1.
    int GetSelectedIndex() const { return m_nIndex; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    std::u16string m_Current;
    const CAntennaList* m_pList;
    CAntenna* m_pSelection = nullptr;
    int m_nIndex = -1;
};
