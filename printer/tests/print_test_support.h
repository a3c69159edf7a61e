#pragma once
// Shared by the printing tests: a device root with the Pagejet printer
// installed (the built driver library, its registry keys and port), printer
// modes, and the independent decoder of the job stream (pcl_decode.py).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs/tests/test_support.h"
#include "platform/print/print_abi.h"
#include "platform/registry/registry.h"

namespace print_test {

namespace fs = std::filesystem;

inline constexpr const char16_t* kPrinterName = u"Pagejet Inkjet";

inline DEVMODEW Mode(int16_t paper, int16_t quality, uint16_t version, int16_t orientation,
                     int16_t color) {
    DEVMODEW m{};
    const std::u16string name = kPrinterName;
    std::copy(name.begin(), name.end(), m.dmDeviceName);
    m.dmSpecVersion = 0x400;
    m.dmDriverVersion = version;
    m.dmSize = sizeof(DEVMODEW);
    m.dmFields = 0xD03;
    m.dmOrientation = orientation;
    m.dmPaperSize = paper;
    m.dmCopies = 1;
    m.dmPrintQuality = quality;
    m.dmColor = color;
    return m;
}

// Installs the printer in the device root at `root`: the built driver
// library and its registry keys.
inline void InstallPrinter(const fs::path& root) {
    fs::copy_file(celvane_test::build_bin() / "Pagejet.so", root / "Windows" / "pagejethd.dll",
                  fs::copy_options::overwrite_existing);
    plat::RegKey printers, key;
    plat::hkey_local_machine().create(u"Printers", printers);
    printers.set_string(u"DefaultPrinter", kPrinterName);
    printers.create(kPrinterName, key);
    key.set_string(u"Driver", u"pagejethd.dll");
    key.set_string(u"Port", u"LPT1:");
    key.set_string(u"High Quality", u"600");
    key.set_string(u"Draft Quality", u"300");
    key.set_string(u"Color", u"Color");
}

// The printer port's "PrinterInfo" (four planes: bit 0 set) and
// "HostDevice".
inline void SetPrinterPort(uint32_t printer_info, const char16_t* host_device = u"") {
    plat::RegKey key;
    plat::hkey_local_machine().create(u"Drivers\\Ports\\lpt1", key);
    key.set_dword(u"PrinterInfo", printer_info);
    key.set_string(u"HostDevice", host_device);
}

// A device root with the driver library and the printer's registry keys.
class PrinterRoot {
  public:
    explicit PrinterRoot(const std::string& tag) : root_(tag) { InstallPrinter(root_.path()); }
    const fs::path& path() const { return root_.path(); }

    void SetMode(const DEVMODEW& mode) const {
        plat::RegKey key;
        plat::hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&mode);
        key.set_binary(u"DEVMODE", std::vector<uint8_t>(bytes, bytes + sizeof mode));
    }
    void SetQualityText(const char16_t* value, const char16_t* text) const {
        plat::RegKey key;
        plat::hkey_local_machine().open(u"Printers\\Pagejet Inkjet", key);
        if (text == nullptr)
            key.delete_value(value);
        else
            key.set_string(value, text);
    }
    // The port's "PrinterInfo" (four planes: bit 0 set) and "HostDevice".
    void SetPort(uint32_t printer_info, const char16_t* host_device = u"") const {
        SetPrinterPort(printer_info, host_device);
    }

    // The spooled jobs, oldest first.
    std::vector<fs::path> Jobs() const {
        std::vector<fs::path> jobs;
        if (!fs::exists(path() / "spool")) return jobs;
        for (const auto& e : fs::directory_iterator(path() / "spool")) jobs.push_back(e.path());
        std::sort(jobs.begin(), jobs.end());
        return jobs;
    }
    std::string ReadJob(const fs::path& job) const { return celvane_test::slurp(job); }

  private:
    celvane_test::TempRoot root_;
};

// What the decoder read from a job.
struct DecodedJob {
    bool ok = false;
    std::vector<std::string> sequences;  // "<ESC>*t300R", "<FF>", ...
    struct Page {
        int lines = 0;
        int planes = 0;
        int rows = 0;
        std::string kinds;  // V or W per row
    };
    std::vector<Page> pages;
    std::string planes;  // every decoded row, bytes_per_row each
};

inline DecodedJob Decode(const fs::path& job, int bytes_per_row) {
    DecodedJob out;
    const fs::path dir = job.parent_path() / (job.filename().string() + ".decoded");
    const std::string cmd = "PCL_BYTES_PER_ROW=" + std::to_string(bytes_per_row) + " python3 '" +
                            std::string(PRINT_TEST_SOURCE_DIR) + "/pcl_decode.py' '" +
                            job.string() + "' '" + dir.string() + "'";
    out.ok = std::system(cmd.c_str()) == 0;
    if (!out.ok) return out;
    std::ifstream seq(dir / "sequences.txt");
    for (std::string line; std::getline(seq, line);) out.sequences.push_back(line);
    std::ifstream pages(dir / "pages.txt");
    for (std::string line; std::getline(pages, line);) {
        std::istringstream in(line);
        DecodedJob::Page p;
        in >> p.lines >> p.planes >> p.rows >> p.kinds;
        out.pages.push_back(p);
    }
    out.planes = celvane_test::slurp(dir / "planes.bin");
    fs::remove_all(dir);
    return out;
}

// The sequences joined with blanks, for readable comparisons.
inline std::string Joined(const std::vector<std::string>& seqs, size_t from, size_t count) {
    std::string s;
    for (size_t i = from; i < seqs.size() && i < from + count; ++i)
        s += (s.empty() ? "" : " ") + seqs[i];
    return s;
}

}  // namespace print_test
