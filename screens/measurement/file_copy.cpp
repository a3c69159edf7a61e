// File copies with a progress window between the flash volume and the USB
// drive, checked against the target volume's free space first, and the
// manage page of the trace files: copy to and from the USB drive, delete.
#include <algorithm>
#include <vector>

#include "core/app_commands.h"
#include "core/listener_list.h"
#include "core/res_string.h"
#include "dialogs/dir_browser_dlg.h"
#include "dialogs/setup_select_dlg.h"
#include "files/listed_setup.h"
#include "files/meas_setup.h"
#include "files/setup_services.h"
#include "platform/framework/message_box.h"
#include "platform/fs/file_system.h"
#include "platform/window/messages.h"
#include "screens/measurement_base.h"
#include "screens/screen_services.h"
#include "widgets/soft_key_menu.h"

namespace {

constexpr char16_t kTraceFolder[] = u"\\FlashFX Disk\\My Traces";
constexpr char16_t kUsbVolume[] = u"\\Hard Disk";
constexpr char16_t kUsbTraceFolder[] = u"\\Hard Disk\\My Traces";
constexpr uint32_t kCopyFileText = 1215, kNoSpace = 749, kCopyFailed = 64256, kNoUsb = 64255,
                   kNoUsbTraceFolder = 64257, kNothingToCopy = 64258, kNothingToDelete = 64259,
                   kDeleteOne = 1336, kDeleteAll = 1337;
constexpr uint32_t kMbOk = 0, kMbIconExclamation = 0x30, kMbIconInformation = 0x40;
// The progress of a single copy runs to this position.
constexpr int kCopyRange = 10000;
// A target volume needs at least this much room for any copy.
constexpr uint64_t kLeastFreeBytes = 40001;
// Folder copies: kind 1 setup files, kind 2 trace files.
struct FolderKind {
    const char16_t* extension;
    int most_files;
    uint32_t bytes_per_file;
};
constexpr FolderKind kSetupKind{u".tws", 50, 3000}, kTraceKind{u".twf", 20, 10000};
constexpr int kManagePage = 46, kFilePage = 41;
constexpr int kRepaintedPanes[] = {10, 15, 6, 9};

bool IsFolder(const core::Text& path) {
    const uint32_t a = plat::file_attributes(path);
    return a != plat::INVALID_FILE_ATTRIBUTES && (a & plat::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::optional<uint64_t> CMeasurementBase::FreeBytesOn(const core::Text& path) {
    return FileServices().GetFreeBytes(path);
}

// Room for `bytes` on the volume of `folder`: never under 40,001 bytes, and
// more than the bytes to be written. 749 when there is not.
bool CMeasurementBase::HasRoomFor(const core::Text& folder, uint64_t bytes) {
    const std::optional<uint64_t> free = FreeBytesOn(folder);
    if (!free || (*free >= kLeastFreeBytes && *free > bytes)) return true;
    ShowFileMessage(LoadResString(kNoSpace), kMbOk | kMbIconExclamation);
    return false;
}

int CMeasurementBase::ShowFileMessage(const core::Text& text, uint32_t style) {
    auto* s = services();
    return s ? s->ShowScreenMessage(text, style) : 0;
}

bool CMeasurementBase::CopyFileWithProgress(const core::Text& sourceFolder, const core::Text& name,
                                            const core::Text& targetFolder) {
    const core::Text source = sourceFolder + u"\\" + name;
    plat::FindData data;
    const plat::FindFile found = plat::FindFile::first(source, data);
    if (!HasRoomFor(targetFolder, found ? data.size : 0)) return false;
    OpenProgress(0, kCopyRange, LoadResString(kCopyFileText) + source + u" to " + targetFolder);
    UpdateProgress(0, kCopyRange);
    // The platform's copy is whole or nothing: a failed one leaves no part.
    const bool copied = plat::copy_file(source, targetFolder + u"\\" + name, false);
    UpdateProgress(kCopyRange, kCopyRange);
    CloseProgress();
    if (!copied) ShowFileMessage(LoadResString(kCopyFailed) + u"\n" + source, kMbOk);
    return copied;
}

void CMeasurementBase::CopyFolderFiles(CMeasSetup*, const core::Text& sourceFolder,
                                       const core::Text& targetFolder, int kind) {
    const FolderKind& k = kind == 1 ? kSetupKind : kTraceKind;
    std::vector<core::Text> names;
    uint64_t total = 0;
    plat::FindData data;
    plat::FindFile find = plat::FindFile::first(sourceFolder + u"\\*", data);
    for (bool more = static_cast<bool>(find); more; more = find.next(data)) {
        if (data.attributes & (plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN))
            continue;
        if (!core::EndsWithIgnoreCase(data.name, k.extension)) continue;
        names.push_back(data.name);
        total += data.size;
    }
    const int need = k.most_files * static_cast<int>(k.bytes_per_file);
    const std::optional<uint64_t> free = FreeBytesOn(targetFolder);
    if (free && *free <= 4 * static_cast<uint64_t>(need)) {
        ShowFileMessage(LoadResString(kNoSpace), kMbOk | kMbIconExclamation);
        return;
    }
    if (!HasRoomFor(targetFolder, total)) return;
    OpenProgress(0, need,
                 LoadResString(kCopyFileText) + sourceFolder + u"\\*" + u" to " + targetFolder);
    UpdateProgress(0, need);
    int count = 0;
    core::Text failed;
    for (const core::Text& name : names) {
        if (plat::copy_file(sourceFolder + u"\\" + name, targetFolder + u"\\" + name, false)) {
            count = std::min(count + 1, k.most_files);
            UpdateProgress(count * static_cast<int>(k.bytes_per_file), need);
        } else {
            failed += u"\n" + name;
        }
    }
    UpdateProgress(need, need);
    CloseProgress();
    // What could not be copied is named; the rest was copied.
    if (!failed.empty()) ShowFileMessage(LoadResString(kCopyFailed) + failed, kMbOk);
}

// --- Trace files on the USB drive ------------------------------------------------------------

bool CMeasurementBase::CopyTracesToUsb(int single, int toUsb, const core::Text& name) {
    if (!IsFolder(kUsbVolume)) {
        ShowFileMessage(LoadResString(kNoUsb), kMbOk | kMbIconInformation);
        return false;
    }
    if (toUsb) {
        if (!IsFolder(kUsbTraceFolder) && !plat::create_directory(kUsbTraceFolder)) {
            ShowFileMessage(LoadResString(kCopyFailed) + u"\n" + kUsbTraceFolder, kMbOk);
        } else if (single) {
            CopyFileWithProgress(kTraceFolder, AddTraceExtension(name), kUsbTraceFolder);
        } else {
            CopyFolderFiles(setup_, kTraceFolder, kUsbTraceFolder, 2);
        }
    } else if (single) {
        CCopyFileDlg dialog(main_frame(), {}, kUsbTraceFolder, kTraceFolder, u"twf");
        const intptr_t answer = dialog.DoModal();
        if (main_frame()) main_frame()->SetFocus();
        if (answer == plat::IDOK && !dialog.GetSelectedName().empty())
            CopyFileWithProgress(dialog.GetSourceText(), dialog.GetSelectedName(), kTraceFolder);
    } else if (IsFolder(kUsbTraceFolder)) {
        CopyFolderFiles(setup_, kUsbTraceFolder, kTraceFolder, 2);
    } else {
        ShowFileMessage(LoadResString(kNoUsbTraceFolder), kMbOk | kMbIconInformation);
    }
    if (soft_key_menu_) soft_key_menu_->Show(0, CSoftKeyMenu::kAllKeys);
    for (int pane : kRepaintedPanes) post_to_frame(plat::WM_COMMAND, kCmdRefreshPane, pane);
    if (main_frame()) main_frame()->InvalidateRect(nullptr);
    RedrawWholeScreen();
    return true;
}

bool CMeasurementBase::DeleteTraceFile(const core::Text& name) {
    if (!traceList) return false;
    for (CChainLink* link = traceList->GetHead(); link; link = link->GetNext()) {
        auto* entry = dynamic_cast<CListedSetup*>(link);
        if (!entry || entry->GetName() != name) continue;
        const core::Text path = entry->GetFilePath();
        traceList->Remove(entry);
        delete entry;
        return plat::delete_file(path);
    }
    return false;
}

// The manage page: keys act on the file manager's highlighted trace.
bool CMeasurementBase::OnManageTraceKey(int key) {
    ISetupEntry* entry = SelectedTraceEntry();
    const core::Text name = entry ? entry->GetEntryFileName() : core::Text();
    switch (key) {
        case 0:
        case 1:
            if (!entry) {
                ShowFileMessage(LoadResString(kNothingToCopy), kMbOk);
                if (m_FileManager) m_FileManager->SetChosenSetup(nullptr);
                return false;
            }
            if (!CopyTracesToUsb(key == 0, 1, name))
                post_to_frame(plat::WM_COMMAND, kCmdTraceFiles, 1);
            return false;
        case 2:
            CopyTracesToUsb(1, 0, {});
            post_to_frame(plat::WM_COMMAND, kCmdTraceFiles, 1);
            SwitchToPage(kManagePage, -1);
            return false;
        case 3:
            if (!entry) {
                ShowFileMessage(LoadResString(kNothingToCopy), kMbOk);
                return false;
            }
            if (ShowFileMessage(LoadResString(kDeleteOne),
                                plat::MB_YESNO | plat::MB_ICONQUESTION) == plat::IDYES)
                DeleteTraceFile(name);
            OnTraceFilesChanged(1);
            return false;
        case 4: {
            if (!GetFirstFileEntry()) {
                ShowFileMessage(LoadResString(kNothingToDelete), kMbOk);
                return false;
            }
            if (ShowFileMessage(LoadResString(kDeleteAll),
                                plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES)
                return false;
            std::vector<core::Text> names;
            for (ISetupEntry* e = GetFirstFileEntry(); e; e = e->GetNextEntry())
                names.push_back(e->GetEntryFileName());
            for (const core::Text& n : names) DeleteTraceFile(n);
            OnTraceFilesChanged(1);
            return false;
        }
        case 7:
            CloseTraceFileManager(1);
            OpenFilePage(kFilePage);
            return false;
        default:
            return false;
    }
}

bool CMeasurementBase::DeleteTraceFiles(int key) {
    return OnManageTraceKey(key);
}
