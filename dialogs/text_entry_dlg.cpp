#include "dialogs/text_entry_dlg.h"

#include <algorithm>
#include <mutex>

#include "core/keys.h"
#include "core/res_string.h"
#include "core/sip_helper.h"
#include "core/text.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/message_box.h"

namespace {

constexpr int kSoftKeyCount = 8;
constexpr char16_t kPresetTitle[] = u"General";
constexpr char16_t kEllipsis[] = u"...";

// The save dialog: a group of six captioned fields (four typed, the path
// and the time shown), and a hint under it. It stands above the input
// panel, which opens at (256, 352).
void RegisterSaveInfoTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CSaveInfoDlg;
        constexpr uint32_t kTyped = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
        constexpr uint32_t kShown = ES_AUTOHSCROLL | ES_READONLY | WS_BORDER;
        constexpr int kLabelX = 10, kLabelW = 70, kEditX = 84, kEditW = 326, kRowH = 14;
        auto row = [](int n) { return 14 + 19 * n; };
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        t.x = 8;
        t.y = 4;
        t.cx = 420;
        t.cy = 170;
        t.items = {
            {"BUTTON", u"", D::kGroup, BS_GROUPBOX, 4, 2, 412, 130},
            {"STATIC", u"", D::kNameCaption, SS_LEFT, kLabelX, row(0) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kNameEdit, kTyped, kEditX, row(0), kEditW, kRowH},
            {"STATIC", u"", D::kTitleCaption, SS_LEFT, kLabelX, row(1) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kTitleEdit, kTyped, kEditX, row(1), kEditW, kRowH},
            {"STATIC", u"", D::kSubtitleCaption, SS_LEFT, kLabelX, row(2) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kSubtitleEdit, kTyped, kEditX, row(2), kEditW, kRowH},
            {"STATIC", u"", D::kNotesCaption, SS_LEFT, kLabelX, row(3) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kNotesEdit, kTyped, kEditX, row(3), kEditW, kRowH},
            {"STATIC", u"", D::kPathCaption, SS_LEFT, kLabelX, row(4) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kPathEdit, kShown, kEditX, row(4), kEditW, kRowH},
            {"STATIC", u"", D::kDateTimeCaption, SS_LEFT, kLabelX, row(5) + 2, kLabelW, kRowH},
            {"EDIT", u"", D::kDateTimeEdit, kShown, kEditX, row(5), kEditW, kRowH},
            {"STATIC", u"", D::kHint, SS_LEFT, kLabelX, 138, 400, 26},
        };
        register_dialog_template(t);
    });
}

}  // namespace

// ------------------------------------------------------------ CTextEntryDlg

CTextEntryDlg::CTextEntryDlg(int idd, plat::CWnd* parent) : CSoftKeyDlg(idd, parent) {
    plat::register_basic_controls();
}

CTextEntryDlg::~CTextEntryDlg() = default;

bool CTextEntryDlg::HasNoInputPanel() const {
    return dialog_services::SpiWord() != 0;
}

bool CTextEntryDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    if (!HasNoInputPanel()) {
        m_pSip = std::make_unique<CSipHelper>();
        m_pSip->ShowAt(kSipX, kSipY);
    }
    ShowSoftKeys();
    return false;
}

void CTextEntryDlg::ShowSoftKeys() {
    const uint32_t labels[kSoftKeyCount] = {
        kSaveLabel,      m_FieldCount >= 2 ? kNextFieldLabel : kBlankLabel,
        kPrevCharLabel,  kNextCharLabel,
        kBackSpaceLabel, kDeleteLabel,
        kClearLabel,     kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, labels);
}

bool CTextEntryDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    switch (msg.message) {
        case plat::WM_KEYDOWN:
            if (key < m_Down.size()) m_Down.set(key);
            if (m_pSip) {
                if (key == plat::VK_RETURN) {
                    if (OnEnterKey()) return true;
                } else if (HandleKey(key)) {
                    return true;
                }
            }
            break;
        case plat::WM_KEYUP:
            // A release whose press went elsewhere (a message box over this
            // dialog ended on it) does nothing here.
            if (key < m_Down.size()) {
                if (!m_Down.test(key)) return true;
                m_Down.reset(key);
            }
            break;
        case plat::WM_MOUSEWHEEL:
            if (m_pSip) {
                m_pSip->OnWheel(plat::get_wheel_delta(msg.wparam));
                return true;
            }
            break;
        default:
            break;
    }
    return CSoftKeyDlg::PreTranslateMessage(msg);
}

bool CTextEntryDlg::HandleKey(uint32_t key) {
    if (key >= plat::VK_LEFT && key <= plat::VK_DOWN) return m_pSip->OnArrowKey(key);
    if ((key >= '0' && key <= '9') || key == plat::VK_OEM_PERIOD) {
        InsertKey(key);
        return true;
    }
    return false;
}

void CTextEntryDlg::InsertKey(uint32_t key) {
    EditKey(m_Field, key);
}

plat::CEdit* CTextEntryDlg::GetFieldEdit(int field) const {
    const int id = GetFieldControl(field);
    return id ? dynamic_cast<plat::CEdit*>(GetDlgItem(id)) : nullptr;
}

int CTextEntryDlg::GetFieldControl(int) const {
    return 0;
}

void CTextEntryDlg::EditKey(int field, uint32_t key) {
    plat::CEdit* edit = GetFieldEdit(field);
    if (!edit) return;
    int start = 0, end = 0;
    edit->GetSel(start, end);
    const int caret = std::min(start, end);
    const int length = static_cast<int>(edit->GetWindowText().size());
    switch (key) {
        case kKeyDelete:
            DeleteRange(edit, caret, 1);
            break;
        case kKeyBackSpace:
            if (caret > 0) DeleteRange(edit, caret - 1, 1);
            break;
        case kKeyHome:
            edit->SetSel(0, 0);
            break;
        case kKeyEnd:
            edit->SetSel(length, length);
            break;
        case kKeyInsert:
            m_bInsert = !m_bInsert;
            break;
        case kKeyCaretLeft:
            edit->SetSel(std::max(0, caret - 1), std::max(0, caret - 1));
            break;
        case kKeyCaretRight:
            edit->SetSel(std::min(length, caret + 1), std::min(length, caret + 1));
            break;
        case kKeyShift:
        case kKeyCapsLock:
            break;
        case 128:
            InsertChar(edit, caret, u'#');
            break;
        case 186:
            InsertChar(edit, caret, u':');
            break;
        case 189:
            InsertChar(edit, caret, u'-');
            break;
        case 190:
            InsertChar(edit, caret, u'.');
            break;
        default:
            InsertChar(edit, caret, static_cast<char16_t>(key));
            break;
    }
}

void CTextEntryDlg::DeleteRange(plat::CEdit* control, int start, int count) {
    if (!control) return;
    std::u16string text = control->GetWindowText();
    if (text.empty()) return;
    const int length = static_cast<int>(text.size());
    start = std::clamp(start, 0, length);
    if (count < 0 || count > length - start) count = length - start;
    text.erase(static_cast<size_t>(start), static_cast<size_t>(count));
    control->SetWindowText(text);
    control->SetSel(start, start);
}

void CTextEntryDlg::InsertChar(plat::CEdit* control, int caret, char16_t ch) {
    if (!control) return;
    const std::u16string_view typed(&ch, 1);
    int start = 0, end = 0;
    control->GetSel(start, end);
    if (!m_bInsert && start == end) {
        // Overwrite: the character at the caret, or at the end a new one.
        const int length = static_cast<int>(control->GetWindowText().size());
        control->SetSel(caret, std::min(caret + 1, length));
    }
    control->ReplaceSel(typed);
}

void CTextEntryDlg::ClearField(int field) {
    if (plat::CEdit* edit = GetFieldEdit(field))
        DeleteRange(edit, 0, static_cast<int>(edit->GetWindowText().size()));
}

void CTextEntryDlg::FocusField(int field) {
    if (field < 0 || field >= m_FieldCount) return;
    m_Field = field;
    plat::CEdit* edit = GetFieldEdit(field);
    if (!edit) return;
    m_FocusId = GetFieldControl(field);
    edit->SetFocus();
    const int length = static_cast<int>(edit->GetWindowText().size());
    edit->SetSel(length, length);
}

bool CTextEntryDlg::OnSoftKey(int index, bool pressed) {
    if (pressed) return false;
    switch (index) {
        case 0:
            Accept();
            break;
        case 1:
            if (m_FieldCount >= 2) FocusField((m_Field + 1) % m_FieldCount);
            break;
        case 2:
        case 3:
        case 4:
        case 5: {
            // Soft keys 2 to 5 edit the field as these keys would.
            static constexpr uint32_t kEditKeys[] = {kKeyCaretLeft, kKeyCaretRight, kKeyBackSpace,
                                                     kKeyDelete};
            EditKey(m_Field, kEditKeys[index - 2]);
            break;
        }
        case 6:
            ClearField(m_Field);
            break;
        case 7:
            CSoftKeyDlg::OnCancel();
            break;
        default:
            return false;
    }
    return true;
}

void CTextEntryDlg::OnOK() {
    if (!m_pSip) {
        Accept();
        return;
    }
    // With the panel, Enter types its selected character.
    if (const char16_t ch = m_pSip->GetSelectedChar()) {
        if (plat::CEdit* edit = GetFieldEdit(m_Field)) {
            int start = 0, end = 0;
            edit->GetSel(start, end);
            InsertChar(edit, std::min(start, end), ch);
        }
    }
}

void CTextEntryDlg::Accept() {
    if (CanAccept()) CSoftKeyDlg::OnOK();
}

// ------------------------------------------------------------ CSaveInfoDlg

CSaveInfoDlg::CSaveInfoDlg(plat::CWnd* parent) : CTextEntryDlg(IDD, parent) {
    RegisterSaveInfoTemplate();
    m_FieldCount = 4;
    AttachControl(kNameEdit, &m_NameEdit);
    AttachControl(kTitleEdit, &m_TitleEdit);
    AttachControl(kSubtitleEdit, &m_SubtitleEdit);
    AttachControl(kNotesEdit, &m_NotesEdit);
    AttachControl(kPathEdit, &m_PathEdit);
    AttachControl(kDateTimeEdit, &m_DateTimeEdit);
}

int CSaveInfoDlg::GetFieldControl(int field) const {
    static constexpr int kFields[] = {kNameEdit, kTitleEdit, kSubtitleEdit, kNotesEdit};
    return field >= 0 && field < 4 ? kFields[field] : 0;
}

std::u16string CSaveInfoDlg::ShownPath(const std::u16string& path) {
    constexpr size_t kTail = kPathShown - 3;
    if (path.size() <= kPathShown) return path;
    return kEllipsis + path.substr(path.size() - kTail);
}

bool CSaveInfoDlg::OnInitDialog() {
    CTextEntryDlg::OnInitDialog();
    SetWindowText(m_Caption);
    if (m_Title.empty()) m_Title = kPresetTitle;
    static constexpr std::pair<int, uint32_t> kCaptions[] = {
        {kNameCaption, 64225},     {kTitleCaption, 64226},
        {kSubtitleCaption, 64227}, {kPathCaption, 64229},
        {kDateTimeCaption, 64230}, {kNotesCaption, 64233},
        {kGroup, 64228},           {kHint, 64234}};
    for (const auto& [id, text] : kCaptions) {
        if (plat::CWnd* c = GetDlgItem(id)) {
            c->SetFont(m_LargeFont, false);
            c->SetWindowText(LoadResString(text));
        }
    }
    for (plat::CEdit* e :
         {&m_NameEdit, &m_TitleEdit, &m_SubtitleEdit, &m_NotesEdit, &m_PathEdit, &m_DateTimeEdit})
        e->SetFont(m_LargeFont, false);
    // Typing stops at the most a title holds.
    m_TitleEdit.LimitText(kMaxTitle);
    m_SubtitleEdit.LimitText(kMaxTitle);
    m_NameEdit.SetWindowText(m_Name);
    m_TitleEdit.SetWindowText(m_Title);
    m_SubtitleEdit.SetWindowText(m_Subtitle);
    m_NotesEdit.SetWindowText(m_Notes);
    m_PathEdit.SetWindowText(ShownPath(m_Path));
    m_DateTimeEdit.SetWindowText(m_DateTime);
    FocusField(0);
    Invalidate();
    return false;
}

void CSaveInfoDlg::ReadFields() {
    m_Name = m_NameEdit.GetWindowText();
    m_Title = m_TitleEdit.GetWindowText();
    m_Subtitle = m_SubtitleEdit.GetWindowText();
    m_Notes = m_NotesEdit.GetWindowText();
}

// The name becomes a file of the setup folder: it must name a file there
// and nothing else. Titles hold at most 30 characters.
bool CSaveInfoDlg::CanAccept() {
    ReadFields();
    int refused = -1;
    uint32_t message = 0;
    if (!core::IsValidFileName(m_Name)) {
        refused = 0;
        message = kInvalidName;
    } else if (m_Title.size() > kMaxTitle) {
        refused = 1;
        message = kTooLong;
    } else if (m_Subtitle.size() > kMaxTitle) {
        refused = 2;
        message = kTooLong;
    }
    if (refused < 0) return true;
    // The box has the keyboard until it ends.
    EnableWindow(false);
    dialog_services::ShowMessage(LoadResString(message), plat::MB_OK | plat::MB_ICONASTERISK);
    EnableWindow(true);
    FocusField(refused);
    return false;
}

bool CSaveInfoDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::hiword(wparam) == plat::EN_SETFOCUS) {
        const int id = plat::loword(wparam);
        for (int field = 0; field < m_FieldCount; ++field) {
            if (GetFieldControl(field) != id) continue;
            m_Field = field;
            m_FocusId = id;
        }
    }
    return CTextEntryDlg::OnCommand(wparam, lparam);
}

void CSaveInfoDlg::OnFocus(plat::CWnd*) {
    // The dialog hands the focus back to the field that had it.
    if (plat::CEdit* edit = GetFieldEdit(m_Field)) edit->SetFocus();
}
