// CCelvaneApp board I/O requests on "BIO1:".
#include "app/celvane_app.h"

namespace {

constexpr uint32_t kBioRequest = 0xBABA0004;
constexpr uint32_t kBioSetWord = 0xBABA0003;
constexpr uint32_t kBioWordBytes = 4;

}  // namespace

// A request on "BIO1:": control code 0xBABA0004 with {sub-command, value}
// and a 4-byte reply.
bool CCelvaneApp::BioIoctl(uint32_t sub, int32_t value, uint32_t* reply) {
    if (!bio_) return false;
    struct {
        uint32_t sub;
        int32_t value;
    } request{sub, value};
    static_assert(sizeof request == 8);
    uint32_t out = 0, returned = 0;
    if (!bio_.io_control(kBioRequest, &request, sizeof request, &out, sizeof out, &returned))
        return false;
    if (reply) *reply = out;
    return true;
}

uint32_t CCelvaneApp::BioGetValue6() {
    uint32_t reply = 0;
    return BioIoctl(6, 0, &reply) ? reply : 0;
}

uint32_t CCelvaneApp::BioQuery(bool flag) {
    uint32_t reply = 0;
    return BioIoctl(flag ? 4 : 7, 0, &reply) ? reply : 2;
}

void CCelvaneApp::BioSetValue(int32_t value) {
    BioIoctl(0, value, nullptr);
}

void CCelvaneApp::BioRequest(int32_t a, int32_t b) {
    if (a == 3)
        BioIoctl(2, b, nullptr);
    else
        BioIoctl(1, a, nullptr);
}

void CCelvaneApp::BioSetValue3(int32_t value) {
    BioIoctl(3, value, nullptr);
}

uint32_t CCelvaneApp::BioGetValue5() {
    uint32_t reply = 0;
    return BioIoctl(5, 0, &reply) ? reply : 0;
}

// Control code 0xBABA0003 with the four bytes at `bytes`.
bool CCelvaneApp::BioSetWord(const uint8_t* bytes) {
    if (!bio_ || !bytes) return false;
    uint32_t returned = 0;
    return bio_.io_control(kBioSetWord, bytes, kBioWordBytes, nullptr, 0, &returned);
}
