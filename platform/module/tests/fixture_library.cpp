// A small library that the loader tests load by file name.
#include <cstdint>

extern "C" {
__attribute__((visibility("default"))) uint32_t FixtureAdd(uint32_t a, uint32_t b) {
    return a + b;
}
__attribute__((visibility("default"))) const char16_t* FixtureName() {
    return u"fixture";
}
}
