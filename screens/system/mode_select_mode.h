#pragma once
// CModeSelectMode: the start screen. It holds the mode list dialog, which
// lists the measurements of every instrument this unit carries; choosing one
// switches to that instrument's screen. Menu keys 1 to 3 jump between the
// instrument lists, menu key 5 opens the tools screen and menu key 6 the help
// page, whose soft keys open the instruments' help texts.
#include <array>
#include <cstdint>
#include <memory>

#include "dialogs/mode_select_dlg.h"
#include "screens/system/system_screen.h"

class CModeSelectMode : public CSystemScreen, public IModeListOwner {
  public:
    static constexpr int kModeId = 0;
    static constexpr uint32_t kCaption = 137;
    static constexpr int kHelpPage = 49;
    // Menu-key actions of the two pages.
    static constexpr int kMenuActionCount = 6;

    CModeSelectMode();
    ~CModeSelectMode() override;

    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) override;
    int OnLeftButtonDown(uint32_t flags, int x, int y) override;
    void ReloadTexts() override;
    int ShowPage(int page) override;
    int ClosePopup() override;
    void OnActivateStart() override;
    void OnActivate() override;
    int OnCommand(uint32_t code, intptr_t argument) override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnMenuKey(uint32_t key, int flag) override;
    int OnEscapeKey() override;
    void OnEnterKey() override;
    int ShowSoftKeys() override;
    void ResetKeyTables() override;

    // IModeListOwner
    uint32_t GetHardwareId() const override;
    IModeListEntry* FindEntry(int mode) override;
    int GetLastSelectedMode() const override;
    void SetLastSelectedMode(int mode) override;

    CModeSelectDlg* GetModeDialog() const { return m_pModeDlg; }
    int GetPopupId() const { return popup_id_; }
    int GetListDialogId() const { return m_nListDialogId; }
    int menu_action(int page, int key) const;

  private:
    void ShowMenuCaptions();
    // Creates the mode list dialog from a template and shows it.
    CModeSelectDlg* CreateDialog(int template_id);
    void FocusListForKey(int key);
    // Page 49's labels, without the help keys of instruments the unit lacks.
    void ShowHelpPage();

    CModeSelectDlg* m_pModeDlg = nullptr;  // deletes itself with its window
    uint32_t m_nHardwareId = 0;
    int m_nListDialogId = CModeSelectDlg::kTwoLists;
    int popup_id_ = 0;
    std::array<std::array<int, kMenuActionCount>, 2> menu_actions_{};
    std::array<std::unique_ptr<IModeListEntry>, 4> entries_;
};
