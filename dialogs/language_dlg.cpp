#include "dialogs/language_dlg.h"

#include <mutex>

#include "core/res_string.h"
#include "platform/framework/controls.h"
#include "platform/fs/file.h"

namespace {

void RegisterLanguageTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CLanguageDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 160;
        t.cy = 90;
        t.caption = u"Language Selection";
        t.items = {
            {"LISTBOX", u"", CLanguageDlg::kListId,
             LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP, 10, 10, 140, 70},
        };
        register_dialog_template(t);
    });
}

bool Installed(const char16_t* path) {
    return static_cast<bool>(
        plat::File::open(path, plat::FileAccess::Read, plat::FileOpen::Existing));
}

}  // namespace

CLanguageDlg::CLanguageDlg(plat::CWnd* parent, int32_t current)
    : CListBoxDlg(IDD, parent, kListId), m_nLanguage(current) {
    plat::register_basic_controls();
    RegisterLanguageTemplate();
}

bool CLanguageDlg::OnInitDialog() {
    CListBoxDlg::OnInitDialog();
    if (m_LargeFont) m_List.SetFont(m_LargeFont, true);
    struct Row {
        const char16_t* library;
        uint32_t text;
        int32_t language;
    };
    static constexpr Row kRows[] = {{kEnglishLibrary, kEnglishText, kEnglish},
                                    {kMandarinLibrary, kMandarinText, kMandarin}};
    for (const Row& r : kRows) {
        if (!Installed(r.library)) continue;
        const int row = m_List.AddString(LoadResString(r.text));
        m_List.SetItemData(row, static_cast<uintptr_t>(r.language));
    }
    int selected = 0;
    for (int i = 0; i < m_List.GetCount(); ++i)
        if (static_cast<int32_t>(m_List.GetItemData(i)) == m_nLanguage) selected = i;
    if (m_List.GetCount()) m_List.SetCurSel(selected);
    RedrawSoftKeys();
    return false;
}

void CLanguageDlg::OnOK() {
    const int row = m_List.GetCurSel();
    if (row >= 0) m_nLanguage = static_cast<int32_t>(m_List.GetItemData(row));
    CListBoxDlg::OnOK();
}
