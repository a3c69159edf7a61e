#include "instrument/gsv_sentence.h"

bool CGsvSentence::AddSatellite(const GsvSatellite& s) {
    if (count_ >= kMaxSatellites) return false;
    satellites_[static_cast<size_t>(count_++)] = s;
    return true;
}

void CGsvSentence::Clear() {
    inView_ = 0;
    count_ = 0;
    satellites_ = {};
}
