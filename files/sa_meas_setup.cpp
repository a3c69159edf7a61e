#include "files/sa_meas_setup.h"

#include "core/res_string.h"

CSAMeasSetup::CSAMeasSetup(ISetupEnvironment* environment) : CMeasSetup(environment) {
    SetMeasurementClass(kClassSa);
    SetMeasurementId(20);
    SetMeasurementNameId(871);
}

bool CSAMeasSetup::Save() {
    return WriteThroughFile();
}

bool CSAMeasSetup::QuickSave() {
    return QuickSaveNamed("General SA");
}

bool CSAMeasSetup::SaveBackup() {
    return SaveBackupNamed("Backup SA");
}

core::Text CSAMeasSetup::GetClassName() const {
    return LoadResString(446);
}
core::Text CSAMeasSetup::GetMeasurementName() const {
    return GetSAMeasurementName(GetMeasurementId());
}
core::Text CSAMeasSetup::GetMeasurementDescription() const {
    return GetSAMeasurementDescription(GetMeasurementId());
}

int32_t CSAMeasSetup::GetDefaultNameId() const {
    switch (GetMeasurementId()) {
        case 21:
            return 635;
        case 22:
            return 636;
        case 23:
            return 637;
        case 26:
            return 640;
        case 27:
            return 641;
        case 28:
            return 642;
        case 29:
            return 643;
        default:
            return 634;
    }
}

int32_t CSAMeasSetup::GetPropertyHelpId(int32_t code) const {
    int32_t id = AnalyzerPropertyHelpId(code);
    return id >= 0 ? id : CMeasSetup::GetPropertyHelpId(code);
}
