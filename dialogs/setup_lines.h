#pragma once
// The numbered lines in which the setup viewer shows one stored setup:
// "label<separator><TAB>value", lines 0 to 68. Lines 0 to 13 are those
// every setup has; the others belong to the setup's instrument (by its
// measurement id). A line the setup does not have is empty.
#include <cstdint>

#include "core/text.h"

class CMeasSetup;

namespace setup_lines {

inline constexpr int kLineCount = 69;

core::Text LineText(int line, const CMeasSetup& setup);

// The formatters by kind: lines every setup has, the lines of the network
// analyzer, spectrum analyzer and power meter, and those their instruments
// share.
core::Text SharedLine(int line, const CMeasSetup& setup);
core::Text CommonLine(int line, const CMeasSetup& setup);
core::Text VnaLine(int line, const CMeasSetup& setup);
core::Text SpecAnLine(int line, const CMeasSetup& setup);
core::Text PowerLine(int line, const CMeasSetup& setup);

}  // namespace setup_lines
