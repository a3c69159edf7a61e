#pragma once
// CTimeDateDlg: sets the instrument's clock. A time picker and a date picker
// (arrows edit their fields); the screen's soft keys read save, next field,
// blank x5, back. Soft key 1 pressed sets the clock from the pickers and
// ends the dialog with IDOK; soft key 2 released or the wheel moves to the
// next picker; soft key 8 or Escape released ends it with IDCANCEL and sets
// nothing. The clock is the system's settable clock, so every program of the
// instrument sees the new time.
#include <cstdint>

#include "platform/framework/date_time.h"
#include "platform/framework/dialog.h"

class CSoftKeyMenu;

class CTimeDateDlg : public plat::CDialog {
  public:
    static constexpr int IDD = 207;
    static constexpr int kTimeLabel = 1253;
    static constexpr int kDateLabel = 1327;
    static constexpr int kTimePicker = 1375;
    static constexpr int kDatePicker = 1376;
    // The labels of soft keys 1 to 8.
    static constexpr uint32_t kSaveLabel = 191;
    static constexpr uint32_t kNextFieldLabel = 1330;
    static constexpr uint32_t kBlankLabel = 184;
    static constexpr uint32_t kBackLabel = 1019;

    // A null soft-key bar is the current screen's.
    explicit CTimeDateDlg(plat::CWnd* parent, CSoftKeyMenu* soft_keys = nullptr);
    ~CTimeDateDlg() override;

    bool PreTranslateMessage(const plat::Message& msg) override;
    // True once the clock was set.
    bool IsTimeSet() const { return m_bTimeSet; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    bool OnKey(uint32_t key, bool pressed);

    plat::CDateTimeCtrl m_TimePicker;
    plat::CDateTimeCtrl m_DatePicker;
    plat::Font m_Font;          // owned
    CSoftKeyMenu* m_pSoftKeys;  // not owned
    bool m_bTimeSet = false;
};
