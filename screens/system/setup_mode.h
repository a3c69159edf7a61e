#pragma once
// CSetupMode: the setup manager screen. It lists every stored setup of an
// instrument this unit carries (popup 137, the setup list), quick-saves or
// names and saves the setup of the screen the user came from, recalls a
// listed or the factory setup, shows one setup line by line and steps
// through the setups (popup 172), deletes one or all, and copies setups to
// and from the USB drive. The list itself is the application's sorted setup
// list; the screen reads the files into it and deletes entries only when it
// removes them.
#include <cstdint>
#include <memory>

#include "core/text.h"
#include "screens/mode_base.h"

class CListedSetup;
class CSetupSelectDlg;
class CSetupSequenceDlg;
class CSortedItemList;

// What the save dialog gives for a setup: its name (the file name without
// ".tws") and its three texts; the setup's class names its kind.
struct SetupSaveInfo {
    core::Text name, title, subtitle, notes;
    int32_t measurement_class = 0;
};

class CSetupMode : public CModeBase {
  public:
    static constexpr uint32_t kCaption = 136;
    // Soft-key pages.
    static constexpr int kMainPage = 0;
    static constexpr int kHelpPage = 49;
    static constexpr int kViewPage = 54;
    static constexpr int kSortPage = 55;
    static constexpr int kManagePage = 56;
    // Popups.
    static constexpr int kSelectPopup = 137;
    static constexpr int kSequencePopup = 172;
    // Action codes of the pages.
    static constexpr uint32_t kCodePageKey = 0x80000001;
    static constexpr uint32_t kCodeSortKey = 0x80000002;
    static constexpr uint32_t kCodeHelp = 0x80000027;
    // Folders and factory files.
    static constexpr const char16_t* kSetupFolder = u"\\FlashFX Disk\\My Setups";
    static constexpr const char16_t* kUsbVolume = u"\\Hard Disk";
    static constexpr const char16_t* kUsbFolder = u"\\Hard Disk\\My Setups";
    static constexpr const char16_t* kFactorySA = u"Factory SA.tws";
    static constexpr const char16_t* kFactoryVNA = u"Factory VNA.tws";

    CSetupMode();
    ~CSetupMode() override;

    // --- CModeBase
    int OnCreate(plat::CWnd* view, plat::CWnd* frame, int third, CColorScheme* scheme) override;
    void ResetKeyTables() override;
    void OnActivate() override;
    void CancelEntry() override;
    void ReloadTexts() override;
    int ShowPage(int page) override;
    int ClosePopup() override;
    int OnCommand(uint32_t code, intptr_t argument) override;
    void OnSoftKey(uint32_t key, int repeat) override;
    void OnMenuKey(uint32_t key, int flag) override;
    int OnEscapeKey() override;
    void OnEnterKey() override;
    void OnModeKey(uint32_t key) override;
    int OnLeftButtonDown(uint32_t flags, int x, int y) override;
    void UpdateStatusIcons(int kind, int level) override;
    void SetSetupContext(CMeasSetup* setup) override { m_pContextSetup = setup; }
    bool IsBusy() const override { return m_bBusy; }
    bool ShowsBattery() const override { return true; }
    // The texts the setup list hands over: the draw panel's two rows and the
    // summary.
    void OnBufferPair(CBufferPair* pair) override;
    // A line's help text in the readout panel's help item.
    void OnCommand32833(int kind, const core::Text* text) override;

    // --- the setup list
    virtual void ReloadSetupList();
    void LoadSetupFolders(const core::Text& folder);
    void LoadSetupList(const core::Text& folder);
    // Lists a setup copied into the setup folder (replacing the entry of the
    // same path).
    void AddCopiedSetup(const core::Text& name);
    CMeasSetup* GetCurrentSetup() const;

    // --- saving, recalling, deleting
    void DoQuickSave();
    void SaveSetupAs(CMeasSetup* setup);
    // Saves the setup under the dialog's name in the setup folder; false
    // (nothing written) for a refused name, a declined overwrite or a failed
    // save.
    bool CreateSetupFile(CMeasSetup* setup, const SetupSaveInfo& info);
    void RecallDefault();
    void DeleteSetup(CListedSetup* setup);
    // Copies one setup (the named one) or all to the USB drive, or lets the
    // user pick one to copy from it.
    virtual void CopySetupsWithUsbDisk(bool single, bool to_usb, const core::Text& name);

    // --- key pages
    virtual void OnMainPageKey(int key);
    virtual void OnViewPageKey(int key);
    virtual void OnManagePageKey(int key);

    // --- what tests and the application read
    CSetupSelectDlg* GetSelectDialog() const { return m_pSelectDlg; }
    CSetupSequenceDlg* GetSequenceDialog() const { return m_pSequenceDlg; }
    CListedSetup* GetViewedSetup() const { return m_pViewedSetup; }
    CListedSetup* GetFactorySA() const { return m_pFactorySA; }
    CListedSetup* GetFactoryVNA() const { return m_pFactoryVNA; }
    int GetPopupId() const { return m_PopupId; }
    // The status line's text after the last load: the first file left out
    // and how many were; empty when every file loaded.
    const core::Text& GetLoadReport() const { return m_LoadReport; }

    // Shows a page's soft-key labels and menu-key captions; the page becomes
    // the current one.
    void ShowPageLabels(int page);

  protected:
    // The save dialog, filled with `info`; false when the user cancelled.
    // Without a dialog to run the setup is saved under the proposed name.
    virtual bool RunSaveDialog(SetupSaveInfo& info);
    // The name of a file to copy from the USB drive's setup folder; false
    // when the user picked none.
    virtual bool PickUsbSetup(core::Text& name);
    // Copies one file between folders, showing progress; false on failure.
    virtual bool CopyFileWithProgress(const core::Text& name, const core::Text& from,
                                      const core::Text& to);

  private:
    void CreatePanes();
    void ShowStatusLine();
    void OpenSetupList();
    void ShowPopup(plat::CWnd* window);
    void ViewHighlighted();
    void ShowViewedSetup();
    CListedSetup* HighlightedSetup() const;
    void AskAndDelete(uint32_t question);
    void DeleteAll();
    void ReturnToPreviousScreen();
    void PostPaneRedraw(int pane) const;
    void RefillList();
    void CopyAllToUsb();
    bool MakeUsbFolder();
    bool IsFactory(const CListedSetup* setup) const;
    CSortedItemList* List() const;
    // A listed setup read from `path`; null (with the reason) when it does
    // not load or no screen of its kind exists.
    std::unique_ptr<CListedSetup> ReadListed(const core::Text& path, core::Text* reason) const;
    bool HasScreenFor(int32_t measurement_class) const;

    // Everything below belongs to the user-interface thread.
    CSetupSelectDlg* m_pSelectDlg = nullptr;      // the popup 137 while open
    CSetupSequenceDlg* m_pSequenceDlg = nullptr;  // the popup 172 while open
    CListedSetup* m_pViewedSetup = nullptr;       // an entry of the list
    CMeasSetup* m_pContextSetup = nullptr;        // the screen's the user came from
    CListedSetup* m_pFactorySA = nullptr;         // entries of the list
    CListedSetup* m_pFactoryVNA = nullptr;
    // The viewed setup read anew for the viewing popup.
    std::unique_ptr<CMeasSetup> m_ViewedCopy;
    bool m_bBusy = false;
    int m_PopupId = 0;
    core::Text m_LoadReport;
    int m_LeftOut = 0;
};
