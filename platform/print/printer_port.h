#pragma once
// The printer-port library: printer drivers write their job streams through
// these four exported entries.
//
// A port ("LPT1:") is configured under HKEY_LOCAL_MACHINE
// "Drivers\Ports\<name>" ("lpt1"):
//   "HostDevice" (text)  absent or empty: each job becomes a new file
//                        "spool/LPT1-NNNN.prn" in the device root, which
//                        appears under that name when the port closes and is
//                        removed after a failed send; a relative path names a
//                        file or a named pipe in the device root (a pipe
//                        without a reader fails the open instead of waiting);
//                        an absolute path names a host printer device;
//   "PrinterInfo" (number) what information class 2 answers: bit 0 set for a
//                        printer with four ink planes (default 1), clear for
//                        three.
// A reader that goes away or a full disk fails the send; neither ends the
// program with a signal.
#include <cstdint>

extern "C" {

inline constexpr int32_t kInvalidPrinterHandle = -1;
inline constexpr uint32_t kPrinterInfoPlanes = 2;  // information class 2
inline constexpr uint32_t kPrinterInfoFourPlanes = 0x1;

// A handle for the port, or -1 (with the last error set).
int32_t PrinterOpen(const char16_t* port_name);
// Nonzero when all `count` bytes went out.
int32_t PrinterSend(int32_t handle, const uint8_t* bytes, uint32_t count);
void PrinterClose(int32_t handle);
// 0 with `value` filled; an error code for an unknown handle or class or a
// value area smaller than 4 bytes.
uint32_t GetPrinterInfo(int32_t handle, uint32_t info_class, void* value, uint32_t length);

}  // extern "C"

namespace plat {
// The device-root folder of spooled jobs.
inline constexpr const char* kSpoolFolder = "spool";
}  // namespace plat
