#include "drivers/bio/bio_driver.h"

#include <algorithm>

#include "platform/byte_order.h"
#include "platform/hardware/processor_map.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace bio {
namespace {

using namespace plat::hw;
using plat::set_last_error;

constexpr uint32_t kPassWithFanMs = 1500;
constexpr uint32_t kPassMs = 3000;
constexpr uint32_t kPulseMs = 10;
constexpr uint32_t kDioSettleMs = 1000;
constexpr int32_t kGainLimit = 250;
constexpr uint32_t kCustomMax = 100;

bool fail(uint32_t error, uint32_t* bytes_returned) {
    set_last_error(error);
    if (bytes_returned) *bytes_returned = 0;
    return false;
}

uint32_t direction_offset(uint32_t mask) {
    return mask ? kGpioDirection0 : kGpioDirection2;
}
uint32_t set_offset(uint32_t mask) {
    return mask ? kGpioSet0 : kGpioSet2;
}
uint32_t clear_offset(uint32_t mask) {
    return mask ? kGpioClear0 : kGpioClear2;
}

plat::Event named_event(const char16_t* name) {
    return plat::Event::create(plat::to_utf8(name), true, false);
}

}  // namespace

CGpioBit::CGpioBit(const RegisterWindow& window, uint32_t mask, bool output)
    : window_(window), mask_(mask), output_(output) {
    if (output_) window_.set_bits(direction_offset(mask_), mask_);
}

void CGpioBit::Set() const {
    if (output_) window_.write(set_offset(mask_), mask_);
}

void CGpioBit::Clear() const {
    if (output_) window_.write(clear_offset(mask_), mask_);
}

BioDriver& BioDriver::instance() {
    static BioDriver driver;
    return driver;
}

StreamContext BioDriver::init(const char16_t*, const void*) {
    plat::debug_output("\r\nVorn I/O Driver Version 1.00 05/10/06\r\n");
    std::lock_guard lock(lock_);
    layout_ =
        read_board_layout("\r\nCannot Open Reg Key\r\n", "\r\nVornIO  Cannot Query Reg Key\r\n");
    smart_io_ = std::make_unique<CSmartIO>();
    gpio_ = RegisterWindow::map(kGpioBase, kGpioWindowSize);
    fan_ = std::make_unique<CGpioBit>(gpio_, kFanPin, true);
    pin7_ = std::make_unique<CGpioBit>(gpio_, kOutputPin7, true);
    pin10_ = std::make_unique<CGpioBit>(gpio_, kOutputPin10, true);
    wake_ = plat::Event(false, false);
    stopping_ = false;
    fan_on_ = false;
    monitor_ = plat::Thread::start([this] {
        Monitor();
        return 0u;
    });
    return kContext;
}

// The driver lives in a static of its library: at process exit the monitor
// must be gone before the events and the board library it waits on.
BioDriver::~BioDriver() {
    StopMonitor();
}

void BioDriver::StopMonitor() {
    stopping_ = true;
    if (wake_) wake_.set();
    if (monitor_) monitor_.join();
    monitor_ = plat::Thread();
}

// Stops and joins the monitor before anything it uses goes.
int32_t BioDriver::deinit(StreamContext device) {
    StopMonitor();
    {
        std::lock_guard dio_lock(dio_lock_);
        dio_.close();
    }
    std::lock_guard lock(lock_);
    pin7_.reset();
    pin10_.reset();
    fan_.reset();
    smart_io_.reset();
    gpio_ = RegisterWindow();
    return device == kContext;
}

StreamContext BioDriver::open(StreamContext device, uint32_t, uint32_t) {
    if (device == kContext) return kContext;
    set_last_error(plat::ERROR_FILE_NOT_FOUND);
    return 0;
}

int32_t BioDriver::close(StreamContext open) {
    if (open == kContext) return 1;
    set_last_error(plat::ERROR_INVALID_HANDLE);
    return 0;
}

uint32_t BioDriver::read(StreamContext open, void*, uint32_t) {
    if (open == kContext) return 0;
    set_last_error(plat::ERROR_INVALID_HANDLE);
    return STREAM_FAILED;
}

uint32_t BioDriver::write(StreamContext open, const void*, uint32_t) {
    return read(open, nullptr, 0);
}

void BioDriver::ReadSettings() {
    plat::RegKey key;
    BioSettings s;
    key_missing_ = plat::hkey_local_machine().open(kDriverKey, key) != plat::ERROR_SUCCESS;
    if (key_missing_) {
        s.mode = 1;
        s.level = 0;
    } else {
        const auto get = [&](const char16_t* name, uint32_t& value) {
            if (auto v = key.get_dword(name)) value = *v;
        };
        uint32_t gain = uint32_t(s.sensor_gain);
        get(u"InitialTime", s.initial_time);
        get(u"TempOnLimit", s.temp_on);
        get(u"TempOffLimit", s.temp_off);
        get(u"WarnLimit", s.warn);
        get(u"BacklightMode", s.mode);
        get(u"BacklightHigh", s.high);
        get(u"BacklightMedium", s.medium);
        get(u"BacklightLow", s.low);
        get(u"BacklightCustom", s.custom);
        get(u"SensorGain", gain);
        get(u"BacklightLevel", s.level);
        s.sensor_gain = int32_t(gain);
        // The levels between low and high scale with the light or the custom
        // percentage: a high level below the low one is taken as the low one.
        s.high = std::max(s.high, s.low);
    }
    settings_ = s;
}

void BioDriver::SaveBacklightSettings() const {
    plat::RegKey key;
    if (plat::hkey_local_machine().create(kDriverKey, key) != plat::ERROR_SUCCESS) return;
    key.set_dword(u"BacklightMode", settings_.mode);
    key.set_dword(u"BacklightCustom", settings_.custom);
    key.set_dword(u"SensorGain", uint32_t(settings_.sensor_gain));
    key.set_dword(u"BacklightLevel", level_);
}

int32_t BioDriver::ReadTemperature(bool fahrenheit) const {
    return temperature_from_raw(smart_io_->ReadTemperature(), layout_ == BoardLayout::Second,
                                fahrenheit);
}

void BioDriver::SetBacklightLevel(uint32_t level) {
    level_ = level;
    smart_io_->BackLightPwm(uint8_t(level));
}

void BioDriver::ControlBacklight() {
    const int32_t light =
        int32_t(smart_io_->AnalogConversion(smartio::kLightChannel)) + settings_.sensor_gain;
    const uint32_t level = light >= kLightFull
                               ? settings_.high
                               : settings_.low + uint32_t(int64_t(settings_.high - settings_.low) *
                                                          std::max(light, 0) / kLightFull);
    SetBacklightLevel(level);
    SaveBacklightSettings();
}

bool BioDriver::InitializeFanDIO() {
    if (dio_) return true;
    dio_ = plat::devices::StreamFile::open(kDioName);
    uint8_t capable[4] = {};
    uint32_t returned = 0;
    if (!dio_ || !dio_.io_control(IOCTL_DIO_CAPABLE, nullptr, 0, capable, 4, &returned)) {
        plat::debug_printf(
            "InitializeFanDIO : DIO capable output error: GetLastError() returned 0x%x\r\n",
            plat::get_last_error());
        dio_.close();
        return false;
    }
    uint8_t configure[4];
    plat::put_le<uint32_t>(configure, kDioFanOn);
    if (!dio_.io_control(IOCTL_DIO_CONFIGURE, configure, 4, nullptr, 0, &returned))
        plat::debug_printf("DeviceIoControl : GetLastError() returned 0x%x",
                           plat::get_last_error());
    return true;
}

bool BioDriver::WriteDio(uint32_t value) {
    plat::debug_printf("Entering WriteDio 0x%x\r\n", value);
    plat::sleep_ms(kDioSettleMs);
    uint8_t bytes[4];
    plat::put_le<uint32_t>(bytes, value);
    const uint32_t written = dio_.write(bytes, 4);
    const bool ok = written == 4;
    if (!ok) plat::debug_printf("WriteFile : GetLastError() returned 0x%x", plat::get_last_error());
    plat::sleep_ms(kDioSettleMs);
    plat::debug_printf("Exiting WriteDio %d  0x%x\r\n", int(ok), value);
    return ok;
}

void BioDriver::SetFan(bool on) {
    {
        std::lock_guard lock(lock_);
        if (!fan_ || fan_on_ == on) return;
        if (layout_ == BoardLayout::Standard) {
            if (on)
                fan_->Set();
            else
                fan_->Clear();
            fan_on_ = on;
            return;
        }
    }
    std::lock_guard dio_lock(dio_lock_);
    {
        std::lock_guard lock(lock_);
        if (fan_on_ == on) return;  // switched meanwhile
    }
    if (!InitializeFanDIO() || !WriteDio(on ? kDioFanOn : kDioFanOff)) return;
    std::lock_guard lock(lock_);
    fan_on_ = on;
}

void BioDriver::SetOutputs(bool on) {
    if (on) {
        pin10_->Set();
        pin7_->Set();
    } else {
        pin10_->Clear();
        pin7_->Clear();
    }
}

// Waits on the wake event; false once the driver is going.
bool BioDriver::Wait(uint32_t ms) {
    wake_.wait(ms);
    return !stopping_;
}

void BioDriver::Monitor() {
    temperature_is_high_ = named_event(kTemperatureIsHigh);
    high_temperature_ = named_event(kHighTemperature);
    run_fan_ = named_event(kRunFan);
    uint32_t initial_time = 0;
    {
        std::lock_guard lock(lock_);
        ReadSettings();
        initial_time = settings_.initial_time;
        smart_io_->BackLightOnOff(true);
    }
    SetFan(true);
    if (!Wait(initial_time)) return;
    SetFan(false);
    {
        std::lock_guard lock(lock_);
        if (settings_.mode == 1)
            ControlBacklight();
        else
            SetBacklightLevel(settings_.level);
        SetOutputs(false);
    }
    plat::sleep_ms(kPulseMs);
    {
        std::lock_guard lock(lock_);
        SetOutputs(true);
    }
    bool high_remembered = false;
    while (!stopping_) {
        bool fan_running = false;
        {
            std::lock_guard lock(lock_);
            fan_running = fan_on_;
        }
        if (!Wait(fan_running ? kPassWithFanMs : kPassMs)) return;
        MonitorPass(high_remembered);
    }
}

void BioDriver::MonitorPass(bool& high_remembered) {
    if (layout_ == BoardLayout::Second) {
        std::lock_guard dio_lock(dio_lock_);
        if (!dio_ && InitializeFanDIO()) WriteDio(kDioFanOff);
    }
    BioSettings s;
    {
        std::lock_guard lock(lock_);
        s = settings_;
    }
    run_fan_.is_set();  // polled; a set "RunFan" changes nothing here
    const int32_t celsius = ReadTemperature(false);
    last_temperature_ = celsius;
    if (celsius >= int32_t(s.temp_on) || celsius < 0)
        SetFan(true);
    else if (celsius < int32_t(s.temp_off))
        SetFan(false);
    if (temperature_is_high_.is_set()) {
        high_temperature_.set();
        high_remembered = true;
    } else if (high_remembered) {
        high_remembered = false;
        if (celsius < int32_t(s.warn)) high_temperature_.reset();
    }
    std::lock_guard lock(lock_);
    if (settings_.mode == 1) ControlBacklight();
}

bool BioDriver::HandleBacklightIoctl(uint32_t sub, int32_t value, uint8_t* output,
                                     uint32_t* bytes_returned) {
    BioSettings& s = settings_;
    switch (sub) {
        case BL_SET_MODE:
            s.mode = uint32_t(value);
            custom_selected_ = false;
            SaveBacklightSettings();
            wake_.set();
            break;
        case BL_PRESET: {
            const uint32_t levels[3] = {s.low, s.medium, s.high};
            if (value >= 0 && value <= 2) {
                custom_selected_ = false;
                SetBacklightLevel(levels[value]);
            } else if (uint32_t(value) == kPresetCustom) {
                custom_selected_ = true;
                SetBacklightLevel(s.custom);
            } else {
                break;
            }
            s.mode = 0;
            SaveBacklightSettings();
            break;
        }
        case BL_CUSTOM: {
            uint32_t level = 0;
            if (value > int32_t(kCustomMax)) {
                level = s.high;
                s.custom = level;
            } else if (value < 0) {
                level = s.low;
                s.custom = level;
            } else {
                const float f = float(value) * 0.01f;
                plat::debug_printf("HandleBacklightIoctl: SetCustom %f\r\n", double(f));
                s.custom = uint32_t(value);
                level = s.low + uint32_t(float(s.high - s.low) * f);
            }
            custom_selected_ = true;
            s.mode = 0;
            SetBacklightLevel(level);
            SaveBacklightSettings();
            break;
        }
        case BL_SENSOR_GAIN:
            if (value < -kGainLimit || value > kGainLimit) break;
            s.sensor_gain = value;
            SaveBacklightSettings();
            wake_.set();
            break;
        case BL_GET_CUSTOM:
        case BL_GET_GAIN:
        case BL_GET_MODE:
        case BL_GET_PRESET: {
            uint32_t answer = 0;
            if (sub == BL_GET_CUSTOM) answer = s.custom;
            if (sub == BL_GET_GAIN) answer = uint32_t(s.sensor_gain);
            if (sub == BL_GET_MODE) answer = s.mode;
            if (sub == BL_GET_PRESET)
                answer = custom_selected_   ? kPresetCustom
                         : level_ == s.low  ? 0
                         : level_ == s.high ? 2
                                            : 1;
            plat::put_le<uint32_t>(output, answer);
            if (bytes_returned) *bytes_returned = 4;
            break;
        }
        case BL_FADE_OUT:
            faded_level_ = level_;
            for (int32_t l = int32_t(faded_level_); l >= 0; l -= int32_t(kFadeStep)) {
                SetBacklightLevel(uint32_t(l));
                plat::sleep_ms(kFadeStepMs);
            }
            smart_io_->BackLightOnOff(false);
            break;
        case BL_FADE_IN:
            smart_io_->BackLightOnOff(true);
            for (uint32_t l = 0; l <= faded_level_; l += kFadeStep) {
                SetBacklightLevel(l);
                plat::sleep_ms(kFadeStepMs);
            }
            break;
        default:
            break;
    }
    return true;
}

int32_t BioDriver::io_control(StreamContext open, uint32_t code, const uint8_t* input,
                              uint32_t input_size, uint8_t* output, uint32_t output_size,
                              uint32_t* bytes_returned) {
    if (open != kContext) return fail(plat::ERROR_INVALID_HANDLE, bytes_returned);
    if (bytes_returned) *bytes_returned = 0;
    const bool in8 = input && input_size >= 8, in4 = input && input_size >= 4;
    // Switching the fan takes the driver's lock itself, after the output's.
    if (code == IOCTL_BIO_FAN && in8) {
        const uint32_t sub = plat::get_le<uint32_t>(input);
        if (sub == FAN_OFF || sub == FAN_ON) {
            SetFan(sub == FAN_ON);
            return true;
        }
    }
    std::lock_guard lock(lock_);
    const bool out4 = output && output_size >= 4;
    switch (code) {
        case IOCTL_BIO_FAN: {
            if (!in8) break;
            const uint32_t sub = plat::get_le<uint32_t>(input);
            if (sub == FAN_TEMPERATURE) {
                if (!out4) break;
                plat::put_le<int32_t>(output, last_temperature_);
                if (bytes_returned) *bytes_returned = 4;
            } else if (sub == FAN_OFF || sub == FAN_ON) {
                SetFan(sub == FAN_ON);
            }
            return true;
        }
        case IOCTL_BIO_OUTPUTS:
        case IOCTL_BIO_OUTPUTS2:
            if (!in4) break;
            SetOutputs(input[0] != 0);
            return true;
        case IOCTL_BIO_BACKLIGHT: {
            if (!in8) break;
            const uint32_t sub = plat::get_le<uint32_t>(input);
            if (sub >= BL_GET_CUSTOM && sub <= BL_GET_PRESET && !out4) break;
            return HandleBacklightIoctl(sub, plat::get_le<int32_t>(input, 4), output,
                                        bytes_returned);
        }
        case IOCTL_BIO_VERSION:
            if (!out4) break;
            plat::put_le<uint32_t>(output, kInterfaceVersion);
            if (bytes_returned) *bytes_returned = 4;
            return true;
        default:
            return fail(plat::ERROR_INVALID_FUNCTION, bytes_returned);
    }
    return fail(plat::ERROR_NOT_ENOUGH_MEMORY, bytes_returned);
}

void BioDriver::power_down(StreamContext) {
    SetFan(false);
    std::lock_guard lock(lock_);
    if (pin7_) pin7_->Clear();
}

void BioDriver::power_up(StreamContext) {
    std::lock_guard lock(lock_);
    if (pin10_) pin10_->Set();
    if (pin7_) pin7_->Set();
}

}  // namespace bio
