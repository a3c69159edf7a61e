#include "dialogs/band_select_dlg.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "files/lists/signal_band.h"
#include "platform/framework/controls.h"
#include "platform/framework/list_box.h"
#include "platform/gfx/dc.h"

namespace {

constexpr double kHertzPerMegahertz = 1e6;
// Start, stop, span and centre.
constexpr int kFrequencyColumns = 4;
// The list's font, in tenths of a point of the interface face.
constexpr uint32_t kListFontTenths = 80;
// Where the dialog stands on the screen.
constexpr int kLeft = 50, kTop = 50;

void RegisterBandSelectTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CBandSelectDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        t.cx = 362;
        t.cy = 198;
        t.caption = u"Select Signal Band";
        t.items = {
            {"STATIC", u"", CBandSelectDlg::kHeaderId, 0, 10, 5, 343, 15},
            {"LISTBOX", u"", CBandSelectDlg::kListId,
             LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP, 7, 20,
             347, 138},
        };
        register_dialog_template(t);
    });
}

core::Text Megahertz(uint64_t hz) {
    return core::FormatText("%7.3f", static_cast<double>(hz) / kHertzPerMegahertz);
}

}  // namespace

void CBandHeader::OnPaint() {
    plat::CPaintDC pdc(this);
    plat::Dc& dc = pdc.dc();
    const plat::Rect r = client_rect();
    dc.fill_rect(r, plat::Brush::solid(plat::CDialog::kFaceColor));
    dc.select_font(GetFont());
    dc.set_bk_mode(plat::TRANSPARENT);
    const std::u16string text = GetWindowText();
    // The list's columns, moved from its client area to this one.
    std::vector<int> starts{0};
    int shift = 0;
    if (m_pList && m_pList->exists()) {
        starts = m_pList->ColumnStarts(text);
        shift = m_pList->client_to_screen({0, 0}).x - client_to_screen({0, 0}).x;
    }
    size_t pos = 0;
    for (size_t column = 0; pos <= text.size(); ++column) {
        size_t end = text.find(u'\t', pos);
        if (end == std::u16string::npos) end = text.size();
        const int x = column < starts.size() ? std::max(0, starts[column] + shift) : 0;
        dc.text_out(x, 0, std::u16string_view(text).substr(pos, end - pos));
        pos = end + 1;
    }
}

CBandSelectDlg::CBandSelectDlg(plat::CWnd* parent, CSignalBand** band, CSignalBand* list)
    : CListBoxDlg(IDD, parent, kListId),
      m_pCurrent(band ? *band : nullptr),
      m_pList(list),
      m_ppBand(band) {
    plat::register_basic_controls();
    RegisterBandSelectTemplate();
    AttachControl(kHeaderId, &m_Header);
}

CBandSelectDlg::~CBandSelectDlg() {
    if (m_Header.exists()) m_Header.DestroyWindow();
}

core::Text CBandSelectDlg::RowText(const CSignalBand* band) {
    if (!band) return core::Text(kSeparatorLength, u'-');
    core::Text name = band->GetName();
    if (name.size() > kNameLength) name.resize(kNameLength);
    core::Text row;
    row += band->IsCustom() ? u'*' : u' ';
    row += band->GetRangeCount() > 0 ? u'+' : u' ';
    row += name;
    for (uint64_t hz : {band->GetStart(), band->GetStop(), band->GetSpan(), band->GetCenter()})
        row += u"\t" + Megahertz(hz);
    return row;
}

bool CBandSelectDlg::OnInitDialog() {
    CListBoxDlg::OnInitDialog();
    SetWindowText(LoadResString(kTitleText));
    m_ListFont = dialog_services::UiFont(kListFontTenths);
    if (m_ListFont) {
        m_Header.SetFont(m_ListFont, true);
        m_List.SetFont(m_ListFont, true);
    }
    m_Header.SetList(&m_List);
    m_Header.SetWindowText(LoadResString(kHeaderText));
    FillList(0);
    const plat::Rect r = GetWindowRect();
    MoveWindow(plat::Rect{kLeft, kTop, kLeft + r.width(), kTop + r.height()}, true);
    RedrawSoftKeys();
    return false;
}

int CBandSelectDlg::AddBandRow(CSignalBand* band, int row) {
    const core::Text text = RowText(band);
    const int added = m_List.InsertString(row, text);
    m_List.SetItemData(added, reinterpret_cast<uintptr_t>(band));
    if (!band) return 0;
    const plat::Font font = m_ListFont ? m_ListFont : m_List.GetFont();
    return font.text_extent(text.substr(0, text.find(u'\t'))).cx;
}

void CBandSelectDlg::FillList(int selection) {
    m_List.ResetContent();
    int widest = 0;
    int row = 0;
    auto add = [&](CSignalBand* band) {
        widest = std::max(widest, AddBandRow(band, row));
        ++row;
    };
    // 1. The custom bands.
    for (CSignalBand* b = m_pList; b; b = b->GetNext())
        if (b->IsCustom()) add(b);
    if (row > 0) add(nullptr);
    // 2. The bands in use, the current one first.
    const int second = row;
    int current_row = -1;
    if (m_pCurrent && m_pCurrent->GetUseCount() != 0 && !m_pCurrent->IsCustom()) {
        current_row = row;
        add(m_pCurrent);
    }
    for (CSignalBand* b = m_pList; b; b = b->GetNext())
        if (b != m_pCurrent && !b->IsCustom() && b->GetUseCount() != 0) add(b);
    const bool used = row > second;
    if (used) add(nullptr);
    // 3. Every band.
    const int third = row;
    for (CSignalBand* b = m_pList; b; b = b->GetNext()) add(b);

    int selected = selection;
    if (current_row >= 0) {
        selected = current_row;
    } else if (used) {
        selected = second;
    } else if (row > third) {
        selected = third;
    }
    if (m_List.GetCount() > 0) m_List.SetCurSel(std::clamp(selected, 0, m_List.GetCount() - 1));
    SetColumns(widest);
}

void CBandSelectDlg::SetColumns(int widest_name) {
    const plat::Font font = m_ListFont ? m_ListFont : m_List.GetFont();
    const int base = std::max(1, plat::dialog_base_units(font).cx);
    auto units = [&](int pixels) { return pixels * 4 / base; };
    const int name = units((widest_name + font.text_extent(u"*+").cx) * 9 / 8);
    const int column = units(font.text_extent(u"8888.888").cx * 3 / 2);
    std::vector<int> stops;
    for (int k = 0; k < kFrequencyColumns; ++k) stops.push_back(name + k * column);
    m_List.SetTabStops(stops);
    m_Header.Invalidate();
}

void CBandSelectDlg::TakeSelection() {
    const int row = m_List.GetCurSel();
    if (row < 0) return;
    auto* band = reinterpret_cast<CSignalBand*>(m_List.GetItemData(row));
    if (!band) return;
    if (band == m_pCurrent && band->GetUseCount() == 0) band->CountUse(true);
    m_pCurrent = band;
}

void CBandSelectDlg::OnOK() {
    TakeSelection();
    if (m_List.GetCurSel() >= 0 && m_ppBand) *m_ppBand = m_pCurrent;
    StopCaptureWatch();
    EndDialog(m_pCurrent ? plat::IDOK : plat::IDCANCEL);
}

void CBandSelectDlg::OnCancel() {
    if (m_List.GetCurSel() >= 0 && m_ppBand) *m_ppBand = m_pCurrent;
    CListBoxDlg::OnCancel();
}

bool CBandSelectDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    if (plat::loword(wparam) == kListId && plat::hiword(wparam) == plat::LBN_DBLCLK) {
        OnOK();
        return true;
    }
    return CListBoxDlg::OnCommand(wparam, lparam);
}
