#include "instrument/sensors/power_sensor.h"

#include "instrument/sensors/power_sensor_models.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "files/formats/number_format.h"
#include "platform/text/number_text.h"

namespace sp = sensor_protocol;

namespace {

constexpr size_t kDrainPiece = 50;
constexpr size_t kIdentReplyMax = 2048;
constexpr size_t kFReplyMax = 10;
constexpr size_t kGReplyMin = 15;
constexpr size_t kGReplyMax = 24;
constexpr size_t kReadingMax = 130;
constexpr size_t kReadingMin = 8;   // letter, comma, data and the six tail bytes
constexpr size_t kReadingHead = 2;  // "D,"
constexpr size_t kReadingTail = 6;
constexpr size_t kAckTailMin = 18;
constexpr size_t kRawMin = 108;
constexpr int kZeroWaitPolls = 21;
constexpr uint32_t kReadingKind = 1;  // type 0x0101
constexpr double kDbmFloor = -30.0;

constexpr uint32_t kSerialBaud = 9600;
constexpr uint32_t kSerialBits = 8;

// Poll states of the K630 family.
enum PollState {
    kStop = 2,
    kIdentify = 3,
    kConfigure = 4,
    kConfigReply = 5,
    kStartReading = 6,
    kReading = 7,
    kZeroStop = 8,
    kZeroWait = 9,
    kReadOnly = 10,
    kZeroSent = 11,
    kUnknown = 12,
};

}  // namespace

// ---------------------------------------------------------------- CPowerSensor

CPowerSensor::CPowerSensor(CDevicePort* port, ISensorListener* listener, bool serial_form)
    : port_(port), listener_(listener), serial_form_(serial_form) {}

CPowerSensor::~CPowerSensor() = default;

void CPowerSensor::AppendSensor(std::unique_ptr<CPowerSensor> sensor) {
    CPowerSensor* last = this;
    while (last->next_) last = last->next_.get();
    last->next_ = std::move(sensor);
}

double CPowerSensor::WattsToDbm(double watts) {
    if (watts <= 0) return kDbmFloor;
    const double dbm = 10 * std::log10(1000 * watts);
    return dbm < kDbmFloor ? kDbmFloor : dbm;
}

std::string CPowerSensor::ReadReply(size_t max) {
    std::string text;
    while (text.size() < max && port_->GetCount() > 0) {
        const char c = static_cast<char>(port_->PopByte());
        if (text.empty() && (c == '\n' || c == '\r')) continue;
        if (c == '\r' && serial_form_) continue;
        text.push_back(c);
        if (c == '\n') break;
    }
    return text;
}

void CPowerSensor::Drain() {
    while (!ReadReply(kDrainPiece).empty()) {
    }
}

void CPowerSensor::ConfigureLine() {
    const uint32_t settings[4] = {kSerialBaud, kSerialBits, 0, 0};
    if (serial_form_) port_->Configure(settings);
}

bool CPowerSensor::Send(std::string_view bytes, char reply_letter) {
    expected_ = reply_letter;
    return port_->Write(bytes.data(), static_cast<uint32_t>(bytes.size())) != 0;
}

bool CPowerSensor::SendIdentify() {
    return Send(sp::kIdentify, 'I');
}

bool CPowerSensor::IsAccepted(std::string_view r) const {
    return r.size() >= 5 && r[0] == expected_ && r.substr(1, 4) == ",ACK";
}

bool CPowerSensor::IsRefused(std::string_view reply) {
    return reply.find(static_cast<char>(sp::kNak)) != std::string_view::npos;
}

CPowerSensor* CPowerSensor::Identify() {
    std::string reply = ReadReply(kIdentReplyMax);
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
    if (reply.empty() || reply[0] == '$') return nullptr;
    if (reply[0] == 'D') {
        StopOutput();
        return nullptr;
    }
    for (CPowerSensor* s = this; s; s = s->next_.get()) {
        if (!s->AcceptModel(reply)) continue;
        port_->SetPortMode(s->model_code_);
        state_ = 1;
        s->ident_reply_ = reply;
        s->identified_ = true;
        return s;
    }
    return nullptr;
}

void CPowerSensor::Resume() {
    paused_ = false;
    reconfigure_ = true;
}

void CPowerSensor::SendMode(char letter) {
    mode_letter_ = letter;
}

void CPowerSensor::HandReading(const CSensorReading& reading) {
    if (!SendsSettings()) reconfigure_ = false;
    if (!TakesModeLetter()) mode_letter_ = 0;
    PowerScreenFields* fields = Fields();
    if (fields && !reconfigure_ && mode_letter_ == 0 && !fields->zero_request)
        fields->configuring = false;
    if (listener_) listener_->OnSensorReading(reading);
}

// --------------------------------------------------------------- CPowerSensorC

CPowerSensorC::CPowerSensorC(CDevicePort* port, ISensorListener* listener, bool serial_form)
    : CPowerSensor(port, listener, serial_form) {
    model_code_ = sp::kK630;
    field_after_scale_ = config3_;
    SendU();
}

CPowerSensorC::~CPowerSensorC() {
    if (running_) SendU();
}

bool CPowerSensorC::SendF() {
    return Send(serial_framing_ ? "F\n" : "F", 'F');
}
bool CPowerSensorC::SendD() {
    return Send(serial_framing_ ? "D\n" : "D\r", 'D');
}
bool CPowerSensorC::SendU() {
    return Send(serial_framing_ ? "U\n\r" : "U", 'U');
}

bool CPowerSensorC::SendZ() {
    state_ = kZeroSent;
    return Send(serial_framing_ ? "Z\n" : "Z", 'Z');
}

bool CPowerSensorC::SendG() {
    digit1_ = kind_.load();
    config2_ = ccdf_limit_.load();
    config3_ = filter_.load();
    const std::string text = std::string("G,") + char('0' + digit1_) + "," +
                             plat::format_number("%1.5e", config1_) + "," +
                             plat::format_number("%1.5e", config2_) + "," + char('0' + digit2_) +
                             "," + plat::format_number("%1.5e", double(config3_)) + " \r";
    return Send(text, 'G');
}

void CPowerSensorC::StopOutput() {
    running_ = false;
    SendU();
}

bool CPowerSensorC::AcceptModel(std::string_view reply) {
    for (const auto& m : sp::kK630Family) {
        if (reply.substr(0, std::strlen(m.text)) == m.text) {
            model_code_ = m.code;
            return true;
        }
    }
    return false;
}

bool CPowerSensorC::ReadIdentification() {
    const std::string reply = ReadReply(kFReplyMax);
    if (reply.size() < 2) return false;
    if (reply.rfind(sp::kSerialAnnounce, 0) == 0) {
        serial_framing_ = true;
        state_ = kConfigure;
        Drain();
        return false;
    }
    if (reply[0] != expected_) return false;
    // "F,<model>,ACK": the model text follows the letter and comma.
    const std::string_view text = std::string_view(reply).substr(reply.size() > 2 ? 2 : 1);
    identified_ = AcceptModel(text);
    return identified_;
}

std::string CPowerSensorC::WidenExponent(std::string_view n) {
    const size_t e = n.find_last_of("eE");
    if (e == std::string_view::npos || e + 4 != n.size() || (n[e + 1] != '+' && n[e + 1] != '-'))
        return std::string(n);
    std::string wide(n.substr(0, e + 2));
    wide += '0';
    wide += n.substr(e + 2);
    return wide;
}

void CPowerSensorC::ShortenExponents(std::string& t) {
    auto digit = [&](size_t i) {
        return i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]));
    };
    for (size_t i = 0; i + 5 <= t.size(); ++i) {
        if ((t[i] == 'e' || t[i] == 'E') && (t[i + 1] == '+' || t[i + 1] == '-') && digit(i + 2) &&
            digit(i + 3) && digit(i + 4) && !digit(i + 5))
            t.erase(i + 2, 1);
    }
}

bool CPowerSensorC::ReadG() {
    const std::string reply = ReadReply(kGReplyMax);
    // A refused G is sent again.
    if (reply.size() < kGReplyMin || reply[0] != expected_ || IsRefused(reply)) return false;
    const size_t end = reply.find(',', 2);
    const std::string number =
        WidenExponent(std::string_view(reply).substr(2, end == std::string::npos ? end : end - 2));
    const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(number);
    const double v = n ? n->value : 0;
    source_ = v > 0 ? (v >= double(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(v)) : 0;
    return true;
}

std::unique_ptr<CSensorReading> CPowerSensorC::ParseReading(std::string reply) const {
    if (reply.size() < kReadingMin || reply[0] != expected_ || IsRefused(reply)) return nullptr;
    auto reading = std::make_unique<CSensorReading>(kReadingKind, source_);
    reading->SetData(reinterpret_cast<const uint8_t*>(reply.data()),
                     static_cast<uint32_t>(reply.size()), kReadingHead, kReadingTail);
    reading->SetScale(scale_);
    std::string_view body(reply);
    if (body.size() >= kAckTailMin && body.substr(body.size() - 5, 4) == ",ACK")
        body.remove_suffix(5);
    body.remove_prefix(kReadingHead);
    uint32_t key = 1;
    while (!body.empty() && key <= kMaxFields) {
        const size_t comma = body.find(',');
        std::string number;
        for (char c : body.substr(0, comma))
            if (c != ' ') number.push_back(c);
        const size_t e = number.find_last_of("eE");
        if (e != std::string::npos && e + 1 < number.size() &&
            (number[e + 1] == '+' || number[e + 1] == '-')) {
            const std::string wide = WidenExponent(number);
            const std::optional<plat::NumberPrefix> n = plat::parse_number_prefix(wide);
            reading->SetFieldValue(key, n ? files::ToFloat(n->value) : 0.0f);
        }
        ++key;
        if (comma == std::string_view::npos) break;
        body.remove_prefix(comma + 1);
    }
    ApplyLimits(*reading);
    return reading;
}

void CPowerSensorC::ApplyLimits(CSensorReading& r) const {
    // k is the family's full scale.
    const float k = sp::kK630FullScale;
    auto clamp = [&](uint32_t key, float above, float to) {
        if (r.GetFieldValue(int(key) - 1) > above) r.SetFieldValue(key, to);
    };
    clamp(sp::key::kBurst, 2.7f * k, 5.67f * k);
    clamp(sp::key::kPeak, 2.7f * k, 5.67f * k);
    clamp(sp::key::kForward, 1.5f * k, 1.5f * k);
    clamp(sp::key::kReflected, 0.15f * k, 0.15f * k);
}

bool CPowerSensorC::TakeReading() {
    // Every reply that came in is taken, so a reading never waits behind an
    // older one.
    bool any = false;
    for (std::string reply = ReadReply(kReadingMax); !reply.empty();
         reply = ReadReply(kReadingMax)) {
        if (auto reading = ParseReading(reply)) {
            HandReading(*reading);
            any = true;
        } else if (reply.size() >= kRawMin) {
            raw_.assign(reply.begin(), reply.end());
        }
    }
    return any;
}

bool CPowerSensorC::PollSend() {
    switch (state_) {
        case kStop:
            StopOutput();
            if (!SendF()) return false;
            state_ = kIdentify;
            return true;
        case kIdentify:
        case kConfigReply:
        case kStartReading:
            if (!SendD()) return false;
            running_ = true;
            state_ = kReading;
            return true;
        case kConfigure:
            if (!SendG()) return false;
            state_ = kConfigReply;
            return true;
        case kReading:
            running_ = false;
            return false;
        case kZeroWait:
            return SendZ();
        case kUnknown:
            return SendZ();
        default:
            return true;
    }
}

bool CPowerSensorC::PollReceive() {
    PowerScreenFields* fields = Fields();
    switch (state_) {
        case kIdentify: {
            const bool ok = ReadIdentification();
            if (ok)
                state_ = kConfigure;
            else if (state_ == kIdentify)
                state_ = kUnknown;
            return ok;
        }
        case kConfigReply:
            if (!ReadG()) {
                state_ = kConfigure;
                return false;
            }
            if (fields) fields->zero_done = false;
            state_ = kStartReading;
            return true;
        case kStartReading:
            if (!SendD()) return false;
            running_ = true;
            state_ = kReading;
            return true;
        case kReading: {
            const bool ok = TakeReading();
            if (fields && fields->zero_request) {
                state_ = kZeroStop;
            } else if (TakeSettingsRequest()) {
                // The new settings go out in a G of their own.
                StopOutput();
                state_ = kConfigure;
            }
            return ok;
        }
        case kZeroStop:
            StopOutput();
            wait_count_ = 0;
            state_ = kZeroWait;
            return true;
        case kZeroWait:
            Drain();
            if (++wait_count_ > kZeroWaitPolls) state_ = kZeroStop;
            return true;
        case kReadOnly:
            return TakeReading();
        case kZeroSent: {
            // Readings still on their way stand before the answer.
            bool accepted = false, refused = false;
            for (std::string reply = ReadReply(kReadingMax);
                 !reply.empty() && !accepted && !refused; reply = ReadReply(kReadingMax)) {
                accepted = IsAccepted(reply);
                refused = !accepted && reply[0] == expected_ && IsRefused(reply);
            }
            // Without the answer the zeroing goes on (the sensor thread gives
            // up after its count).
            if (!accepted && !refused) return true;
            // The answer ends the request; the power meter ends its zeroing
            // at the next reading, or reports the refusal.
            if (fields) {
                fields->zero_request = false;
                fields->zero_done = false;
                if (refused) fields->zero_refused = true;
            }
            state_ = kStartReading;
            return true;
        }
        case kStop:
        case kConfigure:
            // No answer is due here: what came in is a reading still being
            // sent, which would hold the machine; go on with the send step.
            Drain();
            return PollSend();
        default:
            Drain();
            return true;
    }
}

std::unique_ptr<CPowerSensor> MakePowerSensor(int32_t code, CDevicePort* port,
                                              ISensorListener* listener, bool serial_form) {
    switch (code) {
        case sp::kK630:
        case 17:
        case sp::kK640:
        case sp::kK650:
        case sp::kK660:
        case sp::kK670:
            return std::make_unique<CPowerSensorC>(port, listener, serial_form);
        case sp::kK610:
        case 2:
        case 14:
            return std::make_unique<CPowerSensorA>(port, listener, serial_form);
        case sp::kK610M:
            return std::make_unique<CPowerSensorB>(port, listener, serial_form);
        case sp::kK615:
        case 15:
            return std::make_unique<CPowerSensorD>(port, listener, serial_form);
        default:
            return nullptr;
    }
}
