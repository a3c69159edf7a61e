#pragma once
// TWDiag's resources: the ids of its dialogs and controls, the dialog
// templates (registered once per process) and its icon.
#include "platform/gfx/icon.h"

namespace diag {

// Dialogs.
inline constexpr int IDD_TWDIAG = 102;
inline constexpr int IDD_KEYPAD_TEST = 129;
inline constexpr int IDD_LIGHT_SENSOR_TEST = 130;
inline constexpr int IDD_BATTERY_STATUS = 131;
inline constexpr int IDD_FILE_SELECT = 132;
// The program's icon.
inline constexpr int IDR_MAINFRAME = 128;

// The main dialog: soft-key buttons (right column, top to bottom) and
// menu-key buttons (bottom row, left to right).
inline constexpr int IDC_SOFT_KEY_FIRST = 1000;
inline constexpr int kSoftKeys = 8;
inline constexpr int IDC_MENU_KEY_FIRST = 1008;
inline constexpr int kMenuKeys = 6;
// The main dialog's edits.
inline constexpr int IDC_SERIAL_NUMBER = 1017;
inline constexpr int IDC_DSP_DRIVER_VERSION = 1018;
inline constexpr int IDC_FIRMWARE_VERSION = 1019;
inline constexpr int IDC_KEYBOARD_DRIVER_VERSION = 1020;
inline constexpr int IDC_SPI_DRIVER_VERSION = 1021;
inline constexpr int IDC_IO_DRIVER_VERSION = 1022;
inline constexpr int IDC_BATTERY_DRIVER_VERSION = 1023;
inline constexpr int IDC_I2C_DRIVER_VERSION = 1024;
inline constexpr int IDC_PROGRAM_VERSION = 1026;
inline constexpr int IDC_DSP_STATUS = 1027;
inline constexpr int IDC_ERROR_CODE = 1028;
inline constexpr int IDC_COMPONENT_ID = 1029;
// The test dialogs' edits.
inline constexpr int IDC_KEY_NAME = 1015;
inline constexpr int IDC_LIGHT_VALUE = 1016;
inline constexpr int IDC_BATTERY_STATUS = 1018;
inline constexpr int IDC_BATTERY_LEVEL = 1019;
inline constexpr int IDC_BATTERY_TEMPERATURE = 1020;
// The file chooser's list.
inline constexpr int IDC_FILE_LIST = 1020;

// Registers the five dialog templates (once per process).
void register_diag_templates();

// The program's icon (a scope face with a trace), 32 x 32.
plat::Icon diag_icon();

}  // namespace diag
