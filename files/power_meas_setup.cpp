#include "files/power_meas_setup.h"

CPowerMeasSetup::CPowerMeasSetup(ISetupEnvironment* environment) : CMeasSetup(environment) {
    SetMeasurementClass(kClassPower);
    SetMeasurementId(10);
    SetMeasurementNameId(870);
    MeasureUnitField() = 6;
    if (CGuardedValue* value = GetReferenceValue()) value->SetUnit(6);
}
