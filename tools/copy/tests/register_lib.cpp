// A library whose registration leaves a marker in the device root's Temp.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

extern "C" int32_t DllRegisterServer(void) {
    const char* root = std::getenv("CELVANE_ROOT");
    if (root)
        std::ofstream(std::string(root) + "/Temp/registered-" + std::to_string(REGISTER_RESULT));
    return REGISTER_RESULT;
}
