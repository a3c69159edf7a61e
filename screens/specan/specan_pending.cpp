// CSpecAnMode: the operations of the screen's later work (the key help
// captions). Until they exist they do nothing.
#include "screens/specan/specan_mode.h"

void CSpecAnMode::ResetHelpCaptions() {}
