// The file menu of the measurement screens: trace files saved quickly or
// labelled into "\FlashFX Disk\My Traces", the trace list the file manager
// shows, recalling a stored trace into the hold layer beside the live one,
// and the trace log that saves a trace at a fixed interval.
#include <algorithm>
#include <cstring>
#include <memory>

#include "core/app_commands.h"
#include "core/history.h"
#include "core/keys.h"
#include "core/listener_list.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "core/scoped_lock.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_select_dlg.h"
#include "dialogs/text_entry_dlg.h"
#include "dialogs/value_entry_dlg.h"
#include "files/formats/setup_file.h"
#include "files/formats/trace_file.h"
#include "files/listed_setup.h"
#include "files/meas_setup.h"
#include "files/unused_path.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file_system.h"
#include "platform/window/messages.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/graph_panel.h"
#include "widgets/readout_panel.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr char16_t kTraceFolder[] = u"\\FlashFX Disk\\My Traces";
constexpr char16_t kTraceExtension[] = u".twf";
// Pages of the file menu.
constexpr int kFilePage = 41, kLogPage = 44, kRecallPage = 45, kManagePage = 46, kImagePage = 47,
              kHelpPage = 49, kFileManagerPage = 137;
// Labels.
constexpr uint32_t kBlank = 184, kReturn = 1019, kOn = 308, kOff = 309;
constexpr uint32_t kQuickSaveTrace = 1207, kLabelAndSave = 1335, kLogTrace = 1216,
                   kRecallTrace = 1061, kManageTraces = 1217, kScreenImage = 64458,
                   kToolsKey = 61253, kHelpKey = 61221, kSampleRate = 64216, kRecallCompare = 1224,
                   kClearRecalled = 1225, kCopyToUsb = 1218, kCopyAllToUsb = 1219,
                   kCopyFromUsb = 1220, kDeleteTrace = 1221, kDeleteAll = 1222;
// Messages.
constexpr uint32_t kTraceNotComplete = 64254, kOverwriteQuestion = 64488;
constexpr uint32_t kSaveTraceCaption = 1338;
constexpr uint32_t kMbOk = 0, kMbIconExclamation = 0x30;
// The panes repainted after a save.
constexpr int kSavedPanes[] = {10, 15, 6, 1, 9};
// The setup kinds whose quick-saved traces are named after them.
constexpr int32_t kClassVna = 1;
constexpr int64_t kLogStepMs = 1000;
// Where the file manager lies over the graph, in the view's client area.
constexpr int kManagerLeft = 0, kManagerTop = 30, kManagerRight = 705, kManagerBottom = 455;

void Label(CSoftKeyMenu& m, int key, uint32_t id) {
    m.SetKeyTextById(id, key, false, false);
}
void Blank(CSoftKeyMenu& m, int from, int to) {
    for (int k = from; k <= to; ++k) Label(m, k, kBlank);
}

}  // namespace

// --- Names and paths --------------------------------------------------------------------

core::Text CMeasurementBase::GetTraceFolder() const {
    return core::Text(kTraceFolder) + u"\\";
}

core::Text CMeasurementBase::MakeTracePath(const core::Text& name) const {
    return GetTraceFolder() + name;
}

core::Text CMeasurementBase::AddTraceExtension(const core::Text& name) const {
    if (core::EndsWithIgnoreCase(name, kTraceExtension)) return name;
    return name + kTraceExtension;
}

core::Text CMeasurementBase::QuickTraceName() const {
    const bool vna = setup_ && setup_->GetMeasurementClass() == kClassVna;
    return CMeasSetup::QuickLabel(vna ? "General VNA" : "General SA", plat::local_time());
}

// --- Pages ------------------------------------------------------------------------------

int CMeasurementBase::ShowTraceFileMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    Label(m, 0, kQuickSaveTrace);
    Label(m, 1, kLabelAndSave);
    m.SetKeyLabelById(kLogTrace, 2, kOn, kOff, m_LogOn ? 0 : 1, false);
    Label(m, 3, kRecallTrace);
    Label(m, 4, kManageTraces);
    Label(m, 5, kScreenImage);
    Label(m, 6, kToolsKey);
    Label(m, 7, kHelpKey);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowLogMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    m.SetKeyLabelById(kLogTrace, 0, kOn, kOff, m_LogOn ? 0 : 1, false);
    m.SetKeyLabel(LoadResString(kSampleRate) + u"\n" +
                      core::FormatText("%u s", static_cast<unsigned>(m_LogInterval / 1000)),
                  1, 0, 0, -1, false);
    Blank(m, 2, 6);
    Label(m, 7, kReturn);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowRecallMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    Label(m, 0, kRecallTrace);
    Label(m, 1, kRecallCompare);
    Label(m, 2, kClearRecalled);
    Blank(m, 3, 6);
    Label(m, 7, kReturn);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowManageTraceMenu(int highlight) {
    if (!soft_key_menu_) return 0;
    CSoftKeyMenu& m = *soft_key_menu_;
    Label(m, 0, kCopyToUsb);
    Label(m, 1, kCopyAllToUsb);
    Label(m, 2, kCopyFromUsb);
    Label(m, 3, kDeleteTrace);
    Label(m, 4, kDeleteAll);
    Blank(m, 5, 6);
    Label(m, 7, kReturn);
    return ShowPageLabels(highlight);
}

int CMeasurementBase::ShowSaveTraceCaption() {
    return 1;
}

// --- The file menu's keys -----------------------------------------------------------------

void CMeasurementBase::OpenFilePage(int page) {
    previousFunction_ = active_function_;
    SwitchToPage(page, -1);
}

bool CMeasurementBase::OnTraceFileMenuKey(int key) {
    switch (key) {
        case 0:
            return QuickSaveTrace();
        case 1:
            LabelAndSaveTraceWithDialog();
            return true;
        case 2:
            OpenFilePage(kLogPage);
            return true;
        case 3:
        case 4:
            OpenTraceFileManager();
            OpenFilePage(key == 3 ? kRecallPage : kManagePage);
            return true;
        case 5:
            OpenFilePage(kImagePage);
            return true;
        case 6:
            return OpenToolsScreen();
        case 7:
            OpenFilePage(kHelpPage);
            return true;
        default:
            return false;
    }
}

bool CMeasurementBase::OnKeyCode(int key) {
    return OnRecallMenuKey(key);
}

bool CMeasurementBase::OnRecallMenuKey(int key) {
    switch (key) {
        case 0:
        case 1:
            return m_FileManager != nullptr;
        case 2:
            if (!m_FileManager) ApplySettings(true);
            ResetHoldState();
            return false;
        case 7:
            CloseTraceFileManager(1);
            OpenFilePage(kFilePage);
            return false;
        default:
            return false;
    }
}

// --- The trace list and the file manager -----------------------------------------------------

ISetupEntry* CMeasurementBase::GetFirstFileEntry() {
    return traceList ? CListedSetup::EntryOf(static_cast<CSortedItem*>(traceList->GetHead()))
                     : nullptr;
}

void CMeasurementBase::ReloadTraceList() {
    if (!traceList) return;
    traceList->DeleteAll();
    FindTraceFiles(core::Text(kTraceFolder));
}

void CMeasurementBase::OnTraceFilesChanged(intptr_t changed) {
    if (!changed) return;
    ReloadTraceList();
    if (open_page_ == kFileManagerPage && m_FileManager) {
        m_FileManager->SetFirstEntry(GetFirstFileEntry());
        m_FileManager->FillList();
        m_FileManager->Invalidate();
    }
}

bool CMeasurementBase::OpenTraceFileManager() {
    if (open_page_ == kFileManagerPage && m_FileManager) return true;
    StopMeasurement();
    ReloadTraceList();
    return ShowPage(kFileManagerPage) == 1;
}

// Page 137: the file manager window over the view, listing the trace list.
bool CMeasurementBase::CreateFileManagerWindow() {
    if (!parent_view_) return false;
    auto* dialog = new CSetupSelectDlg(parent_view_, dialog_services::ColorSchemeHolder(), true);
    dialog->SetFirstEntry(GetFirstFileEntry());
    if (!dialog->Create()) {
        delete dialog;
        return false;
    }
    m_FileManager = dialog;
    open_page_ = kFileManagerPage;
    dialog->MoveWindow({kManagerLeft, kManagerTop, kManagerRight, kManagerBottom});
    dialog->ShowWindow(plat::SW_SHOW);
    dialog->EnableWindow(true);
    dialog->SetFocus();
    dialog->Invalidate();
    return true;
}

bool CMeasurementBase::CloseTraceFileManager(int restart) {
    closingManager_ = true;
    ClosePopup();
    closingManager_ = false;
    if (main_frame()) {
        main_frame()->SetFocus();
        main_frame()->InvalidateRect(nullptr);
    }
    if (restart) ApplySettings(true);
    UpdateSweepReadout(1);
    // What the list and the dialogs over it covered is drawn anew.
    RedrawWholeScreen();
    return true;
}

ISetupEntry* CMeasurementBase::SelectedTraceEntry() const {
    return open_page_ == kFileManagerPage && m_FileManager ? m_FileManager->GetSelectedSetup()
                                                           : nullptr;
}

// Every readable trace of the screen's own class in the folder joins the
// trace list, in the folder's order (by name).
int CMeasurementBase::FindTraceFiles(const core::Text& folder) {
    if (!traceList) return 0;
    plat::FindData data;
    plat::FindFile find = plat::FindFile::first(folder + u"\\*", data);
    if (!find) return 0;
    auto* services = IScreenServices::current();
    ISetupEnvironment* environment = services ? services->GetSetupEnvironment() : nullptr;
    for (bool more = true; more; more = find.next(data)) {
        if (data.attributes & (plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN))
            continue;
        if (!core::EndsWithIgnoreCase(data.name, kTraceExtension)) continue;
        const core::Text path = folder + u"\\" + data.name;
        core::Text reason;
        std::unique_ptr<CMeasSetup> setup = CSetupFile::LoadSetupObject(path, environment, &reason);
        if (!setup) {
            HistoryAddText(CTaggedFile::kHistoryFiles, reason);
            continue;
        }
        if (setup->GetMeasurementClass() != mode_id_) continue;
        setup->SetFilePath(path);
        if (setup->GetSaveTime() == 0) setup->SetSaveTime(setup->GetCreationTime());
        traceList->Add(new CListedSetup(std::move(setup)));
    }
    return 1;
}

// --- Saving --------------------------------------------------------------------------------

// The trace on the screen when its sweep is whole, else the last whole sweep
// while the next one streams in; nothing before the first sweep completed.
int CMeasurementBase::GetTraceForFile(uint8_t* buffer, int* count) {
    ScopedLock guard(*this);
    const int n = setup_ ? setup_->GetDataPoints() : 0;
    if (!buffer || !count || n <= 0) return 0;
    const std::vector<double>* raw = nullptr;
    if (m_PointsReceived >= n && static_cast<size_t>(n) <= shown_.raw.size())
        raw = &shown_.raw;
    else if (completedRaw_.size() == static_cast<size_t>(n))
        raw = &completedRaw_;
    if (!raw) return 0;
    std::memset(buffer, 0, static_cast<size_t>(n) * sizeof(TracePoint));
    auto* points = reinterpret_cast<TracePoint*>(buffer);
    for (int i = 0; i < n; ++i)
        points[i].first = static_cast<float>((*raw)[static_cast<size_t>(i)]);
    *count = n;
    return 1;
}

int CMeasurementBase::GetSecondTraceForFile(uint8_t* buffer, int* count) {
    return GetTraceForFile(buffer, count);
}

std::unique_ptr<CTraceFile> CMeasurementBase::BuildTraceFileObject() {
    if (!setup_ || !m_TraceText1) return nullptr;
    int count = 0;
    if (!GetTraceForFile(m_TraceText1.get(), &count)) return nullptr;
    if (count < 1 || count > static_cast<int>(kTraceBufferPoints) ||
        count != setup_->GetDataPoints())
        return nullptr;
    const bool vna = setup_->GetMeasurementClass() == kClassVna;
    const auto* first = reinterpret_cast<const TracePoint*>(m_TraceText1.get());
    const TracePoint* second = nullptr;
    if (vna && m_TraceText2) {
        int second_count = 0;
        if (GetSecondTraceForFile(m_TraceText2.get(), &second_count) && second_count == count)
            second = reinterpret_cast<const TracePoint*>(m_TraceText2.get());
    }
    return std::make_unique<CTraceFile>(vna ? CTraceFile::kKindVna : CTraceFile::kKindSa,
                                        static_cast<uint32_t>(count), first, second);
}

bool CMeasurementBase::IsSaveBusy() const {
    return m_SaveBusy;
}

bool CMeasurementBase::QuickSaveTrace() {
    std::unique_ptr<CTraceFile> file = BuildTraceFileObject();
    if (!file) {
        if (auto* s = services())
            s->ShowScreenMessage(LoadResString(kTraceNotComplete), kMbOk | kMbIconExclamation);
        return false;
    }
    if (m_SaveBusy) return false;
    m_SaveBusy = true;
    StopMeasurement();
    const bool saved = LabelAndSaveTrace(file.get(), setup_, QuickTraceName(), false);
    ApplySettings(true);
    m_SaveBusy = false;
    return saved;
}

bool CMeasurementBase::LabelAndSaveTrace(CTraceFile* file, CMeasSetup* setup,
                                         const core::Text& name, bool showDialog) {
    if (!file || !setup) return false;
    core::Text path = MakeTracePath(AddTraceExtension(name));
    // A name made from the time never replaces a file.
    if (!showDialog) path = files::UnusedFilePath(path);
    file->SetTexts(CMeasSetup::Now(), setup->GetTitle(), setup->GetSubtitle(), setup->GetNotes(),
                   setup->GetSetupLabel(), path);
    if (!showDialog) return SaveTraceFile(path, setup, file);
    if (!RunSaveTraceDialog(*file, *setup, name)) {
        RedrawWholeScreen();
        return false;
    }
    const bool saved = SaveTraceFile(file->GetTracePath(), setup, file);
    if (saved) post_to_frame(plat::WM_COMMAND, kCmdTraceFiles, 1);
    for (int pane : kSavedPanes) post_to_frame(plat::WM_COMMAND, kCmdRefreshPane, pane);
    if (main_frame()) main_frame()->InvalidateRect(nullptr);
    return saved;
}

bool CMeasurementBase::SaveTraceFile(const core::Text&, CMeasSetup*, const ITraceSource*) {
    return false;
}

// --- Recall --------------------------------------------------------------------------------

void CMeasurementBase::LoadRecalledTrace(const float* entries, int count) {
    if (!entries) return;
    ScopedLock guard(*this);
    const int n = std::min(
        {count, setup_ ? setup_->GetDataPoints() : 0, static_cast<int>(work_.hold.size())});
    // Each entry is two floats: the value and the second component.
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        work_.hold[k] = entries[2 * k];
    }
    holdCopyPending = false;
}

// A recalled trace is the held trace: code 0 shows it alone, code 1 beside
// the live one. The next live sweep never overwrites it.
void CMeasurementBase::ShowRecalledTrace(int code) {
    {
        ScopedLock guard(*this);
        holdCopyPending = false;
    }
    m_Hold = true;
    m_Live = code == 1;
}

void CMeasurementBase::HoldForRecallKey(int code) {
    if (code == 1)
        SetHoldState();
    else
        HoldTrace();
}

// --- The trace log -------------------------------------------------------------------------

bool CMeasurementBase::LogTraceIfDue() {
    if (!m_LogOn || !m_LogTimer || !m_LogTimer->IsExpired()) return false;
    std::unique_ptr<CTraceFile> file = BuildTraceFileObject();
    // The end of a sweep is marked a few points early: the log stays due
    // until the sweep's last points have arrived.
    if (!file) return false;
    bool saved = false;
    if (!m_SaveBusy) {
        m_SaveBusy = true;
        saved = LabelAndSaveTrace(file.get(), setup_, QuickTraceName(), false);
        m_SaveBusy = false;
        if (!saved) {
            // One message says why; the log stays off until switched on again.
            m_LogOn = false;
            if (active_function_ == kLogPage || active_function_ == kFilePage)
                ShowSoftKeys(active_function_, -1);
        }
    }
    m_LogTimer->Start(m_LogInterval);
    return saved;
}

bool CMeasurementBase::OnLogMenuKey(int key) {
    switch (key) {
        case 0:
            if (m_LogTimer) m_LogTimer->Start(m_LogInterval);
            m_LogOn = !m_LogOn;
            ShowLogMenu(-1);
            return true;
        case 1:
            if (soft_key_menu_) soft_key_menu_->Select(0, 1, true);
            lastKey[static_cast<size_t>(kLogPage)] = 1;
            return true;
        case 7:
            OpenFilePage(kFilePage);
            return true;
        default:
            return false;
    }
}

void CMeasurementBase::SetLogInterval(int64_t ms) {
    m_LogInterval = static_cast<uint32_t>(std::clamp<int64_t>(ms, kLogMinMs, kLogMaxMs));
    ShowLogMenu(-1);
}

bool CMeasurementBase::LabelAndSaveTraceWithDialog() {
    std::unique_ptr<CTraceFile> file = BuildTraceFileObject();
    if (!file) {
        if (auto* s = services())
            s->ShowScreenMessage(LoadResString(kTraceNotComplete), kMbOk | kMbIconExclamation);
        RepaintScreen(0);
        return false;
    }
    OpenTraceFileManager();
    bool saved = false;
    if (open_page_ == kFileManagerPage && m_FileManager) {
        ISetupEntry* entry = SelectedTraceEntry();
        saved = LabelAndSaveTrace(file.get(), setup_,
                                  entry ? entry->GetEntryFileName() : core::Text(), true);
    }
    file.reset();
    CloseTraceFileManager(1);
    SwitchToPage(kFilePage, -1);
    return saved;
}

// The record's texts in the save dialog; a name of a file that exists is
// saved over only when the user says so, else the dialog asks again.
bool CMeasurementBase::RunSaveTraceDialog(CTraceFile& file, CMeasSetup& setup,
                                          const core::Text& name) {
    CSaveInfoDlg dialog(main_frame());
    dialog.m_Caption = LoadResString(kSaveTraceCaption);
    dialog.m_Name = name;
    dialog.m_Title = PresetTraceTitle(setup.GetMeasurementClass());
    dialog.m_Subtitle = file.GetSubtitle();
    dialog.m_Notes = file.GetComment();
    dialog.m_Path = file.GetTracePath();
    const plat::SystemTime t = plat::local_time();
    dialog.m_DateTime = core::FormatText("%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year,
                                         t.hour, t.minute, t.second);
    for (;;) {
        const intptr_t answer = dialog.DoModal();
        if (main_frame()) main_frame()->SetFocus();
        if (answer != plat::IDOK) return false;
        const core::Text path = MakeTracePath(AddTraceExtension(dialog.m_Name));
        auto* s = services();
        if (plat::file_exists(path) &&
            (!s || s->ShowScreenMessage(LoadResString(kOverwriteQuestion),
                                        plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES))
            continue;
        file.SetTexts(file.GetTime(), dialog.m_Title, dialog.m_Subtitle, dialog.m_Notes,
                      file.GetLabel(), path);
        return true;
    }
}

core::Text CMeasurementBase::PresetTraceTitle(int32_t measurementClass) {
    switch (measurementClass) {
        case 1:
            return u"VNA Measurement Trace";
        case 2:
            return u"Spec An Measurement Trace";
        default:
            return u"Power Measurement Setup";
    }
}

// The sample rate typed (in ms), stepped by the arrows or turned by the
// knob; always held within 5 s and one hour.
bool CMeasurementBase::EditLogInterval(int digit) {
    CLimitsEntryDlg dialog(main_frame(), LoadResString(kSampleRate),
                           CIntegerEntryDlg::KeyToChar(digit), u"ms", kLogMinMs, kLogMaxMs, 1,
                           kLogStepMs, m_LogInterval);
    const intptr_t answer = dialog.DoModal();
    if (main_frame()) main_frame()->SetFocus();
    if (answer == plat::IDOK) SetLogInterval(static_cast<int64_t>(dialog.GetValue()));
    RepaintScreen(0);
    return true;
}

bool CMeasurementBase::OnLogIntervalArrow(uint32_t key) {
    switch (key) {
        case VK_LEFT:
            SetLogInterval(kLogMaxMs);
            return true;
        case VK_UP:
            SetLogInterval(int64_t{m_LogInterval} + kLogStepMs);
            return true;
        case VK_RIGHT:
            SetLogInterval(kLogMinMs);
            return true;
        case VK_DOWN:
            SetLogInterval(int64_t{m_LogInterval} - kLogStepMs);
            return true;
        default:
            return false;
    }
}

bool CMeasurementBase::OnLogIntervalKnob(int delta) {
    SetLogInterval(int64_t{m_LogInterval} + (delta >= 0 ? kLogStepMs : -kLogStepMs));
    return true;
}
