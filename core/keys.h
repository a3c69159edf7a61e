#pragma once
// The instrument's keys: classification and the maps between virtual keys and
// soft-key, menu-key and digit numbers.
#include <cstdint>

// Virtual-key codes the keypad delivers.
inline constexpr uint32_t VK_RETURN = 13;
inline constexpr uint32_t VK_ESCAPE = 27;
inline constexpr uint32_t VK_LEFT = 37;
inline constexpr uint32_t VK_UP = 38;
inline constexpr uint32_t VK_RIGHT = 39;
inline constexpr uint32_t VK_DOWN = 40;
inline constexpr uint32_t VK_NUMPAD0 = 96;
inline constexpr uint32_t VK_ADD = 107;
inline constexpr uint32_t VK_SUBTRACT = 109;
inline constexpr uint32_t VK_DECIMAL = 110;
inline constexpr uint32_t VK_F1 = 112;
inline constexpr uint32_t VK_F8 = 119;
inline constexpr uint32_t VK_F13 = 124;
inline constexpr uint32_t VK_F18 = 129;
inline constexpr uint32_t VK_F19 = 130;
inline constexpr uint32_t VK_F20 = 131;
inline constexpr uint32_t VK_F24 = 135;
inline constexpr uint32_t VK_OEM_PERIOD = 190;

// Key tests look at the low 16 bits of their argument.
bool IsHardMenuKey(uint32_t key);
bool IsSoftKeyVKey(uint32_t key);
bool IsKeyF19(uint32_t key);
bool IsKeyF20(uint32_t key);
bool IsDigitKey(uint32_t key);
bool IsNumPadKey(uint32_t key);
bool IsPeriodKey(uint32_t key);
bool IsArrowKey(uint32_t key);
bool IsInstrumentKey(uint32_t key);

// Key maps work on the whole argument.
int HardMenuKeyIndex(uint32_t key);
int SoftKeyFromVKey(uint32_t key);
// Digits 0..9; 10 for the sign keys (add and subtract); 11 for the points.
int KeyToDigit(uint32_t key);
int VKeyFromHardMenuKey(uint32_t index);
int VKeyFromSystemKey(uint32_t index);
int VKeyFromSoftKey(uint32_t index);
