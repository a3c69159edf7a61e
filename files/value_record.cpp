#include "files/value_record.h"

namespace {
// a - b as a signed value; positions stay far below 2^63.
int64_t SignedDifference(uint64_t a, uint64_t b) {
    return static_cast<int64_t>(a - b);
}
}  // namespace

CValueRecord::CValueRecord(int32_t id) {
    Reset();
    id_ = id;
}

void CValueRecord::Reset() {
    changed_ = false;
    requests_ = MoveRequests{};
    pixel_index_ = 0;
    row_ = 0;
    label_.clear();
    id_ = 0;
    state_ = 0;
    index_ = -1;
    type_ = 1;
    delta_ = 0;
    delta_amplitude_ = 0.0;
    marker_option_ = 0;
    spare_flag_ = true;
    frequency_ = 0;
    fc_frequency_ = 0;
    amplitude_ = kNotMeasured;
    reference_amplitude_ = kNotMeasured;
    fc_amplitude_ = 0.0;
    delta_index_ = 0;
    current_ = false;
}

void CValueRecord::SetState(int32_t state) {
    state_ = state;
    MarkChanged();
}
void CValueRecord::SetIndex(int32_t index) {
    index_ = index;
    MarkChanged();
}
void CValueRecord::SetType(int32_t type) {
    type_ = type;
    MarkChanged();
}
void CValueRecord::SetSpareFlag(bool flag) {
    spare_flag_ = flag;
    MarkChanged();
}
void CValueRecord::SetFrequency(uint64_t hertz) {
    frequency_ = hertz;
    MarkChanged();
}
void CValueRecord::SetPosition2(uint64_t value) {
    position2_ = value;
    MarkChanged();
}
void CValueRecord::SetFcFrequency(uint64_t hertz) {
    fc_frequency_ = hertz;
    MarkChanged();
}
void CValueRecord::SetPosition3(uint64_t value) {
    position3_ = value;
    MarkChanged();
}
void CValueRecord::SetAmplitude(double value) {
    amplitude_ = value;
    MarkChanged();
}
void CValueRecord::SetFcAmplitude(double value) {
    fc_amplitude_ = value;
    MarkChanged();
}
void CValueRecord::SetLiveY(int32_t y) {
    live_y_ = y;
    MarkChanged();
}
void CValueRecord::SetPixelIndex(int32_t index) {
    pixel_index_ = index;
    MarkChanged();
}

double CValueRecord::UpdateDeltaAmplitude() {
    delta_amplitude_ = amplitude_ - reference_amplitude_;
    return delta_amplitude_;
}

double CValueRecord::SetDeltaAmplitudeFrom(double value) {
    delta_amplitude_ = value - amplitude_;
    return delta_amplitude_;
}

int64_t CValueRecord::UpdateDeltaFrequency() {
    delta_frequency_ = SignedDifference(frequency_, reference_frequency_);
    return delta_frequency_;
}
int CValueRecord::SetReferenceFrequency(uint64_t hertz) {
    reference_frequency_ = hertz;
    return 1;
}
int64_t CValueRecord::UpdateDelta2() {
    delta2_ = SignedDifference(position2_, reference2_);
    return delta2_;
}
int CValueRecord::SetReference2(uint64_t value) {
    reference2_ = value;
    return 1;
}
int64_t CValueRecord::UpdateDelta3() {
    delta3_ = SignedDifference(position3_, reference3_);
    return delta3_;
}
int CValueRecord::SetReference3(uint64_t value) {
    reference3_ = value;
    return 1;
}
