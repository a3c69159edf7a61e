#include "instrument/sensors/power_sensor_models.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace sp = sensor_protocol;

namespace {

constexpr uint32_t kK610ReadingKind = 5;  // type 0x0105
constexpr uint32_t kK615ReadingKind = 6;  // type 0x0106
constexpr size_t kCheckBytes = 2;
constexpr uint8_t kLineFeed = 10;

// K615 temperature correction.
constexpr uint16_t kK615MinWord = 4500, kK615MaxWord = 29000;
constexpr double kMinCalFactor = 0.93, kMaxCalFactor = 1.07;
constexpr double kWindowPower = 5e-5;  // the averaging window: 50 uW in counts
constexpr double kMaxRatio = 1.5;
constexpr float kFilterScale = 0.01f;
// Averaging selection.
constexpr double kSameDifference = 2.5e-5;
constexpr double kRange0 = 0.0012, kRange0Low = 0.00105;
constexpr double kRange1 = 0.00012, kRange1Low = 0.000105;
constexpr uint8_t kAverage0 = 8, kAverage1 = 24, kAverage2 = 100;
constexpr int kZeroAdviceSteps = 601;
constexpr double kZeroAdvicePower = 5e-5;

// The range index all sensors share.
std::atomic<int8_t> g_range_index{0};

uint32_t U32(const uint8_t* p) {
    return sp::GetBe32(p);
}
uint16_t U16(const uint8_t* p) {
    return sp::GetBe16(p);
}

std::vector<uint8_t> PopBytes(CDevicePort* port, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n);
    while (out.size() < n && port->GetCount() > 0) out.push_back(port->PopByte());
    return out;
}

bool CheckOk(const std::vector<uint8_t>& r, size_t covered) {
    return r.size() >= covered + kCheckBytes &&
           sp::Crc16(std::span(r.data(), covered)) == U16(r.data() + covered);
}

}  // namespace

// -------------------------------------------------------------- CPowerSensorA

CPowerSensorA::CPowerSensorA(CDevicePort* port, ISensorListener* listener, bool serial_form)
    : CPowerSensor(port, listener, serial_form) {
    model_code_ = sp::kK610;
    StopOutput();
}

CPowerSensorA::~CPowerSensorA() {
    if (running_) StopOutput();
}

void CPowerSensorA::StopOutput() {
    running_ = false;
    Send(mode_word_ ? "G,N" : sp::kK610Stop, 'G');
}

void CPowerSensorA::SetScale(float s) {
    scale_ = s;
    tenth_scale_ = s * 0.1f;
}

bool CPowerSensorA::AcceptModel(std::string_view reply) {
    if (reply != "K610") return false;
    model_code_ = sp::kK610;
    return true;
}

size_t CPowerSensorA::DataBytes() const {
    return sp::kK610DataBytes;
}
size_t CPowerSensorA::CalBytes() const {
    return sp::kK610CalBytes;
}

double CPowerSensorA::GetCorrectionFactor(uint16_t t) const {
    return sp::K610CorrectionFactor(t);
}

std::vector<uint8_t> CPowerSensorA::TakeFramed(char letter, size_t bytes) {
    const size_t total = 1 + bytes + 1;
    if (port_->GetCount() < total) return {};
    std::vector<uint8_t> r = PopBytes(port_, total);
    if (r[0] != uint8_t(letter) || r.back() != kLineFeed || !CheckOk(r, total - 1 - kCheckBytes)) {
        must_identify_ = true;
        Drain();
        return {};
    }
    return r;
}

bool CPowerSensorA::ReadCalibration() {
    const std::vector<uint8_t> r = TakeFramed('C', CalBytes());
    if (r.empty()) return false;
    full_scale_w_ = U32(r.data() + 1) * 1e-6;
    forward_factor_ = U32(r.data() + 5) * sp::kCalFactorUnit;
    reflected_factor_ = U32(r.data() + 9) * sp::kCalFactorUnit;
    return true;
}

bool CPowerSensorA::ReadData() {
    const std::vector<uint8_t> r = TakeFramed('D', DataBytes());
    if (r.empty()) return false;
    forward_[next_] = U32(r.data() + 1);
    reflected_[next_] = U32(r.data() + 5);
    next_ = (next_ + 1) % kAverage;
    filled_ = std::min(filled_ + 1, kAverage);
    const uint16_t t = U16(r.data() + 9);
    double f = 0, rf = 0;
    for (size_t i = 0; i < filled_; ++i) {
        f += forward_[i];
        rf += reflected_[i];
    }
    const double k = GetCorrectionFactor(t);
    const double forward_w = f / filled_ / sp::kK610CountsPerWatt * forward_factor_ * k;
    const double reflected_w = rf / filled_ / sp::kK610CountsPerWatt * reflected_factor_ * k;
    CSensorReading reading(kK610ReadingKind, source_);
    reading.SetScale(scale_);
    reading.SetFieldValue(sp::key::kTemperature, sp::K610Celsius(t));
    reading.SetFieldValue(sp::key::kForward, static_cast<float>(forward_w));
    reading.SetFieldValue(sp::key::kReflected, static_cast<float>(reflected_w));
    ReportProbe(r);
    HandReading(reading);
    return true;
}

bool CPowerSensorA::PollSend() {
    switch (state_) {
        case kPollStart:
            StopOutput();
            filled_ = next_ = 0;
            must_identify_ = false;
            if (!Send(sp::kK610Calibration, 'C')) return false;
            state_ = 3;
            return true;
        case 3:
            return Send(sp::kK610Calibration, 'C');
        case 4:
            running_ = true;
            return Send(sp::kK610Reading, 'D');
        default:
            return true;
    }
}

bool CPowerSensorA::PollReceive() {
    if (state_ == 3) {
        if (ReadCalibration()) {
            state_ = 4;
            running_ = true;
            return Send(sp::kK610Reading, 'D');
        }
    } else if (state_ == 4) {
        // Every complete reply in the ring is taken; then the next is asked for.
        bool any = false;
        while (ReadData()) any = true;
        if (any && !must_identify_) {
            if (const char letter = TakeModeLetter()) {
                mode_word_ = letter == 'N';
                const char command[] = {'G', ',', letter};
                Send(std::string_view(command, sizeof command), 'G');
            }
            return Send(sp::kK610Reading, 'D');
        }
    } else {
        Drain();
        return PollSend();
    }
    if (must_identify_) {
        state_ = kPollStart;
        return false;
    }
    return true;
}

// -------------------------------------------------------------- CPowerSensorB

CPowerSensorB::CPowerSensorB(CDevicePort* port, ISensorListener* listener, bool serial_form)
    : CPowerSensorA(port, listener, serial_form) {
    model_code_ = sp::kK610M;
}

bool CPowerSensorB::AcceptModel(std::string_view reply) {
    if (reply.substr(0, 5) != "K610M") return false;
    model_code_ = sp::kK610M;
    return true;
}

void CPowerSensorB::ReportProbe(const std::vector<uint8_t>& reply) {
    PowerScreenFields* fields = Fields();
    if (fields && reply.size() > kProbeByte)
        fields->probe_letter = static_cast<char>(reply[kProbeByte]);
}

size_t CPowerSensorB::DataBytes() const {
    return sp::kK610MDataBytes;
}
size_t CPowerSensorB::CalBytes() const {
    return sp::kK610MCalBytes;
}

// -------------------------------------------------------------- CPowerSensorD

CPowerSensorD::CPowerSensorD(CDevicePort* port, ISensorListener* listener, bool serial_form)
    : CPowerSensor(port, listener, serial_form) {
    model_code_ = sp::kK615;
    scale_ = 1.0f;
    const char wake = sp::kWake;
    Send(std::string_view(&wake, 1), 'I');
}

CPowerSensorD::~CPowerSensorD() {
    if (running_) StopOutput();
}

void CPowerSensorD::StopOutput() {
    running_ = false;
    const char wake = sp::kWake;
    Send(std::string_view(&wake, 1), 'I');
}

bool CPowerSensorD::AcceptModel(std::string_view reply) {
    if (reply.substr(0, 4) != "K615") return false;
    model_code_ = sp::kK615;
    return true;
}

float CPowerSensorD::GetTemperatureCorrection(uint16_t t) {
    if (t < kK615MinWord || t > kK615MaxWord) return 1.0f;
    const float t2 = float(t) * float(t);
    return static_cast<float>(1.7068 - 3.2672e-5 * t - 8.8036e-10 * double(t2));
}

float CPowerSensorD::TemperatureCelsius(uint16_t t) {
    return (float(t) - float(sp::kK615WordAtMinus40)) * float(sp::kK615DegreesPerStep) - 40.0f;
}

uint16_t CPowerSensorD::ComputeCheck(uint16_t count, const uint8_t* bytes) {
    return sp::Crc16(std::span(bytes, count));
}

void CPowerSensorD::ResetFilter() {
    averaging_ = target_ = 1;
    g_range_index = 0;
    correction_ = 1.0f;
    full_scale_w_ = sp::kK615FullScaleW;
    scale_ = kFilterScale;
}

int8_t CPowerSensorD::GetRangeIndex() {
    return g_range_index.load();
}

bool CPowerSensorD::ReadCalibration(const uint8_t* r, size_t size) {
    constexpr size_t kCovered = sp::kK615CalRecord - kCheckBytes;
    if (size < sp::kK615CalRecord || r[0] != uint8_t(expected_)) return false;
    cal_count_ = U32(r + 5);
    cal_temperature_ = U16(r + 13);
    const int exponent = static_cast<int8_t>(r[15]);
    const uint32_t mantissa = (uint32_t(r[16]) << 16) | (uint32_t(r[17]) << 8) | r[18];
    cal_factor_ = double(float(mantissa)) * std::pow(10.0, -exponent);
    if (cal_factor_ < kMinCalFactor || cal_factor_ > kMaxCalFactor) cal_factor_ = 1.0;
    if (ComputeCheck(kCovered, r) != U16(r + kCovered)) return false;
    zero_count_ = U32(r + 1);
    cal_span_ = int64_t(cal_count_) - zero_count_;
    sensitivity_ = U32(r + 9);
    accepted_ = std::find(r, r + size, sp::kNak) == r + size;
    zero_temperature_ = cal_temperature_;
    cal_correction_ = GetTemperatureCorrection(cal_temperature_);
    window_ = static_cast<float>(kWindowPower / (full_scale_w_ / cal_factor_) * sensitivity_);
    // A sensitivity of 0 would divide every reading by zero.
    if (sensitivity_ == 0 || window_ == 0) return false;
    state_ = 4;
    return true;
}

void CPowerSensorD::SelectAveraging(float p, float f) {
    if (p < 0) {
        target_ = kAverage2;
        return;
    }
    if (std::fabs(double(p) - f) <= kSameDifference) {
        if (p >= kRange0) {
            g_range_index = 0;
            target_ = kAverage0;
        } else if (p > kRange0Low) {
            if (averaging_ == 1) target_ = kAverage0;
        } else if (p >= kRange1) {
            g_range_index = 1;
            target_ = kAverage1;
        } else if (p > kRange1Low) {
            if (averaging_ == 1) target_ = kAverage1;
        } else {
            g_range_index = 2;
            target_ = kAverage2;
        }
        return;
    }
    target_ = kAverage0;
    g_range_index = p >= kRange0 ? 0 : p >= kRange1 ? 1 : 2;
}

bool CPowerSensorD::IsZeroAdvised() const {
    if (zero_advice_off_) return false;
    return std::abs(int(temperature_) - int(zero_temperature_)) >= kZeroAdviceSteps &&
           filtered_w_ <= kZeroAdvicePower;
}

std::unique_ptr<CSensorReading> CPowerSensorD::ReadDataRecords() {
    if (port_->GetCount() < sp::kK615DataRecord) return nullptr;
    const double unit = full_scale_w_ / cal_factor_;
    while (port_->GetCount() >= sp::kK615DataRecord) {
        const std::vector<uint8_t> r = PopBytes(port_, sp::kK615DataRecord);
        if (ComputeCheck(uint16_t(sp::kK615DataRecord - kCheckBytes), r.data()) !=
            U16(r.data() + sp::kK615DataRecord - kCheckBytes)) {
            record_error_ = true;
            return nullptr;
        }
        const double c = double(int64_t(U32(r.data() + 1)) - int64_t(zero_count_));
        current_ = static_cast<int32_t>(c);
        temperature_ = U16(r.data() + 5);
        aux_word_ = U16(r.data() + 7);
        correction_ = GetTemperatureCorrection(temperature_);
        const double sens = sensitivity_;
        const float p = static_cast<float>(
            unit * std::min(kMaxRatio, c / sens * cal_correction_ / correction_));
        deviation_sum_ = static_cast<float>((c + deviation_sum_) - averaged_count_);
        SelectAveraging(p, filtered_w_);
        if (-window_ <= deviation_sum_ && deviation_sum_ <= window_) {
            if (averaging_ > target_)
                --averaging_;
            else if (averaging_ < target_)
                ++averaging_;
        } else {
            deviation_sum_ = 0;
            averaging_ = target_ = 1;
        }
        averaged_count_ = static_cast<float>(averaged_count_ + (c - averaged_count_) / averaging_);
        filtered_w_ = static_cast<float>(
            unit * std::min(kMaxRatio, averaged_count_ / sens / correction_ * cal_correction_));
        power_w_ = p;
    }
    auto reading = std::make_unique<CSensorReading>(kK615ReadingKind, source_);
    reading->SetFieldValue(sp::key::kTemperature, TemperatureCelsius(temperature_));
    if (power_w_ < 0) power_w_ = 0;
    reading->SetFieldValue(sp::key::kForward, power_w_);
    reading->SetFieldValue(sp::key::kReflected, 0.0f);
    reading->SetScale(scale_);
    return reading;
}

bool CPowerSensorD::PollSend() {
    switch (state_) {
        case kPollStart:
            StopOutput();
            record_error_ = false;
            if (!Send(sp::kK610Calibration, 'C')) return false;
            state_ = 3;
            return true;
        case 3:
            return Send(sp::kK610Calibration, 'C');
        case 4:
        case 7:
            if (!Send(sp::kK610Reading, 'D')) return false;
            running_ = true;
            state_ = 5;
            return true;
        case 5:
            running_ = false;
            return false;  // the records stopped
        default:
            return true;
    }
}

bool CPowerSensorD::PollReceive() {
    PowerScreenFields* fields = Fields();
    switch (state_) {
        case 3: {
            if (port_->GetCount() < sp::kK615CalRecord) return true;
            const std::vector<uint8_t> r = PopBytes(port_, sp::kK615CalRecord);
            if (ReadCalibration(r.data(), r.size()) && accepted_) return PollSend();
            Drain();
            state_ = kPollStart;
            return false;
        }
        case 5: {
            if (auto reading = ReadDataRecords()) HandReading(*reading);
            if (record_error_) {
                record_error_ = false;
                Drain();
                state_ = kPollStart;
                return false;
            }
            if (fields && fields->zero_request) {
                StopOutput();
                Send("Z", 'Z');
                state_ = 6;
            }
            return true;
        }
        case 6: {
            bool zeroed = false;
            while (port_->GetCount() > 0)
                if (port_->PopByte() == sp::kK615ZeroReply) zeroed = true;
            if (!zeroed) return true;
            MarkZeroTemperature();
            if (fields) {
                fields->zero_request = false;
                fields->zero_done = true;
            }
            state_ = 7;
            return PollSend();
        }
        default:
            Drain();
            return PollSend();
    }
}
