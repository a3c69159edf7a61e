// The operations of the measurement screen base whose behaviour comes with
// later work: each does nothing (and answers its neutral value) until its
// own file replaces it here.
#include <memory>
#include <string>

#include "files/formats/trace_file.h"
#include "screens/measurement_base.h"

int CMeasurementBase::MarkerPairHook() {
    return 0;
}
int CMeasurementBase::ReadoutHook() {
    return 0;
}
bool CMeasurementBase::OnLimitPageKey38(int) {
    return false;
}
bool CMeasurementBase::OnLimitPageKey39(int) {
    return false;
}
bool CMeasurementBase::OnLimitPageKey40(int) {
    return false;
}
