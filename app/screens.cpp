// CCelvaneApp screens: switching between the full screens, the settings the
// screens store, language, lists, the DSP link, and the services the screens
// call (IScreenServices).
#include "app/celvane_app.h"

#include <algorithm>

#include "app/app_file_services.h"
#include "app/app_files.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "core/history.h"
#include "core/posted_records.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "core/scoped_lock.h"
#include "core/screen_ids.h"
#include "core/sorted_item_list.h"
#include "dialogs/quick_help_dlg.h"
#include "dialogs/time_date_dlg.h"
#include "files/meas_setup.h"
#include "instrument/measurement.h"
#include "platform/fs/atomic_save.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/thread.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"

using namespace app_files;

bool CCelvaneApp::DumpHistory() {
    const bool written = HistoryDump();
    write_notice_.Written(CWriteFailureNotice::kHistory, written);
    return written;
}

void CCelvaneApp::SaveMode() {
    DumpHistory();
    history_dumped_ = true;
    int id = start_mode_;
    if (current_mode_) {
        id = current_mode_->GetModeId();
        if (IsMeasurementScreen(id) || id == kScreenTools) current_mode_->StopMeasurement();
        if (id == kScreenTools || id == kScreenSetup)
            id = current_mode_->GetLastMeasurementModeId();
    }
    // Each instrument screen keeps its setup for the next start.
    bool backup_failed = false;
    for (const int screen_id : {kScreenNetworkAnalyzer, kScreenSpectrumAnalyzer}) {
        if (!ScreenAllowed(screen_id, GetHardwareId())) continue;
        CModeBase* screen = FindMode(screen_id);
        CMeasSetup* setup = screen ? screen->GetSetup() : nullptr;
        if (setup && !setup->SaveBackup()) {
            HistoryAdd(kHistoryStart, u"backup setup not saved", static_cast<uint32_t>(screen_id));
            backup_failed = true;
        }
    }
    // The history went out first; a lost backup is told there as well.
    if (backup_failed) DumpHistory();
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
// the contrast escape.
void CCelvaneApp::ApplyContrast(uint32_t value) {
    if (smart_io_ && escape_support1_) smart_io_->SetVeePwm(static_cast<uint8_t>(value & 0xFF));
}

CModeBase* CCelvaneApp::FindMode(int id) {
    ScopedLock lock(modes_);
    for (size_t i = 0;; ++i) {
        auto* screen = static_cast<CModeBase*>(modes_.GetAt(i));
        if (!screen) return nullptr;
        if (screen->GetModeId() == id) return screen;
    }
}

void CCelvaneApp::MakeCurrent(CModeBase* screen) {
    if (current_mode_) current_mode_->CancelEntry();
    current_mode_ = screen;
    mode_changed_ = true;
    ClearAlarmLatches();
}

// The screen a measurement names as its own; null when it has none.
static CModeBase* ScreenOf(const CMeasurement* measurement) {
    return measurement ? dynamic_cast<CModeBase*>(measurement->GetScreen()) : nullptr;
}

// The measurement's own screen takes it, becomes current and starts it.
bool CCelvaneApp::ActivateForMeasurement(CMeasurement* measurement) {
    CModeBase* screen = ScreenOf(measurement);
    if (!screen) {
        RefreshLinkObject();
        return false;
    }
    screen->SetCurrentMeasurement(measurement, screen->GetSetup());
    MakeCurrent(screen);
    screen->StartMeasurement();
    status_word_ = screen->GetStatusWord();
    RefreshLinkObject();
    return true;
}

// The item's screen becomes current with a measurement for the item; its
// setup object reads the item's file and takes the item's name. A kind
// without a screen, or a screen without a measurement for it, changes
// nothing.
void CCelvaneApp::RecallSetupItem(CSortedItem* item) {
    if (!item) return;
    CModeBase* screen = FindMode(static_cast<int>(item->GetModeId()));
    if (!screen) return;
    CMeasurement* measurement = screen->CreateMeasurementFor(item);
    if (!measurement) return;
    MakeCurrent(screen);
    screen->SetCurrentMeasurement(measurement, screen->GetSetup());
    if (CMeasSetup* setup = screen->GetSetup()) {
        const core::Text path = item->GetFilePath();
        if (!path.empty()) setup->Load(path);  // a file it cannot read leaves the setup as it was
        setup->SetSetupLabel(item->GetName());
    }
    measurement->Start(0, 0);
    screen->OnActivate();
    status_word_ = screen->GetItemStatusWord();
    DeleteSortedList();
}

void CCelvaneApp::SwitchToMode(CModeBase* screen) {
    if (screen) {
        MakeCurrent(screen);
        if (screen->GetModeId() != kScreenModeSelect)
            screen->OnActivate();
        else
            screen->OnActivateStart();
        status_word_ = screen->GetStatusWord();
    }
    RefreshLinkObject();
}

void CCelvaneApp::SwitchToModeNoStart(CModeBase* screen) {
    if (screen) {
        MakeCurrent(screen);
        screen->OnEnterFromList();
        status_word_ = screen->GetStatusWord();
    }
    RefreshLinkObject();
}

void CCelvaneApp::ShowModeSelect() {
    if (current_mode_ && current_mode_->GetModeId() == kScreenModeSelect) return;
    CModeBase* home = FindMode(kScreenModeSelect);
    if (!home) {
        // No mode selection screen to go to: the current screen carries on
        // (the mode key stopped its sweep).
        if (current_mode_) {
            current_mode_->OnActivate();
            RefreshLinkObject();
        }
        return;
    }
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
    link->SetVersionSink(this);
    if (!link->Start()) {
        link->Stop();
        return false;
    }
    // Opens "DSP1:"; without the board the link stays closed and says so in
    // the history.
    link->Open();
    dsp_ = std::move(link);
    return true;
}

void CCelvaneApp::ShowSetupScreen() {
    CModeBase* setup = setup_mode_ ? setup_mode_ : FindMode(kScreenSetup);
    if (!setup) return;
    if (current_mode_ == setup) {
        setup->ShowPage(-1);
        return;
    }
    MakeCurrent(setup);
    setup->SetSetupContext(from_setup_);
    setup->OnActivate();
    RefreshLinkObject();
}

void CCelvaneApp::ShowTools() {
    if (current_mode_ && current_mode_->GetModeId() == kScreenTools) return;
    CModeBase* tools = FindMode(kScreenTools);
    if (!tools) return;
    MakeCurrent(tools);
    tools->OnActivate();
    RefreshLinkObject();
}

bool CCelvaneApp::IsModeIdle() const {
    return !current_mode_ || !current_mode_->IsBusy();
}

void CCelvaneApp::SetCurrentMeasurement(CMeasurement* measurement, CMeasSetup* from) {
    current_measurement_ = measurement;
    from_setup_ = from;
}

void CCelvaneApp::StoreSetting(uint32_t id, intptr_t value) {
    if (!settings_) return;
    CSystemSettings& s = *settings_;
    switch (id) {
        case kCmdColorScheme:
            s.ColorScheme = GetColorSchemeNumber();
            if (s.ColorScheme == CSystemSettings::kCustomScheme) {
                for (size_t i = 0; i < CSystemSettings::kCustomColorCount; ++i)
                    s.CustomColor[i] = color_scheme_->GetColor(static_cast<ColorSchemeIndex>(i));
                s.SaveCustomColors(s.CustomColor);
            }
            break;
        case kCmdContrast:
            s.Contrast = static_cast<uint32_t>(value);
            break;
        case kCmdLanguage:
            s.LanguageId = static_cast<uint32_t>(value);
            break;
        case kCmdQuickTexts:
            if (auto* texts = TakeCommandObject<kCmdQuickTexts>(value)) s.SaveQuickTexts(*texts);
            return;
        case kCmdFpgaCrc:
            s.FpgaLoadCrc = static_cast<uint32_t>(value);
            break;
        case kCmdDspCrc:
            s.DspLoadCrc = static_cast<uint32_t>(value);
            break;
        case kCmdSaveSettings:
            s.Save(value != 0);
            return;
        case kCmdRuntimeWord:
            s.RuntimeWord = static_cast<uint32_t>(value);
            break;
        default:
            return;
    }
    s.Save(false);
}

uint32_t CCelvaneApp::GetColorSchemeNumber() const {
    return color_scheme_ ? color_scheme_->GetNumber() : 1;
}

void CCelvaneApp::SetColorSchemeNumber(uint32_t number) {
    if (number < 1 || number > CSystemSettings::kCustomScheme) number = 1;
    auto scheme = CreateColorScheme(static_cast<int32_t>(number));
    if (color_scheme_)
        color_scheme_->CopyFrom(*scheme);
    else
        color_scheme_ = std::move(scheme);
}

bool CCelvaneApp::LoadLanguage(int32_t id) {
    if (!language_.Load(id, force_english_, fonts_)) return false;
    language_id_ = force_english_ ? kLanguageEnglish : id;
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

CSortedItemList& CCelvaneApp::GetSortedList() {
    if (!sorted_items_) {
        sorted_items_ = std::make_unique<CSortedItemList>(settings_ ? settings_->ListMode : 0,
                                                          [this](uint32_t mode) {
                                                              if (settings_)
                                                                  settings_->ListMode = mode;
                                                              StoreSetting(kCmdSaveSettings, 0);
                                                          });
    }
    return *sorted_items_;
}

CSortedItem* CCelvaneApp::SortSetupList(uint32_t mode) {
    CSortedItemList& list = GetSortedList();
    CSortedItem* head = list.SetSortMode(mode);
    if (list.IsSorted()) return head;
    list.SortChain();
    return list.GetHead();
}

bool CCelvaneApp::LoadsSetups() const {
    return !settings_ || settings_->LoadSetups;
}

ISetupEnvironment* CCelvaneApp::GetSetupEnvironment() {
    return AppSetupEnvironment();
}

void CCelvaneApp::HandOverToCurrentMode(std::unique_ptr<CBufferPair> pair) {
    if (!pair) return;
    if (current_mode_) current_mode_->OnBufferPair(pair.get());
    pair->Free();
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

void CCelvaneApp::OnBoardVersion(uint32_t major, uint32_t minor, const uint8_t* identity,
                                 size_t count) {
    {
        std::lock_guard<std::mutex> guard(version_lock_);
        pending_version_ = PendingVersion{major, minor, {identity, identity + count}};
    }
    if (plat::current_thread_id() == ui_thread_id_) KeepPendingVersion();
}

void CCelvaneApp::KeepPendingVersion() {
    std::optional<PendingVersion> version;
    {
        std::lock_guard<std::mutex> guard(version_lock_);
        version.swap(pending_version_);
    }
    if (!version) return;
    SetFirmwareVersion(version->major, version->minor);
    SetIdentityBytes(version->identity.data(), version->identity.size());
}

plat::CWnd* CCelvaneApp::GetMainView() const {
    return frame_ && plat::is_window(frame_) ? &frame_->view() : nullptr;
}

bool CCelvaneApp::ForwardToCurrentMode(int a, const core::Text* b) {
    if (!current_mode_) return false;
    current_mode_->OnCommand3281x(a, b);
    return true;
}

// ------------------------------------------------------------ IScreenServices

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
    return ScreenOf(current_measurement_);
}

void CCelvaneApp::ModeKey(uint32_t) {
    ShowModeSelect();
}

void CCelvaneApp::SetupKey(uint32_t) {
    ShowSetupScreen();
}

void CCelvaneApp::ForwardValue(int) {}

void CCelvaneApp::SetContrast(int level) {
    ApplyContrast(static_cast<uint32_t>(level));
    StoreSetting(kCmdContrast, level);
}

// Every screen's creation: the backlight's two board I/O controls.
void CCelvaneApp::InitBacklight() {
    BioSetValue(0);
    BioRequest(1, 0);
}

bool CCelvaneApp::IsBacklightAutomatic() {
    return BioGetValue6() == 1;
}

int CCelvaneApp::GetBacklightLevel(bool custom) {
    return static_cast<int>(BioQuery(custom));
}

int CCelvaneApp::GetSensorGain() {
    return static_cast<int>(BioGetValue5());
}

void CCelvaneApp::SetAutoBacklight(bool on) {
    BioSetValue(on ? 1 : 0);
}

void CCelvaneApp::SetBacklightLevel(int level, int custom) {
    BioRequest(level, custom);
}

void CCelvaneApp::SetSensorGain(int gain) {
    BioSetValue3(gain);
}

void CCelvaneApp::NoteModeChanged() {
    mode_changed_ = true;
    CheckBatteryStatus();
}

// The settings store's identity texts as the system information box shows
// them: a unit serial number still at its factory value reads empty; without
// a usable printer key the printer reads "not present".
SystemIdentity CCelvaneApp::GetSystemIdentity() {
    SystemIdentity id;
    if (settings_) {
        id.application_version = settings_->ApplicationVersion;
        id.dsp_version = settings_->FirmwareVersion;
        id.keypad_version = settings_->KeypadVersion;
        id.rf_serial = settings_->RfSerialNumber;
        id.board_model = settings_->GetBoardName();
        const core::Text& serial = settings_->UnitSerialNumber;
        if (serial != u"00000001" && serial != u"0") id.unit_serial = serial;
    }
    id.model = CreateModelName();
    id.printer = GetDefaultPrinter(nullptr).value_or(LoadResString(570));
    return id;
}

CSortedItem* CCelvaneApp::GetFirstItem() {
    return GetSortedList().GetHead();
}

int CCelvaneApp::ShowScreenMessage(const core::Text& text, uint32_t style) {
    return ::ShowMessage(text, style);
}

// Both open over the main view, so that taps on the screen's keys reach them,
// and relabel the screen's soft keys while they are open; the screen's own
// labels come back when they close.
void CCelvaneApp::RunQuickHelp(const core::Text& title, const std::u16string& path) {
    {
        CQuickHelpDlg dlg(GetMainView(), title, path);
        dlg.DoModal();
    }
    if (current_mode_) current_mode_->ShowSoftKeys();
}

void CCelvaneApp::RunTimeDateDialog() {
    {
        CTimeDateDlg dlg(GetMainView(), current_mode_ ? current_mode_->soft_key_menu() : nullptr);
        dlg.DoModal();
    }
    if (current_mode_) current_mode_->ShowSoftKeys();
}
