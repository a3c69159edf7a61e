#pragma once
// Fakes for the setup tests: an environment with or without lists and a
// setup file that records what it was asked to do.
#include <filesystem>
#include <memory>
#include <vector>

#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/tests/test_support.h"

// Stand-ins for list entries; the setups only keep and compare the pointers.
inline CAntenna* FakeAntenna() {
    static char object;
    return reinterpret_cast<CAntenna*>(&object);
}
inline CCableType* FakeCable() {
    static char object;
    return reinterpret_cast<CCableType*>(&object);
}

class FakeEnvironment : public ISetupEnvironment {
  public:
    explicit FakeEnvironment(bool with_lists, bool option = false)
        : with_lists_(with_lists), option_(option) {}
    CAntenna* FindAntenna(std::u16string_view name) override {
        return with_lists_ && name == u"None" ? FakeAntenna() : nullptr;
    }
    CCableType* FindCableType(std::u16string_view name) override {
        return with_lists_ && name == u"None" ? FakeCable() : nullptr;
    }
    bool HasOption() override { return option_; }

  private:
    bool with_lists_;
    bool option_;
};

// What the fake file saw, shared by every file object of one setup.
struct FileLog {
    bool write_ok = true;
    bool read_ok = true;
    bool calibration_ok = true;
    std::vector<core::Text> written, read;
    int calibration_loads = 0;
};

class FakeSetupFile : public ISetupFile {
  public:
    explicit FakeSetupFile(FileLog& log) : log_(log) {}
    bool Write(const core::Text& path) override {
        log_.written.push_back(path);
        return log_.write_ok;
    }
    bool Read(const core::Text& path) override {
        log_.read.push_back(path);
        return log_.read_ok;
    }
    bool LoadCalibration() override {
        ++log_.calibration_loads;
        return log_.calibration_ok;
    }

  private:
    FileLog& log_;
};

template <typename Base>
class WithFakeFile : public Base {
  public:
    using Base::Base;
    FileLog log;

  protected:
    std::unique_ptr<ISetupFile> CreateSetupFile() override {
        return std::make_unique<FakeSetupFile>(log);
    }
};

// Counts the change notifications of a setup.
struct ChangeCounter {
    explicit ChangeCounter(CMeasSetup& setup) {
        setup.SetChangeListener([this](CMeasSetup&) { ++count; });
    }
    int count = 0;
};

// A fresh device root with the calibration folder.
class TempDeviceRoot : public celvane_test::TempRoot {
  public:
    TempDeviceRoot() : TempRoot("celvane-files") {
        std::filesystem::create_directories(path() / "FlashFX Disk" / "My Cals");
    }
};
