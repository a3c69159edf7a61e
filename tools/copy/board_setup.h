#pragma once
// The board I/O controller set-up QXCopy does at every start: the keypad
// options of the board's I/O library ("SMARTIO.dll", else "KEYBDDR.dll").
// Without the library the set-up is skipped, as on a board without the
// controller.
namespace qxcopy {

void set_up_board_io();

}  // namespace qxcopy
