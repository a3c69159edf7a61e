#pragma once
// Reading the spectrum analyzer's screen from a screenshot: the graph's
// geometry, the trace colour, the carrier of the simulated scene, PNG files
// read back through ImageMagick, and polling for what a running program
// shows.
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/app_test_support.h"
#include "widgets/color_scheme.h"

namespace specan_screen {

namespace fs = std::filesystem;

inline constexpr int kWidth = 800, kHeight = 600;
// The graph pane (layout 1): columns 0..705, rows 30 (top) .. 450 (plot
// bottom - 1), ten divisions.
inline constexpr int kGraphLeft = 0, kGraphWidth = 705, kGraphTop = 30, kPlotLastRow = 450;
inline constexpr double kDivisions = 10.0;
// The scene's strongest carrier.
inline constexpr double kCarrierHz = 940.0e6, kCarrierDbm = -30.0;

inline std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

inline int Shell(const std::string& cmd) {
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// Polls a condition until it holds or a generous limit passes (the program
// and the board run on their own threads; the limit only ends a hung run).
inline bool Eventually(const std::function<bool()>& ready) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + seconds(60);
    while (steady_clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(milliseconds(20));
    }
    return ready();
}

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Screen {
    std::vector<uint8_t> bytes;
    Rgb At(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 3;
        return {bytes[i], bytes[i + 1], bytes[i + 2]};
    }
    // The topmost pixel of a colour in a column of the graph; -1 when none.
    int TopRow(int x, Rgb colour) const {
        for (int y = kGraphTop; y <= kPlotLastRow; ++y)
            if (At(x, y) == colour) return y;
        return -1;
    }
};

// One command packet the simulated board received ("board.log").
struct BoardRecord {
    uint16_t command = 0;
    std::vector<uint8_t> payload;
    template <typename T>
    T Get(size_t offset) const {
        T v{};
        for (size_t i = 0; i < sizeof(T); ++i)
            v |= static_cast<T>(static_cast<T>(payload.at(offset + i)) << (8 * i));
        return v;
    }
};

// Every command packet of a board log, in order.
inline std::vector<BoardRecord> ReadBoardLog(const fs::path& log) {
    std::vector<BoardRecord> out;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string head;
        words >> head;
        if (head.size() != 5 || head[4] != ':') continue;
        BoardRecord r;
        r.command = static_cast<uint16_t>(std::stoul(head.substr(0, 4), nullptr, 16));
        std::string byte;
        while (words >> byte)
            r.payload.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
        out.push_back(std::move(r));
    }
    return out;
}

// The column of a frequency and the row of a level on the graph.
inline int Column(double hz, double start, double span) {
    return static_cast<int>((hz - start) / span * kGraphWidth + 0.5);
}
inline int Row(double dbm, double reference, double per_division) {
    const double bottom = reference - kDivisions * per_division;
    return static_cast<int>((kPlotLastRow - kGraphTop) * (reference - dbm) / (reference - bottom) +
                            kGraphTop + 0.5);
}

// The trace colour of the first colour scheme.
inline Rgb TraceColour() {
    const COLORREF c = CreateColorScheme(1)->GetColor(28);
    return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
            static_cast<uint8_t>((c >> 16) & 0xFF)};
}

// Whether the trace's topmost pixel lies at column x (+-1) and row y (+-2).
inline bool TopOfTraceAt(const Screen& s, Rgb trace, int x, int y) {
    int best_row = kPlotLastRow + 1, best_col = -1;
    for (int col = kGraphLeft; col < kGraphLeft + kGraphWidth; ++col) {
        const int row = s.TopRow(col, trace);
        if (row >= 0 && row < best_row) best_row = row, best_col = col;
    }
    return std::abs(best_col - x) <= 1 && std::abs(best_row - y) <= 2;
}

// A PNG read back as 800 x 600 RGB bytes by ImageMagick; empty when not (yet)
// readable.
inline Screen ReadPng(const fs::path& png) {
    Screen s;
    const fs::path rgb = png.string() + ".rgb";
    if (!fs::exists(png) ||
        Shell("convert " + Quote(png) + " -depth 8 rgb:" + Quote(rgb) + " 2>/dev/null"))
        return s;
    std::ifstream in(rgb, std::ios::binary);
    s.bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (s.bytes.size() != size_t{kWidth} * kHeight * 3) s.bytes.clear();
    return s;
}

#ifdef CELVANE_SOURCE_DIR
// A fresh device root laid out by the image builder with the scene given
// and mode.txt naming the start screen; false when it could not be made.
inline bool MakeRoot(const fs::path& root, const std::string& scene_json, const std::string& mode) {
    if (app_test::MakeDeviceImage(root) != 0) return false;
    std::ofstream(root / "scene.json") << scene_json;
    std::ofstream(root / "FlashFX Disk" / "System" / "mode.txt") << mode;
    return true;
}

// The program started headless on a device root with the clock given
// ("real" or "virtual"), reading its script from the pipe answered.
inline FILE* StartProgram(const fs::path& root, const std::string& clock) {
    const std::string cmd = Quote(app_test::BinDir() / "celvane") + " --root " + Quote(root) +
                            " --display headless --clock " + clock + " --script - >/dev/null 2>&1";
    return popen(cmd.c_str(), "w");
}

// A fresh device root with the simulated board's noise variation off and its
// command packets logged to "board.log"; the program started there on the
// spectrum analyzer with the clock given, reading its script from the pipe
// answered (null when the root or the program could not be made).
inline FILE* StartOnSpectrum(const fs::path& root, const std::string& clock) {
    if (!MakeRoot(
            root,
            R"({"receiver": {"noise_variation": false}, "board": {"command_log": "board.log"}})",
            "2"))
        return nullptr;
    return StartProgram(root, clock);
}
#endif

}  // namespace specan_screen
