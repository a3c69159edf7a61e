#include "dialogs/value_entry_dlg.h"

#include "core/res_string.h"
#include "platform/window/message_loop.h"

namespace {

constexpr char16_t kPercent[] = u"%";
constexpr char16_t kVpTitle[] = u"Enter the Vp Value";

// The entry keys of a dialog without a sign: digits and the point.
std::u16string UnsignedKeyToChar(int key_code) {
    return key_code == kSignKeyCode ? std::u16string() : CKeypadEntryDlg::KeyToChar(key_code);
}

}  // namespace

CSignalOffsetDlg::CSignalOffsetDlg(plat::CWnd* parent, std::u16string initial_text, double value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure({LoadResString(kTitle), LoadResString(kCaption), -100, 100, 1, 10, value});
}

CThresholdDlg::CThresholdDlg(plat::CWnd* parent, std::u16string initial_text, double value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure({LoadResString(kTitle), LoadResString(kCaption), -120, 0, 0.1, 1, value});
}

CPowerOutputDlg::CPowerOutputDlg(plat::CWnd* parent, std::u16string initial_text, double value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure({LoadResString(kTitle), LoadResString(kCaption), -20, 10, 1, 10, value});
}

CVpEntryDlg::CVpEntryDlg(plat::CWnd* parent, std::u16string initial_text, float value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure({kVpTitle, LoadResString(kCaption), 10, 100, 1, 10, value});
}

std::u16string CVpEntryDlg::KeyToChar(int key_code) {
    return UnsignedKeyToChar(key_code);
}

CVolumeEntryDlg::CVolumeEntryDlg(plat::CWnd* parent, std::u16string title,
                                 std::u16string initial_text, double value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure({std::move(title), kPercent, 0, 100, 1, 10, value});
}

std::u16string CVolumeEntryDlg::KeyToChar(int key_code) {
    return UnsignedKeyToChar(key_code);
}

CLimitsEntryDlg::CLimitsEntryDlg(plat::CWnd* parent, std::u16string title,
                                 std::u16string initial_text, std::u16string caption,
                                 double minimum, double maximum, double wheel_step,
                                 double arrow_step, double value)
    : CKeypadEntryDlg(parent, std::move(initial_text)) {
    Configure(
        {std::move(title), std::move(caption), minimum, maximum, wheel_step, arrow_step, value});
}

CNumberEntryDlg::CNumberEntryDlg(plat::CWnd* parent, uint32_t title_id, float value, bool flag,
                                 float maximum, float minimum, float step, std::string format)
    : CKeypadEntryDlg(parent), m_bFlag(flag), m_Format(std::move(format)) {
    const double s = step == 0 ? kDefaultStep : step;
    Configure({LoadResString(title_id), {}, minimum, maximum, s, s, value});
}

bool CNumberEntryDlg::OnInitDialog() {
    CKeypadEntryDlg::OnInitDialog();
    if (!m_Format.empty()) m_Edit.SetFormat(m_Format);
    m_Edit.ResetToDefault();
    return false;
}

void CNumberEntryDlg::OnChar(uint32_t key, bool pressed) {
    if (pressed || !m_Edit.exists()) return;
    const char16_t ch = plat::key_char(key);
    if (ch >= u'0' && ch <= u'9') {
        m_Edit.SendMessage(plat::WM_CHAR, ch, 0);
    } else if (key == plat::VK_OEM_PERIOD || key == plat::VK_DECIMAL) {
        const std::u16string text = m_Edit.GetWindowText();
        if (text.find(u'.') == std::u16string::npos && text.size() < kPointLimit)
            m_Edit.SendMessage(plat::WM_CHAR, u'.', 0);
    }
}

CScaleEntryDlg::CScaleEntryDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value,
                               int32_t unit)
    : CIntegerEntryDlg(parent, std::move(initial_text)), m_Unit(unit) {
    Configure({LoadResString(kTitle), LoadResString(kCaption), 1, 15, 1, 1, value});
}

CAverageDlg::CAverageDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value)
    : CIntegerEntryDlg(parent, std::move(initial_text)) {
    Configure({LoadResString(kTitle), {}, 2, 1024, 1, 1024, value});
}

CSpanRbwDlg::CSpanRbwDlg(plat::CWnd* parent, std::u16string initial_text, int32_t value)
    : CIntegerEntryDlg(parent, std::move(initial_text)) {
    Configure({LoadResString(kTitle), {}, 10, 3600, 1, 10, value});
}
