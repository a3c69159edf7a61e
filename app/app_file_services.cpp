#include "app/app_file_services.h"

#include <memory>

#include "app/celvane_app.h"
#include "app/message_box.h"
#include "files/setup_services.h"

namespace {

class CAppFileServices : public IFileServices {
  public:
    explicit CAppFileServices(CCelvaneApp& app) : app_(app) {}

    int ShowMessage(const core::Text& text, uint32_t style) override {
        return ::ShowMessage(text, style);
    }
    // The progress window joins with the dialog framework.
    std::unique_ptr<IFileProgress> OpenProgress(const core::Text&, int, int) override {
        return nullptr;
    }
    std::optional<uint64_t> GetFreeBytes(std::u16string_view path) override {
        return app_.GetStorageInfoForPath(path, nullptr);
    }
    uint64_t GetAvailableMemory() override { return app_.GetAvailableMemory(); }
    core::Text GetSerialNumber() override {
        CSystemSettings* settings = app_.GetSettings();
        return settings ? settings->UnitSerialNumber : core::Text();
    }
    // No band list is loaded yet.
    ISetupBand* FindBand(std::u16string_view, uint64_t, uint64_t) override { return nullptr; }
    bool OffersMeasurement(int32_t measurement_class, int32_t id) override {
        return defaults_->OffersMeasurement(measurement_class, id);
    }

  private:
    CCelvaneApp& app_;
    IFileServices* defaults_ = &FileServices();  // taken before registering
};

// Owned here; created and removed on the user-interface thread.
std::unique_ptr<CAppFileServices> g_services;

}  // namespace

void RegisterAppFileServices(CCelvaneApp& app) {
    RegisterFileServices(nullptr);
    g_services = std::make_unique<CAppFileServices>(app);
    RegisterFileServices(g_services.get());
}

void UnregisterAppFileServices() {
    RegisterFileServices(nullptr);
    g_services.reset();
}
