#include "sim/acquisition_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/fs/atomic_save.h"
#include "platform/kernel/clock.h"
#include "sim/rf_units.h"

namespace sim {

namespace {

namespace msg = dsp::msg;

constexpr std::size_t kMaxCommandPayload = dsp::kMaxCommandPayload;
constexpr int kPointsPerPacket = 64;  // spectrum floats per data packet
constexpr int kItemsPerPacket = 64;   // network-analyzer items per data packet
// A distance-to-fault sweep this long (seconds) or longer is streamed as it
// goes, in blocks of the frequency sweep's message number.
constexpr double kStreamedDtfSeconds = 1.0;
constexpr int kSlotsPerPacket = 500;  // 16-bit slots per audio data packet
// The driver closes a sample block once more than its threshold of slots
// has come: whole packets up to one past the threshold.
constexpr int kSlotsPerBlock =
    (static_cast<int>(dsp::kSampleBlockThreshold) / kSlotsPerPacket + 1) * kSlotsPerPacket;
// Each block starts with the level (one float in two slots); the samples
// follow it and go on across blocks without a gap.
constexpr int kLevelSlots = static_cast<int>(sizeof(float) / sizeof(std::int16_t));
constexpr int kMaxSpectrumPoints = static_cast<int>(dsp::kMaxSpectrumPoints);
constexpr int kMaxNaPoints = static_cast<int>(dsp::kAreaItems);
constexpr std::size_t kSmallData = 60;  // small blocks fill one 64-byte transfer
constexpr int kTableSlots = static_cast<int>(dsp::kTableEntriesPerPacket);
constexpr double kRatedSupplyV = 15.0;              // the board's largest supply voltage
constexpr std::uint64_t kMaxImageBytes = 4u << 20;  // a firmware image fits the board's flash
constexpr double kCounterResolutionHz = 1.0;
// Trigger modes of the sweep record that wait for the video level.
constexpr std::uint16_t kVideoSingle = 2, kVideoContinuous = 5;

// One network-analyzer point on the wire: two floats.
struct Item {
    float first;
    float second;
};
static_assert(sizeof(Item) == 8);

enum : std::uint16_t {
    kTypeEcho = dsp::LOW_ECHO,
    kTypeRunState = dsp::LOW_RUN,
};

bool is_table_store(std::uint16_t id) {
    return (id & dsp::kSubMask) == 0 && dsp::message_has_flag(id, dsp::kTableStore);
}

bool is_term_fetch(std::uint16_t id) {
    return id == msg::kFetchReflectionTracking || id == msg::kFetchSourceMatch ||
           id == msg::kFetchDirectivity || id == msg::kFetchTransmissionTracking ||
           id == msg::kFetchIsolation;
}

Bytes text_bytes(const std::string& s, std::size_t n) {
    Bytes b(n, 0);
    std::copy_n(s.begin(), std::min(n, s.size()), b.begin());
    return b;
}

// Seconds as the platform clock's milliseconds.
double ms_of(double seconds) {
    return seconds * 1000.0;
}

// A small block: the head and `data` padded with zeros to kSmallData bytes.
Bytes small_packet(std::uint16_t type, const Bytes& data) {
    Bytes p;
    append_le<std::uint16_t>(p, type);
    Bytes body = data;
    if (body.size() < kSmallData) body.resize(kSmallData, 0);
    append_le<std::uint16_t>(p, static_cast<std::uint16_t>(body.size()));
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

Bytes large_packet(std::uint16_t type, int start, int count, const Bytes& data) {
    Bytes p;
    append_le<std::uint16_t>(p, type);
    append_le<std::uint16_t>(p, static_cast<std::uint16_t>(4 + data.size()));
    append_le<std::uint16_t>(p, static_cast<std::uint16_t>(start));
    append_le<std::uint16_t>(p, static_cast<std::uint16_t>(count));
    p.insert(p.end(), data.begin(), data.end());
    return p;
}

SpectrumSettings spectrum_settings(const Bytes& r) {
    SpectrumSettings s;
    s.centre_hz = static_cast<double>(get_le<std::uint64_t>(r, 0));
    s.span_hz = static_cast<double>(get_le<std::uint64_t>(r, 8));
    s.vbw_hz = vbw_from_record(get_le<std::uint16_t>(r, 16));
    s.rbw_hz = rbw_from_record(get_le<std::uint16_t>(r, 18));
    s.detector = static_cast<Detector>(std::min<std::uint16_t>(get_le<std::uint16_t>(r, 20), 3));
    s.points = std::clamp<int>(get_le<std::uint16_t>(r, 22), 1, kMaxSpectrumPoints);
    s.attenuation_db = get_le<std::uint8_t>(r, 24);
    s.preamp_db = get_le<std::uint8_t>(r, 26);
    return s;
}

// `table` read at `n` points evenly spread over it, interpolated linearly.
std::vector<Complex> resample(const std::vector<Complex>& table, std::size_t n) {
    std::vector<Complex> out(n);
    const double last = static_cast<double>(table.size() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = n > 1 ? last * static_cast<double>(i) / static_cast<double>(n - 1) : 0.0;
        const std::size_t k = std::min(static_cast<std::size_t>(x), table.size() - 2);
        const double t = x - static_cast<double>(k);
        out[i] = table[k] * (1 - t) + table[k + 1] * t;
    }
    return out;
}

// The named events that switch scene signals off, created unset unless
// someone made them already.
std::vector<plat::Event> switch_off_events(const std::vector<Signal>& signals) {
    std::vector<plat::Event> events;
    for (const Signal& sig : signals)
        events.push_back(sig.off_event.empty() ? plat::Event()
                                               : plat::Event::create(sig.off_event, true, false));
    return events;
}

}  // namespace

// The data stream one message started: packets of the current round (one
// sweep, one audio chunk) and the pause before each.
struct AcquisitionBoard::Stream {
    std::uint16_t id = 0;
    Bytes payload;
    std::deque<Bytes> pending;
    double pause_ms = 0;    // on the platform clock
    bool one_shot = false;  // one round, then the stream idles until stopped
    bool done = false;
    std::uint64_t rounds = 0;
    std::uint64_t samples = 0;  // audio samples sent
    std::uint64_t slots = 0;    // audio slots sent: samples and levels
    SpectrumSettings settings;
};

AcquisitionBoard::AcquisitionBoard(const Scene& scene, std::filesystem::path state_folder)
    : scene_(scene),
      state_folder_(std::move(state_folder)),
      spectrum_(scene),
      network_(scene),
      started_ms_(static_cast<double>(plat::now_ms())),
      off_events_(switch_off_events(scene.signals)),
      thread_([this] { run(); }) {
    std::lock_guard model(model_mutex_);
    for (const Unanswered& u : scene.board.unanswered)
        left_out_[static_cast<std::uint16_t>(u.message)] = u.replies;
}

bool AcquisitionBoard::keep(const char* name, const Bytes& data) const {
    if (state_folder_.empty()) return true;
    std::error_code ec;
    std::filesystem::create_directories(state_folder_, ec);
    return plat::atomic_save(state_folder_ / name, std::as_bytes(std::span(data)));
}

AcquisitionBoard::~AcquisitionBoard() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.set();
    thread_.join();
}

plat::usb::InterfaceInfo AcquisitionBoard::describe() const {
    plat::usb::InterfaceInfo info;
    info.vendor_id = dsp::kBoardVendorId;
    info.product_id = dsp::kBoardProductId;
    info.endpoints = {
        {dsp::kInterruptInEndpoint, USB_ENDPOINT_TYPE_INTERRUPT, dsp::kMaxPacketSize, 10},
        {dsp::kInterruptOutEndpoint, USB_ENDPOINT_TYPE_INTERRUPT, dsp::kMaxPacketSize, 10},
        {dsp::kBulkInEndpoint, USB_ENDPOINT_TYPE_BULK, dsp::kMaxPacketSize, 0},
        {dsp::kBulkOutEndpoint, USB_ENDPOINT_TYPE_BULK, dsp::kMaxPacketSize, 0},
    };
    return info;
}

void AcquisitionBoard::attached(plat::usb::DeviceLink& link) {
    std::lock_guard pipe(pipe_mutex_);
    std::lock_guard lock(mutex_);
    link_ = &link;
}

void AcquisitionBoard::detached() {
    {
        std::lock_guard pipe(pipe_mutex_);
        std::lock_guard lock(mutex_);
        link_ = nullptr;
        stream_.reset();
        ++generation_;
    }
    wake_.set();
}

bool AcquisitionBoard::streaming() const {
    std::lock_guard lock(mutex_);
    return stream_ != nullptr;
}

std::uint32_t AcquisitionBoard::receive_out(std::uint8_t endpoint,
                                            std::span<const std::uint8_t> data) {
    if (endpoint != dsp::kBulkOutEndpoint) return USB_TRANSFER_OK;  // nothing listens there
    if (data.size() < sizeof(dsp::CommandHead)) return USB_TRANSFER_STALL;
    const std::uint16_t command = plat::get_le<uint16_t>(data.data());
    const std::uint16_t length = plat::get_le<uint16_t>(data.data() + 2);
    if (length > kMaxCommandPayload || 4u + length > data.size()) return USB_TRANSFER_STALL;
    const Bytes payload(data.begin() + 4, data.begin() + 4 + length);
    std::lock_guard pipe(pipe_mutex_);
    if (!command_log_.empty()) log_command(command, payload);
    Outgoing out;
    {
        std::lock_guard lock(mutex_);
        if (command == dsp::CMD_STOP) {
            handle_command(command, payload, out);  // touches no model
        } else {
            std::lock_guard model(model_mutex_);
            handle_command(command, payload, out);
        }
    }
    flush(out);
    wake_.set();
    return USB_TRANSFER_OK;
}

void AcquisitionBoard::set_command_log(const std::filesystem::path& file) {
    std::lock_guard pipe(pipe_mutex_);
    command_log_ = file;
}

void AcquisitionBoard::log_command(std::uint16_t command, const Bytes& payload) const {
    std::FILE* f = std::fopen(command_log_.c_str(), "a");
    if (!f) return;
    std::fprintf(f, "%04X:", static_cast<unsigned>(command));
    for (std::uint8_t b : payload) std::fprintf(f, " %02X", static_cast<unsigned>(b));
    std::fputc('\n', f);
    std::fclose(f);
}

void AcquisitionBoard::flush(const Outgoing& out) {
    // Runs under the pipe lock only: the host may call back into the board.
    plat::usb::DeviceLink* link;
    {
        std::lock_guard lock(mutex_);
        link = link_;
    }
    if (!link) return;
    if (out.clear) link->clear_in(dsp::kBulkInEndpoint);
    // The host cuts each packet into 64-byte USB packets, the last one short,
    // which is how the driver reads it: a first transfer of 64 bytes and one
    // transfer of the rest rounded up to 64.
    for (const Bytes& p : out.packets) link->send_in(dsp::kBulkInEndpoint, p);
}

void AcquisitionBoard::queue_small(std::uint16_t type, const Bytes& data, Outgoing& out) {
    out.packets.push_back(small_packet(type, data));
}

void AcquisitionBoard::reply(std::uint16_t command, const Bytes& data, Outgoing& out) {
    // Nothing else is queued until the host has read the reply.
    Bytes r;
    append_le<std::uint16_t>(r, command);
    append_le<std::uint16_t>(r, static_cast<std::uint16_t>(data.size()));
    r.insert(r.end(), data.begin(), data.end());
    out.packets.push_back(std::move(r));
    reply_unread_ = true;
}

void AcquisitionBoard::handle_command(std::uint16_t command, const Bytes& payload, Outgoing& out) {
    switch (command) {
        case dsp::CMD_VERSION: {
            Bytes v(dsp::kVersionInfoSize, 0);
            for (int i = 0; i < 4; ++i) put_le<std::uint16_t>(v, 2 * i, scene_.board.version[i]);
            std::uint16_t w1 = scene_.board.version[1] & ~dsp::kVersionOptionFlag;
            if (scene_.board.option_bit) w1 |= dsp::kVersionOptionFlag;
            put_le<std::uint16_t>(v, 2, w1);
            Bytes dsp = text_bytes(scene_.board.dsp_date, 6);
            Bytes fpga = text_bytes(scene_.board.fpga_date, 6);
            Bytes serial = text_bytes(scene_.board.serial, 8);
            std::copy(dsp.begin(), dsp.end(), v.begin() + dsp::kDspDateOffset);
            std::copy(fpga.begin(), fpga.end(), v.begin() + dsp::kFpgaDateOffset);
            std::copy(serial.begin(), serial.end(), v.begin() + dsp::kSerialOffset);
            reply(command, v, out);
            return;
        }
        case dsp::CMD_STATUS: {
            // Flag 8 is the voltage alert; the two readings, the supply in
            // percent of the board's rating and the temperature in degrees,
            // stand above 100 only when something is wrong.
            Bytes s;
            const double supply_percent = 100.0 * scene_.board.supply_v / kRatedSupplyV;
            append_le<std::uint32_t>(s, supply_percent > 100.0 ? dsp::kStatusSupplyAlarm : 0u);
            append_le<std::uint16_t>(s, static_cast<std::uint16_t>(
                                            std::lround(std::clamp(supply_percent, 0.0, 65535.0))));
            append_le<std::uint16_t>(s, static_cast<std::uint16_t>(std::lround(
                                            std::clamp(scene_.board.temperature_c, 0.0, 65535.0))));
            reply(command, s, out);
            return;
        }
        case dsp::CMD_LOAD_DSP:
        case dsp::CMD_LOAD_FPGA: {
            const int which = command - dsp::CMD_LOAD_DSP;
            const auto offset = get_le<std::uint32_t>(payload, 0);
            const auto length = get_le<std::uint16_t>(payload, 4);
            const auto sum = get_le<std::uint16_t>(payload, 6);
            std::uint32_t status = 0;
            if (8u + length > payload.size() || dsp::checksum(payload.data() + 8, length) != sum) {
                status = 1;
                image_bad_[which] = true;
                error_code_ = 1;
                error_component_ = command;
            } else if (std::uint64_t{offset} + length > kMaxImageBytes) {
                // Past the end of the board's flash: the image is refused.
                status = 1;
                image_bad_[which] = true;
                error_code_ = 1;
                error_component_ = command;
            } else {
                Bytes& image = images_[which];
                const std::size_t end = std::size_t{offset} + length;
                if (image.size() < end) image.resize(end, 0);
                std::copy_n(payload.begin() + 8, length, image.begin() + offset);
            }
            Bytes r;
            append_le<std::uint32_t>(r, status);
            reply(command, r, out);
            return;
        }
        case dsp::CMD_6:
        case dsp::CMD_7: {
            const int which = command - dsp::CMD_6;
            // A committed image stays in the board's flash.
            const bool ok = !images_[which].empty() && !image_bad_[which] &&
                            keep(which == 0 ? "dsp.bin" : "fpga.bin", images_[which]);
            images_[which].clear();
            image_bad_[which] = false;
            Bytes r;
            append_le<std::uint32_t>(r, ok ? 0u : 1u);
            reply(command, r, out);
            return;
        }
        case dsp::CMD_CALIBRATION: {
            calibration_ = payload;
            const bool ok =
                payload.size() == kMaxCommandPayload && keep("calibration.bin", calibration_);
            Bytes r;
            append_le<std::uint32_t>(r, ok ? 0u : 1u);
            reply(command, r, out);
            return;
        }
        case dsp::CMD_9:
        case dsp::CMD_10:
            reply(command, Bytes(4, 0), out);
            return;
        case dsp::CMD_ERROR_STATUS: {
            Bytes r;
            append_le<std::uint16_t>(r, error_code_);
            append_le<std::uint16_t>(r, error_component_);
            append_le<std::uint32_t>(r, 0);
            error_code_ = error_component_ = 0;
            reply(command, r, out);
            return;
        }
        case dsp::CMD_43:
            reply(command, Bytes(dsp::kStatusRecordSize, 0), out);
            return;
        case dsp::CMD_STOP:
            // Every unread data packet goes; exactly one echo follows.
            stream_.reset();
            ++generation_;
            reply_unread_ = false;
            out.clear = true;
            queue_small(kTypeEcho, {}, out);
            return;
        case dsp::CMD_5:
        case dsp::run_command(dsp::CLASS_VNA):
        case dsp::run_command(dsp::CLASS_SPECTRUM):
            return;
        default:
            break;
    }
    // The first parameter block of an upload: the board forgets the terms it
    // corrected with until new ones come.
    if (command == msg::kVna13) uploaded_terms_.clear();
    if (is_table_store(command)) {
        store_table(command, payload);
        if (!leave_out(command)) reply(command, {}, out);
        return;
    }
    if (command == msg::kOption) {
        bias_on_ = payload.size() > 1 && payload[1] != 0;
        return;
    }
    if (command == msg::kBiasCurrent || command == msg::kCounterMarkers) {
        answer_query(command, payload, out);
        return;
    }
    const std::uint16_t cls = command & dsp::kClassMask;
    if ((cls == dsp::CLASS_VNA || cls == dsp::CLASS_SPECTRUM) && (command & dsp::kSubMask) == 0 &&
        dsp::message_number(command) != 0) {
        start_message(command, payload, out);
        return;
    }
    error_code_ = 2;
    error_component_ = command;
}

void AcquisitionBoard::store_table(std::uint16_t id, const Bytes& payload) {
    const auto first = get_le<std::uint32_t>(payload, 0);
    const auto entries = std::min<int>(get_le<std::uint16_t>(payload, 4), kTableSlots);
    const auto sum = get_le<std::uint16_t>(payload, 6);
    const std::size_t bytes = static_cast<std::size_t>(entries) * 8;
    if (8 + bytes > payload.size() || dsp::checksum(payload.data() + 8, bytes) != sum ||
        std::uint64_t{first} + static_cast<std::uint64_t>(entries) > kMaxNaPoints) {
        error_code_ = 3;
        error_component_ = id;
        return;
    }
    std::vector<Complex>& t = uploaded_terms_[id];
    if (first == 0) t.clear();
    if (t.size() < first + static_cast<std::size_t>(entries))
        t.resize(first + static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const std::size_t o = 8 + static_cast<std::size_t>(i) * 8;
        t[first + static_cast<std::size_t>(i)] =
            Complex(get_le<float>(payload, o), get_le<float>(payload, o + 4));
    }
}

void AcquisitionBoard::answer_query(std::uint16_t id, const Bytes& payload, Outgoing& out) {
    // Queries ride on a running stream; an idle board keeps silent so that no
    // stray packet sits in the pipe ahead of the next command's reply. The
    // bias supply's current is the exception: while the bias is on the host
    // listens for it without a sweep.
    Bytes r;
    if (id == msg::kBiasCurrent) {
        if (!stream_ && !bias_on_) return;
        const double ma = bias_on_ ? network_.bias_current_a() * 1000.0 : 0.0;
        append_le<std::uint32_t>(r, static_cast<std::uint32_t>(std::lround(ma * 255.0)));
        queue_small(id, r, out);
        return;
    }
    if (!stream_) return;
    // Counter markers: six enable bytes, then six marker frequencies; a
    // carrier near a marker is counted to the counter's resolution.
    const SpectrumSettings& s = stream_->settings;
    r.assign(80, 0);
    for (int m = 0; m < 6; ++m) {
        if (get_le<std::uint8_t>(payload, static_cast<std::size_t>(m)) == 0) continue;
        const double marker = static_cast<double>(
            get_le<std::uint64_t>(payload, 8 + 8 * static_cast<std::size_t>(m)));
        double counted = marker;
        double best = 1e300;
        for (const Signal& sig : scene_.signals) {
            const double d = std::abs(sig.frequency_hz - marker);
            if (sig.bandwidth_hz <= 0 && d <= std::max(s.rbw_hz, s.step_hz()) && d < best) {
                best = d;
                counted =
                    std::round(sig.frequency_hz / kCounterResolutionHz) * kCounterResolutionHz;
            }
        }
        r[static_cast<std::size_t>(m)] = 1;
        put_le<double>(r, 8 + 8 * static_cast<std::size_t>(m), counted);
        const double level = mw_to_dbm(dbm_to_mw(spectrum_.noise_floor_dbm(s)) +
                                       spectrum_.filtered_power_mw(s, counted));
        put_le<float>(r, 56 + 4 * static_cast<std::size_t>(m), static_cast<float>(level));
    }
    queue_small(id, r, out);
}

void AcquisitionBoard::start_message(std::uint16_t id, const Bytes& payload, Outgoing& out) {
    ++generation_;
    stream_ = std::make_shared<Stream>();
    stream_->id = id;
    stream_->payload = payload;
    const std::uint16_t cls = id & dsp::kClassMask;
    if (cls == dsp::CLASS_SPECTRUM) {
        stream_->settings = spectrum_settings(payload);
        if (id == msg::kZeroSpan) stream_->settings.span_hz = 0;
    } else {
        const int low = dsp::message_number(id);
        if (low >= 1 && low <= 3 && payload.size() >= 20) {
            na_points_ = std::clamp<int>(static_cast<int>(get_le<std::uint32_t>(payload, 0)), 2,
                                         kMaxNaPoints);
            na_start_ = static_cast<double>(get_le<std::uint64_t>(payload, 4));
            na_stop_ = static_cast<double>(get_le<std::uint64_t>(payload, 12));
        } else if (payload.size() >= 18) {
            na_start_ = static_cast<double>(get_le<std::uint64_t>(payload, 0));
            na_stop_ = static_cast<double>(get_le<std::uint64_t>(payload, 8));
            na_points_ = std::clamp<int>(get_le<std::uint16_t>(payload, 16), 2, kMaxNaPoints);
        }
        stream_->one_shot = !(low >= 1 && low <= 4);
    }
    Bytes run(4, 0);
    run[0] = 1;
    queue_small(kTypeRunState, run, out);
    next_due_ms_ = static_cast<double>(plat::now_ms());
}

std::vector<Complex> AcquisitionBoard::measured_sweep(int kind,
                                                      const std::vector<double>& f) const {
    // An uploaded term table covers the calibrated sweep, over the same
    // frequencies as this one; a sweep of other points reads it interpolated.
    std::map<std::uint16_t, std::vector<Complex>> resampled;
    const auto term = [&](std::uint16_t id) -> const std::vector<Complex>* {
        const auto it = uploaded_terms_.find(id);
        if (it == uploaded_terms_.end() || it->second.size() < 2 || f.empty()) return nullptr;
        if (it->second.size() == f.size()) return &it->second;
        std::vector<Complex>& t = resampled[id];
        t = resample(it->second, f.size());
        return &t;
    };
    const std::vector<Complex>* et = term(msg::kStoreTransmissionTracking);
    const std::vector<Complex>* ex = term(msg::kStoreIsolation);
    const std::vector<Complex>* ed = term(msg::kStoreDirectivity);
    const std::vector<Complex>* es = term(msg::kStoreSourceMatch);
    const std::vector<Complex>* er = term(msg::kStoreReflectionTracking);
    std::vector<Complex> out(f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
        switch (kind) {
            case msg::kMeasureOpen:
                out[i] = network_.raw_reflection(f[i], network_.standard(Standard::Open, f[i]));
                break;
            case msg::kMeasureShort:
                out[i] = network_.raw_reflection(f[i], network_.standard(Standard::Short, f[i]));
                break;
            case msg::kMeasureLoad:
                out[i] = network_.raw_reflection(f[i], network_.standard(Standard::Load, f[i]));
                break;
            case msg::kMeasureThrough:
                out[i] = network_.raw_transmission(f[i], 1.0);
                break;
            case msg::kMeasureIsolation:
                out[i] = network_.raw_transmission(f[i], 0.0);
                break;
            case msg::kTransmissionSweep: {
                const Complex m = network_.raw_transmission(f[i], network_.dut_s21(f[i]));
                out[i] = et ? NetworkModel::correct_transmission(m, (*et)[i],
                                                                 ex ? (*ex)[i] : Complex(0.0))
                            : m;
                break;
            }
            default: {
                const Complex m = network_.raw_reflection(f[i], network_.dut_s11(f[i]));
                out[i] = ed && es && er
                             ? NetworkModel::correct_reflection(m, (*ed)[i], (*es)[i], (*er)[i])
                             : m;
            }
        }
    }
    return out;
}

// Fills the stream's next round of packets: one sweep, one audio chunk, one
// acknowledgement.
void AcquisitionBoard::next_round(Stream& st) {
    const double scale = scene_.time_scale;
    const std::uint16_t id = st.id;
    const std::uint16_t cls = id & dsp::kClassMask;
    if (id == msg::kDemodulationAudio) {
        // Audio: each block starts with the level, then the samples.
        const int modulation = get_le<std::uint16_t>(st.payload, 40);
        const int in_block = static_cast<int>(st.slots % kSlotsPerBlock);
        const int levels = in_block == 0 ? kLevelSlots : 0;
        const int count = kSlotsPerPacket - levels;
        const std::vector<std::int16_t> pcm =
            spectrum_.audio(st.settings, modulation, st.samples, count);
        Bytes data;
        if (levels)
            append_le<float>(data, static_cast<float>(spectrum_.audio_level_dbm(st.settings)));
        const std::size_t head = data.size();
        data.resize(head + pcm.size() * sizeof(std::int16_t));
        std::memcpy(data.data() + head, pcm.data(), pcm.size() * sizeof(std::int16_t));
        st.pending.push_back(large_packet(id, in_block, kSlotsPerPacket, data));
        st.samples += static_cast<std::uint64_t>(count);
        st.slots += kSlotsPerPacket;
        st.pause_ms = ms_of(scale * count / SpectrumModel::kAudioRate);
    } else if (cls == dsp::CLASS_SPECTRUM) {
        const SpectrumSettings& s = st.settings;
        const bool zero_span = id == msg::kZeroSpan;
        std::vector<bool> switched_off(off_events_.size());
        for (std::size_t i = 0; i < off_events_.size(); ++i)
            switched_off[i] = off_events_[i] && off_events_[i].is_set();
        spectrum_.set_elapsed((static_cast<double>(plat::now_ms()) - started_ms_) / 1000.0,
                              switched_off);
        const double duration_ms = zero_span ? get_le<std::uint32_t>(st.payload, 40) : 0.0;
        // In zero span a video trigger (modes 2 and 5) starts each trace at a
        // rising edge of the burst plus its delay; a burst below its level
        // gives no trace.
        const auto trigger = get_le<std::uint16_t>(st.payload, 32);
        const bool video = zero_span && (trigger == kVideoSingle || trigger == kVideoContinuous);
        if (video && !spectrum_.burst_reaches(get_le<std::int16_t>(st.payload, 36) / 100.0)) {
            st.pause_ms = ms_of(scale * duration_ms / 1000.0);
            return;
        }
        const double delay_ms = video ? get_le<std::uint16_t>(st.payload, 38) / 10.0 : 0.0;
        std::vector<float> trace =
            zero_span ? spectrum_.zero_span(s, duration_ms, delay_ms) : spectrum_.sweep(s);
        const std::uint16_t type = zero_span ? msg::kZeroSpan : msg::kSweep;
        int packets = 0;
        for (int i = 0; i < s.points; i += kPointsPerPacket) {
            const int n = std::min(kPointsPerPacket, s.points - i);
            Bytes data(static_cast<std::size_t>(n) * 4);
            std::memcpy(data.data(), trace.data() + i, data.size());
            st.pending.push_back(large_packet(type, i, n, data));
            ++packets;
        }
        Bytes r;
        if (id == msg::kOccupiedBandwidth) {
            const auto mode = get_le<std::uint16_t>(st.payload, 40);
            const auto value = get_le<std::uint16_t>(st.payload, 42);
            const double obw = mode == 0 ? spectrum_.occupied_bandwidth_percent(s, value / 1000.0)
                                         : spectrum_.occupied_bandwidth_down(s, value / 10.0);
            append_le<std::uint64_t>(r, static_cast<std::uint64_t>(std::llround(obw)));
        } else if (id == msg::kChannelPower) {
            const double w = static_cast<double>(get_le<std::uint64_t>(st.payload, 40));
            append_le<float>(r, static_cast<float>(spectrum_.channel_power_dbm(s, s.centre_hz, w)));
        } else if (id == msg::kAdjacentChannelPower) {
            const AdjacentPower a = spectrum_.adjacent_power(
                s, static_cast<double>(get_le<std::uint64_t>(st.payload, 40)),
                static_cast<double>(get_le<std::uint64_t>(st.payload, 48)),
                static_cast<double>(get_le<std::uint64_t>(st.payload, 56)));
            for (double v :
                 {a.channel_dbm, a.lower_dbm, a.upper_dbm, a.lower_ratio_db, a.upper_ratio_db})
                append_le<float>(r, static_cast<float>(v));
        }
        if (!r.empty()) st.pending.push_back(small_packet(id, r));
        const double t = zero_span ? duration_ms / 1000.0 : spectrum_.sweep_time_s(s);
        st.pause_ms = ms_of(scale * t / std::max(packets, 1));
    } else {
        const std::vector<double> f = sweep_frequencies(na_start_, na_stop_, na_points_);
        const int low = dsp::message_number(id);
        std::vector<Item> items;
        double duration = 0.3;
        std::uint16_t block_id = id;
        if (low == 1 || low == 2 || low == 3) {
            for (const Complex& c :
                 measured_sweep(low == 2 ? msg::kTransmissionSweep : msg::kReflectionSweep, f))
                items.push_back({static_cast<float>(amplitude_to_db(std::abs(c))),
                                 static_cast<float>(std::arg(c) * 180 / kPi)});
            duration = 0.3e-3 * na_points_;
        } else if (low == 4) {
            DtfSettings d;
            d.start_m = get_le<std::uint32_t>(st.payload, 24) / 1000.0;
            d.stop_m = std::max(0.2, static_cast<double>(get_le<float>(st.payload, 28)));
            d.velocity_factor = get_le<std::uint32_t>(st.payload, 32) / 10000.0;
            if (d.velocity_factor <= 0) d.velocity_factor = scene_.dut.cable.velocity_factor;
            d.loss_db_per_m = get_le<float>(st.payload, 36);
            d.window = get_le<std::uint8_t>(st.payload, 40);
            d.points = na_points_;
            const std::vector<double> dtf =
                NetworkModel::distance_to_fault(f, measured_sweep(msg::kReflectionSweep, f), d);
            for (double v : dtf) items.push_back({static_cast<float>(v), 0.0f});
            duration = scene_.board.dtf_sweep_ms > 0 ? scene_.board.dtf_sweep_ms / 1000.0
                                                     : 0.3e-3 * na_points_;
            if (duration >= kStreamedDtfSeconds)
                block_id = static_cast<std::uint16_t>((id & ~dsp::kLowMask) | 1);
        } else if (is_term_fetch(id)) {
            std::vector<Complex> t = computed_terms_[id];
            t.resize(static_cast<std::size_t>(na_points_));
            for (const Complex& c : t)
                items.push_back({static_cast<float>(c.real()), static_cast<float>(c.imag())});
            duration = 0.05;
        } else {
            if (id == msg::kMeasureOpen || id == msg::kMeasureShort || id == msg::kMeasureLoad ||
                id == msg::kMeasureThrough || id == msg::kMeasureIsolation) {
                standards_[id] = measured_sweep(id, f);
            } else if (id == msg::kSolveOnePort || id == msg::kSolveTwoPort ||
                       id == msg::kSolveTwoPortAgain) {
                auto o = standards_.find(msg::kMeasureOpen),
                     s = standards_.find(msg::kMeasureShort),
                     l = standards_.find(msg::kMeasureLoad);
                if (id == msg::kSolveOnePort && o != standards_.end() && s != standards_.end() &&
                    l != standards_.end()) {
                    const std::size_t n =
                        std::min({o->second.size(), s->second.size(), l->second.size()});
                    auto& ed = computed_terms_[msg::kFetchDirectivity];
                    auto& es = computed_terms_[msg::kFetchSourceMatch];
                    auto& er = computed_terms_[msg::kFetchReflectionTracking];
                    ed.resize(n);
                    es.resize(n);
                    er.resize(n);
                    for (std::size_t i = 0; i < n; ++i)
                        NetworkModel::solve_one_port(o->second[i], s->second[i], l->second[i],
                                                     ed[i], es[i], er[i]);
                    // The board corrects its sweeps with the terms it solved.
                    uploaded_terms_[msg::kStoreDirectivity] = ed;
                    uploaded_terms_[msg::kStoreSourceMatch] = es;
                    uploaded_terms_[msg::kStoreReflectionTracking] = er;
                } else if (id != msg::kSolveOnePort) {
                    auto thru = standards_.find(msg::kMeasureThrough),
                         iso = standards_.find(msg::kMeasureIsolation);
                    std::vector<Complex> ex =
                        iso != standards_.end() ? iso->second : std::vector<Complex>();
                    if (thru != standards_.end()) {
                        ex.resize(thru->second.size());
                        std::vector<Complex> et(thru->second.size());
                        for (std::size_t i = 0; i < et.size(); ++i) et[i] = thru->second[i] - ex[i];
                        computed_terms_[msg::kFetchTransmissionTracking] = et;
                        uploaded_terms_[msg::kStoreTransmissionTracking] = et;
                    }
                    computed_terms_[msg::kFetchIsolation] = ex;
                    uploaded_terms_[msg::kStoreIsolation] = ex;
                }
            }
            st.pending.push_back(small_packet(id, {}));
            st.pause_ms = ms_of(scale * duration);
        }
        if (!items.empty()) {
            int packets = 0;
            for (std::size_t i = 0; i < items.size(); i += kItemsPerPacket) {
                const std::size_t n = std::min<std::size_t>(kItemsPerPacket, items.size() - i);
                Bytes data(n * 8);
                std::memcpy(data.data(), items.data() + i, data.size());
                st.pending.push_back(
                    large_packet(block_id, static_cast<int>(i), static_cast<int>(n), data));
                ++packets;
            }
            st.pause_ms = ms_of(scale * duration / packets);
        }
        if (st.one_shot) st.done = true;
    }
    // A message the scene leaves unanswered gets none of this round's
    // replies, whatever its stream.
    if (leave_out(id)) st.pending.clear();
    ++st.rounds;
}

bool AcquisitionBoard::leave_out(std::uint16_t id) {
    const auto it = left_out_.find(id);
    if (it == left_out_.end()) return false;
    if (it->second == 0) return true;
    if (--it->second == 0) left_out_.erase(it);
    return true;
}

void AcquisitionBoard::run() {
    // The waits are the platform's: on a virtual clock the board's time is
    // the program's, so a virtual wait of one sweep time sees one sweep.
    const auto wait = [this](std::unique_lock<std::mutex>& lock, uint32_t timeout_ms) {
        lock.unlock();
        wake_.wait(timeout_ms);
        lock.lock();
    };
    std::unique_lock lock(mutex_);
    while (!quit_) {
        Stream* st = stream_.get();
        const bool has_work = st && link_ && !(st->done && st->pending.empty());
        if (!has_work) {
            wait(lock, plat::INFINITE);
            continue;
        }
        // The host's pipe holds what is queued; wait for it to drain while a
        // reply is unread or the pipe is full.
        const std::size_t queued = link_->queued_in(dsp::kBulkInEndpoint);
        if (reply_unread_ && queued == 0) reply_unread_ = false;
        if (reply_unread_ || queued >= kMaxQueuedBytes) {
            wait(lock, 1);
            continue;
        }
        const double now = static_cast<double>(plat::now_ms());
        if (now < next_due_ms_) {
            wait(lock, static_cast<uint32_t>(std::ceil(next_due_ms_ - now)));
            continue;
        }
        if (st->pending.empty()) {
            // The round is computed without the state lock: a stop or a new
            // message meanwhile bumps the generation and the round goes.
            const std::shared_ptr<Stream> computing = stream_;
            const std::uint64_t started = generation_;
            lock.unlock();
            {
                std::lock_guard model(model_mutex_);
                next_round(*computing);
            }
            lock.lock();
            if (started != generation_) continue;
            // A round without packets (a trigger that did not come) waits
            // its time for the next one.
            if (st->pending.empty()) {
                next_due_ms_ = now + st->pause_ms;
                continue;
            }
        }
        Outgoing out;
        out.packets.push_back(std::move(st->pending.front()));
        st->pending.pop_front();
        next_due_ms_ = std::max(next_due_ms_ + st->pause_ms, now - ms_of(0.05));
        const std::uint64_t generation = generation_;
        lock.unlock();
        {
            // A stop or a new message that came meanwhile drops the packet.
            std::lock_guard pipe(pipe_mutex_);
            bool current;
            {
                std::lock_guard again(mutex_);
                current = generation == generation_;
            }
            if (current) flush(out);
        }
        lock.lock();
    }
}

}  // namespace sim
