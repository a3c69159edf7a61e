#include "dialogs/quick_help_dlg.h"

#include <mutex>
#include <vector>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file.h"

namespace {

constexpr int kSoftKeyCount = 8;
// A help file larger than this is shown up to here.
constexpr int64_t kLargestHelpFile = 4 << 20;

void RegisterQuickHelpTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CQuickHelpDlg::IDD;
        t.style = WS_POPUP | WS_BORDER;
        t.x = 4;
        t.y = 22;
        t.cx = 390;
        t.cy = 290;
        t.items = {
            {"STATIC", u"Quick Help", CQuickHelpDlg::kTitleStatic, SS_CENTER, 6, 4, 378, 16},
            {"EDIT", u"", CQuickHelpDlg::kTextEdit,
             ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_BORDER, 6, 24, 378, 260},
        };
        register_dialog_template(t);
    });
}

}  // namespace

CQuickHelpDlg::CQuickHelpDlg(plat::CWnd* parent, std::u16string title, std::u16string path)
    : CSoftKeyDlg(IDD, parent), m_Title(std::move(title)), m_Path(std::move(path)) {
    plat::register_basic_controls();
    RegisterQuickHelpTemplate();
    AttachControl(kTextEdit, &m_Text);
}

CQuickHelpDlg::~CQuickHelpDlg() {
    if (m_Text.exists()) m_Text.DestroyWindow();
}

std::u16string CQuickHelpDlg::DecodeHelpText(std::span<const uint8_t> bytes) {
    size_t start = 0;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) start = 2;
    std::u16string text;
    text.reserve((bytes.size() - start) / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

bool CQuickHelpDlg::ReadFile(std::u16string& text) const {
    plat::File file = plat::File::open(m_Path, plat::FileAccess::Read, plat::FileOpen::Existing);
    if (!file) return false;
    const int64_t size = file.size();
    if (size < 0) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(size, kLargestHelpFile)));
    size_t got = 0;
    while (got < bytes.size()) {
        const int64_t n = file.read(std::as_writable_bytes(std::span(bytes).subspan(got)));
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    text = DecodeHelpText(std::span(bytes).first(got));
    return true;
}

bool CQuickHelpDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    if (m_LargeFont2) {
        if (auto* t = GetDlgItem(kTitleStatic)) t->SetFont(m_LargeFont2, true);
        m_Text.SetFont(m_LargeFont2, true);
    }
    static constexpr uint32_t kLabels[kSoftKeyCount] = {
        kPreviousPageLabel, kNextPageLabel, kFirstPageLabel, kLastPageLabel,
        kBlankLabel,        kBlankLabel,    kBlankLabel,     kCloseLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    std::u16string text;
    if (ReadFile(text)) {
        if (auto* t = GetDlgItem(kTitleStatic)) t->SetWindowText(m_Title);
        m_Text.SetWindowText(text);
    } else {
        dialog_services::ShowMessage(LoadResString(kCannotOpenText) + u"\n" + m_Path,
                                     plat::MB_OK | plat::MB_ICONEXCLAMATION);
    }
    SetFocus();
    return false;
}

void CQuickHelpDlg::Scroll(int lines) {
    if (m_Text.exists()) m_Text.LineScroll(lines);
}

bool CQuickHelpDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return index >= 2;
    switch (index) {
        case 0:
            Scroll(-kPageLines);
            return true;
        case 1:
            Scroll(kPageLines);
            return true;
        case 2:
            Scroll(-kEndLines);
            return true;
        case 3:
            Scroll(kEndLines);
            return true;
        case 7:
            OnCancel();
            return true;
        default:
            return false;
    }
}

bool CQuickHelpDlg::OnArrow(uint32_t key, bool pressed) {
    if (pressed) return true;
    if (key == plat::VK_UP) Scroll(-1);
    if (key == plat::VK_DOWN) Scroll(1);
    return true;
}

bool CQuickHelpDlg::OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key == plat::VK_RETURN) m_bEnterDown = true;
    if (key == plat::VK_ESCAPE) m_bEscapeDown = true;
    return CSoftKeyDlg::OnKeyDown(key, repeat, flags);
}

bool CQuickHelpDlg::OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key >= plat::VK_LEFT && key <= plat::VK_DOWN) return OnArrow(key, false);
    if (key == plat::VK_RETURN || key == plat::VK_ESCAPE) {
        bool& down = key == plat::VK_RETURN ? m_bEnterDown : m_bEscapeDown;
        const bool seen = down;
        down = false;
        if (seen && key == plat::VK_RETURN) OnOK();
        if (seen && key == plat::VK_ESCAPE) OnCancel();
        return true;
    }
    return CSoftKeyDlg::OnKeyUp(key, repeat, flags);
}
