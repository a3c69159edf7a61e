// CCelvaneApp storage and files: free space of the volumes and memory, files,
// temperature readings and the default printer.
#include "app/celvane_app.h"

#include <algorithm>

#include "core/res_string.h"
#include "core/screen_ids.h"
#include "core/settings/registry_access.h"
#include "platform/fs/file_system.h"
#include "platform/text/utf.h"
#include "screens/mode_base.h"

namespace {

bool ContainsIgnoreCase(std::u16string_view text, std::u16string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char16_t a, char16_t b) {
                           return plat::fold_case(a) == plat::fold_case(b);
                       }) != text.end();
}

}  // namespace

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
    return IsMeasurementScreen(id) && FindMode(id) != nullptr;
}

bool CCelvaneApp::SetModeMeasurement(int id, intptr_t value) {
    if (!IsMeasurementScreen(id)) return false;
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
