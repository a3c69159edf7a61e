#include "dialogs/cable_list_dlg.h"

#include <algorithm>
#include <mutex>

#include "core/res_string.h"
#include "core/units.h"
#include "dialogs/dialog_services.h"
#include "files/lists/cable_type.h"
#include "platform/framework/controls.h"
#include "platform/text/number_text.h"
#include "platform/text/utf.h"

namespace {

constexpr int kTopKey = 3, kBottomKey = 4, kSelectKey = 5, kBackKey = 7;
constexpr int kCaptionHeight = 10;
// The rows' font (tenths of a point): nine loss columns fit the list.
constexpr uint32_t kRowFontSize = 70;
// Where the dialog stands on the screen.
constexpr int kLeft = 50, kTop = 50;

void RegisterCableListTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CCableListDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        t.cx = 370;
        t.cy = 210;
        t.caption = u"Cable List Dialog";
        t.items = {
            {"BUTTON", u"OK", plat::IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 69, 189, 50, 14},
            {"BUTTON", u"Cancel", plat::IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 263, 189, 50, 14},
            {"STATIC", u"", CCableListDlg::kHeaderId, SS_LEFT, 7, 3, 354, kCaptionHeight},
            {"STATIC", u"", CCableListDlg::kColumnsId, SS_LEFT, 94, 13, 267, 8},
            {"LISTBOX", u"", CCableListDlg::kListId,
             LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP, 7, 25,
             354, 162},
        };
        register_dialog_template(t);
    });
}

std::string Fixed(const char* conversion, double value) {
    return plat::format_number(conversion, value);
}

}  // namespace

// ------------------------------------------------------------ RecentCableIds

RecentCableIds& RecentCableIds::Get() {
    static RecentCableIds table;
    return table;
}

void RecentCableIds::Record(int32_t id) {
    const auto held = std::find(ids_.begin(), ids_.begin() + static_cast<ptrdiff_t>(count_), id);
    size_t last = static_cast<size_t>(held - ids_.begin());
    if (last == count_) {
        if (count_ < kMax) ++count_;
        last = count_ - 1;
    }
    // Everything before the id's old place (or before the end) moves down one.
    for (size_t i = last; i > 0; --i) ids_[i] = ids_[i - 1];
    ids_[0] = id;
}

// ------------------------------------------------------------ CCableListDlg

CCableListDlg::CCableListDlg(plat::CWnd* parent, CCableType** choice, bool metric)
    : CListBoxDlg(IDD, parent, kListId),
      m_ppChoice(choice),
      m_pInitial(choice ? *choice : nullptr),
      m_bMetric(metric) {
    plat::register_basic_controls();
    RegisterCableListTemplate();
}

CCableListDlg::~CCableListDlg() = default;

core::Text CCableListDlg::RowText(const CCableType& cable, bool metric) {
    std::string row = "\t" + Fixed("%2.1f", static_cast<double>(cable.GetVp()) * 100.0) + "%    ";
    for (int i = 0; i < CCableType::kColumns; ++i) {
        double loss = cable.GetColumnLoss(i);
        if (!metric) loss /= kFeetPerMetre;
        if (i) row += "   ";
        row += Fixed("%1.4f", loss);
    }
    return u"  " + cable.GetName() + plat::from_utf8(row);
}

bool CCableListDlg::OnInitDialog() {
    CListBoxDlg::OnInitDialog();
    static constexpr uint32_t kLabels[] = {kBlankLabel,  kBlankLabel,  kBlankLabel, kTopLabel,
                                           kBottomLabel, kSelectLabel, kBlankLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    SetWindowText(LoadResString(kCaptionText));
    const uint32_t loss_unit = m_bMetric ? UNIT_DB_PER_METRE : UNIT_DB_PER_FOOT;
    SetItemText(kHeaderId, LoadResString(kHeaderText) + u" " + LossUnitText(loss_unit));
    SetItemText(kColumnsId, LoadResString(kColumnsText));
    SetItemText(plat::IDOK, LoadResString(kOkText));
    SetItemText(plat::IDCANCEL, LoadResString(kCancelText));
    m_RowFont = dialog_services::UiFont(kRowFontSize);
    if (m_RowFont) {
        m_List.SetFont(m_RowFont, true);
        for (int id : {kHeaderId, kColumnsId})
            if (plat::CWnd* item = GetDlgItem(id)) item->SetFont(m_RowFont);
    }
    FillList(0);
    const plat::Rect r = GetWindowRect();
    MoveWindow({kLeft, kTop, kLeft + r.right - r.left, kTop + r.bottom - r.top});
    RedrawSoftKeys();
    return false;
}

int CCableListDlg::AddCableRow(CCableType* cable) {
    const core::Text text = RowText(*cable, m_bMetric);
    const int row = m_List.AddString(text);
    m_List.SetItemData(row, reinterpret_cast<uintptr_t>(cable));
    return m_List.GetFont().text_extent(std::u16string_view(text).substr(0, text.find(u'\t'))).cx;
}

void CCableListDlg::FillList(int default_row) {
    m_List.ResetContent();
    m_nSeparatorRow = -1;
    if (!m_pHead) return;
    int first_cable_row = -1;
    const RecentCableIds& recent = RecentCableIds::Get();
    for (size_t i = 0; i < recent.Count(); ++i) {
        if (CCableType* cable = m_pHead->FindById(recent.At(i))) {
            AddCableRow(cable);
            if (first_cable_row < 0) first_cable_row = m_List.GetCount() - 1;
        }
    }
    // The dashes carry no cable: that is how a selection knows them.
    if (recent.Count()) m_nSeparatorRow = m_List.AddString(core::Text(kSeparatorLength, u'-'));
    int widest = 0;
    for (CCableType* cable = m_pHead; cable; cable = cable->GetNext()) {
        widest = std::max(widest, AddCableRow(cable));
        if (first_cable_row < 0) first_cable_row = m_List.GetCount() - 1;
    }
    const int base = std::max(1, plat::dialog_base_units(m_List.GetFont()).cx);
    m_List.SetTabStops({(widest * 9 / 8) * 4 / base});
    m_List.SetCurSel(first_cable_row >= 0 ? first_cable_row : default_row);
}

bool CCableListDlg::OnSoftKey(int index, bool pressed) {
    if (index == kTopKey || index == kBottomKey) return false;  // the list moves on the press
    if (pressed) return false;
    if (index == kSelectKey) {
        OnSelect();
        return true;
    }
    if (index == kBackKey) {
        OnCancel();
        return true;
    }
    return true;
}

void CCableListDlg::OnSelect() {
    const int row = m_List.GetCurSel();
    if (row < 0) {
        Finish(nullptr);
        return;
    }
    CCableType* choice = m_ppChoice ? *m_ppChoice : m_pInitial;
    auto* cable = reinterpret_cast<CCableType*>(m_List.GetItemData(row));
    if (cable) {
        choice = cable;
        RecentCableIds::Get().Record(cable->GetId());
    }
    if (m_ppChoice) *m_ppChoice = choice;
    Finish(choice);
}

void CCableListDlg::OnCancel() {
    if (m_ppChoice && m_List.GetCurSel() >= 0) *m_ppChoice = m_pInitial;
    StopCaptureWatch();
    EndDialog(plat::IDCANCEL);
}

void CCableListDlg::SetItemText(int id, const core::Text& text) {
    if (plat::CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

void CCableListDlg::Finish(CCableType* choice) {
    StopCaptureWatch();
    EndDialog(choice ? plat::IDOK : plat::IDCANCEL);
}
