#include "dialogs/threshold_offset_dlg.h"

#include <array>
#include <mutex>

#include "core/res_string.h"
#include "core/units.h"
#include "platform/framework/dialog.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kBlankLabel = 184;
constexpr double kWheelStep = 1;
constexpr double kArrowStep = 10;

void RegisterTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CThresholdOffsetDlg::IDD;
        t.style = WS_POPUP | DS_MODALFRAME | DS_CENTER | WS_BORDER;
        t.cx = 216;
        t.cy = 92;
        const uint32_t edit = ES_LEFT | ES_AUTOHSCROLL | WS_BORDER;
        t.items = {
            {"STATIC", u"", CThresholdOffsetDlg::kOffsetCaption, SS_LEFT, 5, 4, 200, 12},
            {"EDIT", u"", CThresholdOffsetDlg::kOffsetEdit, edit | WS_TABSTOP, 5, 17, 136, 26},
            {"STATIC", u"", CThresholdOffsetDlg::kOffsetUnit, SS_LEFT, 146, 26, 65, 15},
            {"STATIC", u"", CThresholdOffsetDlg::kLevelCaption, SS_LEFT, 5, 48, 200, 12},
            {"EDIT", u"", CThresholdOffsetDlg::kLevelEdit, edit | ES_READONLY, 5, 61, 136, 26},
            {"STATIC", u"", CThresholdOffsetDlg::kLevelUnit, SS_LEFT, 146, 70, 65, 15},
        };
        register_dialog_template(t);
    });
}

}  // namespace

CThresholdOffsetDlg::CThresholdOffsetDlg(plat::CWnd* parent, std::u16string initial_text,
                                         double offset, double reference_level)
    : CSoftKeyDlg(IDD, parent),
      m_InitialText(std::move(initial_text)),
      m_Offset(offset),
      m_Reference(reference_level),
      m_Result(offset) {
    RegisterTemplate();
    AttachControl(kOffsetEdit, &m_OffsetEdit);
    AttachControl(kLevelEdit, &m_LevelEdit);
}

CThresholdOffsetDlg::~CThresholdOffsetDlg() {
    if (m_OffsetEdit.exists()) m_OffsetEdit.DestroyWindow();
    if (m_LevelEdit.exists()) m_LevelEdit.DestroyWindow();
}

bool CThresholdOffsetDlg::OnInitDialog() {
    CSoftKeyDlg::OnInitDialog();
    m_Title = LoadResString(kTitle);
    SetWindowText(m_Title);
    const std::pair<int, core::Text> captions[] = {{kOffsetCaption, LoadResString(kOffsetText)},
                                                   {kLevelCaption, LoadResString(kLevelText)},
                                                   {kOffsetUnit, UnitName(UNIT_RETURN_LOSS)},
                                                   {kLevelUnit, UnitName(UNIT_DBM)}};
    for (const auto& [id, text] : captions)
        if (plat::CWnd* c = GetDlgItem(id)) c->SetWindowText(text);
    m_OffsetEdit.SetFont(m_SmallFont);
    m_OffsetEdit.SetDefault(m_Offset);
    m_OffsetEdit.SetRange(kMinimum, kMaximum);
    m_OffsetEdit.SetSteps(kWheelStep, kArrowStep);
    m_OffsetEdit.SetSelectAll(false);
    m_OffsetEdit.SetText(m_InitialText);
    m_LevelEdit.SetFormat(kLevelFormat);
    m_LevelEdit.SetValue(m_Reference + m_Offset);  // the current threshold
    if (m_pSoftKeys) {
        m_pSoftKeys->ResetChildren();
        std::array<uint32_t, CSoftKeyMenu::kKeyCount> ids;
        ids.fill(kBlankLabel);
        ids[kUpdateKey] = kUpdateLabel;
        ShowSoftKeyLabels(m_pSoftKeys, ids);
    }
    m_OffsetEdit.Activate();
    return false;
}

void CThresholdOffsetDlg::ShowLevel() {
    double offset = m_Offset;
    m_OffsetEdit.GetValue(offset);
    m_LevelEdit.SetValue(m_Reference + offset);
}

std::u16string CThresholdOffsetDlg::GetLevelText() const {
    return m_LevelEdit.exists() ? m_LevelEdit.GetWindowText() : std::u16string();
}

bool CThresholdOffsetDlg::OnSoftKey(int index, bool pressed) {
    if (index != kUpdateKey) return false;
    if (!pressed) {
        m_OffsetEdit.Validate();
        ShowLevel();
    }
    return true;
}

void CThresholdOffsetDlg::OnOK() {
    const bool valid = m_OffsetEdit.Validate();
    ShowLevel();
    if (!valid) return;
    double v = m_Offset;
    m_OffsetEdit.GetValue(v);
    m_Result = m_OffsetEdit.Clamp(v);
    CSoftKeyDlg::OnOK();
}

void CThresholdOffsetDlg::OnFocus(plat::CWnd*) {
    m_OffsetEdit.Reactivate();
}
