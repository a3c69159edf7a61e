#include "platform/serial/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/kernel/clock.h"
#include "platform/kernel/clock_state.h"
#include "platform/kernel/dispatcher.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace plat::serial {

// One line: a host tty, or a pseudo-terminal pair with a peer on its master.
struct Line {
    std::mutex mutex;  // guards peer and open_count
    std::string path;  // what a handle opens
    // Pseudo-terminal master; -1 for a host tty and after an unplug. Set
    // under `mutex`; read without it by handles inside a read or write.
    std::atomic<int> master{-1};
    int keeper = -1;  // slave kept open so the master never hangs up
    std::unique_ptr<IPeer> peer;
    std::atomic<bool> connected{true};
    bool pluggable = false;
    bool is_open = false;  // lines are not shared

    // The bytes on their way, which virtual time waits for (flow_mutex; the
    // peer's thread takes only this lock).
    std::mutex flow_mutex;
    int64_t to_peer = 0;     // written by the instrument, not yet answered
    int64_t unread = 0;      // sent by the peer, not yet read by the instrument
    bool reading = false;    // the instrument's handle is inside a read
    bool holding = false;    // this line holds virtual time
    bool accounted = false;  // the peer keeps its account of the bytes

    // Takes or gives back the line's hold as its counts say; flow_mutex held.
    void refresh_hold() {
        const bool want = to_peer > 0 || (reading && unread > 0);
        if (want == holding) return;
        holding = want;
        if (want)
            detail::clock_state().hold();
        else
            detail::clock_state().release();
    }
    // Forgets bytes on their way: those for a peer that went, those for an
    // instrument that closed or flushed the line.
    void forget_flow(bool for_peer, bool for_instrument) {
        std::lock_guard lock(flow_mutex);
        if (for_peer) to_peer = 0;
        if (for_instrument) unread = 0;
        refresh_hold();
    }

    ~Line();
};

namespace {

// Real-time slice of the waits in write, of a hung-up line, and of every
// wait on a virtual clock: the time-outs themselves run on the platform
// clock.
constexpr int kPollSliceMs = 10;
// A read with no time-out due sooner looks this often whether its line was
// unplugged.
constexpr uint64_t kUnplugCheckMs = 100;
// Real-time slices of a read on a virtual clock in which counted bytes may
// stay away before they count as lost (a flushed line, a peer that keeps no
// account), so that virtual time no longer waits for them.
constexpr int kStallSlices = 10;

struct Table {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<Line>> lines;  // pty lines by name
    std::map<std::u16string, PeerFactory> port_peers;
    std::set<std::u16string> devices;  // plug-able names ever seen
    std::set<std::string> open_hosts;  // host ttys open now
};

Table& table() {
    static Table* t = new Table;  // lives to the end of the process
    return *t;
}

// The pseudo-terminal lines by master descriptor, for their peers' accounts;
// a lock of its own, as a peer's thread may report while the table is busy.
struct PeerMasters {
    std::mutex mutex;
    std::map<int, std::weak_ptr<Line>> lines;  // guarded by `mutex`
};

PeerMasters& peer_masters() {
    static PeerMasters* m = new PeerMasters;  // lives to the end of the process
    return *m;
}

std::shared_ptr<Line> line_of_master(int master_fd) {
    std::lock_guard lock(peer_masters().mutex);
    auto it = peer_masters().lines.find(master_fd);
    return it == peer_masters().lines.end() ? nullptr : it->second.lock();
}

void forget_master(int master_fd) {
    std::lock_guard lock(peer_masters().mutex);
    peer_masters().lines.erase(master_fd);
}

}  // namespace

Line::~Line() {
    peer.reset();
    forget_flow(true, true);
    detail::set_host_deadline(this, 0);
    if (keeper >= 0) ::close(keeper);
    if (master >= 0) {
        forget_master(master);
        ::close(master);
    }
}

namespace {

std::u16string normalise(std::u16string_view name) {
    std::u16string out(name);
    while (!out.empty() && out.back() == u':') out.pop_back();
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::shared_ptr<Line> make_pty_line() {
    auto line = std::make_shared<Line>();
    line->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->master < 0 || ::grantpt(line->master) != 0 || ::unlockpt(line->master) != 0)
        return nullptr;
    char name[128] = {};
    if (::ptsname_r(line->master, name, sizeof name) != 0) return nullptr;
    line->path = name;
    line->keeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (line->keeper < 0) return nullptr;
    termios tio{};
    ::tcgetattr(line->keeper, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(line->keeper, TCSANOW, &tio);
    ::fcntl(line->master, F_SETFL, ::fcntl(line->master, F_GETFL) | O_NONBLOCK);
    std::lock_guard lock(peer_masters().mutex);
    peer_masters().lines[line->master] = line;
    return line;
}

std::u16string host_device_of(const std::u16string& port) {
    RegKey key;
    if (hkey_local_machine().open(std::u16string(kPortsKey) + u"\\" + port, key) != 0) return {};
    return key.get_string(kHostDeviceValue).value_or(u"");
}

speed_t speed_of(uint32_t baud) {
    static const std::pair<uint32_t, speed_t> kSpeeds[] = {
        {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},   {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& [rate, speed] : kSpeeds)
        if (rate == baud) return speed;
    return 0;
}

uint32_t baud_of(speed_t speed) {
    static const std::pair<speed_t, uint32_t> kRates[] = {
        {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},   {B4800, 4800},
        {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600}, {B115200, 115200},
        {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    for (const auto& [s, rate] : kRates)
        if (s == speed) return rate;
    return 9600;
}

bool fail(uint32_t code) {
    set_last_error(code);
    return false;
}

}  // namespace

void set_port_peer(std::u16string_view port, PeerFactory factory) {
    const std::u16string name = normalise(port);
    std::shared_ptr<Line> line;
    {
        std::lock_guard lock(table().mutex);
        if (factory)
            table().port_peers[name] = factory;
        else
            table().port_peers.erase(name);
        auto it = table().lines.find(name);
        if (it != table().lines.end()) line = it->second;
    }
    if (!line) return;
    std::lock_guard lock(line->mutex);
    line->peer.reset();
    line->forget_flow(true, false);
    {
        std::lock_guard flow(line->flow_mutex);
        line->accounted = false;
    }
    if (factory) line->peer = factory(line->master);
}

void peer_sent(int master_fd, size_t bytes) {
    if (std::shared_ptr<Line> line = line_of_master(master_fd)) {
        std::lock_guard lock(line->flow_mutex);
        line->accounted = true;
        line->unread += static_cast<int64_t>(bytes);
        line->refresh_hold();
    }
}

void peer_withdrawn(int master_fd, size_t bytes) {
    if (std::shared_ptr<Line> line = line_of_master(master_fd)) {
        std::lock_guard lock(line->flow_mutex);
        line->unread = std::max<int64_t>(0, line->unread - static_cast<int64_t>(bytes));
        line->refresh_hold();
    }
}

void peer_due(int master_fd, uint64_t due_ms) {
    if (std::shared_ptr<Line> line = line_of_master(master_fd))
        detail::set_host_deadline(line.get(), due_ms);
}

void peer_answered(int master_fd, size_t bytes) {
    if (std::shared_ptr<Line> line = line_of_master(master_fd)) {
        std::lock_guard lock(line->flow_mutex);
        line->accounted = true;
        line->to_peer = std::max<int64_t>(0, line->to_peer - static_cast<int64_t>(bytes));
        line->refresh_hold();
    }
}

bool plug(std::u16string_view device, PeerFactory factory) {
    const std::u16string name = normalise(device);
    std::lock_guard lock(table().mutex);
    table().devices.insert(name);
    if (table().lines.count(name)) return false;
    auto line = make_pty_line();
    if (!line) return false;
    line->pluggable = true;
    {
        std::lock_guard line_lock(line->mutex);
        if (factory) line->peer = factory(line->master);
    }
    table().lines[name] = std::move(line);
    return true;
}

void unplug(std::u16string_view device) {
    const std::u16string name = normalise(device);
    std::shared_ptr<Line> line;
    {
        std::lock_guard lock(table().mutex);
        table().devices.insert(name);
        auto it = table().lines.find(name);
        if (it == table().lines.end() || !it->second->pluggable) return;
        line = it->second;
        table().lines.erase(it);
    }
    line->connected.store(false);
    std::lock_guard lock(line->mutex);
    line->peer.reset();
    line->forget_flow(true, true);
    // Handles still open keep the line object; their calls fail from now on,
    // and the slave ends see the hang-up.
    if (line->keeper >= 0) ::close(std::exchange(line->keeper, -1));
    if (line->master >= 0) {
        forget_master(line->master);
        ::close(line->master.exchange(-1));
    }
}

bool is_plugged(std::u16string_view device) {
    const std::u16string name = normalise(device);
    std::lock_guard lock(table().mutex);
    auto it = table().lines.find(name);
    return it != table().lines.end() && it->second->pluggable;
}

// ------------------------------------------------------------------ CommFile

CommFile::CommFile(CommFile&& other) noexcept {
    *this = std::move(other);
}

CommFile& CommFile::operator=(CommFile&& other) noexcept {
    if (this != &other) {
        close();
        line_ = std::move(other.line_);
        fd_ = std::exchange(other.fd_, -1);
        timeouts_ = other.timeouts_;
        state_ = other.state_;
        mask_ = other.mask_;
    }
    return *this;
}

CommFile CommFile::open(std::u16string_view device_name) {
    const std::u16string name = normalise(device_name);
    std::shared_ptr<Line> line;
    {
        std::lock_guard lock(table().mutex);
        auto it = table().lines.find(name);
        if (it != table().lines.end()) {
            line = it->second;
        } else if (table().devices.count(name)) {
            set_last_error(ERROR_DEVICE_NOT_CONNECTED);
            return {};
        }
    }
    if (!line && name.rfind(u"com", 0) == 0) {
        const std::u16string host = host_device_of(name);
        if (!host.empty()) {
            line = std::make_shared<Line>();
            line->path = to_utf8(host);
        } else {
            std::lock_guard lock(table().mutex);
            auto peer = table().port_peers.find(name);
            if (peer != table().port_peers.end()) {
                auto made = make_pty_line();
                if (made) {
                    std::lock_guard line_lock(made->mutex);
                    made->peer = peer->second(made->master);
                }
                if (made) table().lines[name] = made;
                line = made;
            }
        }
    }
    if (!line) {
        set_last_error(ERROR_FILE_NOT_FOUND);
        return {};
    }
    {
        std::lock_guard lock(line->mutex);
        const bool host = line->master < 0 && !line->pluggable;
        if (host) {
            std::lock_guard table_lock(table().mutex);
            if (!table().open_hosts.insert(line->path).second) {
                set_last_error(ERROR_ACCESS_DENIED);
                return {};
            }
        } else if (line->is_open) {
            set_last_error(ERROR_ACCESS_DENIED);
            return {};
        }
        const int fd = ::open(line->path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (host) {
                std::lock_guard table_lock(table().mutex);
                table().open_hosts.erase(line->path);
            }
            set_last_error(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
            return {};
        }
        line->is_open = true;
        CommFile file;
        file.fd_ = fd;
        file.line_ = line;
        termios tio{};
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            tio.c_cflag |= CLOCAL | CREAD;
            ::tcsetattr(fd, TCSANOW, &tio);
            file.state_.baud_rate = baud_of(::cfgetospeed(&tio));
        }
        return file;
    }
}

void CommFile::close() {
    if (fd_ < 0) return;
    ::close(std::exchange(fd_, -1));
    if (line_) {
        {
            std::lock_guard lock(line_->flow_mutex);
            line_->reading = false;
        }
        line_->forget_flow(false, true);
        std::lock_guard lock(line_->mutex);
        line_->is_open = false;
        if (line_->master < 0 && !line_->pluggable) {
            std::lock_guard table_lock(table().mutex);
            table().open_hosts.erase(line_->path);
        }
    }
    line_.reset();
}

int wait_for_fds(std::span<pollfd> fds, uint64_t deadline_ms) {
    for (;;) {
        int timeout = -1;
        if (deadline_ms) {
            const uint64_t now = now_ms();
            if (now >= deadline_ms) {
                for (pollfd& p : fds) p.revents = 0;
                return 0;
            }
            timeout = static_cast<int>(std::min<uint64_t>(deadline_ms - now, INT32_MAX));
        }
        if (detail::clock_state().is_virtual())
            timeout = timeout < 0 ? kPollSliceMs : std::min(timeout, kPollSliceMs);
        const int n = ::poll(fds.data(), fds.size(), timeout);
        if (n > 0) return n;
        if (n < 0 && errno != EINTR) return n;
    }
}

bool CommFile::usable() const {
    if (fd_ < 0) return fail(ERROR_INVALID_HANDLE);
    if (line_ && line_->pluggable && !line_->connected.load())
        return fail(ERROR_DEVICE_NOT_CONNECTED);
    return true;
}

namespace {
// A read's part in the line's account: inside the read, bytes the peer sent
// hold virtual time until the read takes them; what it took holds time until
// the reading thread waits again, by when it has handed the bytes on. Each
// hold is taken before the one it follows is given up, so that no moment
// lets time run past bytes still on their way.
class ReadFlow {
  public:
    explicit ReadFlow(Line* line) : line_(line && line->master >= 0 ? line : nullptr) {
        if (line_) {
            std::lock_guard lock(line_->flow_mutex);
            line_->reading = true;
            line_->refresh_hold();
        }
        // What an earlier read took has been handed on by now.
        detail::end_thread_hold();
    }
    ~ReadFlow() {
        if (!line_) return;
        std::lock_guard lock(line_->flow_mutex);
        line_->reading = false;
        line_->refresh_hold();
    }
    void took(uint32_t bytes) {
        if (!line_) return;
        detail::hold_until_next_wait();
        std::lock_guard lock(line_->flow_mutex);
        line_->unread = std::max<int64_t>(0, line_->unread - bytes);
        line_->refresh_hold();
    }
    // Waits one real slice for `p` on a virtual clock (true), else nothing
    // (false). Bytes counted on their way that stay away for long are lost.
    bool wait_slice(pollfd& p) {
        if (!line_ || !detail::clock_state().is_virtual()) return false;
        if (::poll(&p, 1, kPollSliceMs) != 0) {
            empty_slices_ = 0;
            return true;
        }
        if (++empty_slices_ < kStallSlices) return true;
        empty_slices_ = 0;
        int waiting = 0;
        std::lock_guard lock(line_->flow_mutex);
        line_->unread = 0;
        // A peer that keeps no account never answers what it took.
        if (!line_->accounted && ::ioctl(line_->master, FIONREAD, &waiting) == 0 && waiting == 0)
            line_->to_peer = 0;
        line_->refresh_hold();
        return true;
    }

  private:
    Line* line_;
    int empty_slices_ = 0;
};
}  // namespace

bool CommFile::read(void* buffer, uint32_t size, uint32_t* bytes_read) {
    uint32_t got = 0;
    if (bytes_read) *bytes_read = 0;
    if (!usable()) return false;
    ReadFlow flow(line_.get());
    const CommTimeouts& t = timeouts_;
    const bool at_once =
        t.read_interval == MAXDWORD && t.read_total_multiplier == 0 && t.read_total_constant == 0;
    const bool first_byte = t.read_interval == MAXDWORD && t.read_total_multiplier == MAXDWORD &&
                            t.read_total_constant != 0 && t.read_total_constant != MAXDWORD;
    const uint64_t start = now_ms();
    uint64_t total = 0;  // 0: none
    if (first_byte)
        total = t.read_total_constant;
    else if (!at_once && (t.read_total_multiplier || t.read_total_constant))
        total = uint64_t(t.read_total_multiplier) * size + t.read_total_constant;
    uint64_t last_byte = start;
    auto* out = static_cast<uint8_t*>(buffer);
    while (got < size) {
        const ssize_t n = ::read(fd_, out + got, size - got);
        if (n > 0) {
            flow.took(static_cast<uint32_t>(n));
            got += static_cast<uint32_t>(n);
            last_byte = now_ms();
            if (first_byte) break;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            if (bytes_read) *bytes_read = got;
            return fail(ERROR_READ_FAULT);
        }
        if (!usable()) {
            if (bytes_read) *bytes_read = got;
            return false;
        }
        if (at_once) break;
        const uint64_t now = now_ms();
        if (total && now - start >= total) break;
        const bool gap_ends = got && t.read_interval && t.read_interval != MAXDWORD;
        if (gap_ends && now - last_byte > t.read_interval) break;
        // Sleeps until a byte comes or a time-out is due: no polling.
        uint64_t deadline = now + kUnplugCheckMs;
        if (total) deadline = std::min(deadline, start + total);
        if (gap_ends) deadline = std::min(deadline, last_byte + t.read_interval + 1);
        pollfd p{fd_, POLLIN, 0};
        if (!flow.wait_slice(p)) wait_for_fds({&p, 1}, deadline);
        if (p.revents & (POLLHUP | POLLERR) && !(p.revents & POLLIN))
            ::usleep(kPollSliceMs * 1000);  // a hung-up pty polls ready
    }
    if (bytes_read) *bytes_read = got;
    return true;
}

bool CommFile::write(const void* buffer, uint32_t size, uint32_t* bytes_written) {
    uint32_t put = 0;
    if (bytes_written) *bytes_written = 0;
    if (!usable()) return false;
    const uint64_t total =
        uint64_t(timeouts_.write_total_multiplier) * size + timeouts_.write_total_constant;
    const uint64_t start = now_ms();
    const auto* in = static_cast<const uint8_t*>(buffer);
    // Bytes for a peer hold virtual time until it has answered them.
    bool for_peer = false;
    if (line_ && line_->master >= 0) {
        std::lock_guard lock(line_->mutex);
        for_peer = line_->peer != nullptr;
    }
    if (for_peer) {
        std::lock_guard lock(line_->flow_mutex);
        line_->to_peer += size;
        line_->refresh_hold();
    }
    struct Unsent {
        Line* line;
        const uint32_t& size;
        const uint32_t& put;
        ~Unsent() {
            if (!line || put == size) return;
            std::lock_guard lock(line->flow_mutex);
            line->to_peer = std::max<int64_t>(0, line->to_peer - (size - put));
            line->refresh_hold();
        }
    } unsent{for_peer ? line_.get() : nullptr, size, put};
    while (put < size) {
        const ssize_t n = ::write(fd_, in + put, size - put);
        if (n > 0) {
            put += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (bytes_written) *bytes_written = put;
            return usable() ? fail(ERROR_WRITE_FAULT) : false;
        }
        if (total && now_ms() - start >= total) break;
        if (!usable()) break;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, kPollSliceMs);
    }
    if (bytes_written) *bytes_written = put;
    return put == size || fail(ERROR_TIMEOUT);
}

bool CommFile::get_state(CommState& state) const {
    if (!usable()) return false;
    state = state_;
    return true;
}

bool CommFile::set_state(const CommState& state) {
    if (!usable()) return false;
    const speed_t speed = speed_of(state.baud_rate);
    if (!speed || state.byte_size < 5 || state.byte_size > 8 || state.parity > EVENPARITY ||
        state.stop_bits > TWOSTOPBITS)
        return fail(ERROR_INVALID_PARAMETER);
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return fail(ERROR_GEN_FAILURE);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS)) | CLOCAL | CREAD |
                  kSizes[state.byte_size - 5];
    if (state.parity != NOPARITY) tio.c_cflag |= PARENB;
    if (state.parity == ODDPARITY) tio.c_cflag |= PARODD;
    if (state.parity_check) tio.c_iflag |= INPCK;
    if (state.stop_bits == TWOSTOPBITS) tio.c_cflag |= CSTOPB;
    if (state.outx_cts_flow) tio.c_cflag |= CRTSCTS;
    if (state.out_x) tio.c_iflag |= IXON;
    if (state.in_x) tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(state.xon_char);
    tio.c_cc[VSTOP] = static_cast<cc_t>(state.xoff_char);
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return fail(ERROR_GEN_FAILURE);
    state_ = state;
    return true;
}

bool CommFile::get_timeouts(CommTimeouts& timeouts) const {
    if (!usable()) return false;
    timeouts = timeouts_;
    return true;
}

bool CommFile::set_timeouts(const CommTimeouts& timeouts) {
    if (!usable()) return false;
    timeouts_ = timeouts;
    return true;
}

bool CommFile::purge(uint32_t flags) {
    if (!usable()) return false;
    if (flags & PURGE_RXCLEAR) {
        ::tcflush(fd_, TCIFLUSH);
        if (line_) line_->forget_flow(false, true);
    }
    if (flags & PURGE_TXCLEAR) ::tcflush(fd_, TCOFLUSH);
    return true;
}

bool CommFile::get_mask(uint32_t* mask) const {
    if (!usable()) return false;
    if (mask) *mask = mask_;
    return true;
}

bool CommFile::set_mask(uint32_t mask) {
    if (!usable()) return false;
    mask_ = mask;
    return true;
}

bool CommFile::get_modem_status(uint32_t* status) const {
    if (!usable()) return false;
    int bits = 0;
    uint32_t out = 0;
    // A pseudo-terminal has no modem lines: all of them read as off.
    if (::ioctl(fd_, TIOCMGET, &bits) == 0) {
        if (bits & TIOCM_CTS) out |= MS_CTS_ON;
        if (bits & TIOCM_DSR) out |= MS_DSR_ON;
        if (bits & TIOCM_RNG) out |= MS_RING_ON;
        if (bits & TIOCM_CAR) out |= MS_RLSD_ON;
    }
    if (status) *status = out;
    return true;
}

}  // namespace plat::serial
