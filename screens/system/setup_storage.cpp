// CSetupMode: the setup files: listing, saving, recalling the factory
// setup, deleting and copying to and from the USB drive.
#include <string>

#include "core/app_commands.h"
#include "core/history.h"
#include "core/res_string.h"
#include "core/routines.h"
#include "core/screen_ids.h"
#include "core/sorted_item_list.h"
#include "dialogs/setup_select_dlg.h"
#include "dialogs/setup_sequence_dlg.h"
#include "dialogs/setup_texts.h"
#include "dialogs/text_entry_dlg.h"
#include "files/formats/setup_file.h"
#include "files/formats/tagged_file.h"
#include "files/listed_setup.h"
#include "files/meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/clock.h"
#include "platform/text/utf.h"
#include "screens/screen_services.h"
#include "screens/system/setup_mode.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr uint32_t kQuickSaveFailed = 64264, kQuickSaveException = 64265;
constexpr uint32_t kNoPowerSetup = 64268;
constexpr uint32_t kInvalidName = 64252, kOverwrite = 1340;
constexpr uint32_t kFactoryRefused = 1202, kDeleteAll = 1210;
constexpr uint32_t kNoUsb = 64255, kNoUsbFolder = 64256;
constexpr uint32_t kLeftOut = 64600;
constexpr char16_t kSaveFailed[] = u"Error: Could not create a new setup.";
constexpr uint32_t kSaveLabels[] = {1338, 1339, 1331, 1332, 1333, 1330, 1334, 138};
constexpr int kIdYes = 6;
constexpr uint32_t kInformation = plat::MB_OK | plat::MB_ICONASTERISK;
constexpr uint32_t kStop = plat::MB_OK | plat::MB_ICONHAND;
constexpr uint32_t kQuestion = plat::MB_YESNO | plat::MB_ICONQUESTION;
constexpr std::u16string_view kExtension = u".tws";
constexpr char16_t kFactorySAName[] = u"Factory SA", kFactoryVNAName[] = u"Factory VNA";
constexpr char16_t kGeneralSA[] = u"General SA", kGeneralVNA[] = u"General VNA";
constexpr char16_t kMeasurementSuffix[] = u" Measurement";

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EndsWithSetupExtension(const core::Text& name) {
    if (name.size() < kExtension.size()) return false;
    for (size_t i = 0; i < kExtension.size(); ++i)
        if (Lower(name[name.size() - kExtension.size() + i]) != kExtension[i]) return false;
    return true;
}

// Instrument paths compare without regard to case.
bool SamePath(const core::Text& a, const core::Text& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsFolder(const core::Text& path) {
    const uint32_t a = plat::file_attributes(path);
    return a != plat::INVALID_FILE_ATTRIBUTES && (a & plat::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// ------------------------------------------------------------ the list

CSortedItemList* CSetupMode::List() const {
    auto* s = services();
    return s ? s->GetSetupList() : nullptr;
}

bool CSetupMode::HasScreenFor(int32_t measurement_class) const {
    auto* s = services();
    const bool instrument = measurement_class == CMeasSetup::kClassVna ||
                            measurement_class == CMeasSetup::kClassSa ||
                            measurement_class == CMeasSetup::kClassPower;
    return instrument && s && s->FindScreen(measurement_class) != nullptr;
}

std::unique_ptr<CListedSetup> CSetupMode::ReadListed(const core::Text& path,
                                                     core::Text* reason) const {
    auto* s = services();
    std::unique_ptr<CMeasSetup> setup =
        CSetupFile::LoadSetupObject(path, s ? s->GetSetupEnvironment() : nullptr, reason);
    if (!setup || !HasScreenFor(setup->GetMeasurementClass())) return nullptr;
    return std::make_unique<CListedSetup>(std::move(setup));
}

void CSetupMode::ReloadSetupList() {
    if (auto* s = services()) s->DeleteSetupList();
    m_pFactorySA = m_pFactoryVNA = nullptr;
    m_pViewedSetup = nullptr;
    m_LeftOut = 0;
    m_LoadReport.clear();
    auto* s = services();
    if (s && !s->LoadsSetups()) return;
    LoadSetupFolders(kSetupFolder);
    if (m_LeftOut > 0) {
        // The status line names the first file left out and counts them.
        const std::string format = plat::to_utf8(LoadResString(kLeftOut));
        m_LoadReport =
            core::FormatText(format.c_str(), plat::to_utf8(m_LoadReport).c_str(), m_LeftOut);
    }
    ShowStatusLine();
}

void CSetupMode::LoadSetupFolders(const core::Text& folder) {
    LoadSetupList(folder);
    LoadSetupList(folder + u"\\Backup");
}

void CSetupMode::LoadSetupList(const core::Text& folder) {
    CSortedItemList* list = List();
    if (!list) return;
    plat::FindData data;
    plat::FindFile find = plat::FindFile::first(folder + u"\\*" + core::Text(kExtension), data);
    for (bool more = static_cast<bool>(find); more; more = find.next(data)) {
        if (data.attributes & (plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN))
            continue;
        if (!EndsWithSetupExtension(data.name)) continue;
        const core::Text path = folder + u"\\" + data.name;
        core::Text reason;
        std::unique_ptr<CListedSetup> listed = ReadListed(path, &reason);
        if (!listed) {
            if (reason.empty()) continue;  // read, but no screen of its kind
            HistoryAddText(CTaggedFile::kHistoryFiles, u"Setup not listed: " + reason);
            if (m_LeftOut++ == 0) m_LoadReport = data.name;
            continue;
        }
        if (data.name == kFactoryVNA) m_pFactoryVNA = listed.get();
        if (data.name == kFactorySA) m_pFactorySA = listed.get();
        list->Add(listed.release());
    }
}

void CSetupMode::AddCopiedSetup(const core::Text& name) {
    CSortedItemList* list = List();
    auto* s = services();
    if (!list || !EndsWithSetupExtension(name) || (s && !s->LoadsSetups())) return;
    const core::Text path = core::Text(kSetupFolder) + u"\\" + name;
    core::Text reason;
    std::unique_ptr<CListedSetup> listed = ReadListed(path, &reason);
    if (!listed) return;
    // A copy over a listed file replaces that file's entry.
    for (CSortedItem* item = list->GetHead(); item; item = item->NextItem()) {
        if (!SamePath(item->GetFilePath(), path)) continue;
        CListedSetup* old = CListedSetup::From(item);
        if (old == m_pViewedSetup) m_pViewedSetup = nullptr;
        list->Remove(item);
        delete item;
        break;
    }
    list->Add(listed.release());
}

void CSetupMode::RefillList() {
    if (m_pSelectDlg) m_pSelectDlg->Reload();
}

CMeasSetup* CSetupMode::GetCurrentSetup() const {
    if (!m_pContextSetup || m_pContextSetup->GetMeasurementClass() == CMeasSetup::kClassPower)
        return nullptr;
    return m_pContextSetup;
}

bool CSetupMode::IsFactory(const CListedSetup* setup) const {
    return setup && (setup == m_pFactorySA || setup == m_pFactoryVNA);
}

// ------------------------------------------------------------ saving

void CSetupMode::DoQuickSave() {
    if (m_bBusy) return;
    m_bBusy = true;
    auto* s = services();
    try {
        CMeasSetup* setup = GetCurrentSetup();
        // Entered from the power meter there is no setup file to write: the
        // key says so rather than doing nothing.
        if (!setup && m_pContextSetup && s)
            s->ShowScreenMessage(LoadResString(kNoPowerSetup), plat::MB_OK);
        if (m_pSelectDlg && setup) {
            if (!setup->QuickSave()) {
                if (s) s->ShowScreenMessage(LoadResString(kQuickSaveFailed), plat::MB_OK);
            } else {
                ReloadSetupList();
                RefillList();
            }
        }
    } catch (...) {
        if (s) s->ShowScreenMessage(LoadResString(kQuickSaveException), plat::MB_OK);
    }
    if (m_pSelectDlg) m_pSelectDlg->Invalidate();
    m_bBusy = false;
}

// The save dialog over the frame: the time now, the setup's kind, its four
// texts and the path the name makes.
bool CSetupMode::RunSaveDialog(SetupSaveInfo& info) {
    CSaveInfoDlg dlg(main_frame_);
    const plat::SystemTime now = plat::local_time();
    dlg.m_DateTime = core::FormatText("%02d/%02d/%04d %02d:%02d:%02d", now.month, now.day, now.year,
                                      now.hour, now.minute, now.second);
    switch (info.measurement_class) {
        case CMeasSetup::kClassVna:
            dlg.m_Caption = u"VNA Measurement Setup";
            break;
        case CMeasSetup::kClassSa:
            dlg.m_Caption = u"Spec An Measurement Setup";
            break;
        case CMeasSetup::kClassPower:
            dlg.m_Caption = u"Power Measurement Setup";
            break;
        default:
            break;
    }
    dlg.m_Name = info.name;
    dlg.m_Title = info.title;
    dlg.m_Subtitle = info.subtitle;
    dlg.m_Notes = info.notes;
    dlg.m_Path = core::Text(kSetupFolder) + u"\\" + info.name + core::Text(kExtension);
    if (dlg.DoModal() != plat::IDOK) return false;
    info.name = dlg.m_Name;
    info.title = dlg.m_Title;
    info.subtitle = dlg.m_Subtitle;
    info.notes = dlg.m_Notes;
    return true;
}

void CSetupMode::SaveSetupAs(CMeasSetup* setup) {
    if (soft_key_menu_) {
        soft_key_menu_->SetTexts(kSaveLabels, kKeysPerPage);
        soft_key_menu_->ClearHighlights();
        soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    }
    if (m_bBusy || !setup) return;
    m_bBusy = true;
    SetupSaveInfo info{setup->GetSetupLabel(), setup->GetTitle(), setup->GetSubtitle(),
                       setup->GetNotes(), setup->GetMeasurementClass()};
    // A factory setup is proposed under the general name, so that save never
    // overwrites the factory file.
    const bool vna = setup->GetMeasurementClass() == CMeasSetup::kClassVna;
    if (info.name == (vna ? kFactoryVNAName : kFactorySAName)) {
        info.name = vna ? kGeneralVNA : kGeneralSA;
        info.title = info.name + kMeasurementSuffix;
        info.subtitle.clear();
    }
    RefreshPane(kPaneDrawPanel);
    if (RunSaveDialog(info)) CreateSetupFile(setup, info);
    ShowPageLabels(page_);
    PostPaneRedraw(kPaneSoftKeys);
    PostPaneRedraw(kPaneDrawPanel);
    ReloadTexts();
    if (m_pSelectDlg) m_pSelectDlg->Invalidate();
    m_bBusy = false;
}

bool CSetupMode::CreateSetupFile(CMeasSetup* setup, const SetupSaveInfo& info) {
    auto* s = services();
    auto ask = [s](uint32_t id, uint32_t style) {
        return s ? s->ShowScreenMessage(LoadResString(id), style) : 0;
    };
    if (!setup) return false;
    if (!CListedSetup::IsValidName(info.name)) {
        ask(kInvalidName, plat::MB_OK);
        return false;
    }
    const core::Text path = core::Text(kSetupFolder) + u"\\" + info.name + core::Text(kExtension);
    if (plat::file_exists(path)) {
        if (ask(kOverwrite, kQuestion) != kIdYes) return false;
        // The calibration of the file overwritten goes with it; that of the
        // setup's own name stays with its own file.
        if (auto cal = CVNAMeasSetup::CalFilePathFor(info.name)) CMeasSetup::DeleteFile(*cal);
    }
    const SetupSaveInfo before{setup->GetSetupLabel(), setup->GetTitle(), setup->GetSubtitle(),
                               setup->GetNotes()};
    const core::Text before_path = setup->GetFilePath();
    setup->SetSetupLabel(info.name);
    setup->SetTitle(info.title);
    setup->SetSubtitle(info.subtitle);
    setup->SetNotes(info.notes);
    setup->SetFilePath(path);
    if (!setup->Save()) {
        setup->SetSetupLabel(before.name);
        setup->SetTitle(before.title);
        setup->SetSubtitle(before.subtitle);
        setup->SetNotes(before.notes);
        setup->SetFilePath(before_path);
        if (s) s->ShowScreenMessage(kSaveFailed, plat::MB_OK);
        return false;
    }
    ReloadSetupList();
    RefillList();
    return true;
}

// ------------------------------------------------------------ recalling

void CSetupMode::RecallDefault() {
    if (!m_pSelectDlg) return;
    m_pSelectDlg->SetActedOn(true);
    CListedSetup* factory = nullptr;
    const int32_t kind = m_pContextSetup ? m_pContextSetup->GetMeasurementClass() : 0;
    if (kind == CMeasSetup::kClassVna) factory = m_pFactoryVNA;
    if (kind == CMeasSetup::kClassSa) factory = m_pFactorySA;
    if (!factory) {
        auto* s = services();
        switch (s ? s->GetHardwareId() : 0) {
            case 0x205:
                factory = m_pFactoryVNA;
                break;
            case 6:
            case 0x107:
            case 0x207:
                factory = m_pFactorySA;
                break;
            default:
                break;
        }
    }
    if (factory) PostCommandObject<kCmdRecallSetup>(main_frame_, factory);
    m_pSelectDlg->Invalidate();
}

// ------------------------------------------------------------ deleting

void CSetupMode::DeleteSetup(CListedSetup* setup) {
    CSortedItemList* list = List();
    if (!setup || !list || !list->Remove(setup)) return;
    if (setup == m_pViewedSetup) m_pViewedSetup = nullptr;
    if (setup == m_pFactorySA) m_pFactorySA = nullptr;
    if (setup == m_pFactoryVNA) m_pFactoryVNA = nullptr;
    CMeasSetup::DeleteFile(setup->GetFilePath());
    if (CMeasSetup* object = setup->GetSetup()) object->DeleteCalFile();
    delete setup;
}

void CSetupMode::AskAndDelete(uint32_t question) {
    auto* s = services();
    CListedSetup* target = HighlightedSetup();
    const bool from_list = target != nullptr;
    if (!target && m_pSequenceDlg) target = m_pViewedSetup;
    if (!target) return;
    if (IsFactory(target)) {
        if (s) s->ShowScreenMessage(LoadResString(kFactoryRefused), kStop);
        return;
    }
    if (!s || s->ShowScreenMessage(LoadResString(question), kQuestion) != kIdYes) return;
    DeleteSetup(target);
    if (from_list) {
        if (m_pSelectDlg) m_pSelectDlg->SetActedOn(false);
        RefillList();
        return;
    }
    m_pViewedSetup = nullptr;
    OpenSetupList();
    ShowPageLabels(kMainPage);
}

void CSetupMode::DeleteAll() {
    CSortedItemList* list = List();
    auto* s = services();
    if (!m_pSelectDlg || !list || !s) return;
    if (s->ShowScreenMessage(LoadResString(kDeleteAll), kQuestion) != kIdYes) return;
    list->SetSortMode(1);
    for (CSortedItem* item = list->GetHead(); item;) {
        CSortedItem* next = item->NextItem();
        CListedSetup* setup = CListedSetup::From(item);
        if (setup && !IsFactory(setup)) DeleteSetup(setup);
        item = next;
    }
    RefillList();
}

// ------------------------------------------------------------ the USB drive

bool CSetupMode::CopyFileWithProgress(const core::Text& name, const core::Text& from,
                                      const core::Text& to) {
    return plat::copy_file(from + u"\\" + name, to + u"\\" + name, false);
}

bool CSetupMode::PickUsbSetup(core::Text&) {
    return false;
}

bool CSetupMode::MakeUsbFolder() {
    if (IsFolder(kUsbFolder) || plat::create_directory(kUsbFolder)) return true;
    if (auto* s = services()) s->ShowScreenMessage(LoadResString(kNoUsbFolder), kInformation);
    return false;
}

void CSetupMode::CopyAllToUsb() {
    plat::FindData data;
    const core::Text pattern = core::Text(kSetupFolder) + u"\\*" + core::Text(kExtension);
    plat::FindFile find = plat::FindFile::first(pattern, data);
    for (bool more = static_cast<bool>(find); more; more = find.next(data)) {
        if (data.attributes & (plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN))
            continue;
        CopyFileWithProgress(data.name, kSetupFolder, kUsbFolder);
    }
}

void CSetupMode::CopySetupsWithUsbDisk(bool single, bool to_usb, const core::Text& name) {
    auto* s = services();
    if (!IsFolder(kUsbVolume)) {
        if (s) s->ShowScreenMessage(LoadResString(kNoUsb), kInformation);
    } else if (!to_usb) {
        // The user picks one file; without a picker every setup file of
        // the USB drive's setup folder comes over.
        core::Text picked;
        std::vector<core::Text> names;
        if (PickUsbSetup(picked)) {
            names.push_back(picked);
        } else {
            plat::FindData data;
            plat::FindFile find = plat::FindFile::first(
                core::Text(kUsbFolder) + u"\\*" + core::Text(kExtension), data);
            for (bool more = static_cast<bool>(find); more; more = find.next(data))
                if (!(data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.name);
        }
        for (const core::Text& n : names)
            if (CopyFileWithProgress(n, kUsbFolder, kSetupFolder)) AddCopiedSetup(n);
        RefillList();
    } else if (!single) {
        if (MakeUsbFolder()) CopyAllToUsb();
    } else if (!name.empty() && MakeUsbFolder()) {
        CopyFileWithProgress(name + core::Text(kExtension), kSetupFolder, kUsbFolder);
    }
    if (soft_key_menu_) soft_key_menu_->ClearHighlights();
    PostPaneRedraw(kPaneReadout);
    PostPaneRedraw(kPaneHome);
    PostPaneRedraw(kPaneSoftKeys);
    PostPaneRedraw(kPaneDrawPanel);
    ReloadTexts();
}
