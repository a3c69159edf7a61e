// A second program of one device root for the settings tests.
//   settings_child ROOT show          starts the store and prints its settings
//   settings_child ROOT start LANG    starts the store as the main program
//                                     does (load first, then the language id
//                                     is set and saved) and prints them
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/settings/system_settings.h"
#include "platform/kernel/device_root.h"
#include "platform/text/utf.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    plat::set_device_root(argv[1]);
    const std::string op = argv[2];
    CSystemSettings settings;
    settings.Initialize();
    if (op == "start" && argc > 3) {
        settings.LanguageId = uint32_t(std::strtoul(argv[3], nullptr, 0));
        if (!settings.Save(false)) return 3;
    } else if (op != "show") {
        return 2;
    }
    std::printf("Language=%u\nContrast=%u\nColorScheme=%u\nAlertTimeout=%u\n", settings.LanguageId,
                settings.Contrast, settings.ColorScheme, settings.AlertTimeout);
    std::printf("DspLoadCrc=%08x\nFpgaLoadCrc=%08x\nCalLoadCrc=%08x\n", settings.DspLoadCrc,
                settings.FpgaLoadCrc, settings.CalLoadCrc);
    std::printf("DspFile=%s\nCustomColor=", plat::to_utf8(settings.DspFile).c_str());
    for (uint32_t color : settings.CustomColor) std::printf("%08x ", color);
    std::printf("\nPrinters=%u\n", settings.GetPrinterCount());
    return 0;
}
