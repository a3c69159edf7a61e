#include "dialogs/info_dlg.h"

#include <cstdio>

#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "platform/framework/edit.h"

namespace {

constexpr uint32_t kFontTenths = 100;
// Pixel layout of the box (client coordinates).
constexpr int kMargin = 10;
constexpr int kContactLine = 20;
constexpr int kRowsTop = 4 * kMargin + 3 * kContactLine;
constexpr int kRowPitch = 30;
constexpr int kRowHeight = 24;
constexpr int kColumnGap = 14;
constexpr int kLabelShare = 55;  // percent of a column

}  // namespace

core::Text FormatResValue(uint32_t format_id, double value) {
    const core::Text format = LoadResString(format_id);
    core::Text out;
    bool done = false;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // One conversion: flags, width and precision, then its letter.
        size_t end = i + 1;
        while (end < format.size() && std::u16string_view(u"-+ #0123456789.").find(format[end]) !=
                                          std::u16string_view::npos)
            ++end;
        if (end >= format.size() || done) {
            out += format.substr(i, end - i);
            i = end - 1;
            continue;
        }
        const std::string spec = core::LowBytes(format.substr(i, end - i + 1));
        char buffer[64] = {};
        const char letter = static_cast<char>(format[end]);
        if (letter == 'f' || letter == 'g' || letter == 'e')
            std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
        else
            std::snprintf(buffer, sizeof buffer, (spec.substr(0, spec.size() - 1) + "lld").c_str(),
                          static_cast<long long>(value));
        out += core::WidenBytes(buffer);
        done = true;
        i = end;
    }
    return out;
}

CInfoDlgBase::CInfoDlgBase(int idd, plat::CWnd* frame, plat::CWnd* screen, uint32_t refresh_ms)
    : CListDlg(idd, screen, dialog_services::ColorSchemeHolder()),
      m_DialogFont(dialog_services::UiFont(kFontTenths)),
      m_RefreshMs(refresh_ms) {
    (void)frame;
    plat::register_basic_controls();
}

CInfoDlgBase::~CInfoDlgBase() = default;

void CInfoDlgBase::RegisterInfoTemplate(int idd, const std::vector<Row>& rows,
                                        std::vector<plat::DialogItem> extra) {
    using namespace plat;
    DialogTemplate t;
    t.id = idd;
    t.style = WS_POPUP;
    t.cx = 470;
    t.cy = 260;
    // Positions are set in pixels when the box starts.
    for (int i = 0; i < kContactCount; ++i)
        t.items.push_back({"STATIC", u"", kFirstContact + i, SS_LEFT, 0, 0, 10, 8});
    for (const Row& r : rows) {
        t.items.push_back({"STATIC", u"", r.label, SS_LEFT, 0, 0, 10, 8});
        if (r.field) t.items.push_back({"EDIT", u"", r.field, ES_READONLY, 0, 0, 10, 8});
        if (r.field2) t.items.push_back({"EDIT", u"", r.field2, ES_READONLY, 0, 0, 10, 8});
    }
    for (auto& item : extra) t.items.push_back(std::move(item));
    register_dialog_template(std::move(t));
}

bool CInfoDlgBase::OnInitDialog() {
    CListDlg::OnInitDialog();
    if (m_Area.width() > 0) MoveWindow(m_Area, false);
    const plat::Rect client = GetClientRect();
    const int column_width = (client.width() - 2 * kMargin - kColumnGap) / 2;
    for (int i = 0; i < kContactCount; ++i) {
        const int left = kMargin + (i % 2) * (column_width + kColumnGap);
        const int top = kMargin + (i / 2) * kContactLine;
        if (plat::CWnd* c = GetDlgItem(kFirstContact + i)) {
            c->SetFont(m_DialogFont, false);
            c->MoveWindow({left, top, left + column_width, top + kContactLine}, false);
        }
    }
    int row_in_column[2] = {0, 0};
    for (const Row& r : Rows()) {
        const int left = kMargin + r.column * (column_width + kColumnGap);
        const int top = kRowsTop + row_in_column[r.column]++ * kRowPitch;
        const int label_width = column_width * kLabelShare / 100;
        const int field_left = left + label_width;
        const int field_right = left + column_width;
        if (plat::CWnd* l = GetDlgItem(r.label)) {
            l->SetFont(m_DialogFont, false);
            l->MoveWindow({left, top, field_left - 4, top + kRowHeight}, false);
        }
        const int split = r.field2 ? (field_left + field_right) / 2 : field_right;
        if (plat::CWnd* f = GetDlgItem(r.field)) {
            f->SetFont(m_DialogFont, false);
            f->MoveWindow({field_left, top, split - (r.field2 ? 2 : 0), top + kRowHeight}, false);
        }
        if (plat::CWnd* f = r.field2 ? GetDlgItem(r.field2) : nullptr) {
            f->SetFont(m_DialogFont, false);
            f->MoveWindow({split + 2, top, field_right, top + kRowHeight}, false);
        }
    }
    ReloadTexts();
    Refresh();
    SetTimer(kRefreshTimer, m_RefreshMs);
    // The keys stay with the screen behind the box.
    return false;
}

void CInfoDlgBase::ReloadTexts() {
    for (int i = 0; i < kContactCount; ++i)
        SetField(kFirstContact + i, LoadResString(static_cast<uint32_t>(kFirstContact + i)));
    for (const Row& r : Rows()) SetField(r.label, LoadResString(static_cast<uint32_t>(r.label)));
    // The fields' formats ("%.1f%% free", "%d min") are texts of the
    // language too.
    Refresh();
}

void CInfoDlgBase::OnTimer(uintptr_t id) {
    if (id != kRefreshTimer) {
        CListDlg::OnTimer(id);
        return;
    }
    Refresh();
}

void CInfoDlgBase::OnDestroy() {
    KillTimer(kRefreshTimer);
    CListDlg::OnDestroy();
}

void CInfoDlgBase::SetField(int id, const core::Text& text) {
    plat::CWnd* item = GetDlgItem(id);
    if (item && item->GetWindowText() != text) item->SetWindowText(text);
}

core::Text CInfoDlgBase::GetItemText(int id) const {
    plat::CWnd* item = GetDlgItem(id);
    return item ? item->GetWindowText() : core::Text();
}

// Arrows and Escape belong to the screen behind the box.
bool CInfoDlgBase::OnArrow(uint32_t, bool) {
    return false;
}

bool CInfoDlgBase::OnKeyDown(uint32_t, uint16_t, uint32_t) {
    return false;
}
