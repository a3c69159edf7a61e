#include "tools/diag/test_dialogs.h"

#include <string>

#include "drivers/smartio/smart_io.h"
#include "tools/diag/diag_resources.h"

namespace diag {

namespace {

constexpr uintptr_t kValueTimer = 2;
constexpr uint32_t kValueMs = 1000;
constexpr char16_t kNoKey[] = u"None";

struct KeyName {
    uint32_t key;
    const char16_t* name;
};
constexpr KeyName kKeyNames[] = {
    {0x70, u"Soft Key 1"},   {0x71, u"Soft Key 2"},   {0x72, u"Soft Key 3"},
    {0x73, u"Soft Key 4"},   {0x74, u"Soft Key 5"},   {0x75, u"Soft Key 6"},
    {0x76, u"Soft Key 7"},   {0x77, u"Soft Key 8"},   {0x7C, u"Menu Key 1"},
    {0x7D, u"Menu Key 2"},   {0x7E, u"Menu Key 3"},   {0x7F, u"Menu Key 4"},
    {0x80, u"Menu Key 5"},   {0x81, u"Menu Key 6"},   {0x82, u"Mode Key"},
    {0x83, u"Setup Key"},    {0x26, u"Up Arrow"},     {0x28, u"Down Arrow"},
    {0x27, u"Right Arrow"},  {0x25, u"Left Arrow"},   {0x1B, u"Escape Key"},
    {0x0D, u"Return Key"},   {0x31, u"Number Key 1"}, {0x32, u"Number Key 2"},
    {0x33, u"Number Key 3"}, {0x34, u"Number Key 4"}, {0x35, u"Number Key 5"},
    {0x36, u"Number Key 6"}, {0x37, u"Number Key 7"}, {0x38, u"Number Key 8"},
    {0x39, u"Number Key 9"}, {0x30, u"Number Key 0"}, {0xBE, u"Decimal Key"},
    {0x6B, u"Sign Key"},
};
static_assert(std::size(kKeyNames) == 34);

void show_text(plat::CDialog& dlg, int id, std::u16string_view text) {
    if (plat::CWnd* item = dlg.GetDlgItem(id); item && item->GetWindowText() != text)
        item->SetWindowText(text);
}

std::u16string number(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

const char16_t* key_name(uint32_t virtual_key) {
    for (const KeyName& k : kKeyNames)
        if (k.key == virtual_key) return k.name;
    return kNoKey;
}

CKeypadTestDlg::CKeypadTestDlg(plat::CWnd* parent) : plat::CDialog(IDD_KEYPAD_TEST, parent) {}

bool CKeypadTestDlg::OnInitDialog() {
    plat::CDialog::OnInitDialog();
    show_text(*this, IDC_KEY_NAME, kNoKey);
    return true;  // the keys come here
}

bool CKeypadTestDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    switch (msg.message) {
        case plat::WM_KEYDOWN:
            // Every press is consumed: Escape going down does not end the test.
            show_text(*this, IDC_KEY_NAME, key_name(key));
            return true;
        case plat::WM_KEYUP:
            show_text(*this, IDC_KEY_NAME, kNoKey);
            if (key == plat::VK_ESCAPE) EndDialog(plat::IDOK);
            return true;
        case plat::WM_MOUSEWHEEL:
            show_text(*this, IDC_KEY_NAME,
                      plat::get_wheel_delta(msg.wparam) > 0 ? u"Scroll Left" : u"Scroll Right");
            return true;
        default:
            return plat::CDialog::PreTranslateMessage(msg);
    }
}

bool CTimedDlg::OnInitDialog() {
    plat::CDialog::OnInitDialog();
    ShowValues();
    SetTimer(kValueTimer, kValueMs);
    return true;  // the keys come here
}

void CTimedDlg::OnTimer(uintptr_t id) {
    if (id == kValueTimer)
        ShowValues();
    else
        plat::CDialog::OnTimer(id);
}

void CTimedDlg::OnDestroy() {
    KillTimer(kValueTimer);
    plat::CDialog::OnDestroy();
}

bool CTimedDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    if (msg.message == plat::WM_KEYDOWN) return true;
    if (msg.message == plat::WM_KEYUP) {
        if (key == plat::VK_ESCAPE || key == plat::VK_RETURN) EndDialog(plat::IDOK);
        return true;
    }
    return plat::CDialog::PreTranslateMessage(msg);
}

CLightSensorTestDlg::CLightSensorTestDlg(const CSmartIO* smart_io, plat::CWnd* parent)
    : CTimedDlg(IDD_LIGHT_SENSOR_TEST, parent), smart_io_(smart_io) {}

void CLightSensorTestDlg::ShowValues() {
    constexpr uint16_t kNoReading = 0xFFFF;
    const uint16_t value =
        smart_io_ ? smart_io_->AnalogConversion(smartio::kLightChannel) : kNoReading;
    show_text(*this, IDC_LIGHT_VALUE, number(value));
}

CBatteryStatusDlg::CBatteryStatusDlg(plat::CWnd* parent) : CTimedDlg(IDD_BATTERY_STATUS, parent) {}

void CBatteryStatusDlg::ShowValues() {
    show_text(*this, IDC_BATTERY_STATUS, u"");
    show_text(*this, IDC_BATTERY_LEVEL, number(level_));
    show_text(*this, IDC_BATTERY_TEMPERATURE, number(temperature_));
}

}  // namespace diag
