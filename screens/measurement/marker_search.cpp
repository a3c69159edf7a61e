#include "screens/measurement/marker_search.h"

#include <cmath>
#include <cstdlib>

#include "core/params.h"
#include "files/meas_setup.h"

namespace marker_search {

namespace {
constexpr double kNoiseFloorDb = -155.0;
constexpr int kRepeatForSteps = 3;
}  // namespace

int AdvanceCursor(int cursor, int count, bool restart) {
    if (count <= 0) return -1;
    if (restart || cursor < 0) return 0;
    const int next = cursor + 1;
    return next >= count ? 0 : next;
}

int32_t EntryRightOf(std::span<const int32_t> by_position, int32_t point) {
    if (by_position.empty()) return -1;
    for (int32_t entry : by_position)
        if (entry > point) return entry;
    return by_position.back();
}

int32_t EntryLeftOf(std::span<const int32_t> by_position, int32_t point) {
    if (by_position.empty()) return -1;
    for (auto it = by_position.rbegin(); it != by_position.rend(); ++it)
        if (*it < point) return *it;
    return by_position.front();
}

int ArrowStepPoints(int repeat, int data_points) {
    if (repeat < kRepeatForSteps) return 1;
    const double extra = static_cast<double>(repeat) * data_points / kDisplayColumns + 0.5;
    return repeat + static_cast<int>(extra);
}

int KnobStepPoints(int delta) {
    return std::abs(delta) / kWheelNotch;
}

double DisplayedNoiseLevel(const CMeasSetup& setup) {
    uint32_t rbw_index = CChoiceBlock::kRbwCount - 1;
    if (const CChoiceBlock* bw = setup.GetBandwidthSettings()) rbw_index = bw->GetRbwIndex();
    const double rbw = static_cast<double>(CChoiceBlock::RbwHertz(rbw_index));
    return 10.0 * std::log10(rbw) + kNoiseFloorDb - setup.GetPreampLevel() * setup.GetPreampMode() +
           setup.GetAttenuationLevel();
}

double AbsolutePeakThreshold(const CMeasSetup& setup) {
    return setup.GetLevel() + DisplayedNoiseLevel(setup);
}

}  // namespace marker_search
