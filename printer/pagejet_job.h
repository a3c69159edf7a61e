#pragma once
// The Pagejet driver's one job record and the job-stream operations that
// write the printer's command language through the printer port.
//
// One print job at a time: the engine calls the driver from one thread at a
// time, so the record is not locked.
#include <array>
#include <cstdint>
#include <vector>

namespace pagejet {

inline constexpr uint32_t kSendBufferSize = 1024;
inline constexpr int32_t kClosedPort = -1;
inline constexpr int kFullInk = 8192;
inline constexpr uint32_t kRandomSeed = 119;

// Dot values: what one printed dot removes from the accumulated value.
inline constexpr int16_t kDotK = 10649;
inline constexpr int16_t kDotC = 9011;
inline constexpr int16_t kDotM = 9830;
inline constexpr int16_t kDotY = 9011;

// Compression methods of a plane row.
inline constexpr int kModeRaw = 0;
inline constexpr int kModePackBits = 2;
inline constexpr int kModeDeltaRow = 3;

enum Plane : int { kPlaneK = 0, kPlaneC = 1, kPlaneM = 2, kPlaneY = 3 };

// Sees every plane row the halftone made, before it is compressed (tests).
using RowObserver = void (*)(int plane, const uint8_t* bits, uint32_t count, void* context);

// One ink plane: this line's values, the error carried from the previous
// row, the last row sent (the delta-row reference) and its dot value.
struct PlaneState {
    std::vector<int16_t> values;
    std::vector<int16_t> error;
    std::vector<uint8_t> seed;
    int16_t dot = 0;
};

struct PrintJobContext {
    int32_t port = kClosedPort;
    std::array<uint8_t, kSendBufferSize> send_buffer{};
    uint32_t fill = 0;
    int compression = kModeRaw;  // the last mode announced to the printer
    int rows_sent = 0;           // on this page; its parity sets the halftone direction
    bool color = false;
    bool three_planes = false;
    int dpi = 0;
    int raster_lines = 0;
    int pixels_per_line = 0;
    int bytes_per_row = 0;
    int paper = 0;
    uint32_t random_state = kRandomSeed;

    // Raster buffers (empty until a job is set up).
    std::array<PlaneState, 4> planes;  // K, C, M, Y (C, M, Y only with colour)
    std::vector<uint8_t> k_bits;       // K output, the mask of C, M and Y
    std::vector<uint8_t> color_bits;   // C, M, Y output in turn
    std::vector<uint8_t> compressed;   // one encoded row
    std::vector<int16_t> next_errors;  // N + 2, a guard entry at each end
    std::vector<int16_t> k_gamma;
    std::vector<int16_t> cmy_gamma;
    std::vector<uint8_t> value_table;
    std::vector<uint8_t> landscape_line;  // 3 bytes per pixel, landscape pages only

    RowObserver observer = nullptr;
    void* observer_context = nullptr;
};

// The driver's one job record.
PrintJobContext& job();

// The generator of the halftone's perturbation: values 0..32767, seeded at
// every page start. Inline: the halftone draws one per pixel of partial ink.
inline int PagejetRandom(PrintJobContext& j) {
    constexpr uint32_t kMultiplier = 214013;
    constexpr uint32_t kIncrement = 2531011;
    j.random_state = j.random_state * kMultiplier + kIncrement;
    return int((j.random_state >> 16) & 0x7FFF);
}

int PagejetWriteBytes(PrintJobContext& j, const uint8_t* bytes, uint32_t count);
int PagejetWriteString(PrintJobContext& j, const char* text);
int PagejetFlush(PrintJobContext& j);
int32_t PagejetOpenPort(PrintJobContext& j, const char16_t* port_name);
void PagejetClosePort(PrintJobContext& j);
void PagejetBeginPage(PrintJobContext& j);
void PagejetEndRaster(PrintJobContext& j);
void PagejetEndPage(PrintJobContext& j);
void PagejetSetCompression(PrintJobContext& j, int mode);
int PagejetSendRow(PrintJobContext& j, const uint8_t* bytes, uint32_t count, int plane);

// Allocates the buffers and tables of a job of `pixels_per_line` x
// `raster_lines`; false (everything freed) when memory runs out.
bool PagejetSetupJob(PrintJobContext& j, bool color, int paper, int dpi, int pixels_per_line,
                     int raster_lines, bool landscape);
void PagejetFreeJob(PrintJobContext& j);

}  // namespace pagejet
