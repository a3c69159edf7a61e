#pragma once
// A cable list as the list file reader builds it: "None" (id 0) and three
// cables (ids 1 to 3). Match85 loses 0.05 dB/m at every column, Slow66
// nothing, Lossy66 0.10 dB/m up to 1000 MHz and 0.30 dB/m from 1700 MHz.
#include <memory>

#include "files/lists/cable_type.h"

namespace cable_fixture {

inline std::unique_ptr<CCableType> ThreeCables() {
    CCableType::Losses none{}, match{}, slow{}, lossy{};
    match.fill(0.05f);
    lossy = {0.10f, 0.10f, 0.10f, 0.10f, 0.10f, 0.30f, 0.30f, 0.30f, 0.30f};
    auto head = std::make_unique<CCableType>(0, u"None", 0.0f, none, true);
    head->Append(std::make_unique<CCableType>(1, u"Match85", 0.85f, match, true));
    head->Append(std::make_unique<CCableType>(2, u"Slow66", 0.66f, slow, true));
    head->Append(std::make_unique<CCableType>(3, u"Lossy66", 0.66f, lossy, true));
    return head;
}

}  // namespace cable_fixture
