#include "dialogs/time_date_dlg.h"

#include <mutex>

#include "dialogs/dialog_services.h"
#include "dialogs/instrument_dlg.h"
#include "platform/framework/controls.h"
#include "platform/kernel/clock.h"

namespace {

constexpr int kSoftKeyCount = 8;

void RegisterTimeDateTemplate() {
    static std::once_flag once;
    std::call_once(once, [] {
        using namespace plat;
        DialogTemplate t;
        t.id = CTimeDateDlg::IDD;
        t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER;
        t.cx = 200;
        t.cy = 150;
        t.caption = u"Enter Time & Date";
        t.items = {
            {"STATIC", u"Time:", CTimeDateDlg::kTimeLabel, SS_LEFT, 14, 34, 50, 16},
            {kDateTimeClass, u"", CTimeDateDlg::kTimePicker,
             DTS_TIMEFORMAT | WS_BORDER | WS_TABSTOP, 66, 30, 118, 22},
            {"STATIC", u"Date:", CTimeDateDlg::kDateLabel, SS_LEFT, 14, 84, 50, 16},
            {kDateTimeClass, u"", CTimeDateDlg::kDatePicker,
             DTS_SHORTDATEFORMAT | WS_BORDER | WS_TABSTOP, 66, 80, 118, 22},
        };
        register_dialog_template(t);
    });
}

}  // namespace

CTimeDateDlg::CTimeDateDlg(plat::CWnd* parent, CSoftKeyMenu* soft_keys)
    : CDialog(IDD, parent),
      m_Font(dialog_services::UiFont(dialog_services::LargeFontHeight())),
      m_pSoftKeys(soft_keys) {
    plat::register_basic_controls();
    RegisterTimeDateTemplate();
    AttachControl(kTimePicker, &m_TimePicker);
    AttachControl(kDatePicker, &m_DatePicker);
}

CTimeDateDlg::~CTimeDateDlg() = default;

bool CTimeDateDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!m_pSoftKeys) m_pSoftKeys = dialog_services::SoftKeyBar();
    if (m_Font) {
        for (int id : {kTimeLabel, kDateLabel, kTimePicker, kDatePicker})
            if (auto* c = GetDlgItem(id)) c->SetFont(m_Font, true);
    }
    const plat::SystemTime now = plat::local_time();
    m_TimePicker.SetTime(now);
    m_DatePicker.SetTime(now);
    static constexpr uint32_t kLabels[kSoftKeyCount] = {kSaveLabel,  kNextFieldLabel, kBlankLabel,
                                                        kBlankLabel, kBlankLabel,     kBlankLabel,
                                                        kBlankLabel, kBackLabel};
    ShowSoftKeyLabels(m_pSoftKeys, kLabels);
    m_TimePicker.SetFocus();
    return false;
}

void CTimeDateDlg::OnOK() {
    const plat::SystemTime time = m_TimePicker.GetTime();
    const plat::SystemTime date = m_DatePicker.GetTime();
    plat::SystemTime t{};
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    t.hour = time.hour;
    t.minute = time.minute;
    t.second = time.second;
    m_bTimeSet = plat::set_local_time(t);
    EndDialog(plat::IDOK);
}

// Soft key 1 acts on its press, soft keys 2 and 8 and Escape on their
// release; their other halves are swallowed so nothing else sees them.
bool CTimeDateDlg::OnKey(uint32_t key, bool pressed) {
    if (key == plat::vk_function(1)) {
        if (pressed) OnOK();
        return true;
    }
    if (key == plat::vk_function(2)) {
        if (!pressed) NextDlgCtrl();
        return true;
    }
    if (key == plat::vk_function(8) || key == plat::VK_ESCAPE) {
        if (!pressed) EndDialog(plat::IDCANCEL);
        return true;
    }
    return false;
}

bool CTimeDateDlg::PreTranslateMessage(const plat::Message& msg) {
    switch (msg.message) {
        case plat::WM_KEYDOWN:
        case plat::WM_KEYUP:
            if (OnKey(static_cast<uint32_t>(msg.wparam), msg.message == plat::WM_KEYDOWN))
                return true;
            break;
        case plat::WM_MOUSEWHEEL:
            NextDlgCtrl();
            return true;
        default:
            break;
    }
    return CDialog::PreTranslateMessage(msg);
}
