#pragma once
// The entry dialogs and message boxes of the network analyzer screen, run
// modally over the main frame.
#include <memory>

#include "screens/vna/vna_mode.h"

namespace plat {
class CWnd;
}

class CFreqEntryDlg;

std::unique_ptr<IVnaEntries> CreateVnaEntries(plat::CWnd* frame);
std::unique_ptr<IVnaMessages> CreateVnaMessages(plat::CWnd* frame);
// The frequency entry dialog the screen keeps for its whole life.
std::unique_ptr<CFreqEntryDlg> CreateVnaFrequencyEntry(plat::CWnd* frame);
