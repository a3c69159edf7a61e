#include "app/app_file_services.h"

#include <memory>

#include "app/celvane_app.h"
#include "app/message_box.h"
#include "files/formats/trace_source.h"
#include "files/lists/antenna.h"
#include "files/lists/cable_type.h"
#include "files/lists/signal_band.h"
#include "files/setup_services.h"
#include "screens/mode_base.h"

namespace {

class CAppFileServices : public IFileServices, public ISetupEnvironment {
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
    // The band of the band list with that name and range.
    ISetupBand* FindBand(std::u16string_view name, uint64_t start, uint64_t stop) override {
        for (CSignalBand* b = app_.GetBandList(); b; b = b->GetNext())
            if (b->GetName() == name && b->GetStart() == start && b->GetStop() == stop) return b;
        return nullptr;
    }
    bool OffersMeasurement(int32_t measurement_class, int32_t id) override {
        return defaults_->OffersMeasurement(measurement_class, id);
    }
    // The screen of the class (its mode id), when it shows recalled traces.
    ITraceValueReceiver* FindTraceReceiver(int32_t measurement_class) override {
        return dynamic_cast<ITraceValueReceiver*>(app_.FindMode(measurement_class));
    }

    // --- ISetupEnvironment: the lists of start-up
    CAntenna* FindAntenna(std::u16string_view name) override {
        CAntennaList* list = app_.GetAntennaList();
        return list ? list->FindByName(name) : nullptr;
    }
    CCableType* FindCableType(std::u16string_view name) override {
        CCableType* list = app_.GetCableList();
        return list ? list->FindByName(name) : nullptr;
    }
    core::Text GetAntennaName(const CAntenna* antenna) override {
        return antenna ? antenna->GetName() : core::Text();
    }
    core::Text GetCableTypeName(const CCableType* cable) override {
        return cable ? cable->GetName() : core::Text();
    }
    // The board's version word says whether it has the option.
    bool HasOption() override {
        const CDspInterface* link = app_.GetDspInterface();
        return link && link->HasOption();
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

ISetupEnvironment* AppSetupEnvironment() {
    return g_services.get();
}

void UnregisterAppFileServices() {
    RegisterFileServices(nullptr);
    g_services.reset();
}
