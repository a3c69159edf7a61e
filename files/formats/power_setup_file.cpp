#include "files/formats/power_setup_file.h"

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/text/number_text.h"

namespace {

// The degree sign of the 8-bit character set.
constexpr char kDegree[] = "\xB0";
// Names tried for one second before giving up.
constexpr int kMaxSuffix = 999;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buffer[4096];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

// Each character's low 8 bits.
std::string LowBytes(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) out += static_cast<char>(c & 0xFF);
    return out;
}

// ",<v1>,<v2>...": each value in its printf conversion, written as the C
// locale writes it whatever the process's locale.
std::string CsvNumbers(std::initializer_list<std::pair<const char*, float>> values) {
    std::string out;
    for (const auto& [conversion, value] : values)
        out += "," + plat::format_number(conversion, static_cast<double>(value));
    return out;
}

core::Text Ascii(const std::string& text) {
    return core::Text(text.begin(), text.end());
}

}  // namespace

bool CPowerLogFile::Write(std::string_view text) {
    return file_ && file_.write(text) == static_cast<int64_t>(text.size());
}

plat::File CreatePowerCsvFile(const plat::SystemTime& t, core::Text& path) {
    const std::string stem =
        Printf("Pwr%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    for (int suffix = 0; suffix <= kMaxSuffix; ++suffix) {
        std::string name = suffix == 0 ? stem : stem + "-" + std::to_string(suffix);
        path = core::Text(CPowerSetupFile::kFolder) + Ascii(name + ".csv");
        plat::File file =
            plat::File::open(path, plat::FileAccess::Write, plat::FileOpen::CreateNew);
        if (file || plat::get_last_error() != plat::ERROR_FILE_EXISTS) return file;
    }
    return {};
}

std::unique_ptr<CPowerLogFile> CreatePowerLogFile(const plat::SystemTime& time) {
    core::Text path;
    plat::File file = CreatePowerCsvFile(time, path);
    if (!file) return nullptr;
    return std::make_unique<CPowerLogFile>(std::move(file), path);
}

std::string CPowerSetupFile::FormatCsv(const IPowerCsvSource& source, bool end_line,
                                       const plat::SystemTime& t) {
    std::string text;
    const bool header = header_;
    header_ = false;
    if (header) text += LowBytes(source.GetSensorTitle()) + "\n";
    const PowerReadings r = source.GetReadings();
    const std::string stamp =
        Printf("%02d/%02d,%02d:%02d:%02d", t.month, t.day, t.hour, t.minute, t.second);
    switch (source.GetSensorType()) {
        case 5:
        case 15:
            if (header) text += "Date,Time,Forward Avg,Input Offset,Temperature\n";
            text +=
                stamp +
                CsvNumbers({{"%f", r.forward}, {"%f", r.input_offset}, {"%03.2f", r.temperature}}) +
                kDegree + "C";
            break;
        case 1:
        case 2:
        case 3:
        case 14:
            if (source.IsForwardPeak()) {
                if (header)
                    text +=
                        "Date,Time,Forward Peak,Forward Peak Avg,Input Offset,Match "
                        "Offset,Temperature\n";
                text += stamp +
                        CsvNumbers({{"%f", r.forward},
                                    {"%f", r.second},
                                    {"%f", r.input_offset},
                                    {"%f", r.match_offset},
                                    {"%3.22f", r.temperature}}) +
                        kDegree + "C";
            } else {
                if (header)
                    text +=
                        "Date,Time,Forward Avg,Reflected Avg,VSWR,Input Offset,Match "
                        "Offset,Temperature\n";
                text += stamp +
                        CsvNumbers({{"%f", r.forward},
                                    {"%f", r.second},
                                    {"%f", source.GetVswr()},
                                    {"%f", r.input_offset},
                                    {"%f", r.match_offset},
                                    {"%3.2f", r.temperature}}) +
                        kDegree + "C";
            }
            break;
        case 6:
        case 17:
        case 18:
        case 19:
        case 20:
        case 21:
            if (header)
                text +=
                    "Date,Time,Forward Avg,Reflected Avg,VSWR,Input Offset,Match "
                    "Offset,Forward Peak,Crest,Duty Cycle,CCDF,Burst,Filter\n";
            text += stamp + CsvNumbers({{"%f", r.forward},
                                        {"%f", r.second},
                                        {"%f", source.GetVswr()},
                                        {"%f", r.input_offset},
                                        {"%f", r.match_offset},
                                        {"%f", r.forward_peak},
                                        {"%f", r.crest},
                                        {"%f", r.duty_cycle},
                                        {"%f", r.ccdf},
                                        {"%f", r.burst},
                                        {"%f", r.filter}});
            break;
        default:
            break;
    }
    if (end_line) text += "\n";
    return text;
}

bool CPowerSetupFile::ExportCsv(const IPowerCsvSource& source, bool end_line) {
    const plat::SystemTime time = clock_();
    const std::string text = FormatCsv(source, end_line, time);
    bool written = false;
    if (source.IsLogging()) {
        CPowerLogFile* log = source.GetLogFile();
        written = log && log->Write(text);
    } else {
        folder_ = kFolder;
        plat::File file = CreatePowerCsvFile(time, last_path_);
        written = file && file.write(text) == static_cast<int64_t>(text.size());
    }
    std::optional<uint64_t> free_bytes = FileServices().GetFreeBytes(kFolder);
    return written && (!free_bytes || *free_bytes >= kMinFreeBytes);
}
