#pragma once
// Last-error and wait codes. Their values cross module boundaries (drivers
// report them, callers compare them), so they keep the platform's numbers.
#include <cstdint>

namespace plat {

inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_INVALID_DATA = 13;
inline constexpr uint32_t ERROR_OUTOFMEMORY = 14;
inline constexpr uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr uint32_t ERROR_READ_FAULT = 30;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_DEV_NOT_EXIST = 55;
inline constexpr uint32_t ERROR_REQ_NOT_ACCEP = 71;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_DISK_FULL = 112;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
inline constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr uint32_t ERROR_BUSY = 170;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;
inline constexpr uint32_t ERROR_MORE_DATA = 234;
inline constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr uint32_t ERROR_DIRECTORY = 267;
inline constexpr uint32_t ERROR_INVALID_ADDRESS = 487;
inline constexpr uint32_t ERROR_OPERATION_ABORTED = 995;
inline constexpr uint32_t ERROR_IO_PENDING = 997;
inline constexpr uint32_t ERROR_NOACCESS = 998;
inline constexpr uint32_t ERROR_BADDB = 1009;
inline constexpr uint32_t ERROR_BADKEY = 1010;
inline constexpr uint32_t ERROR_CANTOPEN = 1011;
inline constexpr uint32_t ERROR_CANTREAD = 1012;
inline constexpr uint32_t ERROR_CANTWRITE = 1013;
inline constexpr uint32_t ERROR_KEY_DELETED = 1018;
inline constexpr uint32_t ERROR_DEVICE_NOT_CONNECTED = 1167;
inline constexpr uint32_t ERROR_CANCELLED = 1223;
inline constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr uint32_t ERROR_INVALID_THREAD_ID = 1444;
inline constexpr uint32_t ERROR_TIMEOUT = 1460;

// Results of the wait functions.
inline constexpr uint32_t WAIT_OBJECT_0 = 0;
inline constexpr uint32_t WAIT_ABANDONED = 0x80;
inline constexpr uint32_t WAIT_TIMEOUT = 258;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;
inline constexpr uint32_t INFINITE = 0xFFFFFFFF;

// Exit code of a thread or process that still runs.
inline constexpr uint32_t STILL_ACTIVE = 259;

}  // namespace plat
