// CSpecAnMode: the operations of the screen's later work (the key help
// captions and the frequency lists). Until they exist they do nothing.
#include "screens/specan/specan_mode.h"

void CSpecAnMode::ResetHelpCaptions() {}
bool CSpecAnMode::HasFrequencyListEntries() const {
    return false;
}
