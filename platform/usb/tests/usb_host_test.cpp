#include "platform/usb/usb_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>

#include "platform/kernel/sync.h"

namespace {

using namespace plat::usb;

constexpr uint8_t kIn = 0x82, kOut = 0x02, kIntIn = 0x81;

class EchoDevice : public AttachedDevice {
  public:
    InterfaceInfo describe() const override {
        InterfaceInfo info;
        info.vendor_id = 0x1234;
        info.product_id = 0x5678;
        info.endpoints = {{kIntIn, USB_ENDPOINT_TYPE_INTERRUPT, 8, 10},
                          {kIn, USB_ENDPOINT_TYPE_BULK, 64, 0},
                          {kOut, USB_ENDPOINT_TYPE_BULK, 64, 0}};
        return info;
    }
    void attached(DeviceLink& link) override { link_ = &link; }
    uint32_t receive_out(uint8_t, std::span<const uint8_t> data) override {
        if (refuse) return USB_TRANSFER_STALL;
        link_->send_in(kIn, data);  // echo
        return USB_TRANSFER_OK;
    }
    void detached() override { was_detached = true; }

    DeviceLink* link_ = nullptr;
    bool refuse = false;
    std::atomic<bool> was_detached{false};
};

// A client that claims devices of vendor 0x1234 and keeps what it was given.
struct Client {
    static inline UsbDeviceHandle device = nullptr;
    static inline const UsbFunctions* fn = nullptr;
    static inline const UsbInterfaceDescriptor* iface = nullptr;
    static inline std::atomic<int> closed{0};

    static int32_t attach(UsbDeviceHandle d, const UsbFunctions* f, const UsbInterfaceDescriptor* i,
                          const char16_t*, int32_t* accepted) {
        *accepted = 0;
        if (i->vendor_id != 0x1234) return 1;
        device = d;
        fn = f;
        iface = i;
        f->register_notification_routine(d, &notify, nullptr);
        *accepted = 1;
        return 1;
    }
    static int32_t notify(void*, uint32_t code, void*) {
        if (code == USB_CLOSE_DEVICE) ++closed;
        return 1;
    }
};

uint32_t signal_event(void* context) {
    static_cast<plat::Event*>(context)->set();
    return 0;
}

const UsbEndpointDescriptor* find_ep(uint8_t address) {
    for (int i = 0; i < Client::iface->endpoint_count; ++i)
        if (Client::iface->endpoints[i].address == address) return &Client::iface->endpoints[i];
    return nullptr;
}

class UsbHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Client::device = nullptr;
        Client::closed = 0;
        Host::instance().add_client_driver({u"TestClient", u"Drivers\\USB\\Test", &Client::attach});
        dev = std::make_shared<EchoDevice>();
        id = Host::instance().attach(dev);
        ASSERT_TRUE(Host::instance().claimed(id));
        in = Client::fn->open_pipe(Client::device, find_ep(kIn));
        out = Client::fn->open_pipe(Client::device, find_ep(kOut));
        ASSERT_TRUE(in && out);
    }
    void TearDown() override {
        Client::fn->close_pipe(in);
        Client::fn->close_pipe(out);
        Host::instance().detach(id);
        Host::instance().remove_client_driver(u"TestClient");
    }

    // Issues a bulk transfer and waits for it; returns {bytes, error}.
    std::pair<uint32_t, uint32_t> transfer(UsbPipeHandle pipe, bool is_in, void* buf, uint32_t n,
                                           uint32_t wait_ms = 2000) {
        plat::Event done(true, false);
        auto t = Client::fn->issue_bulk_transfer(
            pipe, &signal_event, &done,
            is_in ? USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK : USB_OUT_TRANSFER, n, buf);
        EXPECT_NE(t, nullptr);
        if (!done.wait(wait_ms)) Client::fn->abort_transfer(t, 0);
        uint32_t bytes = 0, error = 0;
        EXPECT_TRUE(Client::fn->get_transfer_status(t, &bytes, &error));
        Client::fn->close_transfer(t);
        return {bytes, error};
    }

    std::shared_ptr<EchoDevice> dev;
    AttachId id = 0;
    UsbPipeHandle in = nullptr, out = nullptr;
};

TEST_F(UsbHostTest, InTransfersFollowPacketBoundaries) {
    // 100 bytes go out as packets of 64 and 36: a 64-byte read gets the
    // first packet, the next read ends at the short packet.
    std::vector<uint8_t> data(100);
    std::iota(data.begin(), data.end(), 0);
    EXPECT_EQ(transfer(out, false, data.data(), 100), std::make_pair(100u, 0u));
    uint8_t buf[256] = {};
    EXPECT_EQ(transfer(in, true, buf, 64), std::make_pair(64u, 0u));
    EXPECT_EQ(transfer(in, true, buf + 64, 128), std::make_pair(36u, 0u));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), buf));

    // Two full packets without a short one: a read of 200 takes both and
    // then waits; it ends when a short packet follows.
    std::vector<uint8_t> two(128, 7), tail(3, 9);
    dev->link_->send_in(kIn, two);
    plat::Event done(true, false);
    auto t = Client::fn->issue_bulk_transfer(in, &signal_event, &done, USB_IN_TRANSFER, 200, buf);
    EXPECT_FALSE(done.wait(20));
    dev->link_->send_in(kIn, tail);
    ASSERT_TRUE(done.wait(2000));
    uint32_t bytes = 0, error = 1;
    Client::fn->get_transfer_status(t, &bytes, &error);
    EXPECT_EQ(bytes, 131u);
    EXPECT_EQ(error, 0u);
    Client::fn->close_transfer(t);
    EXPECT_EQ(dev->link_->queued_in(kIn), 0u);
}

TEST_F(UsbHostTest, OversizedPacketIsSplitAcrossTransfers) {
    std::vector<uint8_t> data(40, 1);
    dev->link_->send_in(kIn, data);
    uint8_t buf[64];
    EXPECT_EQ(transfer(in, true, buf, 16), std::make_pair(16u, 0u));
    EXPECT_EQ(transfer(in, true, buf, 64), std::make_pair(24u, 0u));
}

TEST_F(UsbHostTest, ClearingKeepsTheTailOfAWriteTheHostBeganToRead) {
    // A reader took the first 64 bytes of a 200-byte write when the device
    // clears its pipe and sends a 64-byte notice: the reader's next transfer
    // gets the write's tail, the one after it the notice, whole.
    std::vector<uint8_t> write(200, 1), unread(100, 2), notice(64, 3);
    dev->link_->send_in(kIn, write);
    dev->link_->send_in(kIn, unread);
    uint8_t buf[256] = {};
    EXPECT_EQ(transfer(in, true, buf, 64), std::make_pair(64u, 0u));
    dev->link_->clear_in(kIn);
    EXPECT_EQ(dev->link_->queued_in(kIn), 136u);
    dev->link_->send_in(kIn, notice);
    EXPECT_EQ(transfer(in, true, buf, 192), std::make_pair(136u, 0u));
    EXPECT_TRUE(std::all_of(buf, buf + 136, [](uint8_t b) { return b == 1; }));
    EXPECT_EQ(transfer(in, true, buf, 64), std::make_pair(64u, 0u));
    EXPECT_TRUE(std::all_of(buf, buf + 64, [](uint8_t b) { return b == 3; }));

    // Nothing begun: everything goes.
    dev->link_->send_in(kIn, write);
    dev->link_->clear_in(kIn);
    EXPECT_EQ(dev->link_->queued_in(kIn), 0u);
}

TEST_F(UsbHostTest, AbortEndsWithCancelledAndStallPassesThrough) {
    uint8_t buf[64];
    EXPECT_EQ(transfer(in, true, buf, 64, 10), std::make_pair(0u, USB_TRANSFER_CANCELLED));
    dev->refuse = true;
    EXPECT_EQ(transfer(out, false, buf, 4), std::make_pair(0u, USB_TRANSFER_STALL));
    // A transfer in the wrong direction for its pipe is refused.
    EXPECT_EQ(Client::fn->issue_bulk_transfer(in, nullptr, nullptr, USB_OUT_TRANSFER, 4, buf),
              nullptr);
}

TEST_F(UsbHostTest, ClosingAPipeEndsItsTransfersAndFaultsEndReads) {
    UsbPipeHandle second = Client::fn->open_pipe(Client::device, find_ep(kIn));
    ASSERT_NE(second, nullptr);
    uint8_t buf[64];
    auto t = Client::fn->issue_bulk_transfer(second, nullptr, nullptr, USB_IN_TRANSFER, 64, buf);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(Client::fn->is_transfer_complete(t));
    Client::fn->close_pipe(second);
    uint32_t bytes = 1, error = 0;
    EXPECT_TRUE(Client::fn->get_transfer_status(t, &bytes, &error));
    EXPECT_EQ(error, USB_TRANSFER_CANCELLED);
    Client::fn->close_transfer(t);

    // A fault queued by the device ends the transfer that reaches it.
    dev->link_->send_in(kIn, std::vector<uint8_t>(64, 1));
    dev->link_->fail_in(kIn, USB_TRANSFER_TIMEOUT);
    EXPECT_EQ(transfer(in, true, buf, 64), std::make_pair(64u, 0u));
    EXPECT_EQ(transfer(in, true, buf, 64).second, USB_TRANSFER_TIMEOUT);
}

TEST_F(UsbHostTest, DetachCancelsOutstandingReadsAndNotifiesClient) {
    uint8_t buf[64];
    plat::Event done(true, false);
    auto t = Client::fn->issue_bulk_transfer(in, &signal_event, &done, USB_IN_TRANSFER, 64, buf);
    std::thread detacher([&] { Host::instance().detach(id); });
    ASSERT_TRUE(done.wait(2000));
    detacher.join();
    uint32_t bytes = 0, error = 0;
    Client::fn->get_transfer_status(t, &bytes, &error);
    EXPECT_EQ(error, USB_TRANSFER_CANCELLED);
    Client::fn->close_transfer(t);
    EXPECT_EQ(Client::closed, 1);
    EXPECT_TRUE(dev->was_detached);
    EXPECT_EQ(Client::fn->issue_bulk_transfer(in, nullptr, nullptr, USB_IN_TRANSFER, 64, buf),
              nullptr);
    EXPECT_FALSE(dev->link_->send_in(kIn, std::vector<uint8_t>(4)));
}

TEST(UsbHost, DeviceAttachedBeforeTheClientIsOfferedLater) {
    auto dev = std::make_shared<EchoDevice>();
    AttachId id = Host::instance().attach(dev);
    EXPECT_FALSE(Host::instance().claimed(id));
    Host::instance().add_client_driver({u"TestClient", u"k", &Client::attach});
    EXPECT_TRUE(Host::instance().claimed(id));
    EXPECT_TRUE(Host::instance().detach(id));
    EXPECT_FALSE(Host::instance().detach(id));
    Host::instance().remove_client_driver(u"TestClient");
}

}  // namespace
