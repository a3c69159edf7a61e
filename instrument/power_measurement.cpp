#include "instrument/power_measurement.h"

#include <atomic>

#include "files/meas_setup.h"
#include "instrument/sensor_ports.h"
#include "instrument/sensors/sensor_protocol.h"
#include "platform/kernel/sync.h"

namespace sp = sensor_protocol;

namespace {

std::atomic<IPowerScreen*> g_power_screen{nullptr};
std::atomic<CBufferHelper*> g_buffer_pool{nullptr};

constexpr int kIdleMark = -1;
constexpr int kNoDataCountdown = 8;
constexpr int kSensorThreadPriority = 3;
constexpr uint32_t kStopWaitMs = 1000;
constexpr int kIdleNotice = 10, kIdleNoticeLong = 30;
// Passes without an answer after which a sensor counts as lost.
constexpr int kRetries = 3, kRetriesLong = 50;
constexpr int kZeroWaitIdentify = 30;
constexpr int kZeroWaitPoll = 60;
constexpr char kZeroTimedOut[] = "Zero operation timed out";

// Measurement ids and texts of the two port kinds.
constexpr uint32_t kSerialId = 11, kUsbId = 12;
constexpr uint32_t kSerialLabel = 345, kUsbLabel = 767;
constexpr uint32_t kSerialTitle = 344, kUsbTitle = 768;
constexpr uint32_t kSerialDescription = 549, kUsbDescription = 618;
constexpr uint32_t kEnglishName = 645;

bool LongCounts(const PowerScreenFields& f) {
    const int kind = f.sensor_kind.load();
    return kind == 2 || kind == 3;
}

}  // namespace

IPowerScreen* IPowerScreen::Current() {
    return g_power_screen.load();
}
void IPowerScreen::SetCurrent(IPowerScreen* screen) {
    g_power_screen.store(screen);
}

// ----------------------------------------------------------- CPowerMeasurement

CPowerMeasurement::CPowerMeasurement(CDevicePort* port) : CMeasurement(port) {
    family_ = kFamilyPower;
}

CPowerMeasurement::~CPowerMeasurement() = default;

int CPowerMeasurement::Init(IMeasurementScreen* screen) {
    CMeasurement::Init(screen);
    pool_ = g_buffer_pool.load();
    return 1;
}

void CPowerMeasurement::SetBufferPool(CBufferHelper* pool) {
    g_buffer_pool.store(pool);
}

void CPowerMeasurement::Reset(uint32_t id) {
    CMeasurement::Reset();
    if (CMeasSetup* setup = GetSetup()) setup->SetMeasurementId(static_cast<int32_t>(id));
}

void CPowerMeasurement::OnIdle(const uint32_t* argument) {
    if (argument && argument[0] == 0) CMeasurement::Reset();
}

void CPowerMeasurement::ForwardReading(CDeviceItem* value) {
    if (IMeasurementScreen* screen = GetScreen()) screen->ProcessNewData(value, 1);
}

void CPowerMeasurement::ForgetSensor() {
    if (CPowerSensor* s = sensor_.exchange(nullptr)) link_->SetPortMode(s->GetModelCode());
}

void CPowerMeasurement::Stop() {
    if (CPowerSensor* s = sensor_.exchange(nullptr)) link_->SetPortMode(s->GetModelCode());
    CMeasurement::Stop();
}

void CPowerMeasurement::SetSensor(CPowerSensor* sensor) {
    sensor_.store(sensor);
    if (sensor) link_->SetPortMode(sensor->GetModelCode());
    NotifyScreen();
}

int CPowerMeasurement::GetSensorFlag() const {
    const CPowerSensor* s = sensor_.load();
    return s ? s->GetSensorFlag() : 1;
}

float CPowerMeasurement::GetSensorScale() const {
    const CPowerSensor* s = sensor_.load();
    return s ? static_cast<float>(s->GetScale()) : 0.0f;
}

float CPowerMeasurement::GetSensorField() const {
    const CPowerSensor* s = sensor_.load();
    return s ? s->GetField() : 0.0f;
}

void CPowerMeasurement::SetSensorField(float v) {
    if (CPowerSensor* s = sensor_.load()) s->SetField(v);
}

void CPowerMeasurement::CreateSensorChain(int list_kind, uint8_t port_kind) {
    static constexpr int32_t kSerialList[] = {1, 3, 5, 6, 13, 17, 18, 19, 20, 21};
    static constexpr int32_t kUsbList[] = {6, 17, 18, 19, 20, 21};
    static constexpr int32_t kOtherList[] = {11};
    const bool serial = port_kind == CExtPowerMeasurement::kSerial;
    using Codes = std::span<const int32_t>;
    const Codes codes = list_kind != kListSensors ? Codes(kOtherList)
                        : serial                  ? Codes(kSerialList)
                                                  : Codes(kUsbList);
    for (int32_t code : codes) {
        std::unique_ptr<CPowerSensor> made = MakePowerSensor(code, link_, this, serial);
        if (!made) continue;
        if (!chain_)
            chain_ = std::move(made);
        else
            chain_->AppendSensor(std::move(made));
    }
}

void CPowerMeasurement::OnSensorReading(const CSensorReading& reading) {
    {
        std::lock_guard lock(reading_mutex_);
        for (int i = 0; i < int(latest_.size()); ++i) latest_[i] = reading.GetReadingValue(i);
        ++readings_;
    }
    if (IPowerScreen* screen = IPowerScreen::Current()) screen->UpdateReadout(*this);
}

bool CPowerMeasurement::GetLatestReading(PowerReading& out) const {
    std::lock_guard lock(reading_mutex_);
    out = latest_;
    return readings_ > 0;
}

uint32_t CPowerMeasurement::GetReadingCount() const {
    std::lock_guard lock(reading_mutex_);
    return readings_;
}

PowerScreenFields* CPowerMeasurement::GetScreenFields() {
    IPowerScreen* screen = IPowerScreen::Current();
    return screen ? &screen->Fields() : nullptr;
}

// -------------------------------------------------------- CExtPowerMeasurement

struct CExtPowerMeasurement::Cycle {
    int phase = 0;
    CPowerSensor* sensor = nullptr;
    plat::Event data;
    int countdown = kNoDataCountdown;
    int idle = 0;
    int retry = 0;
    int zero_wait = 0;
    bool new_data = false;
};

CExtPowerMeasurement::CExtPowerMeasurement(CDevicePort* port, uint8_t port_kind)
    : CPowerMeasurement(port), port_kind_(port_kind) {
    const bool serial = port_kind == kSerial;
    id_ = serial ? kSerialId : kUsbId;
    label_id_ = serial ? kSerialLabel : kUsbLabel;
    title_id_ = title2_id_ = serial ? kSerialTitle : kUsbTitle;
    description_id_ = serial ? kSerialDescription : kUsbDescription;
    english_name_id_ = kEnglishName;
}

CExtPowerMeasurement::~CExtPowerMeasurement() {
    EndThread();
}

int CExtPowerMeasurement::Init(IMeasurementScreen* screen) {
    CPowerMeasurement::Init(screen);
    CreateSensorChain(kListSensors, port_kind_);
    stop_event_ = plat::Event(true, false);
    plat::ThreadOptions options;
    options.priority = kSensorThreadPriority;
    thread_ = plat::Thread::start([this] { return SensorThread(); }, options);
    return 1;
}

void CExtPowerMeasurement::EndThread() {
    if (!thread_) return;
    stop_event_.set();
    if (!thread_.join(kStopWaitMs)) thread_.join();
    thread_ = {};
}

void CExtPowerMeasurement::Start(uint32_t a, uint32_t b) {
    CMeasurement::Start(a, b);
    link_->SetPortMode(-1);
    SetState(kAcquiring);
}

void CExtPowerMeasurement::Stop() {
    CPowerMeasurement::Stop();
    SetState(kDetach);
}

void CExtPowerMeasurement::LoseSensor(Cycle& c, IPowerScreen* screen) {
    c.phase = 2;
    c.retry = 0;
    if (!GetSensor()) return;
    ForgetSensor();
    screen->SensorLost(*this);
}

void CExtPowerMeasurement::CountIdle(Cycle& c, IPowerScreen* screen) {
    const int limit = LongCounts(screen->Fields()) ? kIdleNoticeLong : kIdleNotice;
    if (c.idle++ >= limit) {
        screen->PostNotice(IPowerScreen::Notice::kPeriodic);
        c.idle = 0;
    }
}

void CExtPowerMeasurement::ZeroFailed(Cycle& c, IPowerScreen* screen, bool timed_out) {
    PowerScreenFields& f = screen->Fields();
    f.zeroing = false;
    f.zero_request = false;
    c.zero_wait = 0;
    // The screen waits for its sensor again and reports the failure; the
    // time-out's text stays over the waiting face.
    screen->PostNotice(IPowerScreen::Notice::kZeroingResult);
    if (!timed_out) return;
    screen->SetStatusText(kZeroTimedOut);
    c.phase = 1;
}

void CExtPowerMeasurement::RunPhase(Cycle& c, IPowerScreen* screen) {
    PowerScreenFields& f = screen->Fields();
    switch (c.phase) {
        case 0:
            c.sensor = GetSensorChain();
            if (c.sensor) c.phase = 1;
            return;
        case 1:
            if (GetState() != kAcquiring) return;
            screen->UpdateReadout(*this);
            c.phase = 2;
            CountIdle(c, screen);
            return;
        case 2:
            if (!LongCounts(f) && c.sensor) c.sensor->Drain();
            c.sensor = GetSensorChain();
            // The answer is read as a text reply whatever was read before: a
            // fixed-length framing left by a sensor that went away drops it,
            // and a sensor plugged in again would never be found.
            link_->SetPortMode(port_mode::kUnset);
            c.sensor->ConfigureLine();
            if (c.sensor->SendIdentify()) c.phase = 3;
            if (f.zeroing && ++c.zero_wait > kZeroWaitIdentify) ZeroFailed(c, screen, true);
            return;
        case 3: {
            if (c.new_data) {
                if (CPowerSensor* found = GetSensorChain()->Identify()) {
                    c.phase = 4;
                    found->Drain();
                    found->ResetPoll();
                    c.sensor = found;
                    SetSensor(found);
                    if (found->IsIdentified()) screen->PostNotice(IPowerScreen::Notice::kReading);
                } else {
                    ++c.idle;
                    c.phase = 2;
                }
            } else {
                c.phase = 2;
            }
            if (c.retry++ > (LongCounts(f) ? kRetriesLong : kRetries)) {
                c.retry = 0;
                c.phase = 1;
                screen->UpdateReadout(*this);
                CountIdle(c, screen);
            }
            return;
        }
        case 4:
            if (GetState() == kAcquiring) c.phase = 5;
            return;
        case 5:
            if (c.new_data) {
                const bool answered = c.sensor->PollReceive();
                if (f.zero_refused.exchange(false)) ZeroFailed(c, screen, false);
                if (answered)
                    c.retry = c.idle = c.zero_wait = 0;
                else
                    LoseSensor(c, screen);
                return;
            }
            if (!c.sensor->PollSend()) {
                LoseSensor(c, screen);
                return;
            }
            if (GetState() == kDetach) c.phase = 1;
            if (f.zeroing) {
                if (++c.zero_wait % 2) screen->UpdateReadout(*this);
                if (c.zero_wait > kZeroWaitPoll) ZeroFailed(c, screen, true);
            } else if (++c.retry > (LongCounts(f) ? kRetriesLong : kRetries)) {
                LoseSensor(c, screen);
            }
            return;
        default:
            return;
    }
}

int CExtPowerMeasurement::WaitPass(Cycle& c) {
    for (int i = 0; i < kCycleWaits; ++i) {
        const uint32_t r = plat::wait_any({&stop_event_, &c.data}, kCycleWaitMs);
        if (r == plat::WAIT_OBJECT_0) return 0;
        if (r == plat::WAIT_OBJECT_0 + 1) {
            // A reply that completed while the last ones were read was read
            // with them: its wake-up finds the ring empty and brings nothing.
            // Reset first, so that a reply completing now wakes us again.
            c.data.reset();
            if (link_->GetCount() > 0) return 1;
            continue;
        }
        // A reply completed between the last wake-up and the event's reset
        // left its event reset but its bytes in the ring: that is data too.
        if (link_->GetCount() > 0) return 1;
    }
    return 2;
}

uint32_t CExtPowerMeasurement::SensorThread() {
    Cycle c;
    // The port's reply event never changes: the thread waits on it from the
    // start, whether or not a screen is there yet.
    c.data = link_->GetReplyEvent();
    for (;;) {
        const int r = WaitPass(c);
        if (r == 0) break;
        IPowerScreen* screen = IPowerScreen::Current();
        if (r == 1) {
            c.data.reset();
            c.new_data = true;
            c.countdown = kNoDataCountdown;
            if (c.phase == kIdleMark && screen && !screen->Fields().stopped) c.phase = 1;
        } else {
            c.new_data = false;
            if (c.phase != 5 && --c.countdown <= 0) {
                c.countdown = kNoDataCountdown;
                c.phase = 1;
                if (c.sensor) c.sensor->Drain();
                if (screen && GetSensor()) {
                    ForgetSensor();
                    screen->SensorLost(*this);
                }
            }
        }
        if (GetState() == kDetach) {
            c.new_data = false;
            c.phase = 1;
            SetState(kIdle);
        }
        if (!screen) continue;
        if (screen->Fields().stopped) {
            c.phase = kIdleMark;
            continue;
        }
        if (c.phase == kIdleMark) c.phase = 1;
        RunPhase(c, screen);
        if (GetState() == kStartRequested) {
            c.phase = 2;
            SetState(kAcquiring);
            if (c.sensor) {
                c.sensor->Drain();
                c.sensor->ResetPoll();
            }
        }
    }
    if (c.sensor) c.sensor->StopOutput();
    return 0;
}
