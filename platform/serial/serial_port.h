#pragma once
// Serial lines: "com1:" and the devices that drivers outside the system
// provide as byte streams ("UPM1:"), with the platform's comm calls (line
// settings, time-outs, purge, event mask, modem status) on host ttys.
//
// Which host tty serves a port: HKLM "Drivers\Ports\<port>" REG_SZ
// "HostDevice" (e.g. "/dev/ttyUSB0"). Absent or empty, the layer opens a
// pseudo-terminal pair for the port and starts the peer registered for it
// (the simulated world's device) on the master side, so the same serial code
// runs against it. A plugged device ("UPM1:") exists only while plugged:
// opens fail and open handles fail their calls with
// ERROR_DEVICE_NOT_CONNECTED once it is unplugged.
#include <poll.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace plat::serial {

inline constexpr char16_t kPortsKey[] = u"Drivers\\Ports";
inline constexpr char16_t kHostDeviceValue[] = u"HostDevice";

inline constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;

inline constexpr uint8_t NOPARITY = 0;
inline constexpr uint8_t ODDPARITY = 1;
inline constexpr uint8_t EVENPARITY = 2;
inline constexpr uint8_t ONESTOPBIT = 0;
inline constexpr uint8_t ONE5STOPBITS = 1;
inline constexpr uint8_t TWOSTOPBITS = 2;
inline constexpr uint8_t DTR_CONTROL_DISABLE = 0;
inline constexpr uint8_t DTR_CONTROL_ENABLE = 1;
inline constexpr uint8_t RTS_CONTROL_DISABLE = 0;
inline constexpr uint8_t RTS_CONTROL_ENABLE = 1;

inline constexpr uint32_t PURGE_TXABORT = 0x1;
inline constexpr uint32_t PURGE_RXABORT = 0x2;
inline constexpr uint32_t PURGE_TXCLEAR = 0x4;
inline constexpr uint32_t PURGE_RXCLEAR = 0x8;

inline constexpr uint32_t EV_RXCHAR = 0x1;
inline constexpr uint32_t MS_CTS_ON = 0x10;
inline constexpr uint32_t MS_DSR_ON = 0x20;
inline constexpr uint32_t MS_RING_ON = 0x40;
inline constexpr uint32_t MS_RLSD_ON = 0x80;

// The serial line settings record.
struct CommState {
    uint32_t length = sizeof(CommState);
    uint32_t baud_rate = 9600;
    bool binary = true;
    bool parity_check = false;
    bool outx_cts_flow = false;
    bool outx_dsr_flow = false;
    uint8_t dtr_control = DTR_CONTROL_ENABLE;
    bool dsr_sensitivity = false;
    bool out_x = false;  // XON/XOFF on output
    bool in_x = false;   // XON/XOFF on input
    uint8_t rts_control = RTS_CONTROL_ENABLE;
    uint16_t xon_limit = 0;
    uint16_t xoff_limit = 0;
    uint8_t byte_size = 8;
    uint8_t parity = NOPARITY;
    uint8_t stop_bits = ONESTOPBIT;
    char xon_char = 0x11;
    char xoff_char = 0x13;
    char error_char = 0;
    char eof_char = 0;
    char event_char = 0;
};

// Read and write time-outs in milliseconds on the platform clock. Reads:
// interval and multiplier MAXDWORD with a constant C return at once with
// what is there, else wait up to C for the first byte and return it;
// interval MAXDWORD with the others 0 never waits; otherwise the total
// time-out is multiplier x bytes + constant (0: none) and the interval
// time-out (0: none) ends a read when a gap between bytes exceeds it.
struct CommTimeouts {
    uint32_t read_interval = 0;
    uint32_t read_total_multiplier = 0;
    uint32_t read_total_constant = 0;
    uint32_t write_total_multiplier = 0;
    uint32_t write_total_constant = 0;
};

// Waits until one of `fds` is ready for what it asks or the platform clock
// reaches `deadline_ms` (0: no deadline); answers poll's count, 0 at the
// deadline. On the host clock this is one poll. A virtual clock may jump
// while the thread sits in poll, so there the clock is looked at every few
// real milliseconds.
int wait_for_fds(std::span<pollfd> fds, uint64_t deadline_ms);

// A simulated device on the far end of a line. It owns a thread that works
// on the master side of the pseudo-terminal it was given and stops when it
// is destroyed; it must not close the descriptor.
class IPeer {
  public:
    virtual ~IPeer() = default;
};
using PeerFactory = std::function<std::unique_ptr<IPeer>(int master_fd)>;

// A peer's account of the bytes on its line (`master_fd`), which lets a
// virtual clock wait for the simulated device as a real line waits for the
// real one: bytes the instrument writes hold virtual time until the peer has
// answered them, and bytes the peer sends hold it while the instrument's
// handle sits in a read until that read has taken them.
// `peer_sent`: bytes the peer is about to write toward the instrument. They
// are counted before the write, so that a read never takes bytes the account
// has not seen; `peer_withdrawn` takes back those the write did not put.
void peer_sent(int master_fd, size_t bytes);
void peer_withdrawn(int master_fd, size_t bytes);
// `peer_answered`: bytes the peer read are answered (its answer, if any,
// already sent).
void peer_answered(int master_fd, size_t bytes);

// `peer_due`: the platform time of the peer's next output of its own (0:
// none), where virtual time stops until the peer has sent it and named its
// next one.
void peer_due(int master_fd, uint64_t due_ms);

// The peer of a port without "HostDevice" (port "com1", no colon). Started at
// the first open of the port; a port already open keeps its peer until the
// process ends or the peer is replaced (a null factory removes it; the line
// then stays silent).
void set_port_peer(std::u16string_view port, PeerFactory factory);

// Plugs a device ("UPM1") served by a peer on its own pseudo-terminal pair.
// False when a device of that name is already plugged.
bool plug(std::u16string_view device, PeerFactory factory);
// Unplugs it: its peer stops, open handles fail from now on.
void unplug(std::u16string_view device);
bool is_plugged(std::u16string_view device);

struct Line;

// An open serial line. The calls return false (or STREAM-style 0 counts)
// with the thread's last error set on failure.
class CommFile {
  public:
    CommFile() = default;
    ~CommFile() { close(); }
    CommFile(CommFile&& other) noexcept;
    CommFile& operator=(CommFile&& other) noexcept;
    CommFile(const CommFile&) = delete;
    CommFile& operator=(const CommFile&) = delete;

    // "com1:" or a plugged device's "UPM1:" (case-insensitive, colon
    // optional). ERROR_FILE_NOT_FOUND for an unknown name or a port with
    // neither host device nor peer; ERROR_DEVICE_NOT_CONNECTED for an
    // unplugged device; ERROR_ACCESS_DENIED when the line is open already.
    static CommFile open(std::u16string_view name);

    explicit operator bool() const { return fd_ >= 0; }
    bool read(void* buffer, uint32_t size, uint32_t* bytes_read);
    bool write(const void* buffer, uint32_t size, uint32_t* bytes_written);
    bool get_state(CommState& state) const;
    bool set_state(const CommState& state);
    bool get_timeouts(CommTimeouts& timeouts) const;
    bool set_timeouts(const CommTimeouts& timeouts);
    bool purge(uint32_t flags);
    bool get_mask(uint32_t* mask) const;
    bool set_mask(uint32_t mask);
    bool get_modem_status(uint32_t* status) const;
    void close();

  private:
    bool usable() const;
    std::shared_ptr<Line> line_;
    uint64_t generation_ = 0;
    int fd_ = -1;
    CommTimeouts timeouts_;
    CommState state_;
    uint32_t mask_ = 0;
};

}  // namespace plat::serial
