// Any bytes read as a setup file into each setup form: the reader either
// refuses them (and the setup keeps every byte of its text) or takes them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/formats/sa_setup_file.h"
#include "files/formats/vna_setup_file.h"
#include "files/power_meas_setup.h"
#include "files/sa_meas_setup.h"

namespace {

template <typename Setup, typename File>
void ReadInto(const std::string& bytes) {
    Setup setup;
    File before(&setup);
    std::string text = before.FormatInMemory();
    File file(&setup);
    bool full = file.ReadBytes(bytes, u"fuzz", false);
    File after(&setup);
    if (!full && after.FormatInMemory() != text) std::abort();  // a refused file changed it
    File header(&setup);
    header.ReadBytes(bytes, u"fuzz", true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadInto<CSAMeasSetup, CSASetupFile>(bytes);
    ReadInto<CVNAMeasSetup, CVNASetupFile>(bytes);
    ReadInto<CPowerMeasSetup, CSetupFile>(bytes);
    ClearRecordedFileMessages();
    return 0;
}
