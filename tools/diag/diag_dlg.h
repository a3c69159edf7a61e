#pragma once
// CDiagDlg: TWDiag's main dialog. It shows the versions, the serial number
// and the DSP status; the soft keys (F1-F8, buttons down the right edge) and
// menu keys (F13-F18, buttons along the bottom) work through eight pages of
// entries: nothing, a page to go to, or an action. Escape or Enter closes it
// on the release of a key whose press it saw.
#include <cstdint>
#include <string>

#include "platform/framework/dialog.h"
#include "platform/gfx/icon.h"

namespace diag {

class CDiagApp;

// Page entries: 0 nothing, 1..7 a page, an action code with the top bit set.
inline constexpr uint32_t kActionFlag = 0x80000000u;
inline constexpr uint32_t kActionUpdateFpga = 0x80000001u;
inline constexpr uint32_t kActionUpdateDsp = 0x80000002u;
inline constexpr uint32_t kActionKeypadTest = 0x80000003u;
inline constexpr uint32_t kActionLightSensorTest = 0x80000004u;
inline constexpr uint32_t kActionFanOn = 0x80000005u;
inline constexpr uint32_t kActionFanOff = 0x80000006u;
inline constexpr uint32_t kActionBatteryStatus = 0x80000007u;
inline constexpr uint32_t kActionUpdateCalibration = 0x80000008u;
inline constexpr uint32_t kActionStatusRefresh = 0x80000009u;

class CDiagDlg : public plat::CDialog {
  public:
    explicit CDiagDlg(CDiagApp& app, plat::CWnd* parent = nullptr);
    ~CDiagDlg() override;

    virtual void OnSoftKey(int index);
    virtual void OnMenuKey(int index);
    virtual int SoftKeyId(int index) const;
    virtual int MenuKeyId(int index) const;
    virtual void UpdateMenuKeyLabels();
    virtual void UpdateSoftKeyLabels();
    // Carries out an action code; answers 0.
    virtual int DoAction(uint32_t action);
    virtual int SoftKeyIndex(int id) const;
    virtual int MenuKeyIndex(int id) const;

    // Shows the bound texts (versions, serial number) in their edits.
    void ShowBoundTexts();
    int GetPage() const { return page_; }

    bool OnInitDialog() override;
    bool PreTranslateMessage(const plat::Message& msg) override;

  protected:
    bool OnCommand(uintptr_t wparam, intptr_t lparam) override;
    void OnTimer(uintptr_t id) override;
    void OnDestroy() override;

  private:
    // An entry of the current page: page number or action, or nothing.
    void Press(uint32_t entry);
    void SetText(int id, std::u16string_view text);

    CDiagApp& app_;
    int page_ = 1;
    bool escape_down_ = false;
    bool enter_down_ = false;
    plat::Icon icon_;
    // The texts bound to edits.
    std::u16string serial_, driver_version_, firmware_version_, keyboard_version_, spi_version_,
        program_version_;
};

}  // namespace diag
