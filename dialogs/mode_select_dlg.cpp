#include "dialogs/mode_select_dlg.h"

#include <algorithm>
#include <mutex>
#include <string>

#include "core/app_commands.h"
#include "core/history.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "dialogs/dialog_services.h"
#include "platform/framework/controls.h"
#include "widgets/readout_box.h"

namespace {

// Titles of the lists.
constexpr uint32_t kNetworkTitleText = 64306, kSpectrumTitleText = 64307, kPowerTitleText = 64308;
constexpr uint32_t kSingleNetworkText = 523, kSingleSpectrumText = 524;
// Menu-key captions of the instruments (keys 1, 2, 3).
constexpr uint32_t kNetworkKey = 161, kSpectrumKey = 61226, kPowerKey = 61250;
constexpr uint32_t kHardwareSpecAn = 6, kHardwareVnaOnly = 0x205;

// The lists share the dialog in columns; a title above each.
constexpr int kMargin = 10;
constexpr int kTitleHeight = 26;
constexpr int kGap = 12;

void RegisterTemplate(int id, std::vector<plat::DialogItem> items) {
    using namespace plat;
    DialogTemplate t;
    t.id = id;
    t.style = WS_POPUP;
    t.cx = 470;
    t.cy = 260;
    t.items = std::move(items);
    register_dialog_template(std::move(t));
}

void RegisterModeTemplates() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        constexpr uint32_t kList = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_TABSTOP;
        // Positions are set in pixels when the dialog starts (LayOut).
        RegisterTemplate(
            CModeSelectDlg::kThreeLists,
            {
                {"STATIC", u"", CModeSelectDlg::kNetworkTitle, SS_CENTER, 0, 0, 10, 8},
                {"LISTBOX", u"", CModeSelectDlg::kNetworkList, kList, 0, 0, 10, 10},
                {"STATIC", u"", CModeSelectDlg::kSpectrumTitle, SS_CENTER, 0, 0, 10, 8},
                {"LISTBOX", u"", CModeSelectDlg::kSpectrumList, kList, 0, 0, 10, 10},
                {"STATIC", u"", CModeSelectDlg::kPowerTitle, SS_CENTER, 0, 0, 10, 8},
                {"LISTBOX", u"", CModeSelectDlg::kPowerList, kList, 0, 0, 10, 10},
            });
        RegisterTemplate(CModeSelectDlg::kTwoLists,
                         {
                             {"STATIC", u"", CModeSelectDlg::kSingleTitle, SS_CENTER, 0, 0, 10, 8},
                             {"LISTBOX", u"", CModeSelectDlg::kSingleList, kList, 0, 0, 10, 10},
                             {"STATIC", u"", CModeSelectDlg::kPowerTitle, SS_CENTER, 0, 0, 10, 8},
                             {"LISTBOX", u"", CModeSelectDlg::kPowerList, kList, 0, 0, 10, 10},
                         });
    });
}

// List controls and titles in ring order.
constexpr int kThreeListIds[] = {CModeSelectDlg::kNetworkList, CModeSelectDlg::kSpectrumList,
                                 CModeSelectDlg::kPowerList};
constexpr int kThreeTitleIds[] = {CModeSelectDlg::kNetworkTitle, CModeSelectDlg::kSpectrumTitle,
                                  CModeSelectDlg::kPowerTitle};
constexpr int kTwoListIds[] = {CModeSelectDlg::kSingleList, CModeSelectDlg::kPowerList};
constexpr int kTwoTitleIds[] = {CModeSelectDlg::kSingleTitle, CModeSelectDlg::kPowerTitle};

// A label of two lines reads as one.
core::Text OneLine(core::Text label) {
    std::replace(label.begin(), label.end(), u'\n', u' ');
    return label;
}

void SetItemText(plat::CWnd& dialog, int id, const core::Text& text) {
    if (plat::CWnd* item = dialog.GetDlgItem(id)) item->SetWindowText(text);
}

}  // namespace

CModeSelectDlg::CModeSelectDlg(plat::CWnd* frame, CPanelWidget* menu_keys,
                               plat::CWnd* screen_window, int template_id, IModeListOwner* owner)
    : CListDlg(template_id == kThreeLists ? kThreeLists : kTwoLists, screen_window,
               dialog_services::ColorSchemeHolder()),
      m_pMenuKeys(menu_keys),
      m_pFrame(frame),
      m_pOwner(owner),
      m_RowFont(dialog_services::UiFont(100)) {
    plat::register_basic_controls();
    plat::register_list_box_control();
    RegisterModeTemplates();
    const int* ids = m_Idd == kThreeLists ? kThreeListIds : kTwoListIds;
    for (int i = 0; i < ListCount(); ++i) AttachControl(ids[i], &ListAt(i));
}

CModeSelectDlg::~CModeSelectDlg() = default;

int CModeSelectDlg::ModeOfList(int control_id) const {
    switch (control_id) {
        case kSpectrumList:
            return kModeSpectrum;
        case kPowerList:
            return kModePower;
        case kNetworkList:
            return kModeNetwork;
        default:
            return m_nSingleMode;
    }
}

plat::CListBox* CModeSelectDlg::ListOfMode(int mode) {
    if (mode == kModePower) return &ListAt(m_Idd == kThreeLists ? 2 : 1);
    if (m_Idd == kThreeLists) {
        if (mode == kModeNetwork) return &ListAt(0);
        if (mode == kModeSpectrum) return &ListAt(1);
        return nullptr;
    }
    return mode == kModeNetwork || mode == kModeSpectrum ? &ListAt(0) : nullptr;
}

int CModeSelectDlg::IndexOfList(const plat::CWnd* list) const {
    for (int i = 0; i < ListCount(); ++i)
        if (list == &m_Lists[static_cast<size_t>(i)]) return i;
    return -1;
}

plat::CListBox* CModeSelectDlg::FocusedList() {
    const int i = IndexOfList(plat::CWnd::GetFocus());
    return i < 0 ? nullptr : &ListAt(i);
}

void CModeSelectDlg::LayOut() {
    if (m_Area.width() > 0) MoveWindow(m_Area, false);
    const plat::Rect client = GetClientRect();
    const int n = ListCount();
    const int width = (client.width() - 2 * kMargin - (n - 1) * kGap) / n;
    const int* lists = m_Idd == kThreeLists ? kThreeListIds : kTwoListIds;
    const int* titles = m_Idd == kThreeLists ? kThreeTitleIds : kTwoTitleIds;
    for (int i = 0; i < n; ++i) {
        const int left = kMargin + i * (width + kGap);
        if (plat::CWnd* title = GetDlgItem(titles[i]))
            title->MoveWindow({left, kMargin, left + width, kMargin + kTitleHeight}, false);
        if (plat::CWnd* list = GetDlgItem(lists[i]))
            list->MoveWindow(
                {left, kMargin + kTitleHeight + 4, left + width, client.bottom - kMargin}, false);
    }
}

bool CModeSelectDlg::OnInitDialog() {
    CListDlg::OnInitDialog();
    LayOut();
    if (m_Idd == kTwoLists) {
        // The single list is the one instrument of the unit; its title says
        // which even while that instrument's screen is not there.
        const uint32_t hw = m_pOwner ? m_pOwner->GetHardwareId() : 0;
        m_nSingleMode = hw == kHardwareVnaOnly  ? kModeNetwork
                        : hw == kHardwareSpecAn ? kModeSpectrum
                                                : 0;
        m_SingleTitle = LoadResString(hw == kHardwareVnaOnly  ? kSingleNetworkText
                                      : hw == kHardwareSpecAn ? kSingleSpectrumText
                                                              : kSpectrumTitleText);
        SetItemText(*this, kSingleTitle, m_SingleTitle);
        SetItemText(*this, kPowerTitle, LoadResString(kPowerTitleText));
    } else {
        SetItemText(*this, kNetworkTitle, LoadResString(kNetworkTitleText));
        SetItemText(*this, kSpectrumTitle, LoadResString(kSpectrumTitleText));
        SetItemText(*this, kPowerTitle, LoadResString(kPowerTitleText));
    }
    const int last = m_pOwner ? m_pOwner->GetLastSelectedMode() : 1;
    bool found = false;
    for (int mode : {kModeNetwork, kModeSpectrum, kModePower}) {
        plat::CListBox* list = ListOfMode(mode);
        const int title_id = mode == kModePower     ? kPowerTitle
                             : m_Idd == kTwoLists   ? kSingleTitle
                             : mode == kModeNetwork ? kNetworkTitle
                                                    : kSpectrumTitle;
        if (plat::CWnd* title = GetDlgItem(title_id)) title->SetFont(m_ListFont, false);
        if (!list) continue;
        list->SetFont(m_RowFont, false);
        IModeListEntry* entry = m_pOwner ? m_pOwner->FindEntry(mode) : nullptr;
        if (!entry) continue;
        if (m_Idd == kTwoLists && mode != kModePower) {
            m_nSingleMode = mode;
            m_SingleTitle =
                LoadResString(mode == kModeNetwork ? kSingleNetworkText : kSingleSpectrumText);
            SetItemText(*this, kSingleTitle, m_SingleTitle);
        }
        FillList(*list, entry);
        if (mode == last) {
            found = true;
            const int current = entry->GetCurrentMeasurementNumber();
            m_nRowToSelect = current > 0 ? current - 1 : 0;
            m_nFocusedMode = last;
        }
    }
    plat::CListBox* focus = found ? ListOfMode(last) : &ListAt(0);
    if (focus) focus->SetFocus();
    return false;
}

void CModeSelectDlg::FillList(plat::CListBox& list, IModeListEntry* entry) {
    const int space = std::max(1, m_RowFont.text_extent(u" ").cx);
    const int width = list.GetClientRect().width();
    for (int n = 1; n <= entry->GetMeasurementCount(); ++n) {
        const core::Text label = OneLine(LoadResString(entry->GetMeasurementLabelId(n)));
        // Centred with spaces; a label wider than the list gets none.
        const int spaces = std::max(0, (width - m_RowFont.text_extent(label).cx) / space / 2);
        const int row =
            list.InsertString(n - 1, core::Text(static_cast<size_t>(spaces), u' ') + label);
        list.SetItemData(row, reinterpret_cast<uintptr_t>(entry));
    }
}

IModeListEntry* CModeSelectDlg::EntryOfRow(plat::CListBox& list, int row) {
    if (row < 0 || row >= list.GetCount()) return nullptr;
    return reinterpret_cast<IModeListEntry*>(list.GetItemData(row));
}

bool CModeSelectDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    const int id = static_cast<int>(plat::loword(wparam));
    const uint32_t code = plat::hiword(wparam);
    plat::CListBox* list = nullptr;
    for (int i = 0; i < ListCount(); ++i)
        if (ListAt(i).exists() && ListAt(i).GetDlgCtrlID() == id) list = &ListAt(i);
    if (!list) return CListDlg::OnCommand(wparam, lparam);
    switch (code) {
        case plat::LBN_SELCHANGE:
            ShowHighlighted(-1);
            return true;
        case plat::LBN_DBLCLK:
            SelectCurrent();
            return true;
        case plat::LBN_SETFOCUS:
            m_nFocusedMode = id == kSpectrumList ? kModeSpectrum
                             : id == kPowerList  ? kModePower
                                                 : kModeNetwork;
            ShowHighlighted(m_nRowToSelect);
            return true;
        case plat::LBN_KILLFOCUS:
            ClearAllSelections();
            return true;
        default:
            return CListDlg::OnCommand(wparam, lparam);
    }
}

void CModeSelectDlg::ClearAllSelections() {
    for (int i = 0; i < ListCount(); ++i)
        if (ListAt(i).exists()) ListAt(i).SetCurSel(-1);
}

void CModeSelectDlg::LightMenuKey(int control_id) {
    if (!m_pMenuKeys) return;
    int key = 0;
    uint32_t caption = 0;
    switch (control_id) {
        case kPowerList:
            key = 2;
            caption = kPowerKey;
            break;
        case kSpectrumList:
            key = 1;
            caption = kSpectrumKey;
            break;
        case kNetworkList:
            key = 0;
            caption = kNetworkKey;
            break;
        default: {
            const uint32_t hw = m_pOwner ? m_pOwner->GetHardwareId() : 0;
            key = hw == kHardwareSpecAn ? 1 : 0;
            break;
        }
    }
    if (caption) m_pMenuKeys->SetBoxTextById(caption, key, false, false);
    m_pMenuKeys->Select(0, key, true);
    m_pMenuKeys->Show(0, key);
}

void CModeSelectDlg::ShowHighlighted(int row) {
    plat::CListBox* list = FocusedList();
    if (!list) return;
    LightMenuKey(list->GetDlgCtrlID());
    const int count = list->GetCount();
    if (row != -1 && count > 0) {
        if (row == kLastRow || row >= count) row = count - 1;
        if (row >= 0) list->SetCurSel(row);
    }
    const int current = list->GetCurSel();
    if (IModeListEntry* entry = EntryOfRow(*list, current)) ShowMeasurementInfo(entry, current + 1);
}

void CModeSelectDlg::ShowMeasurementInfo(IModeListEntry* entry, int measurement) {
    if (!entry || !m_pFrame) return;
    auto pair = std::make_unique<CBufferPair>();
    pair->Set(0, entry->GetNameText());
    pair->Set(2, OneLine(LoadResString(entry->GetMeasurementLabelId(measurement))));
    pair->Set(5, LoadResString(entry->GetMeasurementDescriptionId(measurement)));
    PostCommandObject<kCmdBufferPair>(m_pFrame, std::move(pair));
}

int CModeSelectDlg::GetHighlightedMeasurement() {
    plat::CListBox* list = FocusedList();
    return list ? list->GetCurSel() : -1;
}

void CModeSelectDlg::SelectCurrent() {
    plat::CListBox* list = FocusedList();
    if (!list) return;
    const int row = list->GetCurSel();
    IModeListEntry* entry = EntryOfRow(*list, row);
    if (!entry) return;
    m_nRowToSelect = row;
    entry->SelectMeasurement(row + 1);
    PostCommandObject<kCmdSwitchMode>(m_pFrame, entry->GetScreen());
    if (m_pOwner) m_pOwner->SetLastSelectedMode(entry->GetModeId());
}

void CModeSelectDlg::PostFocus() {
    if (exists()) PostMessage(plat::WM_SETFOCUS, 0, 0);
}

void CModeSelectDlg::OnSetFocus(plat::CWnd*) {
    plat::CListBox* list = ListOfMode(m_nFocusedMode);
    (list ? list : &ListAt(0))->SetFocus();
}

void CModeSelectDlg::FocusList(int index, int row) {
    if (index < 0 || index >= ListCount()) return;
    m_nRowToSelect = row;
    ClearAllSelections();
    ListAt(index).SetFocus();
}

void CModeSelectDlg::UpdateSelection() {
    plat::CListBox* list = FocusedList();
    if (!list) {
        FocusList(0, 0);
        list = &ListAt(0);
    }
    if (list->GetCurSel() < 0 && list->GetCount() > 0) list->SetCurSel(0);
}

void CModeSelectDlg::SelectRowInList(int row, int list_index) {
    plat::CListBox* focused = FocusedList();
    if (list_index == -1) {
        if (focused && row >= 0 && row < focused->GetCount()) {
            focused->SetCurSel(row);
            ShowHighlighted(-1);
            return;
        }
        list_index = 0;
    }
    if (focused) focused->SetCurSel(-1);
    if (list_index < 0 || list_index >= ListCount()) return;
    m_nRowToSelect = 0;
    if (plat::CWnd::GetFocus() == &ListAt(list_index)) {
        ShowHighlighted(0);
        return;
    }
    FocusList(list_index, 0);
}

bool CModeSelectDlg::PreTranslateMessage(const plat::Message& msg) {
    if (msg.message == plat::WM_KEYDOWN || msg.message == plat::WM_KEYUP) {
        const auto key = static_cast<uint32_t>(msg.wparam);
        const bool own = (key >= plat::VK_LEFT && key <= plat::VK_DOWN) || key == plat::VK_RETURN;
        if (!own && m_pListParent) {
            m_pListParent->PostMessage(msg.message, msg.wparam, msg.lparam);
            return true;
        }
    }
    return CListDlg::PreTranslateMessage(msg);
}

bool CModeSelectDlg::OnKeyDown(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key == plat::VK_RETURN) {
        m_bEnterPressed = true;
        return true;
    }
    return CListDlg::OnKeyDown(key, repeat, flags);
}

bool CModeSelectDlg::OnKeyUp(uint32_t key, uint16_t repeat, uint32_t flags) {
    if (key == plat::VK_RETURN) {
        if (m_bEnterPressed) SelectCurrent();
        m_bEnterPressed = false;
        return true;
    }
    if (key >= plat::VK_LEFT && key <= plat::VK_DOWN) return OnArrow(key, false);
    return CListDlg::OnKeyUp(key, repeat, flags);
}

bool CModeSelectDlg::OnArrow(uint32_t key, bool pressed) {
    if (!pressed) {
        plat::CListBox* list = FocusedList();
        const int row = GetHighlightedMeasurement();
        if (list) {
            if (IModeListEntry* entry = EntryOfRow(*list, row)) ShowMeasurementInfo(entry, row + 1);
        }
        return true;
    }
    HistoryAdd(kHistoryKeys, u"Key Press", key);
    plat::CListBox* list = FocusedList();
    const int index = list ? IndexOfList(list) : -1;
    if (index < 0) {
        FocusList(0, 0);
        return true;
    }
    const int row = list->GetCurSel();
    const int n = ListCount();
    switch (key) {
        case plat::VK_UP:
            if (row <= 0) {
                FocusList((index + n - 1) % n, kLastRow);
            } else {
                list->SetCurSel(row - 1);
                ShowHighlighted(-1);
            }
            break;
        case plat::VK_DOWN:
            if (row < 0 || row >= list->GetCount() - 1) {
                FocusList((index + 1) % n, 0);
            } else {
                list->SetCurSel(row + 1);
                ShowHighlighted(-1);
            }
            break;
        case plat::VK_LEFT:
            FocusList((index + n - 1) % n, 0);
            break;
        case plat::VK_RIGHT:
            FocusList((index + 1) % n, 0);
            break;
        default:
            return false;
    }
    return true;
}

bool CModeSelectDlg::OnWheel(int delta) {
    HistoryAdd(kHistoryKeys, u"Scroll", static_cast<uint32_t>(delta));
    plat::CListBox* list = FocusedList();
    const int index = list ? IndexOfList(list) : -1;
    if (index < 0) return true;
    const int row = list->GetCurSel();
    const int n = ListCount();
    if (delta > 0) {
        if (row <= 0)
            FocusList((index + n - 1) % n, kLastRow);
        else
            list->SetCurSel(row - 1);
    } else {
        if (row < 0 || row >= list->GetCount() - 1)
            FocusList((index + 1) % n, 0);
        else
            list->SetCurSel(row + 1);
    }
    ShowHighlighted(-1);
    return true;
}
