#include "tools/diag/diag_dlg.h"

#include <array>
#include <cstdio>

#include "platform/text/utf.h"
#include "tools/diag/diag_app.h"
#include "tools/diag/diag_resources.h"

namespace diag {

namespace {

constexpr int kPages = 8;
constexpr uintptr_t kRefreshTimer = 1;
constexpr uint32_t kRefreshMs = 1000;

struct Entry {
    const char16_t* label;
    uint32_t value;
};
struct Page {
    std::array<Entry, kSoftKeys> soft;
    std::array<Entry, kMenuKeys> menu;
};

constexpr Entry kNone{u"", 0};
constexpr std::array<Entry, kMenuKeys> kMainMenu{{{u"Keypad", 2},
                                                  {u"Battery", 4},
                                                  {u"Digital Board", 3},
                                                  {u"Display/BL", 6},
                                                  {u"Audio/Fan", 5},
                                                  {u"Comm Ports", 7}}};
constexpr std::array<Entry, kSoftKeys> kNoSoftKeys{
    {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone}};
constexpr std::array<Entry, kMenuKeys> kNoMenuKeys{{kNone, kNone, kNone, kNone, kNone, kNone}};

// Pages 0, 6 and 7 are blank.
constexpr std::array<Page, kPages> kPageTable{{
    {kNoSoftKeys, kNoMenuKeys},
    {kNoSoftKeys, kMainMenu},
    {{{{u"Key Test", kActionKeypadTest},
       {u"Light Sensor", kActionLightSensorTest},
       kNone,
       kNone,
       kNone,
       kNone,
       kNone,
       kNone}},
     kMainMenu},
    {{{{u"Update FPGA", kActionUpdateFpga},
       {u"Update DSP", kActionUpdateDsp},
       {u"Load Cal pts", kActionUpdateCalibration},
       {u"Get Status", kActionStatusRefresh},
       kNone,
       kNone,
       kNone,
       kNone}},
     kMainMenu},
    {{{{u"Status", kActionBatteryStatus}, kNone, kNone, kNone, kNone, kNone, kNone, kNone}},
     kMainMenu},
    {{{{u"Fan On", kActionFanOn},
       {u"Fan Off", kActionFanOff},
       kNone,
       kNone,
       kNone,
       kNone,
       kNone,
       kNone}},
     {{{u"Keypad", 2}, {u"Fan", 5}, kNone, kNone, kNone, {u"Update F\\W", 0}}}},
    {kNoSoftKeys, kNoMenuKeys},
    {kNoSoftKeys, kNoMenuKeys},
}};

std::u16string hex(const char* format, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return plat::from_utf8(text);
}

}  // namespace

CDiagDlg::CDiagDlg(CDiagApp& app, plat::CWnd* parent)
    : plat::CDialog(IDD_TWDIAG, parent), app_(app), icon_(diag_icon()) {}

CDiagDlg::~CDiagDlg() = default;

bool CDiagDlg::OnInitDialog() {
    plat::CDialog::OnInitDialog();
    SendMessage(plat::WM_SETICON, plat::ICON_BIG, reinterpret_cast<intptr_t>(&icon_));
    SendMessage(plat::WM_SETICON, plat::ICON_SMALL, reinterpret_cast<intptr_t>(&icon_));
    UpdateMenuKeyLabels();
    UpdateSoftKeyLabels();
    SetTimer(kRefreshTimer, kRefreshMs);
    app_.GetSerialNumber(serial_);
    app_.GetFirmwareVersion(firmware_version_);
    app_.GetDriverVersion(driver_version_);
    app_.GetSpiVersion(spi_version_);
    keyboard_version_ = kKeyboardDriverVersion;
    program_version_ = kProgramVersion;
    ShowBoundTexts();
    return true;
}

void CDiagDlg::ShowBoundTexts() {
    SetText(IDC_SERIAL_NUMBER, serial_);
    SetText(IDC_DSP_DRIVER_VERSION, driver_version_);
    SetText(IDC_FIRMWARE_VERSION, firmware_version_);
    SetText(IDC_KEYBOARD_DRIVER_VERSION, keyboard_version_);
    SetText(IDC_SPI_DRIVER_VERSION, spi_version_);
    SetText(IDC_PROGRAM_VERSION, program_version_);
}

void CDiagDlg::SetText(int id, std::u16string_view text) {
    plat::CWnd* item = GetDlgItem(id);
    if (item && item->GetWindowText() != text) item->SetWindowText(text);
}

void CDiagDlg::OnTimer(uintptr_t id) {
    if (id == kRefreshTimer)
        app_.RefreshValues();
    else
        plat::CDialog::OnTimer(id);
}

void CDiagDlg::OnDestroy() {
    KillTimer(kRefreshTimer);
    // The start ends with the dialog: no quit message is left behind.
    if (app_.m_pMainWnd == this) app_.m_pMainWnd = nullptr;
    plat::CDialog::OnDestroy();
}

int CDiagDlg::SoftKeyId(int index) const {
    return IDC_SOFT_KEY_FIRST + index;
}
int CDiagDlg::MenuKeyId(int index) const {
    return IDC_MENU_KEY_FIRST + index;
}
int CDiagDlg::SoftKeyIndex(int id) const {
    return id >= IDC_SOFT_KEY_FIRST && id < IDC_SOFT_KEY_FIRST + kSoftKeys ? id - IDC_SOFT_KEY_FIRST
                                                                           : 0;
}
int CDiagDlg::MenuKeyIndex(int id) const {
    return id >= IDC_MENU_KEY_FIRST && id < IDC_MENU_KEY_FIRST + kMenuKeys ? id - IDC_MENU_KEY_FIRST
                                                                           : 0;
}

void CDiagDlg::UpdateSoftKeyLabels() {
    for (int i = 0; i < kSoftKeys; ++i)
        SetText(SoftKeyId(i),
                kPageTable[static_cast<size_t>(page_)].soft[static_cast<size_t>(i)].label);
}

void CDiagDlg::UpdateMenuKeyLabels() {
    for (int i = 0; i < kMenuKeys; ++i)
        SetText(MenuKeyId(i),
                kPageTable[static_cast<size_t>(page_)].menu[static_cast<size_t>(i)].label);
}

void CDiagDlg::OnSoftKey(int index) {
    Press(kPageTable[static_cast<size_t>(page_)].soft[static_cast<size_t>(index)].value);
}

void CDiagDlg::OnMenuKey(int index) {
    Press(kPageTable[static_cast<size_t>(page_)].menu[static_cast<size_t>(index)].value);
}

void CDiagDlg::Press(uint32_t entry) {
    if (entry == 0) return;
    if (entry & kActionFlag)
        DoAction(entry);
    else
        page_ = static_cast<int>(entry);
    UpdateMenuKeyLabels();
    UpdateSoftKeyLabels();
}

int CDiagDlg::DoAction(uint32_t action) {
    switch (action) {
        case kActionUpdateFpga:
            app_.UpdateFirmware(Firmware::Fpga);
            break;
        case kActionUpdateDsp:
            app_.UpdateFirmware(Firmware::Dsp);
            break;
        case kActionKeypadTest:
            app_.RunKeypadTest();
            break;
        case kActionLightSensorTest:
            app_.RunLightSensorTest();
            break;
        case kActionBatteryStatus:
            app_.ShowBatteryStatus();
            break;
        case kActionUpdateCalibration:
            app_.UpdateCalibration();
            break;
        case kActionStatusRefresh: {
            std::array<uint8_t, 8> status{};
            SetText(IDC_DSP_STATUS,
                    app_.GetDspStatus(status)
                        ? hex("%08X", static_cast<uint32_t>(status[0]) | status[1] << 8 |
                                          status[2] << 16 | static_cast<uint32_t>(status[3]) << 24)
                        : u"");
            std::array<uint8_t, 8> error{};
            const bool ok = app_.GetErrorStatus(error);
            SetText(IDC_ERROR_CODE, ok ? hex("%04X", error[0] | error[1] << 8) : u"");
            SetText(IDC_COMPONENT_ID, ok ? hex("%04X", error[2] | error[3] << 8) : u"");
            break;
        }
        default:  // the fan actions among them
            break;
    }
    return 0;
}

bool CDiagDlg::OnCommand(uintptr_t wparam, intptr_t lparam) {
    const int id = plat::loword(wparam);
    if (plat::hiword(wparam) == plat::BN_CLICKED) {
        // A click presses the key of the button.
        if (id >= IDC_SOFT_KEY_FIRST && id < IDC_SOFT_KEY_FIRST + kSoftKeys) {
            OnSoftKey(SoftKeyIndex(id));
            return true;
        }
        if (id >= IDC_MENU_KEY_FIRST && id < IDC_MENU_KEY_FIRST + kMenuKeys) {
            OnMenuKey(MenuKeyIndex(id));
            return true;
        }
    }
    return plat::CDialog::OnCommand(wparam, lparam);
}

bool CDiagDlg::PreTranslateMessage(const plat::Message& msg) {
    const auto key = static_cast<uint32_t>(msg.wparam);
    if (msg.message == plat::WM_KEYDOWN) {
        if (key >= plat::VK_F1 && key < plat::VK_F1 + kSoftKeys)
            OnSoftKey(static_cast<int>(key - plat::VK_F1));
        else if (key >= plat::VK_F13 && key < plat::VK_F13 + kMenuKeys)
            OnMenuKey(static_cast<int>(key - plat::VK_F13));
        escape_down_ = key == plat::VK_ESCAPE;
        enter_down_ = key == plat::VK_RETURN;
        return true;
    }
    if (msg.message == plat::WM_KEYUP) {
        // Only the release of a press seen here closes the program.
        if ((key == plat::VK_ESCAPE && escape_down_) || (key == plat::VK_RETURN && enter_down_)) {
            EndDialog(plat::IDOK);
        } else {
            escape_down_ = false;
            enter_down_ = false;
        }
        return true;
    }
    return plat::CDialog::PreTranslateMessage(msg);
}

}  // namespace diag
