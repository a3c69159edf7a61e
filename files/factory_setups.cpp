#include "files/factory_setups.h"

#include "files/sa_meas_setup.h"
#include "files/vna_meas_setup.h"
#include "platform/fs/file_system.h"

namespace {

bool WriteIfAbsent(CMeasSetup& setup, const char16_t* path, const char16_t* label) {
    if (plat::file_exists(path)) return true;
    setup.SetSetupLabel(label);
    setup.SetFilePath(path);
    return setup.Save();
}

}  // namespace

bool WriteFactorySetups() {
    CSAMeasSetup sa;
    CVNAMeasSetup vna;
    bool sa_ok = WriteIfAbsent(sa, CSAMeasSetup::kFactoryPath, u"Factory SA");
    bool vna_ok = WriteIfAbsent(vna, CVNAMeasSetup::kFactoryPath, u"Factory VNA");
    return sa_ok && vna_ok;
}
