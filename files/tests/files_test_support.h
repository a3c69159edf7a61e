#pragma once
// The world of the file tests: a device root with the instrument's folders,
// an environment whose lists know one cable, one antenna and one band, and
// the messages the files asked to show.
#include <filesystem>
#include <string>

#include "files/formats/sa_setup_file.h"
#include "files/formats/vna_setup_file.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/tests/test_support.h"
#include "platform/text/utf.h"
#include "setup_test_support.h"

namespace files_test {

inline CCableType* Cable() {
    return FakeCable();
}
inline CAntenna* Antenna() {
    return FakeAntenna();
}

class ListEnvironment : public ISetupEnvironment {
  public:
    CAntenna* FindAntenna(std::u16string_view name) override {
        return name == u"ANT-900" ? Antenna() : nullptr;
    }
    CCableType* FindCableType(std::u16string_view name) override {
        return name == u"RG-58" || name == u"None" ? Cable() : nullptr;
    }
    core::Text GetAntennaName(const CAntenna* a) override { return a ? u"ANT-900" : u""; }
    core::Text GetCableTypeName(const CCableType* c) override { return c ? u"RG-58" : u""; }
};

// GSM 900 from 900 to 1,000 MHz; every channel sits in the middle, 100 MHz
// wide, 2 MHz apart.
class TestBand : public ISetupBand {
  public:
    core::Text GetName() const override { return u"GSM 900"; }
    uint64_t GetStart() const override { return 900000000; }
    uint64_t GetStop() const override { return 1000000000; }
    uint64_t GetSpan() const override { return 100000000; }
    uint64_t GetCenter() const override { return 950000000; }
    uint64_t ChannelToFrequency(int32_t) const override { return 950000000; }
    uint64_t GetChannelBandwidth(int32_t) const override { return 100000000; }
    uint64_t GetChannelSpacing(int32_t) const override { return 2000000; }
    uint64_t GetPointValue(uint32_t, uint32_t) const override { return 0; }
    void CountUse(bool) override {}
};

// The default services (messages recorded) with a band list and a serial.
class TestServices : public IFileServices {
  public:
    TestServices() { RegisterFileServices(this); }
    ~TestServices() override { RegisterFileServices(nullptr); }
    int ShowMessage(const core::Text& text, uint32_t) override {
        messages.push_back(plat::to_utf8(text));
        return 1;
    }
    std::unique_ptr<IFileProgress> OpenProgress(const core::Text&, int, int) override {
        return nullptr;
    }
    std::optional<uint64_t> GetFreeBytes(std::u16string_view) override { return free_bytes; }
    uint64_t GetAvailableMemory() override { return 1u << 30; }
    core::Text GetSerialNumber() override { return serial; }
    ISetupBand* FindBand(std::u16string_view name, uint64_t start, uint64_t stop) override {
        return name == band.GetName() && start == band.GetStart() && stop == band.GetStop()
                   ? &band
                   : nullptr;
    }
    bool OffersMeasurement(int32_t, int32_t) override { return true; }

    std::vector<std::string> messages;
    std::optional<uint64_t> free_bytes = uint64_t{1} << 40;
    core::Text serial = u"TW123456";
    TestBand band;
};

// A device root with the flash volume's setup folders.
class DeviceRoot : public celvane_test::TempRoot {
  public:
    DeviceRoot() : TempRoot("celvane-files") {
        for (const char* folder : {"My Setups/Backup", "My Cals", "My Lists", "My Traces"})
            std::filesystem::create_directories(path() / "FlashFX Disk" / folder);
    }
};

inline std::string Golden(const std::string& name) {
    return celvane_test::slurp(std::filesystem::path(FILES_GOLDEN_DIR) / name);
}

}  // namespace files_test
