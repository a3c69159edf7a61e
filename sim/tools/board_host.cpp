#include "sim/tools/board_host.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "drivers/dsp/dsp_protocol.h"
#include "platform/kernel/sync.h"

namespace sim {

namespace {

// The client driver that claims boards for BoardHost. Attach offers run on
// the attaching thread, so the host being set up is handed over through a
// thread-local slot.
struct Claim {
    UsbDeviceHandle device = nullptr;
    const UsbFunctions* functions = nullptr;
    const UsbInterfaceDescriptor* iface = nullptr;
};
thread_local Claim* pending_claim = nullptr;

int32_t claim_board(UsbDeviceHandle device, const UsbFunctions* functions,
                    const UsbInterfaceDescriptor* iface, const char16_t*, int32_t* accepted) {
    *accepted = 0;
    if (!pending_claim || iface->vendor_id != dsp::kBoardVendorId ||
        iface->product_id != dsp::kBoardProductId)
        return 1;
    *pending_claim = {device, functions, iface};
    *accepted = 1;
    return 1;
}

void register_client_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        plat::usb::Host::instance().add_client_driver(
            {u"SimBoardHost", u"Drivers\\USB\\ClientDrivers\\SimBoardHost", &claim_board});
    });
}

uint32_t signal_done(void* context) {
    static_cast<plat::Event*>(context)->set();
    return 0;
}

}  // namespace

struct BoardHost::Pipes {
    Claim claim;
    UsbPipeHandle in = nullptr, out = nullptr;
};

BoardHost::BoardHost(std::shared_ptr<AcquisitionBoard> board)
    : board_(std::move(board)), pipes_(std::make_unique<Pipes>()) {
    register_client_once();
    pending_claim = &pipes_->claim;
    id_ = plat::usb::Host::instance().attach(board_);
    pending_claim = nullptr;
    const Claim& c = pipes_->claim;
    if (!c.device) throw std::runtime_error("the board was not claimed");
    for (int i = 0; i < c.iface->endpoint_count; ++i) {
        const UsbEndpointDescriptor& ep = c.iface->endpoints[i];
        if (ep.address == dsp::kBulkInEndpoint) pipes_->in = c.functions->open_pipe(c.device, &ep);
        if (ep.address == dsp::kBulkOutEndpoint)
            pipes_->out = c.functions->open_pipe(c.device, &ep);
    }
}

BoardHost::~BoardHost() {
    const UsbFunctions* f = pipes_->claim.functions;
    if (pipes_->in) f->close_pipe(pipes_->in);
    if (pipes_->out) f->close_pipe(pipes_->out);
    plat::usb::Host::instance().detach(id_);
}

bool BoardHost::send(std::uint16_t command, const Bytes& payload) {
    Bytes p;
    append_le<std::uint16_t>(p, command);
    append_le<std::uint16_t>(p, static_cast<std::uint16_t>(payload.size()));
    p.insert(p.end(), payload.begin(), payload.end());
    const UsbFunctions* f = pipes_->claim.functions;
    plat::Event done(true, false);
    UsbTransferHandle t = f->issue_bulk_transfer(pipes_->out, &signal_done, &done, USB_OUT_TRANSFER,
                                                 static_cast<uint32_t>(p.size()), p.data());
    if (!t) return false;
    done.wait(5000);
    uint32_t bytes = 0, error = 0;
    f->get_transfer_status(t, &bytes, &error);
    f->close_transfer(t);
    return error == USB_TRANSFER_OK;
}

std::optional<Bytes> BoardHost::transfer_in(std::size_t size, int timeout_ms) {
    const UsbFunctions* f = pipes_->claim.functions;
    Bytes buf(size);
    plat::Event done(true, false);
    UsbTransferHandle t = f->issue_bulk_transfer(pipes_->in, &signal_done, &done,
                                                 USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK,
                                                 static_cast<uint32_t>(size), buf.data());
    if (!t) return std::nullopt;
    if (!done.wait(static_cast<std::uint32_t>(timeout_ms))) f->abort_transfer(t, 0);
    uint32_t bytes = 0, error = 0;
    f->get_transfer_status(t, &bytes, &error);
    f->close_transfer(t);
    if (error != USB_TRANSFER_OK) return std::nullopt;
    buf.resize(bytes);
    return buf;
}

std::optional<Packet> BoardHost::read(int timeout_ms) {
    auto first = transfer_in(dsp::kFirstTransferSize, timeout_ms);
    if (!first || first->size() < 4) return std::nullopt;
    Packet p;
    p.type = get_le<std::uint16_t>(*first, 0);
    p.length = get_le<std::uint16_t>(*first, 2);
    p.body.assign(first->begin() + 4, first->end());
    p.transfers = 1;
    p.first_transfer = first->size();
    if (const std::size_t rest = dsp::remainder_transfer_size(p.length)) {
        auto more = transfer_in(rest, timeout_ms);
        if (!more) return std::nullopt;
        p.body.insert(p.body.end(), more->begin(), more->end());
        p.transfers = 2;
        p.second_transfer = more->size();
    }
    p.body.resize(p.length);
    return p;
}

std::optional<Packet> BoardHost::read_type(std::uint16_t type, int limit) {
    for (int i = 0; i < limit; ++i) {
        auto p = read();
        if (!p) return std::nullopt;
        if (p->type == type) return p;
    }
    return std::nullopt;
}

bool BoardHost::stop() {
    send(dsp::CMD_STOP);
    return read_type(dsp::LOW_ECHO, 1000).has_value();
}

Bytes BoardHost::collect(std::uint16_t type, int points, std::size_t width) {
    Bytes out(static_cast<std::size_t>(points) * width);
    int have = 0;
    bool started = false;
    while (have < points) {
        auto p = read_type(type);
        if (!p) return {};
        if (p->start() == 0) {
            if (started) return {};  // a new sweep before this one was whole
            started = true;
        }
        if (!started) continue;
        if (p->start() >= points || p->body.size() < 4) return {};
        const std::size_t bytes =
            std::min<std::size_t>(p->body.size() - 4, out.size() - p->start() * width);
        std::copy_n(p->body.begin() + 4, bytes,
                    out.begin() + static_cast<long>(p->start() * width));
        have = p->start() + p->count();
    }
    return out;
}

bool BoardHost::upload_table(std::uint16_t id, const Bytes& entries, int count) {
    const int slots = static_cast<int>(dsp::kTableEntriesPerPacket);
    for (int first = 0; first < count; first += slots) {
        const int n = std::min(slots, count - first);
        Bytes p(dsp::kTablePayloadSize, 0);
        put_le<std::uint32_t>(p, 0, static_cast<std::uint32_t>(first));
        put_le<std::uint16_t>(p, 4, static_cast<std::uint16_t>(n));
        std::copy_n(entries.begin() + first * 8, n * 8, p.begin() + 8);
        put_le<std::uint16_t>(p, 6, dsp::checksum(p.data() + 8, static_cast<std::size_t>(n) * 8));
        send(id, p);
        auto echo = read();
        if (!echo || echo->type != id) return false;
    }
    return true;
}

}  // namespace sim
