#include "dialogs/mask_dialogs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include "core/res_string.h"
#include "core/units.h"
#include "platform/framework/dialog.h"
#include "platform/framework/system_services.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kBlankLabel = 184, kClearLabel = 138, kDoneLabel = 700;
constexpr std::array<uint32_t, 4> kUnitLabels = {887, 685, 686, 687};
constexpr std::array<uint64_t, 4> kMultipliers = {1, 1000, 1000000, 1000000000};
constexpr uint32_t kCentreLabel = 214, kSpanLabel = 215;
constexpr uint32_t kRefusedBeep = 0x20;
// Where the label entry stands beside the input panel.
constexpr int kInputPanelX = 100, kInputPanelY = 150;
// The centre point: offset 0 at 0 dB, compared in hundredths.
bool IsCentre(double offset, double level) {
    return std::llround(offset * 100) == 0 && std::llround(level * 100) == 0;
}

void RegisterMaskPointTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CMaskPointDlg;
        constexpr uint32_t kTyped = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        t.x = 150;
        t.y = 250;
        t.cx = 270;
        t.cy = 78;
        t.items = {
            {"STATIC", u"", D::kCentreText, SS_LEFT, 7, 2, 110, 12},
            {"STATIC", u"", D::kSpanText, SS_LEFT, 119, 2, 100, 12},
            {"STATIC", u"Point", D::kPointCaption, SS_LEFT, 222, 2, 24, 12},
            {"EDIT", u"", D::kNumberEdit, kTyped, 248, 1, 20, 13},
            {"STATIC", u"Frequency Offset", D::kOffsetCaption, SS_LEFT, 7, 21, 56, 22},
            {"EDIT", u"", D::kOffsetEdit, kTyped, 65, 20, 156, 25},
            {"STATIC", u"GHz", D::kOffsetUnit, SS_LEFT, 225, 23, 40, 12},
            {"STATIC", u"Level (dBc)", D::kLevelCaption, SS_LEFT, 7, 56, 56, 12},
            {"EDIT", u"", D::kLevelEdit, kTyped, 65, 50, 156, 25},
            {"STATIC", u"dB", D::kLevelUnit, SS_LEFT, 225, 54, 40, 12},
        };
        register_dialog_template(t);
    });
}

void RegisterLabelEntryTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        using D = CLabelEntryDlg;
        DialogTemplate t;
        t.id = D::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        // The hints take two lines each.
        t.cx = 234;
        t.cy = 74;
        t.items = {
            {"EDIT", u"", D::kTextEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 2, 2, 228, 23},
            {"STATIC", u"", D::kHint, SS_LEFT, 4, 28, 226, 20},
            {"STATIC", u"", D::kLimitHint, SS_LEFT, 4, 50, 226, 20},
        };
        register_dialog_template(t);
    });
}

}  // namespace

// ------------------------------------------------------------ CLineMaskListDlg

CLineMaskListDlg::CLineMaskListDlg(plat::CWnd* parent, std::vector<std::u16string> names,
                                   int current)
    : CSettingListDlg(parent), m_Names(std::move(names)), m_Selection(current) {
    if (m_Names.size() > kMaxNames) m_Names.resize(kMaxNames);
}

bool CLineMaskListDlg::OnInitDialog() {
    CSettingListDlg::OnInitDialog();
    m_Title = LoadResString(kTitleText);
    SetWindowText(m_Title);
    SetTexts(u"", u"");
    for (const std::u16string& name : m_Names) m_List.AddString(name);
    if (!m_Names.empty())
        m_List.SetCurSel(std::clamp(m_Selection, 0, static_cast<int>(m_Names.size()) - 1));
    m_ValueEdit.ShowWindow(plat::SW_HIDE);
    LayoutControls();
    RedrawSoftKeys();
    return false;
}

void CLineMaskListDlg::OnOK() {
    const int row = m_List.GetCurSel();
    if (row >= 0) m_Selection = row;
    CSettingListDlg::OnOK();
}

// ------------------------------------------------------------ CMaskPointDlg

CMaskPointDlg::CMaskPointDlg(plat::CWnd* parent, Setup setup, Loader load, Taker take)
    : CSoftKeyDlg(IDD, parent),
      m_Setup(std::move(setup)),
      m_Load(std::move(load)),
      m_Take(std::move(take)) {
    RegisterMaskPointTemplate();
    AttachControl(kOffsetEdit, &m_OffsetEdit);
    AttachControl(kLevelEdit, &m_LevelEdit);
    AttachControl(kNumberEdit, &m_NumberEdit);
}

CMaskPointDlg::~CMaskPointDlg() {
    for (plat::CEdit* e :
         {static_cast<plat::CEdit*>(&m_OffsetEdit), static_cast<plat::CEdit*>(&m_LevelEdit),
          static_cast<plat::CEdit*>(&m_NumberEdit)})
        if (e->exists()) e->DestroyWindow();
}

std::u16string CMaskPointDlg::DigitToText(int code) {
    if (code >= 0 && code <= 9) return std::u16string(1, static_cast<char16_t>(u'0' + code));
    if (code == 10) return u"-";
    if (code == 11) return u".";
    return {};
}

bool CMaskPointDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    for (CDoubleEdit* e : {&m_OffsetEdit, &m_LevelEdit}) {
        e->SetFont(m_SmallFont);
        e->SetFormat("%.3f");
    }
    m_NumberEdit.SetFont(m_SmallFont);
    Initialise();
    return false;
}

void CMaskPointDlg::Initialise() {
    m_OffsetEdit.SetRange(m_Setup.offsetMin / static_cast<double>(m_Multiplier),
                          m_Setup.offsetMax / static_cast<double>(m_Multiplier));
    m_LevelEdit.SetRange(m_Setup.levelMin, m_Setup.levelMax);
    if (m_FirstShow) ShowUnit();
    m_FirstShow = false;
    if (plat::CWnd* c = GetDlgItem(kCentreText))
        c->SetWindowText(LoadResString(kCentreLabel) + u": " +
                         FormatValue(m_Setup.centre, 0, false, true, false, 3));
    if (plat::CWnd* c = GetDlgItem(kSpanText))
        c->SetWindowText(LoadResString(kSpanLabel) + u": " +
                         FormatValue(m_Setup.span, 0, false, true, false, 3));
    if (plat::CWnd* c = GetDlgItem(kLevelUnit)) c->SetWindowText(u"dBc");
    if (m_Setup.mode == kEdit || m_Setup.mode == kDelete) {
        m_NumberEdit.SetFocus();
        int number = std::clamp(m_Setup.current, 1, std::max(m_Setup.count + 1, 1));
        double offset = 0, level = 0;
        if (m_Load(number, offset, level) && IsCentre(offset, level) && number > 1) --number;
        ShowPoint(number);
    } else {
        m_OffsetEdit.SetText(m_Setup.initialText);
        m_LevelEdit.SetText(u"");
        m_NumberEdit.SetValue(m_Setup.current);
        Focus(kOffsetField);
    }
    static constexpr std::array<const char16_t*, 4> kModes = {u"", u" (Add Point)",
                                                              u" (Edit Point)", u" (Delete Point)"};
    m_Title = m_Setup.caption + kModes[static_cast<size_t>(std::clamp(m_Setup.mode, 0, 3))];
    SetWindowText(m_Title);
    if (m_pSoftKeys) {
        m_pSoftKeys->ResetChildren();
        for (size_t k = 0; k < kUnitLabels.size(); ++k)
            m_pSoftKeys->SetKeyTextById(kUnitLabels[k], static_cast<int>(k), false, false);
        m_pSoftKeys->SetKeyTextById(kBlankLabel, 4, false, false);
        m_pSoftKeys->SetKeyText(u"Save Point", kSaveKey, false, false);
        m_pSoftKeys->SetKeyTextById(kClearLabel, kClearKey, false, false);
        m_pSoftKeys->SetKeyTextById(kDoneLabel, kDoneKey, false, false);
        m_pSoftKeys->RedrawAll();
    }
}

void CMaskPointDlg::ShowUnit() {
    for (size_t k = 0; k < kMultipliers.size(); ++k)
        if (kMultipliers[k] == m_Multiplier)
            if (plat::CWnd* c = GetDlgItem(kOffsetUnit))
                c->SetWindowText(LoadResString(kUnitLabels[k]));
}

bool CMaskPointDlg::ShowPoint(int number) {
    double offset = 0, level = 0;
    if (!m_Load(number, offset, level)) return false;
    m_Setup.current = number;
    m_NumberEdit.SetValue(number);
    m_OffsetEdit.SetValue(offset / static_cast<double>(m_Multiplier));
    m_LevelEdit.SetValue(level);
    return true;
}

void CMaskPointDlg::Focus(int field) {
    m_Field = field;
    CDoubleEdit& e = field == kLevelField ? m_LevelEdit : m_OffsetEdit;
    e.Activate();
}

void CMaskPointDlg::Step(bool next) {
    const int last = std::max(m_Setup.count + 1, 1);
    auto move = [&](int n, bool forward) { return std::clamp(n + (forward ? 1 : -1), 1, last); };
    int number = move(m_Setup.current, next);
    double offset = 0, level = 0;
    if (number == m_Setup.current) return;
    if (m_Load(number, offset, level) && IsCentre(offset, level)) {
        int beyond = move(number, next);
        // At the end the step goes back the other way instead.
        if (beyond == number) beyond = move(number, !next);
        if (beyond == m_Setup.current) return;
        number = beyond;
    }
    ShowPoint(number);
}

bool CMaskPointDlg::OnSoftKey(int index, bool pressed) {
    if (index < 0 || index > kDoneKey) return false;
    if (pressed) return true;
    if (index < static_cast<int>(kMultipliers.size())) {
        m_Multiplier = kMultipliers[static_cast<size_t>(index)];
        m_OffsetEdit.SetRange(m_Setup.offsetMin / static_cast<double>(m_Multiplier),
                              m_Setup.offsetMax / static_cast<double>(m_Multiplier));
        ShowUnit();
    } else if (index == kSaveKey) {
        Save();
    } else if (index == kClearKey) {
        (m_Field == kLevelField ? m_LevelEdit : m_OffsetEdit).SetText(u"");
    } else if (index == kDoneKey) {
        CSoftKeyDlg::OnOK();
    }
    return true;
}

bool CMaskPointDlg::OnArrow(uint32_t key, bool pressed) {
    if (!pressed) return true;
    if (key == plat::VK_UP || key == plat::VK_DOWN) {
        Focus(m_Field == kOffsetField ? kLevelField : kOffsetField);
        return true;
    }
    if ((key == plat::VK_LEFT || key == plat::VK_RIGHT) &&
        (m_Setup.mode == kEdit || m_Setup.mode == kDelete)) {
        Step(key == plat::VK_RIGHT);
        return true;
    }
    return false;
}

void CMaskPointDlg::OnOK() {
    Save();
}

void CMaskPointDlg::OnFocus(plat::CWnd*) {
    (m_Field == kLevelField ? m_LevelEdit : m_OffsetEdit).Reactivate();
}

void CMaskPointDlg::Save() {
    if (m_Setup.mode == kDelete && m_Setup.count == 0) return;
    double typed = 0, level = 0;
    const bool hasOffset = m_OffsetEdit.GetValue(typed);
    const double offset = typed * static_cast<double>(m_Multiplier);
    if (!hasOffset || offset < m_Setup.offsetMin || offset > m_Setup.offsetMax) {
        m_OffsetEdit.SetText(u"");
        Focus(kOffsetField);
        return;
    }
    if (!m_LevelEdit.GetValue(level) || level < m_Setup.levelMin || level > m_Setup.levelMax) {
        m_LevelEdit.SetText(u"");
        Focus(kLevelField);
        return;
    }
    if (!m_Take(m_Setup.current, offset, level)) {
        ShowPoint(m_Setup.current);
        Focus(kOffsetField);
        return;
    }
    if (m_Setup.mode == kDelete) {
        --m_Setup.count;
        m_Setup.current = std::clamp(m_Setup.current, 1, std::max(m_Setup.count + 1, 1));
    } else if (m_Setup.mode == kAdd) {
        m_Setup.count = m_Setup.current + 1;
        m_Setup.current = m_Setup.count;
    }
    Initialise();
}

// ------------------------------------------------------------ CLabelEntryDlg

CLabelEntryDlg::CLabelEntryDlg(plat::CWnd* parent, uint32_t title_id, std::u16string text)
    : CTextEntryDlg(IDD, parent), m_TitleId(title_id), m_Text(std::move(text)) {
    RegisterLabelEntryTemplate();
    AttachControl(kTextEdit, &m_Edit);
}

int CLabelEntryDlg::GetFieldControl(int field) const {
    return field == 0 ? kTextEdit : 0;
}

bool CLabelEntryDlg::OnInitDialog() {
    CTextEntryDlg::OnInitDialog();
    m_Edit.SetFont(m_SmallFont, false);
    if (UsesInputPanel()) {
        const plat::Rect r = GetWindowRect();
        MoveWindow(
            {kInputPanelX, kInputPanelY, kInputPanelX + r.width(), kInputPanelY + r.height()});
    }
    m_Title = LoadResString(m_TitleId);
    SetWindowText(m_Title);
    m_Edit.SetWindowText(m_Text);
    FocusField(0);
    return false;
}

bool CLabelEntryDlg::CanAccept() {
    m_Text = m_Edit.GetWindowText();
    return true;
}

// The text keeps to its twenty characters.
void CLabelEntryDlg::InsertChar(plat::CEdit* control, int caret, char16_t ch) {
    int start = 0, end = 0;
    if (control) control->GetSel(start, end);
    if (control && start == end && control->GetWindowText().size() >= kMaxLength) {
        plat::message_beep(kRefusedBeep);
        return;
    }
    CTextEntryDlg::InsertChar(control, caret, ch);
}

// ------------------------------------------------------------ CMarkerLabelDlg

CMarkerLabelDlg::CMarkerLabelDlg(plat::CWnd* parent, std::u16string label)
    : CLabelEntryDlg(parent, kTitleId, std::move(label)) {}

// The hint for the input panel shows only when the unit uses one; without
// it the label starts empty.
bool CMarkerLabelDlg::OnInitDialog() {
    CLabelEntryDlg::OnInitDialog();
    if (plat::CWnd* hint = GetDlgItem(kHint)) {
        hint->SetWindowText(UsesInputPanel() ? LoadResString(kHintText) : std::u16string());
    }
    if (!UsesInputPanel()) m_Edit.SetWindowText(u"");
    if (plat::CWnd* limit = GetDlgItem(kLimitHint)) {
        limit->SetWindowText(LoadResString(kLimitText));
    }
    return false;
}
