#include "core/keys.h"

namespace {
bool InRange(uint32_t key, uint32_t lo, uint32_t hi) {
    key &= 0xFFFF;
    return key >= lo && key <= hi;
}
}  // namespace

bool IsHardMenuKey(uint32_t key) {
    return InRange(key, VK_F13, VK_F18);
}
bool IsSoftKeyVKey(uint32_t key) {
    return InRange(key, VK_F1, VK_F8);
}
bool IsKeyF19(uint32_t key) {
    return (key & 0xFFFF) == VK_F19;
}
bool IsKeyF20(uint32_t key) {
    return (key & 0xFFFF) == VK_F20;
}
bool IsDigitKey(uint32_t key) {
    return InRange(key, '0', '9');
}
bool IsNumPadKey(uint32_t key) {
    uint32_t k = key & 0xFFFF;
    return InRange(k, VK_NUMPAD0, VK_NUMPAD0 + 9) || k == VK_ADD || k == VK_SUBTRACT ||
           k == VK_DECIMAL || k == VK_OEM_PERIOD;
}
bool IsPeriodKey(uint32_t key) {
    return (key & 0xFFFF) == VK_OEM_PERIOD;
}
bool IsArrowKey(uint32_t key) {
    return InRange(key, VK_LEFT, VK_DOWN);
}

bool IsInstrumentKey(uint32_t key) {
    uint32_t k = key & 0xFFFF;
    return IsHardMenuKey(k) || IsSoftKeyVKey(k) || IsKeyF19(k) || IsKeyF20(k) || IsDigitKey(k) ||
           IsNumPadKey(k) || IsArrowKey(k) || k == 'X' || k == VK_ESCAPE || k == VK_RETURN;
}

int HardMenuKeyIndex(uint32_t key) {
    return key >= VK_F13 + 1 && key <= VK_F18 ? static_cast<int>(key - VK_F13) : 0;
}

int SoftKeyFromVKey(uint32_t key) {
    if (key >= VK_F1 && key <= VK_F8) return static_cast<int>(key - VK_F1);
    if (key == VK_ESCAPE) return VK_ESCAPE;
    return -1;
}

int KeyToDigit(uint32_t key) {
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return static_cast<int>(key - VK_NUMPAD0);
    if (key == VK_ADD || key == VK_SUBTRACT) return 10;
    if (key == VK_DECIMAL || key == VK_OEM_PERIOD) return 11;
    return static_cast<int>(key) - '0';
}

int VKeyFromHardMenuKey(uint32_t index) {
    return index <= 5 ? static_cast<int>(VK_F13 + index) : -1;
}

int VKeyFromSystemKey(uint32_t index) {
    static constexpr int kKeys[] = {VK_F19, VK_F20, VK_ESCAPE, VK_RETURN};
    return index < 4 ? kKeys[index] : -1;
}

int VKeyFromSoftKey(uint32_t index) {
    return index <= 7 ? static_cast<int>(VK_F1 + index) : -1;
}
