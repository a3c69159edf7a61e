#include "dialogs/setup_sequence_dlg.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include "core/app_commands.h"
#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_lines.h"
#include "files/meas_setup.h"
#include "files/setup_entry.h"
#include "platform/framework/controls.h"

namespace {

constexpr uint32_t kNextText = 64368, kPreviousText = 64367;
constexpr uint32_t kBlankLabel = 184;
constexpr int kTabGap = 8;  // pixels between the widest label and the values

void RegisterSequenceTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CSetupSequenceDlg::IDD;
        t.style = WS_CHILD;
        t.x = 1;
        t.y = 53;
        t.cx = 399;
        t.cy = 215;
        t.font_face = u"System";
        t.point_size = 8;
        const uint32_t edit = ES_READONLY | ES_LEFT | ES_MULTILINE | WS_BORDER;
        t.items = {
            {"LISTBOX", u"", CSetupSequenceDlg::kLinesId,
             WS_BORDER | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT, 79, 17,
             232, 191},
            {"STATIC", u"Previous Setup:", CSetupSequenceDlg::kPreviousLabel, SS_LEFT, 10, 15, 55,
             25},
            {"EDIT", u"", CSetupSequenceDlg::kPreviousEdit, edit, 8, 46, 64, 35},
            {"STATIC", u"Next Setup:", CSetupSequenceDlg::kNextLabel, SS_LEFT, 322, 15, 71, 25},
            {"EDIT", u"", CSetupSequenceDlg::kNextEdit, edit, 322, 46, 71, 35},
            {"STATIC", u"", CSetupSequenceDlg::kSpareLabel, SS_LEFT, 323, 176, 71, 29},
        };
        register_dialog_template(t);
    });
}

}  // namespace

CSetupSequenceDlg::CSetupSequenceDlg(plat::CWnd* parent)
    : CListDlg(IDD, parent, dialog_services::ColorSchemeHolder()),
      m_LineFont(dialog_services::UiFont(dialog_services::SmallFontWidth())) {
    plat::register_basic_controls();
    RegisterSequenceTemplate();
    m_LabelIds.fill(kBlankLabel);
    AttachControl(kLinesId, &m_Lines);
    AttachControl(kNextEdit, &m_NextEditCtl);
    AttachControl(kPreviousEdit, &m_PreviousEditCtl);
}

CSetupSequenceDlg::~CSetupSequenceDlg() = default;

void CSetupSequenceDlg::SetFirstEntry(ISetupEntry* first, ISetupEntry* viewed) {
    m_pFirst = first;
    m_pViewedEntry = viewed;
}

bool CSetupSequenceDlg::OnInitDialog() {
    CListDlg::OnInitDialog();
    m_Lines.SetFont(m_LineFont, false);
    FillRows(0);
    m_Lines.SetFocus();
    for (int id : {kNextLabel, kPreviousLabel, kSpareLabel})
        if (plat::CWnd* label = GetDlgItem(id)) label->SetFont(m_ListFont, false);
    if (plat::CWnd* next = GetDlgItem(kNextLabel)) next->SetWindowText(LoadResString(kNextText));
    if (plat::CWnd* previous = GetDlgItem(kPreviousLabel))
        previous->SetWindowText(LoadResString(kPreviousText));
    m_NextEditCtl.SetFont(m_LineFont, false);
    m_PreviousEditCtl.SetFont(m_LineFont, false);
    ShowRowHelp();
    return true;
}

void CSetupSequenceDlg::DoDataExchange() {
    if (m_NextEditCtl.exists()) m_NextEditCtl.SetWindowText(m_NextName);
    if (m_PreviousEditCtl.exists()) m_PreviousEditCtl.SetWindowText(m_PreviousName);
}

void CSetupSequenceDlg::FillRows(int select) {
    m_Lines.ResetContent();
    if (!m_pViewedSetup) return;
    const plat::Font& font = m_LineFont;
    int widest = 0;
    for (int line = 0; line < setup_lines::kLineCount; ++line) {
        const core::Text text = setup_lines::LineText(line, *m_pViewedSetup);
        if (text.empty()) continue;
        const int index = m_Lines.AddString(text);
        m_Lines.SetItemData(index, static_cast<uintptr_t>(line));
        const size_t tab = text.find(u'\t');
        widest = std::max(widest, font.text_extent(text.substr(0, tab)).cx);
    }
    // One tab stop, in the list font's dialog units, a little past the
    // widest label.
    const int base = std::max(1, plat::dialog_base_units(m_LineFont).cx);
    m_Lines.SetTabStops({(widest + kTabGap) * 4 / base + 1});
    if (m_pViewedEntry) {
        ISetupEntry* previous = GetPreviousSetup(m_pViewedEntry);
        ISetupEntry* next = GetNextSetup(m_pViewedEntry);
        m_PreviousName = previous ? previous->GetEntryFileName() : std::u16string();
        m_NextName = next ? next->GetEntryFileName() : std::u16string();
    }
    DoDataExchange();
    m_Lines.SetCurSel(select);
}

int CSetupSequenceDlg::GetSelectedItemData() const {
    const int selected = m_Lines.GetCurSel();
    return selected < 0 ? -1 : static_cast<int>(m_Lines.GetItemData(selected));
}

void CSetupSequenceDlg::ShowRowHelp() {
    const int line = GetSelectedItemData();
    if (line < 0 || !m_pViewedSetup) return;
    const int32_t id = m_pViewedSetup->GetPropertyHelpId(line);
    if (id < 0) return;
    m_HelpText = LoadResString(static_cast<uint32_t>(id));
    // The parent gets its own copy: the dialog may be gone before it reads it.
    PostCommandObject<kCmdReadout>(m_pListParent, std::make_unique<core::Text>(m_HelpText));
}

ISetupEntry* CSetupSequenceDlg::GetNextSetup(ISetupEntry* entry) const {
    if (!entry) return m_pFirst;
    for (ISetupEntry* e = m_pFirst; e; e = e->GetNextEntry())
        if (e == entry) return e->GetNextEntry() ? e->GetNextEntry() : m_pFirst;
    return m_pFirst;
}

ISetupEntry* CSetupSequenceDlg::GetPreviousSetup(ISetupEntry* entry) const {
    ISetupEntry* walk = m_pFirst;
    if (!walk) return nullptr;
    // The first entry's predecessor is the last; the walk stops at the end.
    while (walk->GetNextEntry() && walk->GetNextEntry() != entry) walk = walk->GetNextEntry();
    return walk;
}

void CSetupSequenceDlg::Step(bool forward) {
    const int count = m_Lines.GetCount();
    if (count == 0) return;
    const int selected = m_Lines.GetCurSel();
    int row = 0;
    if (selected >= 0) row = forward ? (selected + 1) % count : (selected + count - 1) % count;
    m_Lines.SetCurSel(row);
}

void CSetupSequenceDlg::OnAction(int code) {
    switch (code) {
        case kActionFirst:
            m_Lines.SetCurSel(m_Lines.GetCount() ? 0 : -1);
            break;
        case kActionLast:
            m_Lines.SetCurSel(m_Lines.GetCount() - 1);
            break;
        case kActionRefill:
            FillRows(0);
            break;
        default:
            break;
    }
}

bool CSetupSequenceDlg::OnArrow(uint32_t key, bool pressed) {
    if (!pressed) return false;
    switch (key) {
        case plat::VK_LEFT:
        case plat::VK_DOWN:
            Step(true);
            break;
        case plat::VK_UP:
        case plat::VK_RIGHT:
            Step(false);
            break;
        default:
            return false;
    }
    ShowRowHelp();
    return true;
}

bool CSetupSequenceDlg::OnWheel(int delta) {
    Step(delta >= 0);
    ShowRowHelp();
    m_Lines.SetFocus();
    return true;
}
