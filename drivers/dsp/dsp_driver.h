#pragma once
// The acquisition-board driver: USB client of the board and stream driver of
// "DSP1:". One DspDriver per loaded library holds the driver state; each
// attached board has a BoardDevice with its pipes and acquisition thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "drivers/dsp/board_pipes.h"
#include "drivers/dsp/dsp_protocol.h"
#include "drivers/dsp/shared_block.h"
#include "platform/devices/stream_driver.h"
#include "platform/kernel/file_mapping.h"
#include "platform/kernel/sync.h"
#include "platform/kernel/thread.h"
#include "platform/usb/usb_client.h"

namespace dsp {

inline constexpr uint32_t kDeviceSignature = 0x44535044;  // "DSPD"

// One attached board.
struct BoardDevice {
    uint32_t signature = kDeviceSignature;
    UsbDeviceHandle usb = nullptr;
    const UsbFunctions* functions = nullptr;
    BoardPipes pipes;
    plat::Event wake{false, false};
    plat::Thread thread;
    std::atomic<uint8_t> flags{0};  // bit 1: closing
    static constexpr uint8_t kClosing = 2;
    bool closing() const { return (flags.load() & kClosing) != 0; }

    // Stream calls inside the driver on this device.
    std::mutex calls_mutex;
    std::condition_variable calls_done;
    int calls = 0;
};

class DspDriver : public plat::devices::StreamDriverBase {
  public:
    static DspDriver& instance();

    // USB client side.
    bool attach(UsbDeviceHandle device, const UsbFunctions* functions,
                const UsbInterfaceDescriptor* iface);
    bool detach(BoardDevice* device);

    // Stream entries (seek and power from the base).
    StreamContext init(const char16_t* active_key, const void* bus_context);
    bool deinit(StreamContext context);
    StreamContext open(StreamContext context, uint32_t access, uint32_t share);
    bool close(StreamContext context);
    uint32_t read(StreamContext context, void* buffer, uint32_t size);
    uint32_t write(StreamContext context, const void* buffer, uint32_t size);
    bool io_control(StreamContext context, uint32_t code, const uint8_t* input, uint32_t input_size,
                    uint8_t* output, uint32_t output_size, uint32_t* bytes_returned);

  private:
    // Holds the current device for the length of one stream call.
    class Call;

    void acquisition_thread(BoardDevice& device);
    void read_block(BoardDevice& device, uint8_t* packet);
    void store_status(uint16_t code);

    bool send_command(BoardDevice& device, uint16_t command, const void* payload, uint32_t length,
                      void* reply, uint32_t reply_size, bool with_reply);
    bool send_message(BoardDevice& device, const uint8_t* input, uint32_t size);
    bool stop(BoardDevice& device);
    bool start(BoardDevice& device, uint16_t reply_class, const uint8_t* input,
               uint32_t input_size);
    bool download(BoardDevice& device, uint16_t command, const uint8_t* input, uint32_t input_size);
    bool upload_table(BoardDevice& device, const uint8_t* input, uint32_t input_size);
    bool fetch(uint8_t* output, uint32_t output_size, uint32_t* bytes_returned);
    bool reply_call(BoardDevice& device, uint16_t command, uint32_t min_out, uint8_t* output,
                    uint32_t output_size, uint32_t* bytes_returned);
    bool payload_call(BoardDevice& device, uint16_t command, uint32_t min_in, const uint8_t* input,
                      uint32_t input_size);
    uint32_t bulk_read(BoardDevice& device, void* buffer, uint32_t size, uint32_t timeout_ms,
                       uint32_t* error);
    uint32_t bulk_write(BoardDevice& device, const void* buffer, uint32_t size, uint32_t* error);

    bool create_shared_objects();
    void release_shared_objects();

    // Guards the device list, attach and detach.
    std::recursive_mutex global_;
    // Guards devices_ and current_ for the stream calls.
    std::mutex devices_mutex_;
    std::vector<std::shared_ptr<BoardDevice>> devices_;
    std::shared_ptr<BoardDevice> current_;
    uint32_t active_device_ = 0;  // from the device manager
    bool attached_ = false;

    // Named objects and the block view; guarded by memory_mutex_ once made.
    plat::Event driver_event_;
    plat::Mutex memory_mutex_;
    plat::FileMapping mapping_;
    std::unique_ptr<SharedBlock> block_;

    std::atomic<bool> busy_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<uint32_t> acquisition_state_{0};
    AssemblyState assembly_;  // under memory_mutex_
    std::atomic<uint32_t> transfer_status_{0};
    std::atomic<uint32_t> last_write_error_{0};
    uint32_t unfetched_passes_ = 0;    // acquisition thread only
    uint32_t unexpected_packets_ = 0;  // acquisition thread only

    // One command and one reply buffer; their callers serialise.
    std::mutex command_mutex_;
    uint8_t command_[kCommandBufferSize] = {};
    uint8_t reply_[kReplyBufferSize] = {};
};

}  // namespace dsp
