#include "app/celvane_app.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/sip_helper.h"
#include "app/startup_dlg.h"
#include "core/debug_log.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "platform/devices/device_manager.h"
#include "platform/framework/system_services.h"
#include "platform/fs/atomic_save.h"
#include "platform/fs/device_path.h"
#include "platform/gfx/font.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"

namespace {

// The power sensors and the GPS receiver share the serial port; its device
// is "com1:" whatever the number.
constexpr uint32_t kSerialPortNumber = 1;

constexpr char16_t kLanguageFile[] = u"\\FlashFX Disk\\System\\language.txt";
constexpr char16_t kModeFile[] = u"\\FlashFX Disk\\System\\mode.txt";
constexpr char16_t kSystemFolder[] = u"\\FlashFX Disk\\System\\";
constexpr char kBuildDate[] = "Mar 14 2013";
constexpr uint32_t kStillActive = 259;
constexpr uint32_t kAlarmMask = 2;
constexpr uint32_t kBioRequest = 0xBABA0004;
constexpr uint32_t kBioSetWord = 0xBABA0003;

plat::MemoryStatus g_memoryStatus;

bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char16_t a, char16_t b) {
                           return plat::fold_case(a) == plat::fold_case(b);
                       }) != text.end();
}

bool ScreenAllowed(int screen, uint32_t hardwareId) {
    switch (screen) {
        case 1:
            return hardwareId == CCelvaneApp::kTW740S || hardwareId == CCelvaneApp::kTW741S ||
                   hardwareId == CCelvaneApp::kTW740;
        case 2:
            return hardwareId == CCelvaneApp::kTW740S || hardwareId == CCelvaneApp::kTW741S ||
                   hardwareId == CCelvaneApp::kTW74S;
        default:
            return false;
    }
}

}  // namespace

const plat::MemoryStatus& GlobalMemoryStatusRecord() {
    return g_memoryStatus;
}

CCelvaneApp::CCelvaneApp() = default;

CCelvaneApp::~CCelvaneApp() {
    if (ScreenServices::current() == this) ScreenServices::set_current(nullptr);
    // Screens the exit routine did not reach (a start that never ran it).
    while (auto* screen = static_cast<CModeBase*>(modes_.GetHead(true))) delete screen;
    if (GetDebugLog() == debugLog_.get()) SetDebugLog(nullptr);
}

CCelvaneApp* CCelvaneApp::GetApp() {
    return dynamic_cast<CCelvaneApp*>(plat::CWinApp::Get());
}

void CCelvaneApp::SkipService(const char16_t* what) {
    HistoryAdd(kHistoryStart, std::u16string(u"not present: ") + what, kHistoryNoValue);
    plat::debug_printf("CCelvaneApp: %s not present, skipped\n", plat::to_utf8(what).c_str());
}

// ------------------------------------------------------------ start-up

bool CCelvaneApp::InitInstance() {
    // 1. History.
    HistoryInit(48);
    HistoryAdd(kHistoryStart, u"CCelvaneApp::InitInstance", kHistoryNoValue);

    // 2. Keyboard layout.
    const auto layouts = plat::get_keyboard_layout_list(15);
    if (!layouts.empty()) {
        savedLayout_ = plat::activate_keyboard_layout(layouts.front());
        layoutSaved_ = true;
    }

    // 3. One instance only.
    if (IsAlreadyRunning()) {
        secondInstance_ = true;
        return false;
    }
    started_ = true;
    ScreenServices::set_current(this);

    // The drivers of the device root, then the board I/O device (a missing
    // device makes every board I/O request answer its failure value).
    plat::devices::start();
    bio_ = plat::devices::StreamFile::open(u"BIO1:");
    if (!bio_) SkipService(u"board I/O device BIO1:");

    // 4. Language and its font.
    int lang = ReadNumberFile(kLanguageFile).value_or(0);
    if (lang == 0 || !FindLanguage(lang)) lang = kLanguageEnglish;
    languageId_ = lang;
    InstallLanguageFont(lang);

    // 5. Start screen.
    if (plat::file_exists(kModeFile)) startMode_ = ReadNumberFile(kModeFile).value_or(0);

    // 6. Settings: load what is stored first, then record the language.
    settings_ = std::make_unique<CSystemSettings>();
    settings_->Initialize();
    settings_->LanguageId = static_cast<uint32_t>(languageId_);
    settings_->Save(false);
    SetHardwareWord(settings_->GetDeviceModel());
    identityText_ = settings_->RfSerialNumber;

    // 7. Debug log.
    if (settings_->Debug != 0) {
        debugLog_ = std::make_unique<CDebugLog>(settings_->Debug);
        SetDebugLog(debugLog_.get());
    }

    // 8. Start screen allowed on this hardware.
    if (!ScreenAllowed(startMode_, GetHardwareId())) startMode_ = 0;

    // 9. Start-up dialog, clock, task bar, input panel.
    auto startup =
        std::make_unique<CStartupDlg>(CreateModelName(), settings_->ApplicationVersion, fonts_);
    if (startup->Create()) startup->ShowWindow(plat::SW_SHOW);
    SyncClockToBuildDate();
    taskBar_ = plat::find_window("HHTaskBar");
    if (taskBar_) taskBar_->show(plat::SW_HIDE);
    { CSipHelper hide; }

    // 10. Devices; 11. frame window, display, services; 12. show.
    bool ok = InitDevices();
    if (ok) {
        frameOwner_ = std::make_unique<CMainFrame>(this);
        frame_ = frameOwner_.get();
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
        SkipService(u"alert thread");
        SkipService(u"SPI client");
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

    // 15. DSP link.
    if (ok && !RestartDspInterface()) ok = false;

    // 16. Lists and screens.
    if (ok) {
        LoadStartupLists();
        ok = CreateModes();
    }

    // 17. The start screen.
    if (ok) {
        CModeBase* first = (startMode_ == 1 || startMode_ == 2) ? FindMode(startMode_) : nullptr;
        if (!first) first = FindMode(0);
        if (first && frame_)
            frame_->PostMessage(plat::WM_COMMAND, kCmdSwitchMode,
                                reinterpret_cast<intptr_t>(first));
    }
    HistoryAdd(kHistoryStart, ok ? u"start-up done" : u"start-up failed", kHistoryNoValue);
    startOk_ = ok;
    return ok;
}

bool CCelvaneApp::IsAlreadyRunning() {
    plat::Created created;
    instanceMutex_ = plat::Mutex::create("SpectrumAnalyzer", true, &created);
    if (created.already_existed) {
        instanceMutex_ = {};
        return true;
    }
    return false;
}

void CCelvaneApp::InstallLanguageFont(int32_t id) {
    const LanguageRow* row = FindLanguage(id);
    if (!row) return;
    auto host = plat::host_path(std::u16string(kSystemFolder) + row->fontFile);
    if (host && plat::add_font_file(*host)) return;
    if (row->fontFatal) {
        StandardMessageBox(u"Load Font Failed.\n", plat::MB_ICONEXCLAMATION);
        forceEnglish_ = true;
    }
}

bool CCelvaneApp::InitDevices() {
    CreateFolders();
    dispatcher_ = std::make_unique<CEventDispatcher>();
    dispatcher_->Start();

    // Colour scheme: 1 to 5 as stored (5 with its own colours); anything else
    // becomes scheme 1.
    const uint32_t scheme = settings_->ColorScheme;
    if (scheme >= 1 && scheme <= CSystemSettings::kCustomScheme) {
        colorScheme_ = scheme;
        if (scheme == CSystemSettings::kCustomScheme) customColors_ = settings_->CustomColor;
    } else {
        colorScheme_ = 1;
        settings_->ColorScheme = 1;
        settings_->Save(false);
    }

    LoadLanguage(static_cast<int32_t>(settings_->LanguageId));
    batteryAlarm_ = plat::Event::open("VornBatteryAlarm");
    SkipService(u"colour scheme");
    SkipService(u"board I/O wrapper");
    return true;
}

bool CCelvaneApp::InitDisplay() {
    SkipService(u"temperature monitor");
    escapeSupport1_ = plat::ext_escape_query(6149) != 0;
    escapeSupport2_ = plat::ext_escape_query(6301) != 0;
    return true;
}

bool CCelvaneApp::InitServices() {
    locationTexts_ = settings_->LoadQuickTexts(CSystemSettings::kLocationTexts);
    userTexts_ = settings_->LoadQuickTexts(CSystemSettings::kUserTexts);
    serialPort_ = std::make_unique<CSerialPort>(kSerialPortNumber);
    serialPort_->Start();
    usbPort_ = std::make_unique<CUsbMeterPort>();
    usbPort_->Start();
    SkipService(u"battery");
    gps_ = std::make_unique<CGpsReceiver>(serialPort_.get());
    return true;
}

bool CCelvaneApp::LoadStartupLists() {
    bufferPool_ = std::make_unique<CBufferHelper>();
    SkipService(u"band, cable and antenna lists");
    return true;
}

bool CCelvaneApp::CreateModes() {
    SkipService(u"screens");
    CreateGraphPanel();
    return true;
}

bool CCelvaneApp::CreateGraphPanel() {
    SkipService(u"graph panel");
    return true;
}

void CCelvaneApp::AddMode(CModeBase* screen) {
    if (!screen) return;
    screen->OnCreate(GetMainView(), frame_, 0, nullptr);
    modes_.AddTail(screen);
    if (screen->GetModeId() == CModeBase::kSetup) setupMode_ = screen;
}

bool CCelvaneApp::CreateFolders() {
    bool all = true;
    for (const char16_t* folder : {u"\\FlashFX Disk\\My Traces", u"\\FlashFX Disk\\My Pictures",
                                   u"\\FlashFX Disk\\My Setups", u"\\FlashFX Disk\\My Lists"}) {
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

// ------------------------------------------------------------ shutdown

int CCelvaneApp::ExitInstance() {
    if (!started_) {
        // A second instance (or a start that never got past the instance
        // check) leaves the running instance's state alone.
        instanceMutex_ = {};
        return kStartFailed;
    }
    // 1. The screen to start on next time, and the history.
    SaveMode();
    // 2.
    plat::debug_printf("CCelvaneApp::ExitInstance +\n");
    // 3. Stop the screen.
    if (currentMode_) currentMode_->StopMeasurement();
    // 4.
    plat::sleep_ms(1000);
    // 5.
    if (!historyDumped_) HistoryDump();
    // 6.
    if (layoutSaved_) plat::activate_keyboard_layout(savedLayout_);

    // The DSP link stops here, before the screens that own its listening
    // measurements go away, so that no late reply reaches a deleted one.
    if (dsp_) dsp_->Stop();

    // 7. Screens.
    currentMode_ = nullptr;
    setupMode_ = nullptr;
    while (auto* screen = static_cast<CModeBase*>(modes_.GetHead(true))) {
        screen->OnClose();
        delete screen;
    }

    // 8. Threads.
    if (serialPort_) serialPort_->Stop();
    if (usbPort_) usbPort_->Stop();
    if (dispatcher_) dispatcher_->Stop();

    // 9. Libraries, events, task bar.
    language_.Free();
    bio_.close();
    batteryAlarm_ = {};
    if (taskBar_ && plat::is_window(taskBar_)) taskBar_->show(plat::SW_SHOW);

    // 10. Programs started from here.
    for (auto& record : launched_) {
        if (record.process) {
            record.process.terminate(0);
            record.process.close();
        }
    }
    ScreenServices::set_current(nullptr);
    // 11.
    plat::sleep_ms(1000);
    const int code = CWinApp::ExitInstance();
    return startOk_ ? code : kStartFailed;
}

bool CCelvaneApp::StopCurrentMode() {
    if (!currentMode_) return false;
    currentMode_->StopMeasurement();
    currentMode_->CancelEntry();
    return true;
}

void CCelvaneApp::RequestShutdown() {
    if (frame_ && plat::is_window(frame_)) frame_->PostMessage(plat::WM_CLOSE);
}

// ------------------------------------------------------------ storage

uint64_t CCelvaneApp::GetStorageInfo(int kind, uint64_t* total) {
    uint64_t t = 0, free = 0;
    if (kind == kFlashVolume || kind == kHardDisk) {
        plat::DiskSpace space;
        if (plat::disk_free_space(kind == kFlashVolume ? u"\\FlashFX Disk" : u"\\Hard Disk",
                                  space)) {
            t = space.total;
            free = space.total_free;
        }
    } else if (kind == kMemory) {
        const plat::MemoryStatus m = plat::global_memory_status();
        t = m.total_phys;
        free = m.avail_phys;
    }
    if (total) *total = t;
    return free;
}

uint64_t CCelvaneApp::GetStorageInfoForPath(std::u16string_view path, uint64_t* total) {
    int kind = kMemory;
    if (ContainsIgnoreCase(path, u"\\FlashFX Disk"))
        kind = kFlashVolume;
    else if (ContainsIgnoreCase(path, u"\\Hard Disk"))
        kind = kHardDisk;
    return GetStorageInfo(kind, total);
}

bool CCelvaneApp::HasMode(int id) {
    return id >= 1 && id <= 3 && FindMode(id) != nullptr;
}

bool CCelvaneApp::SetModeMeasurement(int id, intptr_t value) {
    if (id < 1 || id > 3) return false;
    CModeBase* screen = FindMode(id);
    return screen && screen->FindMeasurement(value) != nullptr;
}

bool CCelvaneApp::FileExists(std::u16string_view path) {
    return plat::file_exists(path);
}

int32_t CCelvaneApp::TemperatureQuery1(int32_t) {
    return 0;
}

int32_t CCelvaneApp::TemperatureQuery2(int32_t) {
    return 0;
}

std::optional<std::u16string> CCelvaneApp::GetDefaultPrinter(std::u16string* driver) {
    CRegistry registry;
    auto printers = registry.OpenKey(plat::hkey_local_machine(), u"Printers", false);
    if (!printers || printers->GetSubKeyCount() < 2) return LoadResString(570);
    for (uint32_t i = 0;; ++i) {
        auto name = printers->EnumSubKey(i);
        if (!name) break;
        if (plat::equals_ignore_case(*name, u"Ports")) continue;
        auto key = printers->OpenSubKey(*name, false);
        if (!key) continue;
        auto drv = key->QueryValue(u"Driver");
        if (!drv || !key->QueryValue(u"Color") || !key->QueryValue(u"High Quality")) continue;
        if (*name != u"Pagejet Inkjet") continue;
        if (driver) *driver = drv->GetText();
        return *name;
    }
    return std::nullopt;
}

// ------------------------------------------------------------ board I/O

// A request on "BIO1:": control code 0xBABA0004 with {sub-command, value}
// and a 4-byte reply.
bool CCelvaneApp::BioIoctl(uint32_t sub, int32_t value, uint32_t* reply) {
    if (!bio_) return false;
    struct {
        uint32_t sub;
        int32_t value;
    } request{sub, value};
    static_assert(sizeof request == 8);
    uint32_t out = 0, returned = 0;
    if (!bio_.io_control(kBioRequest, &request, sizeof request, &out, sizeof out, &returned))
        return false;
    if (reply) *reply = out;
    return true;
}

uint32_t CCelvaneApp::BioGetValue6() {
    uint32_t reply = 0;
    return BioIoctl(6, 0, &reply) ? reply : 0;
}

uint32_t CCelvaneApp::BioQuery(bool flag) {
    uint32_t reply = 0;
    return BioIoctl(flag ? 4 : 7, 0, &reply) ? reply : 2;
}

void CCelvaneApp::BioSetValue(int32_t value) {
    BioIoctl(0, value, nullptr);
}

void CCelvaneApp::BioRequest(int32_t a, int32_t b) {
    if (a == 3)
        BioIoctl(2, b, nullptr);
    else
        BioIoctl(1, a, nullptr);
}

void CCelvaneApp::BioSetValue3(int32_t value) {
    BioIoctl(3, value, nullptr);
}

uint32_t CCelvaneApp::BioGetValue5() {
    uint32_t reply = 0;
    return BioIoctl(5, 0, &reply) ? reply : 0;
}

bool CCelvaneApp::BioSetWord(const uint8_t*) {
    return false;
}

// ------------------------------------------------------------ once a second

void CCelvaneApp::OnSecondTick() {
    UpdateCurrentMode();
    CheckBatteryStatus();
    CheckMemory();
    UpdateFanState();
    WatchProcess();
    plat::system_idle_timer_reset();
    OnIdle(1);
}

void CCelvaneApp::UpdateCurrentMode() {
    if (currentMode_) currentMode_->OnIdle();
}

void CCelvaneApp::UpdateFanState() {}

void CCelvaneApp::PostAlarm(uint32_t argument) {
    if (dispatcher_) dispatcher_->Post(new CAppEvent(kAlarmMask, argument));
}

void CCelvaneApp::CheckMemory() {
    const plat::MemoryStatus status = plat::global_memory_status();
    if (status.memory_load >= 95 && !memoryAlarmPosted_) {
        PostAlarm(1);
        memoryAlarmPosted_ = true;
    }
    g_memoryStatus = status;
}

uint64_t CCelvaneApp::GetAvailableMemory() {
    const plat::MemoryStatus status = plat::global_memory_status();
    return uint64_t(status.avail_phys) + status.avail_virtual;
}

void CCelvaneApp::CheckBatteryStatus() {
    // Without a battery object the status is unknown.
    const uint8_t code = 1;
    const uint8_t flags = 0xFF;
    const uint32_t percent = 255;
    const uint32_t word = 255;
    if (!currentMode_ || !currentMode_->ShowsBattery()) return;
    if (code != batteryStatus_ || percent != batteryPercent_ || modeChanged_) {
        modeChanged_ = false;
        int kind = 0;
        uint32_t shown = 0;
        if (code == 0 || code == 2) {
            kind = (flags & 4) ? 3 : 2;
            shown = percent;
        } else if (code == 1) {
            if (!(flags & 8) || percent == 100) {
                kind = 1;
                shown = 100;
            } else {
                kind = 4;
                shown = percent;
            }
        }
        currentMode_->UpdateStatusIcons(kind, static_cast<int>(shown));
    }
    batteryStatus_ = code;
    batteryPercent_ = percent;
    batteryWord_ = word;
    if (!batteryAlarm_ || !batteryAlarm_.is_set()) {
        batteryAlarmPosted_ = false;
    } else if (!batteryAlarmPosted_) {
        PostAlarm(0);
        batteryAlarmPosted_ = true;
    }
}

void CCelvaneApp::WatchProcess() {
    for (auto& record : launched_) {
        if (!record.process) continue;
        uint32_t code = 0;
        plat::Process check = plat::Process::open(record.process.id());
        if (!check || !check.exit_code(code) || code != kStillActive) {
            record.process.close();
            if (frame_ && plat::is_window(frame_)) frame_->view().SetFocus();
        }
    }
}

bool CCelvaneApp::LaunchProgram(uint32_t command) {
    const uint32_t which = command - 0x8000001Du;
    switch (which) {
        case 0:
        case 1:
        case 8:
        case 10: {
            Launched& record = launched_[which == 0 ? 0 : 1];
            if (record.process) return false;
            record.process = plat::Process::start(which == 0 ? u"\\windows\\pdfviewer.exe"
                                                             : u"\\windows\\iesample.exe");
            return static_cast<bool>(record.process);
        }
        case 9: {
            plat::Process diag =
                plat::Process::start(u"\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe");
            if (!diag) return false;
            diag.close();
            RequestShutdown();
            return true;
        }
        default:
            return false;
    }
}

// ------------------------------------------------------------ screens

void CCelvaneApp::SaveMode() {
    HistoryDump();
    historyDumped_ = true;
    int id = startMode_;
    if (currentMode_) {
        id = currentMode_->GetModeId();
        if (id >= 1 && id <= 4) currentMode_->StopMeasurement();
        if (id == CModeBase::kTools || id == CModeBase::kSetup)
            id = currentMode_->GetLastMeasurementModeId();
    }
    // Saved whole or not at all: a power loss while saving keeps the old file.
    plat::atomic_save(kModeFile, std::to_string(id));
}

void CCelvaneApp::ContrastDown(uint32_t step) {
    if (!settings_) return;
    settings_->Contrast = settings_->Contrast > step ? settings_->Contrast - step : 0;
    ApplyContrast(settings_->Contrast);
    settings_->Save(false);
}

void CCelvaneApp::ContrastUp(uint32_t step) {
    if (!settings_) return;
    settings_->Contrast = std::min<uint32_t>(100, settings_->Contrast + step);
    ApplyContrast(settings_->Contrast);
    settings_->Save(false);
}

// The contrast goes to the board I/O library when the display supports
// the contrast escape; neither is present yet.
void CCelvaneApp::ApplyContrast(uint32_t) {}

CModeBase* CCelvaneApp::FindMode(int id) {
    modes_.Lock();
    CModeBase* found = nullptr;
    for (size_t i = 0;; ++i) {
        auto* screen = static_cast<CModeBase*>(modes_.GetAt(i));
        if (!screen) break;
        if (screen->GetModeId() == id) {
            found = screen;
            break;
        }
    }
    modes_.Unlock();
    return found;
}

void CCelvaneApp::MakeCurrent(CModeBase* screen) {
    if (currentMode_) currentMode_->CancelEntry();
    currentMode_ = screen;
    modeChanged_ = true;
    ClearAlarmLatches();
}

// A measurement names its own screen; the measurement classes are not part of
// the program yet, so no measurement can be activated.
bool CCelvaneApp::ActivateForMeasurement(CMeasurement* measurement) {
    if (!measurement) return false;
    RefreshLinkObject();
    return false;
}

void CCelvaneApp::RecallSetupItem(CSortedItem* item) {
    if (!item) return;
    CModeBase* screen = FindMode(static_cast<int>(item->GetModeId()));
    if (!screen) return;
    CMeasurement* measurement = screen->FindMeasurement(reinterpret_cast<intptr_t>(item));
    if (!measurement) return;
    MakeCurrent(screen);
    screen->SetCurrentMeasurement(measurement, screen->GetSetup());
    screen->OnActivate();
    statusWord_ = screen->GetItemStatusWord();
    DeleteSortedList();
}

void CCelvaneApp::SwitchToMode(CModeBase* screen) {
    if (screen) {
        MakeCurrent(screen);
        if (screen->GetModeId() != CModeBase::kModeSelect)
            screen->OnActivate();
        else
            screen->OnActivateStart();
        statusWord_ = screen->GetStatusWord();
    }
    RefreshLinkObject();
}

void CCelvaneApp::SwitchToModeNoStart(CModeBase* screen) {
    if (screen) {
        MakeCurrent(screen);
        screen->OnEnterFromList();
        statusWord_ = screen->GetStatusWord();
    }
    RefreshLinkObject();
}

void CCelvaneApp::ShowModeSelect() {
    if (currentMode_ && currentMode_->GetModeId() == CModeBase::kModeSelect) return;
    CModeBase* home = FindMode(CModeBase::kModeSelect);
    if (!home) return;
    MakeCurrent(home);
    home->OnActivateStart();
    RefreshLinkObject();
    // Back on the mode selection the board link must stand again; without
    // it the program cannot measure and closes.
    if (!(dsp_ && dsp_->IsConnected()) && !RestartDspInterface() && frame_) {
        frame_->PostMessage(plat::WM_CLOSE);
    }
}

bool CCelvaneApp::CreateDspInterface(std::u16string_view /*name*/) {
    if (dsp_) {
        dsp_->Stop();
        dsp_.reset();
    }
    auto link = std::make_unique<CDspInterface>(gps_.get());
    link->SetEventDispatcher(dispatcher_.get());
    if (!link->Start()) {
        link->Stop();
        return false;
    }
    dsp_ = std::move(link);
    return true;
}

void CCelvaneApp::ShowSetupScreen() {
    CModeBase* setup = setupMode_ ? setupMode_ : FindMode(CModeBase::kSetup);
    if (!setup) return;
    if (currentMode_ == setup) {
        setup->ShowPage(-1);
        return;
    }
    MakeCurrent(setup);
    setup->SetSetupContext(fromSetup_);
    setup->OnActivate();
    RefreshLinkObject();
}

void CCelvaneApp::ShowTools() {
    if (currentMode_ && currentMode_->GetModeId() == CModeBase::kTools) return;
    CModeBase* tools = FindMode(CModeBase::kTools);
    if (!tools) return;
    MakeCurrent(tools);
    tools->OnActivate();
    RefreshLinkObject();
}

bool CCelvaneApp::IsModeIdle() const {
    return !currentMode_ || !currentMode_->IsBusy();
}

void CCelvaneApp::SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* from) {
    currentMeasurement_ = measurement;
    fromSetup_ = from;
}

void CCelvaneApp::StoreSetting(uint32_t id, intptr_t value) {
    if (!settings_) return;
    CSystemSettings& s = *settings_;
    switch (id) {
        case 32804:
            s.ColorScheme = colorScheme_;
            if (colorScheme_ == CSystemSettings::kCustomScheme) {
                s.CustomColor = customColors_;
                s.SaveCustomColors(customColors_);
            }
            break;
        case 32805:
            s.Contrast = static_cast<uint32_t>(value);
            break;
        case 32806:
            s.LanguageId = static_cast<uint32_t>(value);
            break;
        case 32811:
            if (value) s.SaveQuickTexts(*reinterpret_cast<const CSortedStringArray*>(value));
            return;
        case 32814:
            s.FpgaLoadCrc = static_cast<uint32_t>(value);
            break;
        case 32815:
            s.DspLoadCrc = static_cast<uint32_t>(value);
            break;
        case 32822:
            s.Save(value != 0);
            return;
        case 32849:
            s.RuntimeWord = static_cast<uint32_t>(value);
            break;
        default:
            return;
    }
    s.Save(false);
}

void CCelvaneApp::SetColorSchemeNumber(uint32_t number) {
    colorScheme_ = (number >= 1 && number <= CSystemSettings::kCustomScheme) ? number : 1;
}

bool CCelvaneApp::LoadLanguage(int32_t id) {
    if (!language_.Load(id, forceEnglish_, fonts_)) return false;
    languageId_ = forceEnglish_ ? kLanguageEnglish : id;
    return true;
}

std::u16string CCelvaneApp::GetLanguageName(int32_t id) {
    std::u16string name = LanguageNameFromLibrary(id);
    if (name.empty() && IsBuiltInLanguage(id) && LanguageLibraryName(id) == u"QXEnglishDll.dll") {
        if (const LanguageRow* row = FindLanguage(id)) name = LoadResString(row->nameId);
    }
    return name;
}

void CCelvaneApp::CopyLanguageFiles() {
    const std::u16string from = u"\\FlashFX Disk\\Startup\\QXCopy\\";
    for (const char16_t* lang : {u"English", u"Spanish", u"French"}) {
        for (const char16_t* kind : {u"Dll.dll", u"Help.dll"}) {
            const std::u16string name = std::u16string(u"QX") + lang + kind;
            const std::u16string src = from + name, dst = kSystemFolder + name;
            if (IsFileNewer(src, dst)) plat::copy_file(src, dst, false);
        }
    }
}

// The list files are not part of the program yet.
bool CCelvaneApp::ShowListFile(uint32_t, intptr_t) {
    return false;
}

bool CCelvaneApp::LoadListFile(uint32_t, intptr_t) {
    return false;
}

CSortedItemList& CCelvaneApp::GetSortedList() {
    if (!sortedItems_) {
        sortedItems_ = std::make_unique<CSortedItemList>(settings_ ? settings_->ListMode : 0,
                                                         [this](uint32_t mode) {
                                                             if (settings_)
                                                                 settings_->ListMode = mode;
                                                             StoreSetting(32822, 0);
                                                         });
    }
    return *sortedItems_;
}

void CCelvaneApp::SetFirmwareVersion(uint32_t major, uint32_t minor) {
    if (settings_) settings_->FirmwareVersion = core::FormatText("%x.%x", major, minor);
}

void CCelvaneApp::SetIdentityBytes(const uint8_t* bytes, size_t count) {
    if (!settings_) return;
    settings_->RfSerialNumber.clear();
    for (size_t i = 0; i < count; ++i)
        if (bytes[i]) settings_->RfSerialNumber.push_back(bytes[i]);
    settings_->SaveVersions();
}

plat::CWnd* CCelvaneApp::GetMainView() const {
    return frame_ && plat::is_window(frame_) ? &frame_->view() : nullptr;
}

bool CCelvaneApp::ForwardToCurrentMode(int a, intptr_t b) {
    if (!currentMode_) return false;
    currentMode_->OnCommand3281x(a, b);
    return true;
}

// ------------------------------------------------------------ ScreenServices

void CCelvaneApp::SetCurrentModeId(int id) {
    if (settings_) settings_->CurrentMode = static_cast<uint32_t>(id);
}

int CCelvaneApp::GetLastMeasurementModeId() const {
    return settings_ ? static_cast<int>(settings_->LastMode) : 0;
}

void CCelvaneApp::SetLastMeasurementModeId(int id) {
    if (settings_) settings_->LastMode = static_cast<uint32_t>(id);
}

CModeBase* CCelvaneApp::GetCurrentMeasurementScreen() const {
    return nullptr;
}

void CCelvaneApp::ModeKey(uint32_t) {
    ShowModeSelect();
}

void CCelvaneApp::SetupKey(uint32_t) {
    ShowSetupScreen();
}

void CCelvaneApp::ForwardValue(int) {}
