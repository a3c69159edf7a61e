#pragma once
// CToolsMode: the tools screen. Page 55 opens the instruments' help texts,
// the time and date dialog, the language choice, the backlight page and the
// exit; page 56 sets the backlight (automatic or a manual level, the custom
// level, the sensor gain); page 57 how the GPS box shows altitude and
// position. Menu key 1 shows the system information box, menu key 2 the GPS
// box.
#include <cstdint>

#include "screens/system/system_screen.h"

class CListDlg;

class CToolsMode : public CSystemScreen {
  public:
    static constexpr int kModeId = 4;
    static constexpr uint32_t kCaption = 134;
    static constexpr int kToolsPage = 55;
    static constexpr int kBacklightPage = 56;
    static constexpr int kGpsPage = 57;
    static constexpr int kSystemBox = 142;
    static constexpr int kGpsBox = 141;

    CToolsMode();
    ~CToolsMode() override;

    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) override;
    void ReloadTexts() override;
    int ShowPage(int page) override;
    int ClosePopup() override;
    void OnActivate() override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnMenuKey(uint32_t key, int flag) override;
    int OnEscapeKey() override;
    void OnArrowKey(uint32_t key, int pressed) override;
    int OnWheel(int delta) override;
    void OnModeKey(uint32_t key) override;
    int ShowSoftKeys() override;
    void ResetKeyTables() override;

    // The page's eight labels, `key` highlighted (-1 none).
    void ShowSoftKeys(int page, int key);
    void OnToolsItem(int key);
    int GetAltitudeFeet() const { return altitude_feet_; }
    int GetLatLonDms() const { return lat_lon_dms_; }
    int GetPopupId() const { return popup_id_; }
    CListDlg* GetPopup() const;

  private:
    void OnBacklightKey(int key);
    void OnGpsKey(int key);
    void RunLanguageDialog();
    void BackToToolsPage();
    void HighlightMenuKey(int key);
    // The two GPS display flags go to the open GPS box.
    void PassGpsFlags();
    int CustomLevel() const;
    int SensorGain() const;

    int altitude_feet_ = 0;
    int lat_lon_dms_ = 1;
    int popup_id_ = 0;
};
