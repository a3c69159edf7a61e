#include <atomic>
#include <mutex>

#include "files/setup_services.h"
#include "platform/fs/file_system.h"

namespace {

// The measurement ids each instrument offers, until the screens answer.
struct OfferedRange {
    int32_t measurement_class, first, last;
};
constexpr OfferedRange kOffered[] = {{1, 0, 7}, {2, 20, 23}, {2, 26, 29}, {3, 10, 11}};

constexpr std::u16string_view kFlashVolume = u"\\FlashFX Disk";
constexpr std::u16string_view kUsbVolume = u"\\Hard Disk";

bool StartsWithVolume(std::u16string_view path, std::u16string_view volume) {
    if (path.size() < volume.size()) return false;
    for (size_t i = 0; i < volume.size(); ++i) {
        char16_t a = path[i], b = volume[i];
        if (a >= u'A' && a <= u'Z') a = a - u'A' + u'a';
        if (b >= u'A' && b <= u'Z') b = b - u'A' + u'a';
        if (a != b) return false;
    }
    return path.size() == volume.size() || path[volume.size()] == u'\\';
}

class DefaultFileServices : public IFileServices {
  public:
    int ShowMessage(const core::Text& text, uint32_t /*style*/) override {
        std::lock_guard lock(mutex_);  // guards messages_
        messages_.push_back(text);
        return 1;
    }
    std::unique_ptr<IFileProgress> OpenProgress(const core::Text&, int, int) override {
        return nullptr;
    }
    std::optional<uint64_t> GetFreeBytes(std::u16string_view path) override {
        for (std::u16string_view volume : {kFlashVolume, kUsbVolume}) {
            if (!StartsWithVolume(path, volume)) continue;
            plat::DiskSpace space;
            if (!plat::disk_free_space(volume, space)) return std::nullopt;
            return space.free_to_caller;
        }
        return GetAvailableMemory();
    }
    uint64_t GetAvailableMemory() override { return plat::global_memory_status().avail_phys; }
    core::Text GetSerialNumber() override { return {}; }
    ISetupBand* FindBand(std::u16string_view, uint64_t, uint64_t) override { return nullptr; }
    bool OffersMeasurement(int32_t measurement_class, int32_t id) override {
        for (const OfferedRange& r : kOffered)
            if (r.measurement_class == measurement_class && id >= r.first && id <= r.last)
                return true;
        return false;
    }

    std::vector<core::Text> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

  private:
    std::mutex mutex_;
    std::vector<core::Text> messages_;
};

DefaultFileServices& Defaults() {
    static DefaultFileServices services;
    return services;
}

// Set by the application at start-up, before files are used (UI thread).
std::atomic<IFileServices*> g_registered{nullptr};

}  // namespace

void RegisterFileServices(IFileServices* services) {
    g_registered = services;
}

IFileServices& FileServices() {
    IFileServices* registered = g_registered;
    return registered ? *registered : Defaults();
}

std::vector<core::Text> RecordedFileMessages() {
    return Defaults().Messages();
}

void ClearRecordedFileMessages() {
    Defaults().Clear();
}
