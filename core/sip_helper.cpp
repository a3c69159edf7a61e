#include "core/sip_helper.h"

#include "core/keys.h"
#include "platform/kernel/clock.h"

namespace {
constexpr uint32_t SIPF_OFF = 0;
constexpr uint32_t SIPF_ON = 1;
}  // namespace

CSipHelper::CSipHelper() {
    if (plat::sip_status() == plat::SIP_STATUS_AVAILABLE) available_ = ReadInfo();
}

CSipHelper::~CSipHelper() {
    if (available_) Hide();
}

bool CSipHelper::ReadInfo() {
    info_ = {};
    info_.im_data_size = sizeof im_;
    info_.im_data = im_;
    return plat::sip_get_info(&info_);
}

void CSipHelper::WriteIm(uint32_t value) {
    im_[0] = value;
    im_[1] = 0;
    info_.im_data_size = sizeof im_;
    info_.im_data = im_;
    plat::sip_set_info(&info_);
}

int CSipHelper::Hide() {
    if (!available_) return 0;
    ReadInfo();
    plat::sip_show_im(SIPF_OFF);
    return 0;
}

void CSipHelper::ShowAt(int x, int y) {
    if (!available_) return;
    ReadInfo();
    const int left = x ? x : 212;
    const int top = y ? y : 320;
    const int w = info_.input_panel.width(), h = info_.input_panel.height();
    info_.input_panel = {left, top, left + w, top + h};
    plat::sip_set_info(&info_);
    WriteIm(kImOpen);
    plat::sip_show_im(SIPF_ON);
    ReadInfo();
    plat::sleep_ms(125);
    WriteIm(kImReady);
}

uint32_t CSipHelper::GetImValue() {
    if (!available_ || !ReadInfo()) return 0;
    return im_[1];
}

void CSipHelper::SendImValue(uint32_t value) {
    if (available_) WriteIm(value);
}

bool CSipHelper::OnArrowKey(uint32_t key) {
    uint32_t im;
    switch (key) {
        case VK_LEFT:
            im = kImLeft;
            break;
        case VK_UP:
            im = kImUp;
            break;
        case VK_RIGHT:
            im = kImRight;
            break;
        case VK_DOWN:
            im = kImDown;
            break;
        default:
            return false;
    }
    SendImValue(im);
    return true;
}

void CSipHelper::OnWheel(int delta) {
    SendImValue(delta >= 0 ? kImLeft : kImRight);
}

char16_t CSipHelper::GetSelectedChar() {
    if (!available_) return 0;
    WriteIm(kImAnswer);
    return static_cast<char16_t>(GetImValue());
}

void ShowSip() {
    if (plat::sip_status() == plat::SIP_STATUS_AVAILABLE) plat::sip_show_im(SIPF_OFF);
}
