#include "printer/pagejet_job.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/kernel/debug_out.h"
#include "platform/print/printer_port.h"
#include "printer/pagejet_raster.h"

namespace pagejet {
namespace {

constexpr uint8_t kFormFeed = 0x0C;

int write_number_sequence(PrintJobContext& j, const char* prefix, long value, const char* suffix) {
    char text[48];
    std::snprintf(text, sizeof text, "\x1b%s%ld%s", prefix, value, suffix);
    return PagejetWriteString(j, text);
}

const char* paper_sequence(int paper) {
    switch (paper) {
        case 5:
            return "\x1b&l3A";
        case 9:
            return "\x1b&l26A";
        case 13:
            return "\x1b&l45A";
        default:
            return "\x1b&l2A";
    }
}

}  // namespace

PrintJobContext& job() {
    static PrintJobContext context;
    return context;
}

int PagejetWriteBytes(PrintJobContext& j, const uint8_t* bytes, uint32_t count) {
    if (bytes == nullptr || count == 0) return 0;
    while (count > 0) {
        if (j.fill == kSendBufferSize && !PagejetFlush(j)) return 0;
        const uint32_t piece = std::min(count, kSendBufferSize - j.fill);
        std::memcpy(j.send_buffer.data() + j.fill, bytes, piece);
        j.fill += piece;
        bytes += piece;
        count -= piece;
    }
    return 1;
}

int PagejetWriteString(PrintJobContext& j, const char* text) {
    return PagejetWriteBytes(j, reinterpret_cast<const uint8_t*>(text),
                             uint32_t(std::strlen(text)));
}

int PagejetFlush(PrintJobContext& j) {
    if (j.fill == 0) return 1;
    const int32_t sent = PrinterSend(j.port, j.send_buffer.data(), j.fill);
    j.fill = 0;
    if (!sent) plat::debug_output("\tPrinterSend() Failed\r\n");
    return sent ? 1 : 0;
}

int32_t PagejetOpenPort(PrintJobContext& j, const char16_t* port_name) {
    PagejetClosePort(j);
    const int32_t handle = PrinterOpen(port_name);
    if (handle == kInvalidPrinterHandle) return kClosedPort;
    j.port = handle;
    j.three_planes = false;
    uint32_t info = 0;
    if (GetPrinterInfo(handle, kPrinterInfoPlanes, &info, sizeof info) == 0 &&
        !(info & kPrinterInfoFourPlanes))
        j.three_planes = true;
    return handle;
}

void PagejetClosePort(PrintJobContext& j) {
    if (j.port == kClosedPort) return;
    PagejetFlush(j);
    PrinterClose(j.port);
    j.port = kClosedPort;
}

void PagejetBeginPage(PrintJobContext& j) {
    PagejetWriteString(j,
                       "\x1b"
                       "E");
    write_number_sequence(j, "*t", j.dpi, "R");
    PagejetWriteString(j, "\x1b*r3F");
    PagejetWriteString(j, paper_sequence(j.paper));
    PagejetWriteString(j, "\x1b&l8C\x1b&l1E\x1b*p0X\x1b*p0Y");
    write_number_sequence(j, "*r", j.raster_lines, "T");
    if (j.color) {
        PagejetWriteString(j, j.three_planes ? "\x1b*r-3U" : "\x1b*r-4U");
        PagejetWriteString(j, "\x1b*b0S");
    }
    PagejetWriteString(j, "\x1b*r0A");
    j.compression = kModeRaw;
    for (int p = kPlaneK; p <= (j.color ? kPlaneY : kPlaneK); ++p) {
        auto& plane = j.planes[size_t(p)];
        std::fill(plane.seed.begin(), plane.seed.end(), 0);
        std::fill(plane.error.begin(), plane.error.end(), 0);
    }
    j.random_state = kRandomSeed;
}

void PagejetEndRaster(PrintJobContext& j) {
    PagejetWriteString(j, "\x1b*rC");
}

void PagejetEndPage(PrintJobContext& j) {
    const uint8_t form_feed = kFormFeed;
    PagejetWriteBytes(j, &form_feed, 1);
    PagejetFlush(j);
    j.rows_sent = 0;
}

void PagejetSetCompression(PrintJobContext& j, int mode) {
    if (mode == j.compression) return;
    write_number_sequence(j, "*b", mode, "M");
    j.compression = mode;
}

int PagejetSendRow(PrintJobContext& j, const uint8_t* bytes, uint32_t count, int plane) {
    const bool more_planes = j.color && plane != kPlaneY;
    int result = write_number_sequence(j, "*b", long(count), more_planes ? "V" : "W");
    if (result && count > 0) result = PagejetWriteBytes(j, bytes, count);
    return result;
}

bool PagejetSetupJob(PrintJobContext& j, bool color, int paper, int dpi, int pixels_per_line,
                     int raster_lines, bool landscape) {
    PagejetFreeJob(j);
    if (pixels_per_line <= 0 || raster_lines <= 0) return false;
    j.color = color;
    j.paper = paper;
    j.dpi = dpi;
    j.pixels_per_line = pixels_per_line;
    j.raster_lines = raster_lines;
    j.bytes_per_row = (pixels_per_line + 7) / 8;
    const size_t n = size_t(pixels_per_line);
    const size_t b = size_t(j.bytes_per_row);
    static constexpr int16_t kDots[] = {kDotK, kDotC, kDotM, kDotY};
    try {
        for (int p = kPlaneK; p <= (color ? kPlaneY : kPlaneK); ++p) {
            auto& plane = j.planes[size_t(p)];
            plane.values.assign(n, 0);
            plane.error.assign(n, 0);
            plane.seed.assign(b, 0);
            plane.dot = kDots[p];
        }
        j.k_bits.assign(b, 0);
        j.color_bits.assign(b, 0);
        j.compressed.assign(b, 0);
        j.next_errors.assign(n + 2, 0);
        j.k_gamma = make_k_gamma();
        if (color) {
            j.cmy_gamma = make_cmy_gamma();
            j.value_table = make_value_table();
        }
        if (landscape) j.landscape_line.assign(n * 3, 0);
    } catch (const std::bad_alloc&) {
        PagejetFreeJob(j);
        return false;
    }
    return true;
}

void PagejetFreeJob(PrintJobContext& j) {
    for (auto& plane : j.planes) plane = PlaneState{};
    j.k_bits = {};
    j.color_bits = {};
    j.compressed = {};
    j.next_errors = {};
    j.k_gamma = {};
    j.cmy_gamma = {};
    j.value_table = {};
    j.landscape_line = {};
}

}  // namespace pagejet
