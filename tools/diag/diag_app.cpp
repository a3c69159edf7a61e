#include "tools/diag/diag_app.h"

#include <algorithm>
#include <cstdio>

#include "drivers/dsp/dsp_protocol.h"
#include "drivers/spi/spi_protocol.h"
#include "platform/byte_order.h"
#include "platform/framework/message_box.h"
#include "platform/framework/system_services.h"
#include "platform/fs/file.h"
#include "platform/kernel/debug_out.h"
#include "platform/text/utf.h"
#include "tools/diag/diag_dlg.h"
#include "tools/diag/diag_resources.h"
#include "tools/diag/file_select_dlg.h"
#include "tools/diag/test_dialogs.h"

namespace diag {

namespace {

// The I/O controls TWDiag sends, with their fixed sizes.
constexpr uint32_t kVariable = UINT32_MAX;  // the caller's whole input
struct IoctlSpec {
    uint32_t code;
    const char* name;
    uint32_t input;
    uint32_t output;
};
constexpr IoctlSpec kIoctls[] = {
    {spi::IOCTL_SPI_GET_STATUS, "Get SPI config, ", 0, 10},
    {dsp::IOCTL_DSP_DRIVER_INFO, "Get driver config, ", 0, 12},
    {dsp::IOCTL_DSP_VERSION, "Get Config, ", 0, 36},
    {dsp::IOCTL_DSP_STATUS, "Get DSP Status, ", 0, 8},
    {dsp::IOCTL_DSP_LOAD_DSP, "Load DSP, ", kVariable, 0},
    {dsp::IOCTL_DSP_LOAD_FPGA, "Load DSP, ", kVariable, 0},
    {dsp::IOCTL_DSP_COMMAND6, "Commit DSP, ", 0, 4},
    {dsp::IOCTL_DSP_COMMAND7, "Commit DSP, ", 0, 4},
    {dsp::IOCTL_DSP_ERROR_STATUS, "Get Error Status, ", 0, 8},
    {dsp::IOCTL_DSP_CALIBRATION, "Send CAL, ", kCalibrationBlockSize, 0},
};

constexpr size_t kFirmwareWords = 4;  // the DSP configuration's version words
constexpr size_t kSerialOffset = 24;
constexpr size_t kSerialChars = 12;
constexpr char kUnknownSerial[] = "Unknown ";
constexpr char16_t kCaption[] = u"TWDiag";
constexpr char16_t kFirmwareFilter[] = u"Firmware Files (*.bin)|*.bin|All Files (*.*)|*.*||";
constexpr char16_t kBinExtension[] = u"bin";
constexpr size_t kMaxLayouts = 15;

std::u16string hex_words(uint16_t a, uint16_t b) {
    char text[16];
    std::snprintf(text, sizeof text, "%x %x", a, b);
    return plat::from_utf8(text);
}

// The header as text, one character a byte, as far as a "%s" would show it.
std::u16string shown(std::u16string_view header) {
    return std::u16string(header.substr(0, header.find(u'\0')));
}

// Reads up to `count` bytes from the start of a file; empty when it cannot
// be opened or read.
std::vector<uint8_t> read_head(std::u16string_view path, size_t count) {
    plat::File file = plat::File::open(path, plat::FileAccess::Read, plat::FileOpen::Existing);
    if (!file) return {};
    std::vector<uint8_t> bytes(count);
    size_t got = 0;
    while (got < count) {
        const int64_t n = file.read(std::as_writable_bytes(std::span(bytes)).subspan(got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::u16string header_text(const std::vector<uint8_t>& bytes) {
    std::u16string text;
    for (size_t i = 0; i < kHeaderSize; ++i) text.push_back(bytes[i]);
    return text;
}

}  // namespace

CDiagApp::CDiagApp() = default;
CDiagApp::~CDiagApp() = default;

bool CDiagApp::InitInstance() {
    register_diag_templates();
    OpenDevices();
    smart_io_ = std::make_unique<CSmartIO>();
    CDiagDlg dlg(*this);
    dialog_ = &dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    dialog_ = nullptr;
    m_pMainWnd = nullptr;
    // The program ends with its dialog.
    return false;
}

void CDiagApp::OpenDevices() {
    // The drivers of the device root, as the system loads them at its start.
    plat::devices::start();
    const std::vector<uint32_t> layouts = plat::get_keyboard_layout_list(kMaxLayouts);
    if (layouts.size() > 1) plat::activate_keyboard_layout(layouts[1]);

    const auto open = [](std::u16string_view name) {
        return Handle::open(name, STREAM_ACCESS_READ | STREAM_ACCESS_WRITE, 0);
    };
    m_hDsp = open(u"DSP1:");
    if (!m_hDsp) Trace("** InitInstance, DSP file handle invalid");
    if (!m_hDsp || !SendDeviceIoctl(m_hDsp, dsp::IOCTL_DSP_VERSION, {}, m_DspConfig)) {
        m_DspConfig.fill(0);
        std::copy_n(kUnknownSerial, sizeof kUnknownSerial - 1, m_DspConfig.begin() + kSerialOffset);
    }
    if (!m_hDsp || !SendDeviceIoctl(m_hDsp, dsp::IOCTL_DSP_DRIVER_INFO, {}, m_DriverConfig))
        m_DriverConfig.fill(0);

    m_hBio = open(u"BIO1:");
    if (!m_hBio) Trace("** InitInstance, BIO file handle invalid");
    m_hSpi = open(u"SPI1:");
    if (!m_hSpi) Trace("** InitInstance, SPI file handle invalid");
    if (!m_hSpi || !SendDeviceIoctl(m_hSpi, spi::IOCTL_SPI_GET_STATUS, {}, m_SpiConfig))
        m_SpiConfig.fill(0);
    m_hBat = open(u"BAT1:");
    if (!m_hBat) Trace("** InitInstance, BAT file handle invalid");
}

int CDiagApp::ExitInstance() {
    m_hDsp.close();
    m_hBio.close();
    m_hSpi.close();
    m_hBat.close();
    smart_io_.reset();
    return CWinApp::ExitInstance();
}

void CDiagApp::ShowBatteryStatus() {
    CBatteryStatusDlg dlg(dialog_);
    dlg.DoModal();
}

void CDiagApp::Trace(std::string_view text) {
    plat::debug_output(std::string(text) + "\n");
}

void CDiagApp::GetSerialNumber(std::u16string& text) {
    // Eight characters and zero bytes: up to the first zero.
    text.clear();
    for (size_t i = 0; i < kSerialChars && m_DspConfig[kSerialOffset + i] != 0; ++i)
        text.push_back(m_DspConfig[kSerialOffset + i]);
}

void CDiagApp::GetDriverVersion(std::u16string& text) {
    text = hex_words(plat::get_le<uint16_t>(m_DriverConfig.data()),
                     plat::get_le<uint16_t>(m_DriverConfig.data() + 2));
}

void CDiagApp::GetFirmwareVersion(std::u16string& text) {
    text = hex_words(plat::get_le<uint16_t>(m_DspConfig.data() + kFirmwareWords),
                     plat::get_le<uint16_t>(m_DspConfig.data() + kFirmwareWords + 2));
}

bool CDiagApp::GetDspStatus(std::span<uint8_t, 8> buffer) {
    if (!m_hDsp) {
        Message(u"Invalid DSP handle.", plat::MB_OK);
        return false;
    }
    return SendDeviceIoctl(m_hDsp, dsp::IOCTL_DSP_STATUS, {}, buffer);
}

bool CDiagApp::GetErrorStatus(std::span<uint8_t, 8> buffer) {
    if (!m_hDsp) {
        Message(u"Invalid DSP handle.", plat::MB_OK);
        return false;
    }
    return SendDeviceIoctl(m_hDsp, dsp::IOCTL_DSP_ERROR_STATUS, {}, buffer);
}

void CDiagApp::GetSpiVersion(std::u16string& text) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%x", plat::get_le<uint16_t>(m_SpiConfig.data()));
    text = plat::from_utf8(buffer);
}

void CDiagApp::RunKeypadTest() {
    CKeypadTestDlg dlg(dialog_);
    dlg.DoModal();
}

void CDiagApp::RunLightSensorTest() {
    CLightSensorTestDlg dlg(smart_io_.get(), dialog_);
    dlg.DoModal();
}

bool CDiagApp::CheckFirmwareFile(std::u16string_view path, Firmware kind, std::u16string& version) {
    const std::vector<uint8_t> head = read_head(path, kHeaderSize);
    if (head.size() < kHeaderSize) return false;
    const std::string_view tag = kind == Firmware::Dsp ? "DSP_" : "FPGA";
    if (!std::equal(tag.begin(), tag.end(), head.begin())) return false;
    version = header_text(head);
    return true;
}

bool CDiagApp::CheckCalibrationFile(std::u16string_view path, std::u16string& version,
                                    std::vector<uint8_t>& block) {
    std::vector<uint8_t> head = read_head(path, kCalibrationBlockSize);
    constexpr std::string_view kTag = "CAL_";
    // The block is the file's first 1,020 bytes, header included: a file
    // that cannot supply them all is no calibration file.
    if (head.size() < kCalibrationBlockSize || !std::equal(kTag.begin(), kTag.end(), head.begin()))
        return false;
    version = header_text(head);
    block = std::move(head);
    return true;
}

bool CDiagApp::SendDeviceIoctl(Handle& handle, uint32_t code, std::span<const uint8_t> input,
                               std::span<uint8_t> output) {
    const auto spec = std::find_if(std::begin(kIoctls), std::end(kIoctls),
                                   [code](const IoctlSpec& s) { return s.code == code; });
    if (spec == std::end(kIoctls)) return false;
    const uint32_t in_size =
        spec->input == kVariable ? static_cast<uint32_t>(input.size()) : spec->input;
    bool ok = false;
    if (input.size() >= in_size && output.size() >= spec->output) {
        uint32_t returned = 0;
        ok = handle.io_control(code, in_size ? input.data() : nullptr, in_size,
                               spec->output ? output.data() : nullptr, spec->output, &returned);
    }
    Trace(std::string("** SendDeviceIoctl. ") + spec->name);
    return ok;
}

void CDiagApp::RefreshValues() {
    if (dialog_) dialog_->ShowBoundTexts();
}

void CDiagApp::UpdateFirmware(Firmware kind) {
    const std::u16string path = ChooseFile(kind == Firmware::Dsp ? u"Select DSP Firmware Update"
                                                                 : u"Select FPGA Firmware Update");
    if (path.empty()) return;
    std::u16string version;
    if (!CheckFirmwareFile(path, kind, version)) {
        Message(u"Invalid Firmware update file.", plat::MB_OK);
        return;
    }
    if (Message(u"Do you wish to update the firmware " + shown(version) + u" ?", plat::MB_YESNO) !=
        plat::IDYES)
        return;
    // The path, zero-terminated, as the driver reads it.
    std::vector<uint8_t> name((path.size() + 1) * sizeof(char16_t), 0);
    for (size_t i = 0; i < path.size(); ++i) plat::put_le<uint16_t>(name.data() + 2 * i, path[i]);
    const bool dsp_image = kind == Firmware::Dsp;
    if (!SendDeviceIoctl(m_hDsp, dsp_image ? dsp::IOCTL_DSP_LOAD_DSP : dsp::IOCTL_DSP_LOAD_FPGA,
                         name, {})) {
        Message(u"Firmware update failed.", plat::MB_OK);
        return;
    }
    if (Message(u"Do you wish to commit the new firmware?", plat::MB_YESNO) != plat::IDYES) return;
    std::array<uint8_t, 4> reply{};
    const bool ok = SendDeviceIoctl(
        m_hDsp, dsp_image ? dsp::IOCTL_DSP_COMMAND6 : dsp::IOCTL_DSP_COMMAND7, {}, reply);
    Message(ok ? u"Firmware update succeeded. Reset the device to activate changes."
               : u"Firmware update failed.",
            plat::MB_OK);
}

int CDiagApp::CopyToNarrow(std::u16string_view text, std::span<char> buffer) {
    if (buffer.empty()) return 0;
    const size_t n = std::min(text.size(), buffer.size() - 1);
    for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<char>(text[i]);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

void CDiagApp::UpdateCalibration() {
    const std::u16string path = ChooseFile(u"Select Calibration Data Update");
    if (path.empty()) return;
    std::u16string version;
    std::vector<uint8_t> block;
    if (!CheckCalibrationFile(path, version, block)) {
        Message(u"Invalid Calibration update file.", plat::MB_OK);
        return;
    }
    if (Message(u"Do you wish to update calibration settings " + shown(version) + u" ?",
                plat::MB_YESNO) != plat::IDYES)
        return;
    const bool ok = SendDeviceIoctl(m_hDsp, dsp::IOCTL_DSP_CALIBRATION, block, {});
    Message(ok ? u"Calibration update succeeded. Changes are effective immedeately."
               : u"Calibration update failed.",
            plat::MB_OK);
}

int CDiagApp::Message(std::u16string_view text, uint32_t flags) const {
    return plat::message_box(dialog_, text, kCaption, flags);
}

std::u16string CDiagApp::ChooseFile(std::u16string_view caption) const {
    CFileSelectDlg dlg(caption, kBinExtension, kFirmwareFilter, dialog_);
    if (dlg.DoModal() != plat::IDOK) return {};
    return dlg.GetPathName();
}

}  // namespace diag
