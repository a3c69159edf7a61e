#pragma once
// What the spectrum and network-analyzer families do before they queue a
// message on the DSP link: the measurement becomes the current one and
// active, so that the link hands it the replies; the link itself moves the
// state once the message is on its way.
#include "instrument/measurement.h"

namespace instrument {

inline void MarkSending(CMeasurement& m) {
    m.CMeasurement::Start(0, m.GetStartArgument());
    m.SetState(CMeasurement::kIdle);
}

}  // namespace instrument
