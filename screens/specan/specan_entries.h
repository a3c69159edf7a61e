#pragma once
// The entry dialogs of the spectrum analyzer's settings menus, run modally
// over the main frame.
#include <memory>

#include "screens/specan/specan_mode.h"

namespace plat {
class CWnd;
}

class CFreqEntryDlg;

// The frequency entries run through the screen's own frequency dialog.
std::unique_ptr<ISpecAnEntries> CreateDialogEntries(plat::CWnd* frame, CSpecAnMode* screen);
// The frequency entry dialog the screen keeps for its whole life.
std::unique_ptr<CFreqEntryDlg> CreateFrequencyEntry(plat::CWnd* frame);
