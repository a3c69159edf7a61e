// libFuzzer target over the NMEA framer, checksum, parser and store: any
// byte stream, and any text handed straight to the parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "instrument/sensors/gps_receiver.h"
#include "instrument/sensors/nmea.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CGpsReceiver gps(nullptr);
    gps.OnBytes(static_cast<uint32_t>(size), data);
    CGgaSentence gga;
    CGsvSentence gsv;
    CRmcSentence rmc;
    gps.GetGga(gga);
    gps.GetGsv(gsv);
    if (gps.GetRmc(rmc)) (void)rmc.FormatDateTime();
    char text[300];
    uint32_t length = 0, status = 0;
    gps.GetFixText(text, sizeof text, &length, &status);
    gps.GetFixText(text, 1, &length, &status);
    const std::string_view as_text(reinterpret_cast<const char*>(data), size);
    if (auto s = ParseNmeaSentence(as_text)) {
        if (s->GetKind() == CNmeaSentence::kGsv) {
            CGsvSentence set;
            set.Merge(static_cast<CGsvSentence&>(*s));
            set.Merge(static_cast<CGsvSentence&>(*s));
        }
    }
    return 0;
}
