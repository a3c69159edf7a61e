// Any bytes read as a calibration file: refused without storing a term, or
// taken whole.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/formats/vna_setup_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    CVNADataStore store;
    CVNAMeasSetup setup(nullptr, &store);
    setup.SetSetupLabel(u"fuzz");
    CVNASetupFile file(&setup);
    bool stored = file.LoadCalibrationBytes(bytes, u"fuzz.cal");
    bool any = false;
    for (int t = 0; t < CVNADataStore::kTermCount; ++t)
        any = any || store.IsTermValid(static_cast<CVNADataStore::Term>(t));
    if (stored != any) std::abort();
    ClearRecordedFileMessages();
    return 0;
}
