// CCelvaneApp start-up: InitInstance in its fixed order and the steps it calls.
#include "app/celvane_app.h"

#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "app/app_file_services.h"
#include "app/app_files.h"
#include "app/app_print_services.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/startup_dlg.h"
#include "core/debug_log.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "core/screen_ids.h"
#include "core/sip_helper.h"
#include "dialogs/numeric_edit.h"
#include "instrument/measurement.h"
#include "platform/devices/device_manager.h"
#include "platform/framework/system_services.h"
#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/gfx/font.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/device_root.h"
#include "platform/kernel/thread.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"
#include "screens/power/power_meter_mode.h"
#include "screens/specan/specan_mode.h"
#include "screens/system/mode_select_mode.h"
#include "screens/system/setup_mode.h"
#include "screens/system/tools_mode.h"
#include "screens/vna/vna_mode.h"

using namespace app_files;

namespace {

// The power sensors and the GPS receiver share the serial port; its device
// is "com1:" whatever the number.
constexpr uint32_t kSerialPortNumber = 1;
constexpr char kBuildDate[] = "Mar 14 2013";
// The acquisition board's device, there once its driver claimed the board.
constexpr char16_t kBoardDevice[] = u"DSP1:";
// The framework's registry key: the company name text.
constexpr uint32_t kCompanyNameId = 61204;

}  // namespace

bool CCelvaneApp::ScreenAllowed(int screen, uint32_t hardwareId) {
    switch (screen) {
        case kScreenNetworkAnalyzer:
            return hardwareId == kTW740S || hardwareId == kTW741S || hardwareId == kTW740;
        case kScreenSpectrumAnalyzer:
            return hardwareId == kTW740S || hardwareId == kTW741S || hardwareId == kTW74S;
        case kScreenPowerMeter:
            // Every instrument has the power meter.
            return true;
        default:
            return false;
    }
}

bool CCelvaneApp::InitInstance() {
    // 1. History; a registry that cannot be written is said.
    HistoryInit(48);
    plat::set_registry_save_observer(
        [this](bool written) { write_notice_.Written(CWriteFailureNotice::kRegistry, written); });
    HistoryAdd(kHistoryStart, u"CCelvaneApp::InitInstance", kHistoryNoValue);

    // 2. Keyboard layout.
    const auto layouts = plat::get_keyboard_layout_list(15);
    if (!layouts.empty()) {
        saved_layout_ = plat::activate_keyboard_layout(layouts.front());
        layout_saved_ = true;
    }

    // 3. One instance only.
    if (IsAlreadyRunning()) {
        second_instance_ = true;
        std::fprintf(stderr, "celvane: the instrument is already running on this device root\n");
        return false;
    }
    started_ = true;
    // What saves killed part-way left (a screen image named by its time is
    // never saved again to clear it) goes before anything is saved anew.
    plat::remove_stale_temporaries_below(plat::device_root());
    IScreenServices::set_current(this);
    IWidgetServices::set_current(widget_services_.get());
    IDialogServices::set_current(dialog_services_.get());
    CNumericEdit::CreateEditBrush();
    RegisterAppFileServices(*this);
    RegisterAppPrintServices(*this);

    // The drivers of the device root, then the board I/O device (a missing
    // device makes every board I/O request answer its failure value).
    plat::devices::start();
    if (!plat::devices::is_active(kBoardDevice)) SkipService(u"acquisition board DSP1:");
    bio_ = plat::devices::StreamFile::open(u"BIO1:");
    if (!bio_) SkipService(u"board I/O device BIO1:");

    // 4. Language and its font.
    int lang = ReadNumberFile(kLanguageFile).value_or(0);
    if (lang == 0 || !FindLanguage(lang)) lang = kLanguageEnglish;
    language_id_ = lang;
    InstallLanguageFont(lang);

    // 5. Start screen.
    if (plat::file_exists(kModeFile)) start_mode_ = ReadNumberFile(kModeFile).value_or(0);

    // 6. Settings: load what is stored first, then record the language.
    settings_ = std::make_unique<CSystemSettings>();
    settings_->Initialize();
    settings_->LanguageId = static_cast<uint32_t>(language_id_);
    settings_->Save(false);
    SetHardwareWord(settings_->GetDeviceModel());
    identity_text_ = settings_->RfSerialNumber;

    // 7. Debug log.
    if (settings_->Debug != 0) {
        debug_log_ = std::make_unique<CDebugLog>(settings_->Debug);
        SetDebugLog(debug_log_.get());
    }

    // 8. Start screen allowed on this hardware.
    if (!ScreenAllowed(start_mode_, GetHardwareId())) start_mode_ = 0;

    // 9. Start-up dialog, clock, task bar, input panel.
    auto startup =
        std::make_unique<CStartupDlg>(CreateModelName(), settings_->ApplicationVersion, fonts_);
    if (startup->Create()) startup->ShowWindow(plat::SW_SHOW);
    SyncClockToBuildDate();
    task_bar_ = plat::find_window("HHTaskBar");
    if (task_bar_) task_bar_->show(plat::SW_HIDE);
    { CSipHelper hide; }

    // 10. Devices; 11. frame window, display, services; 12. show.
    bool ok = InitDevices();
    if (ok) {
        SetRegistryKey(LoadResString(kCompanyNameId));
        frame_owner_ = std::make_unique<CMainFrame>(this);
        frame_ = frame_owner_.get();
        if (!frame_->LoadFrame(CMainFrame::kResourceId, plat::FWS_ADDTOTITLE)) {
            ok = false;
        } else {
            m_pMainWnd = frame_;
            InitDisplay();
            ok = InitServices();
        }
    }
    if (ok) {
        frame_->ShowWindow(m_nCmdShow);
        frame_->UpdateWindow();
        frame_->view().SetFocus();
        if (alert_thread_) alert_thread_->ResumeThread();
        spi_client_ = std::make_unique<CSpiClient>([this] { RequestShutdown(); });
        spi_client_->Start();
        // The measurement worker stops and resumes the screen's measurement
        // as the I/O controller sleeps and wakes.
        CMeasurement::SetSleepEvents(spi_client_->GetEnterSleepEvent(),
                                     spi_client_->GetExitSleepEvent());
        spi_client_->ReadStoredWord(spi_stored_word_);
        CheckBatteryStatus();
    }

    // 13. Trace.
    if (ok) {
        plat::debug_printf("Oem Firmware Version: %s\n",
                           plat::to_utf8(settings_->FirmwareVersion).c_str());
        plat::debug_printf("CCelvaneApp::InitInstance -\n");
    } else {
        plat::message_beep(plat::MB_ICONEXCLAMATION);
        plat::debug_printf("Celvane StartUp Failed \n");
    }

    // 14. Start-up dialog away.
    if (plat::is_window(startup.get())) {
        startup->ShowWindow(plat::SW_HIDE);
        startup->DestroyWindow();
    }
    startup.reset();

    // 15. DSP link, also after a failed step: the start-up still ends in
    // failure, with the link tried.
    if (!RestartDspInterface()) ok = false;

    // 16. Lists and screens.
    if (ok) {
        LoadStartupLists();
        ok = CreateModes();
    }

    // 17. The start screen.
    if (ok) {
        // The analyzers start where they were left; anything else opens the
        // mode selection screen. A program built without that screen starts
        // the power meter directly as well.
        const bool startable = start_mode_ == kScreenNetworkAnalyzer ||
                               start_mode_ == kScreenSpectrumAnalyzer ||
                               (start_mode_ == kScreenPowerMeter && !FindMode(kScreenModeSelect));
        CModeBase* first = startable ? FindMode(start_mode_) : nullptr;
        if (!first) first = FindMode(kScreenModeSelect);
        if (first) PostCommandObject<kCmdSwitchMode>(frame_, first);
    }
    HistoryAdd(kHistoryStart, ok ? u"start-up done" : u"start-up failed", kHistoryNoValue);
    start_ok_ = ok;
    return ok;
}

bool CCelvaneApp::IsAlreadyRunning() {
    plat::Created created;
    instance_mutex_ = plat::Mutex::create("SpectrumAnalyzer", true, &created);
    if (created.already_existed) {
        instance_mutex_ = {};
        return true;
    }
    return false;
}

void CCelvaneApp::InstallLanguageFont(int32_t id) {
    const LanguageRow* row = FindLanguage(id);
    if (!row) return;
    if (plat::add_font_resource(std::u16string(kSystemFolder) + row->fontFile) == 0 &&
        row->fontFatal) {
        StandardMessageBox(u"Load Font Failed.\n", plat::MB_ICONEXCLAMATION);
        force_english_ = true;
        return;
    }
    plat::broadcast_message(plat::WM_FONTCHANGE, 0, 0);
}

bool CCelvaneApp::InitDevices() {
    CreateFolders();
    dispatcher_ = std::make_unique<CEventDispatcher>();
    dispatcher_->Start();

    // Colour scheme: 1 to 5 as stored (5 with its own colours); anything else
    // becomes scheme 1.
    const uint32_t scheme = settings_->ColorScheme;
    if (scheme >= 1 && scheme <= CSystemSettings::kCustomScheme) {
        color_scheme_ = CreateColorScheme(static_cast<int32_t>(scheme));
        if (scheme == CSystemSettings::kCustomScheme)
            for (size_t i = 0; i < CSystemSettings::kCustomColorCount; ++i)
                color_scheme_->SetColor(static_cast<ColorSchemeIndex>(i),
                                        settings_->CustomColor[i]);
    } else {
        color_scheme_ = CreateColorScheme(1);
        settings_->ColorScheme = 1;
        settings_->Save(false);
    }

    LoadLanguage(static_cast<int32_t>(settings_->LanguageId));
    battery_alarm_ = plat::Event::open("VornBatteryAlarm");
    ui_thread_id_ = plat::current_thread_id();
    write_notice_.SetUiThread(ui_thread_id_);
    alert_thread_ = std::make_unique<CSystemAlertHandler2>(this);
    alert_thread_->CreateThread(true);
    smart_io_ = std::make_unique<CSmartIO>();
    return true;
}

bool CCelvaneApp::InitDisplay() {
    temperature_monitor_ = std::make_unique<CTemperatureMonitor>(dispatcher_.get());
    escape_support1_ = plat::ext_escape_query(6149) != 0;
    escape_support2_ = plat::ext_escape_query(6301) != 0;
    return true;
}

bool CCelvaneApp::InitServices() {
    location_texts_ = settings_->LoadQuickTexts(CSystemSettings::kLocationTexts);
    user_texts_ = settings_->LoadQuickTexts(CSystemSettings::kUserTexts);
    serial_port_ = std::make_unique<CSerialPort>(kSerialPortNumber);
    serial_port_->Start();
    usb_port_ = std::make_unique<CUsbMeterPort>();
    usb_port_->Start();
    battery_ = std::make_unique<CBattery>();
    battery_->Open();
    gps_ = std::make_unique<CGpsReceiver>(serial_port_.get());
    return true;
}

bool CCelvaneApp::CreateModes() {
    AddMode(new CModeSelectMode());
    AddMode(new CPowerMeterMode(serial_port_.get(), usb_port_.get()));
    CreateGraphPanel();
    switch (GetHardwareId()) {
        case kTW740S:
        case kTW741S:
        case kTW740:
            AddMode(new CVnaMode(dsp_.get()));
            break;
        default:
            break;
    }
    switch (GetHardwareId()) {
        case kTW740S:
        case kTW741S:
        case kTW74S:
            AddMode(new CSpecAnMode(dsp_.get()));
            break;
        default:
            break;
    }
    AddMode(new CToolsMode());
    // The setup screen exists on every instrument and comes last.
    AddMode(new CSetupMode());
    return true;
}

bool CCelvaneApp::CreateGraphPanel() {
    constexpr int kPaneTop = 30;
    constexpr int kPaneWidth = 705;
    constexpr int kPaneBottom = 455;
    constexpr ColorSchemeIndex kPaneColor = 18;
    constexpr int kPanePt10 = 90;
    graph_panel_ = std::make_unique<CGraphPanel>(1, 0);
    const plat::Rect client = frame_ ? frame_->client_rect() : plat::Rect{};
    graph_panel_->Create(GetMainView(), client.left, client.top + kPaneTop,
                         client.left + kPaneWidth, client.top + kPaneBottom, kPaneColor, kPanePt10,
                         color_scheme_.get());
    if (graph_panel_->GetGraph()) graph_panel_->GetGraph()->SetPrinter(CreateAppScreenPrint(*this));
    return graph_panel_->GetGraph() != nullptr;
}

void CCelvaneApp::AddMode(CModeBase* screen) {
    if (!screen) return;
    screen->OnCreate(GetMainView(), frame_, 0, color_scheme_.get());
    modes_.AddTail(screen);
    if (screen->GetModeId() == kScreenSetup) setup_mode_ = screen;
}

bool CCelvaneApp::CreateFolders() {
    bool all = true;
    for (const char16_t* folder :
         {u"\\FlashFX Disk\\My Traces", u"\\FlashFX Disk\\My Pictures",
          u"\\FlashFX Disk\\My Setups", u"\\FlashFX Disk\\My Setups\\Backup",
          u"\\FlashFX Disk\\My Lists"}) {
        if (plat::create_directory(folder)) continue;
        const uint32_t attributes = plat::file_attributes(folder);
        if (attributes == plat::INVALID_FILE_ATTRIBUTES ||
            !(attributes & plat::FILE_ATTRIBUTE_DIRECTORY))
            all = false;
    }
    return all;
}

void CCelvaneApp::SyncClockToBuildDate() {
    const std::u16string date(kBuildDate, kBuildDate + sizeof kBuildDate - 1);
    const int month = MonthFromName(date);
    const int day = std::atoi(kBuildDate + 4);
    const int year = std::atoi(kBuildDate + 7);
    const plat::SystemTime now = plat::local_time();
    if (std::make_tuple(year, month, day, 0, 0, 0) >
        std::make_tuple(int(now.year), int(now.month), int(now.day), int(now.hour), int(now.minute),
                        int(now.second))) {
        plat::SystemTime t = now;
        t.year = static_cast<uint16_t>(year);
        t.month = static_cast<uint16_t>(month);
        t.day = static_cast<uint16_t>(day);
        plat::set_local_time(t);
    }
}

int CCelvaneApp::MonthFromName(std::u16string_view text) {
    static constexpr const char16_t* kMonths[] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                                  u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
    if (text.size() < 3) return 1;
    for (int m = 0; m < 12; ++m) {
        if (plat::equals_ignore_case(text.substr(0, 3), kMonths[m])) return m + 1;
    }
    return 1;
}

std::u16string CCelvaneApp::CreateModelName() const {
    switch (GetHardwareId()) {
        case kTW740S:
            return u"TW-740S";
        case kTW740:
            return u"TW-740";
        case kTW741S:
            return u"TW-741S";
        case kTW74S:
            return u"TW-74S";
        default:
            return u"Unknown";
    }
}

intptr_t CCelvaneApp::ProcessWndProcException(const std::exception& e, const plat::Message& msg) {
    { CSipHelper hide; }
    return CWinApp::ProcessWndProcException(e, msg);
}
