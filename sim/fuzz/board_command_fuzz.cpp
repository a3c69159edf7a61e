// libFuzzer target: command packets as the host may put them on the board's
// bulk OUT pipe. The input is a run of packets, each preceded by its size
// (one little-endian 16-bit word); the board must refuse or carry out every
// one without touching memory it does not own or growing without bound.
#include <cstddef>
#include <cstdint>
#include <span>

#include "drivers/dsp/dsp_protocol.h"
#include "sim/acquisition_board.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::Scene scene;
    scene.time_scale = 0;
    scene.receiver.noise_variation = false;
    sim::AcquisitionBoard board(scene);
    size_t pos = 0;
    while (size - pos >= 2) {
        const size_t n = std::min<size_t>(data[pos] | (data[pos + 1] << 8), size - pos - 2);
        pos += 2;
        board.receive_out(dsp::kBulkOutEndpoint, std::span<const uint8_t>(data + pos, n));
        pos += n;
    }
    return 0;
}
