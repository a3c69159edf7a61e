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

bool IsValidReplyId(uint16_t id) {
    if (id & dsp::kSubMask) return false;
    const uint16_t cls = ClassOf(id);
    const uint8_t low = LowByte(id);
    if (cls != dsp::CLASS_VNA && cls != dsp::CLASS_SPECTRUM) return false;
    if (low == dsp::LOW_RUN) return true;
    return low >= 1 &&
           low <= (cls == dsp::CLASS_VNA ? dsp::kLastVnaNumber : dsp::kLastSpectrumNumber);
}

ReplyHeader ReadHeader(const uint8_t* block) {
    return {plat::get_le<uint16_t>(block), plat::get_le<uint16_t>(block + 2),
            plat::get_le<uint16_t>(block + 4), plat::get_le<uint16_t>(block + 6)};
}

}  // namespace dspmsg
