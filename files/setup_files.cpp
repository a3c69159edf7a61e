// Each setup form's file object.
#include "files/formats/sa_setup_file.h"
#include "files/formats/vna_setup_file.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"

std::unique_ptr<ISetupFile> CSAMeasSetup::CreateSetupFile() {
    return std::make_unique<CSASetupFile>(this);
}

std::unique_ptr<ISetupFile> CVNAMeasSetup::CreateSetupFile() {
    return std::make_unique<CVNASetupFile>(this);
}

std::unique_ptr<ISetupFile> CPowerMeasSetup::CreateSetupFile() {
    return std::make_unique<CSetupFile>(this);
}
