#pragma once
// For tests of sound streams: where numpy (Debian's python3) finds the
// strongest frequency of a run of 16-bit samples.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace celvane_test {

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
