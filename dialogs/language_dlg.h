#pragma once
// CLanguageDlg: picks one of the installed language libraries. A library
// counts as installed when its file in "\FlashFX Disk\System" opens for
// reading: "QXEnglishDll.dll" gives the row "English" (language 9),
// "QXMandarinDll.dll" then the row "Chinese" (language 4). The row of the
// current language is selected, else the first. OK takes the selected row's
// language; OK without a row ends the dialog as Cancel.
#include <cstdint>

#include "dialogs/list_box_dlg.h"

class CLanguageDlg : public CListBoxDlg {
  public:
    static constexpr int IDD = 280;
    static constexpr int kListId = 1394;
    // The languages (primary language ids) and their row texts.
    static constexpr int32_t kEnglish = 9;
    static constexpr int32_t kMandarin = 4;
    static constexpr uint32_t kEnglishText = 64197;
    static constexpr uint32_t kMandarinText = 64198;
    static constexpr const char16_t* kEnglishLibrary = u"\\FlashFX Disk\\System\\QXEnglishDll.dll";
    static constexpr const char16_t* kMandarinLibrary =
        u"\\FlashFX Disk\\System\\QXMandarinDll.dll";

    CLanguageDlg(plat::CWnd* parent, int32_t current);
    // The chosen language; the current one until OK takes a row.
    int32_t GetLanguage() const { return m_nLanguage; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    int32_t m_nLanguage;
};
