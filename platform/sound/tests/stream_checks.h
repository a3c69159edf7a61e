#pragma once
// For tests of sound streams: a sine tone as 16-bit samples, and where numpy
// (Debian's python3) finds the strongest frequency of a run of samples.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace celvane_test {

// Samples `first` .. `first` + n - 1 of offset + amplitude * sin(2 pi hz t).
inline std::vector<int16_t> sine_samples(size_t first, size_t n, double hz, uint32_t rate,
                                         double amplitude, double offset = 0) {
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(first + i) / rate;
        v[i] = static_cast<int16_t>(
            std::lround(offset + amplitude * std::sin(2 * std::numbers::pi * hz * t)));
    }
    return v;
}

// The bin of the largest magnitude in numpy's real FFT of `samples` (bin k
// is k * rate / samples.size() Hz); -1 when python3 or numpy fails.
inline long numpy_peak_bin(const std::vector<int16_t>& samples) {
    static int serial = 0;
    const auto path =
        std::filesystem::temp_directory_path() /
        ("stream-check-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".raw");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size() * 2));
    const std::string cmd =
        "/usr/bin/python3 -c \"import numpy as np,sys; s=np.fromfile(sys.argv[1], dtype='<i2'); "
        "print(int(np.argmax(np.abs(np.fft.rfft(s.astype(float))))))\" '" +
        path.string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    long bin = -1;
    if (p) {
        if (std::fscanf(p, "%ld", &bin) != 1) bin = -1;
        pclose(p);
    }
    std::filesystem::remove(path);
    return bin;
}

}  // namespace celvane_test
