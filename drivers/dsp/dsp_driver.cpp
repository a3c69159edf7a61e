#include "drivers/dsp/dsp_driver.h"

#include "drivers/dsp/packet_reader.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "platform/devices/device_manager.h"
#include "platform/fs/device_path.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"

namespace dsp {

namespace {

constexpr uint32_t kReadTimeoutMs = 30000;
constexpr uint32_t kWriteTimeoutMs = 5000;
constexpr uint32_t kPassMs = 5;
constexpr uint32_t kIdlePasses = 100;
constexpr uint32_t kReleaseWaitMs = 1000;
constexpr uint32_t kUnfetchedPasses = 30;
constexpr uint32_t kUnexpectedLimit = 10;
constexpr uint32_t ERROR_ECHO_MISMATCH = 1117;
constexpr uint32_t STATUS_READING = 234;
constexpr uint32_t STATUS_NOT_FETCHED = 14;

// Codes that pass while an acquisition runs.
bool allowed_while_busy(uint32_t code) {
    switch (code) {
        case IOCTL_DSP_POWER_STOP:
        case IOCTL_DSP_DRIVER_INFO:
        case IOCTL_DSP_STOP:
        case IOCTL_DSP_START_OTHER:
        case IOCTL_DSP_START_SPECTRUM:
        case IOCTL_DSP_START_VNA:
        case IOCTL_DSP_READ_BLOCK:
        case IOCTL_DSP_0012:
            return true;
        default:
            return false;
    }
}

int32_t notification(void* context, uint32_t code, void*) {
    if (code != USB_CLOSE_DEVICE) return 0;
    return DspDriver::instance().detach(static_cast<BoardDevice*>(context)) ? 1 : 0;
}

}  // namespace

// Enters a stream call on the current device: refuses it (71) while that
// device closes, and keeps the device's in-flight count so that detach can
// wait for the call to leave.
class DspDriver::Call {
  public:
    explicit Call(DspDriver& driver) {
        std::lock_guard lock(driver.devices_mutex_);
        device_ = driver.current_;
        if (!device_) {
            error_ = plat::ERROR_INVALID_HANDLE;
        } else if (device_->closing()) {
            error_ = plat::ERROR_REQ_NOT_ACCEP;
            device_.reset();
        } else {
            std::lock_guard calls(device_->calls_mutex);
            ++device_->calls;
        }
    }
    ~Call() {
        if (!device_) return;
        std::lock_guard calls(device_->calls_mutex);
        if (--device_->calls == 0) device_->calls_done.notify_all();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    BoardDevice* device() const { return device_.get(); }
    uint32_t error() const { return error_; }

  private:
    std::shared_ptr<BoardDevice> device_;
    uint32_t error_ = 0;
};

DspDriver& DspDriver::instance() {
    static DspDriver* driver = new DspDriver();  // lives as long as the library
    return *driver;
}

// ---- Attach and detach ----------------------------------------------------

bool DspDriver::create_shared_objects() {
    if (block_) return true;
    driver_event_ = plat::Event::create(kDriverEventName, true, false);
    memory_mutex_ = plat::Mutex::create(kMemoryMutexName, true);
    mapping_ = plat::FileMapping::create(kFileMappingName, kSharedBlockSize);
    if (!driver_event_ || !memory_mutex_ || !mapping_ || mapping_.size() < kSharedBlockSize) {
        release_shared_objects();
        return false;
    }
    // Created owned, or opened: either way held once more here.
    std::lock_guard made(memory_mutex_, std::adopt_lock);
    std::lock_guard lock(memory_mutex_);
    block_ = std::make_unique<SharedBlock>(mapping_.data());
    block_->clear_head();
    return true;
}

void DspDriver::release_shared_objects() {
    {
        std::unique_lock<plat::Mutex> held;
        if (memory_mutex_ && memory_mutex_.wait(kReleaseWaitMs))
            held = std::unique_lock(memory_mutex_, std::adopt_lock);
        block_.reset();
        mapping_ = {};
        driver_event_ = {};
    }
    memory_mutex_ = {};
}

bool DspDriver::attach(UsbDeviceHandle usb, const UsbFunctions* functions,
                       const UsbInterfaceDescriptor* iface) {
    plat::debug_output(kVersionText);
    if (!usb || !functions || !iface || functions->version != USB_FUNCTIONS_VERSION) return false;
    std::lock_guard lock(global_);
    auto device = std::make_shared<BoardDevice>();
    device->usb = usb;
    device->functions = functions;
    if (!device->pipes.open(usb, functions, iface) || !create_shared_objects()) {
        device->pipes.close();
        if (devices_.empty()) release_shared_objects();
        return false;
    }
    // The acquisition starts idle. This is done here rather than by the new
    // thread, which might otherwise clear a start made before it first ran.
    {
        std::lock_guard memory(memory_mutex_);
        block_->reset();
        acquisition_state_ = 0;
        stopping_ = false;
        busy_ = false;
    }
    BoardDevice* raw = device.get();
    device->thread = plat::Thread::start(
        [this, raw] {
            acquisition_thread(*raw);
            return 0u;
        },
        {.stack_size = 0, .suspended = true, .priority = 1});
    device->thread.resume();
    {
        std::lock_guard devices(devices_mutex_);
        devices_.push_back(device);
        current_ = device;
    }
    if (!attached_) {
        active_device_ = plat::devices::activate_device(kClientDriverKey);
        if (!active_device_) {
            plat::debug_output("VornDSP: activating DSP1: failed\n");
            detach(raw);
            return false;
        }
        attached_ = true;
    }
    functions->register_notification_routine(usb, &notification, raw);
    return true;
}

bool DspDriver::detach(BoardDevice* raw) {
    busy_ = false;
    std::lock_guard lock(global_);
    std::shared_ptr<BoardDevice> device;
    {
        std::lock_guard devices(devices_mutex_);
        auto it = std::find_if(devices_.begin(), devices_.end(),
                               [&](const auto& d) { return d.get() == raw; });
        if (it == devices_.end()) return true;
        device = *it;
        device->flags |= BoardDevice::kClosing;
    }
    // Release calls blocked on the board, then wait for every call inside.
    device->pipes.abort_all();
    {
        std::unique_lock calls(device->calls_mutex);
        device->calls_done.wait(calls, [&] { return device->calls == 0; });
    }
    device->wake.set();
    device->thread.join();
    device->pipes.close();
    {
        std::lock_guard devices(devices_mutex_);
        std::erase(devices_, device);
        current_ = devices_.empty() ? nullptr : devices_.back();
    }
    if (devices_.empty()) {
        if (active_device_) plat::devices::deactivate_device(active_device_);
        active_device_ = 0;
        attached_ = false;
        release_shared_objects();
    }
    return true;
}

// ---- Shared block ---------------------------------------------------------

void DspDriver::store_status(uint16_t code) {
    {
        std::lock_guard lock(memory_mutex_);
        block_->store_status(code);
    }
    driver_event_.set();
}

bool DspDriver::fetch(uint8_t* output, uint32_t output_size, uint32_t* bytes_returned) {
    uint32_t returned = 0, error = 0;
    bool ok;
    {
        std::lock_guard lock(memory_mutex_);
        ok = block_->fetch(output, output_size, &returned, &error);
    }
    if (bytes_returned) *bytes_returned = returned;
    if (!ok) plat::set_last_error(error);
    return ok;
}

// ---- Acquisition ----------------------------------------------------------

void DspDriver::acquisition_thread(BoardDevice& device) {
    std::vector<uint8_t> packet(kPacketBufferSize);
    uint32_t idle = 0;
    while (!device.closing()) {
        if (acquisition_state_ == 0) {
            if (stopping_) {
                read_block(device, packet.data());
                stopping_ = false;
            }
            // A start, a stop and the detach wake the thread: idle, it has
            // nothing to look at before then.
            device.wake.wait(plat::INFINITE);
            std::lock_guard lock(memory_mutex_);
            if (busy_) {
                acquisition_state_ = 1;
                block_->reset();
                idle = 0;
            }
        } else {
            device.wake.wait(kPassMs);
            if (device.closing()) break;
            if (busy_ || stopping_) {
                idle = 0;
                read_block(device, packet.data());
            } else if (++idle > kIdlePasses) {
                acquisition_state_ = 0;
            }
        }
    }
}

void DspDriver::read_block(BoardDevice& device, uint8_t* packet) {
    bool waiting;
    {
        std::lock_guard lock(memory_mutex_);
        waiting = busy_ && block_->block_waiting();
    }
    if (waiting) {
        if (++unfetched_passes_ >= kUnfetchedPasses) transfer_status_ = STATUS_NOT_FETCHED;
        return;
    }
    unfetched_passes_ = 0;
    transfer_status_ = STATUS_READING;
    const PacketRead read = read_packet(
        packet,
        [&](uint8_t* buffer, uint32_t size, uint32_t* error) {
            return bulk_read(device, buffer, size, plat::INFINITE, error);
        },
        stopping_);
    if (read.status) {
        transfer_status_ = read.error;
        store_status(read.status);
        if (read.pause) device.wake.wait(1000);
        return;
    }
    transfer_status_ = 0;
    const size_t received = read.received;

    const uint16_t type = plat::get_le<uint16_t>(packet);
    {
        std::lock_guard lock(memory_mutex_);
        if (busy_ && !stopping_) {
            block_->store_packet(packet, received, assembly_);
        } else if (message_number(type) == LOW_ECHO) {
            stopping_ = false;
            acquisition_state_ = 0;
            block_->store_echo(packet, received);
            unexpected_packets_ = 0;
        } else {
            if (++unexpected_packets_ <= kUnexpectedLimit) return;
            block_->store_status(STATUS_UNEXPECTED);
            unexpected_packets_ = 0;
        }
    }
    driver_event_.set();
}

// ---- Transport ------------------------------------------------------------

uint32_t DspDriver::bulk_read(BoardDevice& device, void* buffer, uint32_t size, uint32_t timeout_ms,
                              uint32_t* error) {
    return device.pipes.bulk_in(buffer, size, timeout_ms, error);
}

uint32_t DspDriver::bulk_write(BoardDevice& device, const void* buffer, uint32_t size,
                               uint32_t* error) {
    uint32_t n = device.pipes.bulk_out(buffer, size, kWriteTimeoutMs, error);
    last_write_error_ = *error;
    return n;
}

bool DspDriver::send_command(BoardDevice& device, uint16_t command, const void* payload,
                             uint32_t length, void* reply, uint32_t reply_size, bool with_reply) {
    if (!payload) length = 0;
    if (length > kMaxCommandPayload) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::lock_guard lock(command_mutex_);
    plat::put_le<uint16_t>(command_, command);
    plat::put_le<uint16_t>(command_ + 2, static_cast<uint16_t>(length));
    if (length) std::memcpy(command_ + 4, payload, length);
    uint32_t error = 0;
    bulk_write(device, command_, 4 + length, &error);
    if (error) {
        plat::set_last_error(error);
        return false;
    }
    if (!with_reply) {
        plat::set_last_error(0);
        return true;
    }
    uint32_t n = bulk_read(device, reply_, kReplyBufferSize, kReadTimeoutMs, &error);
    if (error) {
        plat::set_last_error(error);
        return false;
    }
    const uint16_t echo = n >= 4 ? plat::get_le<uint16_t>(reply_) : 0;
    if (n < 4 || (echo & kSubMask) || echo != command) {
        plat::set_last_error(ERROR_ECHO_MISMATCH);
        return false;
    }
    if (reply && reply_size) {
        const uint32_t data = std::min<uint32_t>(plat::get_le<uint16_t>(reply_ + 2), n - 4);
        auto* out = static_cast<uint8_t*>(reply);
        if (data <= reply_size) {
            std::memcpy(out, reply_ + 4, data);
            std::memset(out + data, 0, reply_size - data);
        } else {
            std::memset(out, 0, reply_size);
        }
    }
    return true;
}

bool DspDriver::send_message(BoardDevice& device, const uint8_t* input, uint32_t size) {
    const uint16_t id = plat::get_le<uint16_t>(input);
    const auto minimum = message_min_size(id);
    if (!minimum || size < *minimum || size - 4 > kMaxCommandPayload) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return send_command(device, id, input + 4, size - 4, nullptr, 0, false);
}

bool DspDriver::stop(BoardDevice& device) {
    std::lock_guard lock(memory_mutex_);
    busy_ = false;
    stopping_ = true;
    bool sent = send_command(device, CMD_STOP, nullptr, 0, nullptr, 0, false);
    driver_event_.reset();
    device.wake.set();
    return sent;
}

bool DspDriver::start(BoardDevice& device, uint16_t reply_class, const uint8_t* input,
                      uint32_t input_size) {
    plat::set_last_error(0);
    {
        std::lock_guard lock(memory_mutex_);
        assembly_.reply_class = reply_class;
    }
    if (!input || input_size < 4) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const uint16_t id = plat::get_le<uint16_t>(input);
    {
        std::lock_guard lock(memory_mutex_);
        assembly_.last_message_id = id;
    }
    // The start's class decides with the id's number.
    const uint16_t as_started = static_cast<uint16_t>(reply_class | message_number(id));
    const bool query = message_has_flag(as_started, kQuery);
    if (query && !stopping_) return send_message(device, input, input_size);

    std::lock_guard lock(memory_mutex_);
    if (busy_ || stopping_) {
        if (reply_class != CLASS_OTHER && busy_ && !stopping_) stop(device);
        plat::set_last_error(plat::ERROR_BUSY);
        return false;
    }
    const bool start_only = message_has_flag(as_started, kStartOnly);
    if (!start_only && !send_message(device, input, input_size)) return false;
    assembly_.expected = plat::get_le<uint16_t>(input + 2);
    if (reply_class == CLASS_SPECTRUM) {
        assembly_.sample_capacity = kSampleCapacity;
        assembly_.sample_counter = 0;
    }
    block_->reset();
    busy_ = true;
    device.wake.set();
    return true;
}

bool DspDriver::download(BoardDevice& device, uint16_t command, const uint8_t* input,
                         uint32_t input_size) {
    if (!input || input_size < 2) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    std::u16string path;
    for (uint32_t i = 0; i + 1 < input_size; i += 2) {
        char16_t c = plat::get_le<uint16_t>(input + i);
        if (!c) break;
        path.push_back(c);
    }
    auto host = plat::host_path(path);
    std::ifstream file;
    if (host) file.open(*host, std::ios::binary);
    if (!file) {
        plat::set_last_error(plat::ERROR_FILE_NOT_FOUND);
        return false;
    }
    uint8_t payload[8 + kDownloadChunk];
    for (uint32_t offset = 0;; offset += kDownloadChunk) {
        file.read(reinterpret_cast<char*>(payload + 8), kDownloadChunk);
        const auto got = static_cast<uint16_t>(file.gcount());
        if (got == 0) break;
        plat::put_le<uint32_t>(payload, offset);
        plat::put_le<uint16_t>(payload + 4, got);
        plat::put_le<uint16_t>(payload + 6, checksum(payload + 8, got));
        if (!send_command(device, command, payload, 8u + got, nullptr, 0, true)) return false;
        if (got < kDownloadChunk) break;
    }
    return true;
}

bool DspDriver::upload_table(BoardDevice& device, const uint8_t* input, uint32_t input_size) {
    if (!input || input_size < 4) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    const uint16_t id = plat::get_le<uint16_t>(input);
    const uint32_t entries = plat::get_le<uint16_t>(input + 2);
    if (entries * 8u > input_size - 4) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    uint8_t payload[kTablePayloadSize];
    // Every packet goes even after one failed; the table counts as stored
    // only when the board answered each of them.
    bool all_answered = true;
    for (uint32_t first = 0; first < entries; first += kTableEntriesPerPacket) {
        const uint32_t n = std::min<uint32_t>(kTableEntriesPerPacket, entries - first);
        const uint8_t* src = input + 4 + first * 8;
        std::memset(payload, 0, sizeof payload);
        plat::put_le<uint32_t>(payload, first);
        plat::put_le<uint16_t>(payload + 4, static_cast<uint16_t>(n));
        plat::put_le<uint16_t>(payload + 6, checksum(src, n * 8));
        std::memcpy(payload + 8, src, n * 8);
        if (!send_command(device, id, payload, sizeof payload, nullptr, 0, true))
            all_answered = false;
    }
    // The block of the table's id is its acknowledgement: without it the
    // client's own watchdog finds the table missing and sends it again.
    if (all_answered) {
        {
            std::lock_guard lock(memory_mutex_);
            block_->store_small(id, kStatusBlockSize, nullptr, 0, kStatusBlockSize);
        }
        driver_event_.set();
    }
    plat::set_last_error(0);
    return true;
}

// ---- Stream entries -------------------------------------------------------

StreamContext DspDriver::init(const char16_t* /*active_key*/, const void* /*bus_context*/) {
    busy_ = false;
    stopping_ = false;
    return kContext;
}

bool DspDriver::deinit(StreamContext context) {
    return context == kContext;
}

StreamContext DspDriver::open(StreamContext context, uint32_t /*access*/, uint32_t /*share*/) {
    if (context != kContext) {
        plat::set_last_error(plat::ERROR_FILE_NOT_FOUND);
        return 0;
    }
    {
        std::lock_guard devices(devices_mutex_);
        if (!current_) {
            plat::set_last_error(plat::ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    busy_ = false;
    stopping_ = false;
    return kContext;
}

bool DspDriver::close(StreamContext) {
    busy_ = false;
    return true;
}

uint32_t DspDriver::read(StreamContext context, void* buffer, uint32_t size) {
    if (!buffer || !size) return 0;
    Call call(*this);
    if (context != kContext || !call.device()) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    uint32_t error = 0;
    uint32_t n = bulk_read(*call.device(), buffer, size, kReadTimeoutMs, &error);
    if (error) {
        plat::set_last_error(error);
        return STREAM_FAILED;
    }
    return n;
}

uint32_t DspDriver::write(StreamContext context, const void* buffer, uint32_t size) {
    Call call(*this);
    if (context != kContext || !call.device()) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return STREAM_FAILED;
    }
    uint32_t error = 0;
    uint32_t n = bulk_write(*call.device(), buffer, size, &error);
    plat::set_last_error(error);
    return error ? STREAM_FAILED : n;
}

bool DspDriver::reply_call(BoardDevice& device, uint16_t command, uint32_t min_out, uint8_t* output,
                           uint32_t output_size, uint32_t* bytes_returned) {
    if (!output || output_size < min_out) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (!send_command(device, command, nullptr, 0, output, output_size, true)) return false;
    if (bytes_returned) *bytes_returned = output_size;
    return true;
}

bool DspDriver::payload_call(BoardDevice& device, uint16_t command, uint32_t min_in,
                             const uint8_t* input, uint32_t input_size) {
    if (!input || input_size < min_in) {
        plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return send_command(device, command, input, input_size, nullptr, 0, true);
}

bool DspDriver::io_control(StreamContext context, uint32_t code, const uint8_t* input,
                           uint32_t input_size, uint8_t* output, uint32_t output_size,
                           uint32_t* bytes_returned) {
    if (bytes_returned) *bytes_returned = 0;
    if (context != kContext) {
        plat::set_last_error(plat::ERROR_INVALID_HANDLE);
        return false;
    }
    Call call(*this);
    if (!call.device()) {
        plat::set_last_error(call.error());
        return false;
    }
    BoardDevice& device = *call.device();
    if (busy_ && !allowed_while_busy(code)) {
        plat::set_last_error(plat::ERROR_BUSY);
        return false;
    }
    switch (code) {
        case IOCTL_DSP_POWER_STOP:
            if (acquisition_state_ != 0) {
                stop(device);
                uint16_t last_id;
                {
                    std::lock_guard lock(memory_mutex_);
                    last_id = assembly_.last_message_id;
                }
                if ((last_id & kClassMask) == CLASS_VNA)
                    send_command(device, CMD_VNA_END, nullptr, 0, nullptr, 0, false);
            }
            return false;
        case IOCTL_DSP_DRIVER_INFO: {
            if (!output || output_size < sizeof(DriverInfo)) return false;
            DriverInfo info{kDriverVersion, 0, acquisition_state_, transfer_status_};
            std::memset(output, 0, output_size);
            std::memcpy(output, &info, sizeof info);
            if (bytes_returned) *bytes_returned = output_size;
            return true;
        }
        case IOCTL_DSP_VERSION:
            return reply_call(device, CMD_VERSION, kVersionInfoSize, output, output_size,
                              bytes_returned);
        case IOCTL_DSP_STATUS:
            return reply_call(device, CMD_STATUS, kStatusRecordSize, output, output_size,
                              bytes_returned);
        case IOCTL_DSP_LOAD_DSP:
            return download(device, CMD_LOAD_DSP, input, input_size);
        case IOCTL_DSP_LOAD_FPGA:
            return download(device, CMD_LOAD_FPGA, input, input_size);
        case IOCTL_DSP_COMMAND5:
            return send_command(device, CMD_5, nullptr, 0, nullptr, 0, false);
        case IOCTL_DSP_COMMAND6:
            return reply_call(device, CMD_6, kWordReplySize, output, output_size, bytes_returned);
        case IOCTL_DSP_COMMAND7:
            return reply_call(device, CMD_7, kWordReplySize, output, output_size, bytes_returned);
        case IOCTL_DSP_STOP: {
            bool sent = stop(device);
            plat::set_last_error(last_write_error_);
            return sent;
        }
        case IOCTL_DSP_START_OTHER:
            return start(device, CLASS_OTHER, input, input_size);
        case IOCTL_DSP_START_SPECTRUM:
            return start(device, CLASS_SPECTRUM, input, input_size);
        case IOCTL_DSP_START_VNA:
            return start(device, CLASS_VNA, input, input_size);
        case IOCTL_DSP_COMMAND9:
            return payload_call(device, CMD_9, kCommand9MinInput, input, input_size);
        case IOCTL_DSP_ERROR_STATUS:
            return reply_call(device, CMD_ERROR_STATUS, kStatusRecordSize, output, output_size,
                              bytes_returned);
        case IOCTL_DSP_RUN: {
            if (!input || input_size < kRunMinInput) return false;
            const uint16_t id = plat::get_le<uint16_t>(input);
            bool sent = send_command(device, run_command(id), nullptr, 0, nullptr, 0, false);
            std::lock_guard lock(memory_mutex_);
            block_->reset();
            busy_ = true;
            device.wake.set();
            return sent;
        }
        case IOCTL_DSP_READ_BLOCK:
            if (!output) {
                plat::set_last_error(plat::ERROR_NOT_ENOUGH_MEMORY);
                return false;
            }
            return fetch(output, output_size, bytes_returned);
        case IOCTL_DSP_COMMAND10:
            return payload_call(device, CMD_10, kCommand10MinInput, input, input_size);
        case IOCTL_DSP_CALIBRATION:
            return payload_call(device, CMD_CALIBRATION, kCalibrationMinInput, input, input_size);
        case IOCTL_DSP_UPLOAD_TABLE:
            return upload_table(device, input, input_size);
        case IOCTL_DSP_COMMAND43:
            return reply_call(device, CMD_43, kStatusRecordSize, output, output_size,
                              bytes_returned);
        default:
            plat::set_last_error(plat::ERROR_NOT_SUPPORTED);
            return false;
    }
}

}  // namespace dsp
