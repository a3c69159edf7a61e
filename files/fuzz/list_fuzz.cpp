// Any bytes read as each list file, comma-separated and tagged, and as the
// limit mask file: a refused file gives no list, and no reader goes past
// its bounds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "files/formats/limit_mask_file.h"
#include "files/formats/list_files.h"

namespace {

template <typename File, typename List>
void ReadBoth(const std::string& bytes) {
    List list;
    File csv;
    csv.UseBytes(bytes);
    if (!csv.ReadCommaSeparated(list) && list) std::abort();
    File tagged;
    tagged.UseBytes(bytes);
    tagged.ReadTagged(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadBoth<CAntennaListFile, std::unique_ptr<CAntennaList>>(bytes);
    ReadBoth<CBandListFile, std::unique_ptr<CSignalBand>>(bytes);
    ReadBoth<CCableListFile, std::unique_ptr<CCableType>>(bytes);
    CLimitMaskFile masks;
    if (!masks.LoadBytes(bytes) && masks.GetMaskTotal() != 0) std::abort();
    for (uint32_t i = 0; i < masks.GetMaskTotal(); ++i) {
        const LimitMask* m = masks.GetMaskAt(i);
        if (m->point_count < 1 || m->point_count > LimitMask::kMaxPoints) std::abort();
    }
    ClearRecordedFileMessages();
    return 0;
}
