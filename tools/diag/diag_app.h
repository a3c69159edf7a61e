#pragma once
// CDiagApp: TWDiag's application object. It opens the board's devices
// ("DSP1:", "BIO1:", "SPI1:", "BAT1:"), reads the versions and the serial
// number, runs the main dialog modally and ends with it. Its operations are
// what the dialogs call: versions and status, the keypad, light-sensor and
// battery dialogs, and the firmware and calibration downloads.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drivers/smartio/smart_io.h"
#include "platform/devices/device_manager.h"
#include "platform/framework/app.h"

namespace diag {

class CDiagDlg;

// Which image a firmware update loads.
enum class Firmware { Dsp, Fpga };

// The firmware and calibration files begin with a 24-byte header.
inline constexpr size_t kHeaderSize = 24;
// The calibration block the board takes: the file's first 1,020 bytes.
inline constexpr size_t kCalibrationBlockSize = 1020;
// The program's own version text.
inline constexpr char16_t kProgramVersion[] = u"06.12.08";
inline constexpr char16_t kKeyboardDriverVersion[] = u"Unknown";

class CDiagApp : public plat::CWinApp {
  public:
    using Handle = plat::devices::StreamFile;

    CDiagApp();
    ~CDiagApp() override;

    bool InitInstance() override;
    int ExitInstance() override;

    virtual void ShowBatteryStatus();
    // A debug hook: each line goes to the debug output.
    virtual void Trace(std::string_view text);
    virtual void GetSerialNumber(std::u16string& text);
    virtual void GetDriverVersion(std::u16string& text);
    virtual void GetFirmwareVersion(std::u16string& text);
    // The 8-byte status replies; without a DSP handle a message box says so
    // and the answer is false.
    virtual bool GetDspStatus(std::span<uint8_t, 8> buffer);
    virtual bool GetErrorStatus(std::span<uint8_t, 8> buffer);
    virtual void Reserved() {}
    virtual void GetSpiVersion(std::u16string& text);
    virtual void RunKeypadTest();
    virtual void RunLightSensorTest();
    // The 24-byte header of a firmware file for `kind` ("DSP_" / "FPGA"),
    // one character a byte, in `version`; false for any other file.
    virtual bool CheckFirmwareFile(std::u16string_view path, Firmware kind,
                                   std::u16string& version);
    // The header of a calibration file ("CAL_") in `version` and its first
    // 1,020 bytes in `block`; false for any other file or a shorter one.
    virtual bool CheckCalibrationFile(std::u16string_view path, std::u16string& version,
                                      std::vector<uint8_t>& block);
    // One of the board's I/O controls with its fixed sizes: the input is
    // `input` (the download codes take its whole size), the reply goes to
    // `output`. An unknown code does nothing and answers false. Each known
    // call is traced.
    virtual bool SendDeviceIoctl(Handle& handle, uint32_t code, std::span<const uint8_t> input,
                                 std::span<uint8_t> output);
    virtual void RefreshValues();
    virtual void UpdateFirmware(Firmware kind);
    // Each character cut to one byte, zero-terminated; answers the length.
    virtual int CopyToNarrow(std::u16string_view text, std::span<char> buffer);
    virtual void UpdateCalibration();

    CDiagDlg* GetMainDialog() const { return dialog_; }
    const CSmartIO* GetSmartIO() const { return smart_io_.get(); }

  protected:
    // The device handles and the configurations read at the start.
    Handle m_hDsp, m_hBio, m_hSpi, m_hBat;
    std::array<uint8_t, 36> m_DspConfig{};
    std::array<uint8_t, 12> m_DriverConfig{};
    std::array<uint8_t, 10> m_SpiConfig{};

  private:
    void OpenDevices();
    int Message(std::u16string_view text, uint32_t flags) const;
    std::u16string ChooseFile(std::u16string_view caption) const;

    std::unique_ptr<CSmartIO> smart_io_;
    CDiagDlg* dialog_ = nullptr;
};

}  // namespace diag
