#include "instrument/dsp_message.h"

#include <cstddef>

namespace dspmsg {

static_assert(offsetof(PendingRecord, argument) == offsetof(PendingRecord, id) + 2);
static_assert(offsetof(PendingRecord, payload) == offsetof(PendingRecord, id) + 4);

uint32_t ControlCodeFor(uint16_t id) {
    switch (ClassOf(id)) {
        case dsp::CLASS_OTHER:
            return dsp::IOCTL_DSP_START_OTHER;
        case dsp::CLASS_SPECTRUM:
            return dsp::IOCTL_DSP_START_SPECTRUM;
        case dsp::CLASS_VNA:
            return dsp::IOCTL_DSP_START_VNA;
        case dsp::CLASS_4000:
            return dsp::IOCTL_DSP_START_4000;
        default:
            return 0;
    }
}

uint32_t PayloadSize(uint16_t id) {
    const uint8_t low = LowByte(id);
    if (ClassOf(id) == dsp::CLASS_VNA && low >= 1 && low <= 36) {
        switch (low) {
            case 0x01:
            case 0x02:
            case 0x03:
                return 32;
            case 0x04:
                return 56;
            case 0x05:
            case 0x06:
            case 0x07:
            case 0x08:
            case 0x13:
            case 0x15:
            case 0x19:
                return 24;
            case 0x0B:
            case 0x0D:
            case 0x0F:
            case 0x11:
            case 0x22:
                return kMaxPayload;
            case 0x16:
                return 4;
            default:
                return 0;
        }
    }
    if (ClassOf(id) == dsp::CLASS_SPECTRUM && low >= 1 && low <= 11) {
        switch (low) {
            case 1:
            case 8:
                return 40;
            case 2:
            case 3:
            case 9:
            case 10:
                return 48;
            case 4:
            case 7:
                return 64;
            case 5:
            case 6:
            case 11:
                return 56;
        }
    }
    return 0;
}

bool NeedsStop(uint16_t id) {
    const uint16_t cls = ClassOf(id);
    if (cls == dsp::CLASS_OTHER || cls == dsp::CLASS_4000) return false;
    if (cls == dsp::CLASS_VNA && (LowByte(id) == 22 || LowByte(id) == 23)) return false;
    if (cls == dsp::CLASS_SPECTRUM && LowByte(id) == 11) return false;
    return true;
}

bool NotifiesSent(uint16_t id) {
    const uint16_t cls = ClassOf(id);
    if (cls == dsp::CLASS_OTHER || cls == dsp::CLASS_4000) return false;
    switch (id) {
        case 0x3007:
        case 0x300B:
        case 0x2016:
        case 0x2017:
        case 0x2023:
        case 0x2024:
            return false;
        default:
            return true;
    }
}

bool IsValidReplyId(uint16_t id) {
    if (id & dsp::kSubMask) return false;
    const uint16_t cls = ClassOf(id);
    const uint8_t low = LowByte(id);
    if (cls != dsp::CLASS_VNA && cls != dsp::CLASS_SPECTRUM) return false;
    if (low == dsp::LOW_RUN) return true;
    return cls == dsp::CLASS_VNA ? (low >= 1 && low <= 36) : (low >= 1 && low <= 11);
}

ReplyHeader ReadHeader(const uint8_t* block) {
    return {dsp::get_u16(block), dsp::get_u16(block + 2), dsp::get_u16(block + 4),
            dsp::get_u16(block + 6)};
}

}  // namespace dspmsg
