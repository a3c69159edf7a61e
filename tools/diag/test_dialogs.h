#pragma once
// TWDiag's small dialogs: the keypad test (the name of each key pressed),
// the light-sensor test (the board I/O library's channel 0, once a second)
// and the battery status.
#include <cstdint>

#include "platform/framework/dialog.h"

class CSmartIO;

namespace diag {

// Shows the name of the key that is down ("None" once it is released, or
// for a key it does not know) and the wheel's direction. Escape ends the
// test on its release.
class CKeypadTestDlg : public plat::CDialog {
  public:
    explicit CKeypadTestDlg(plat::CWnd* parent = nullptr);
    bool OnInitDialog() override;
    bool PreTranslateMessage(const plat::Message& msg) override;
};

// The key's name in the keypad test ("None" for a key it does not know).
const char16_t* key_name(uint32_t virtual_key);

// A dialog that refreshes its values on timer 2 once a second and ends on
// the release of Escape or Enter.
class CTimedDlg : public plat::CDialog {
  public:
    using plat::CDialog::CDialog;
    bool OnInitDialog() override;
    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    virtual void ShowValues() = 0;
    void OnTimer(uintptr_t id) override;
    void OnDestroy() override;
};

// The reading of the light sensor (0xFFFF without the library or its entry).
class CLightSensorTestDlg : public CTimedDlg {
  public:
    CLightSensorTestDlg(const CSmartIO* smart_io, plat::CWnd* parent = nullptr);

  protected:
    void ShowValues() override;

  private:
    const CSmartIO* smart_io_;
};

// The battery's status, level and temperature; it has no source of its own,
// so it shows an empty status and zeros.
class CBatteryStatusDlg : public CTimedDlg {
  public:
    explicit CBatteryStatusDlg(plat::CWnd* parent = nullptr);

  protected:
    void ShowValues() override;

  private:
    int level_ = 0;
    int temperature_ = 0;
};

}  // namespace diag
