#include "tools/copy/qxcopy.h"

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/fs/atomic_save.h"
#include "platform/fs/file.h"
#include "platform/fs/file_system.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_out.h"
#include "platform/kernel/errors.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/module/library.h"
#include "platform/process/process.h"
#include "platform/text/utf.h"
#include "tools/copy/board_setup.h"
#include "tools/copy/inf_script.h"

namespace qxcopy {

namespace {

constexpr std::u16string_view kCounterFile = u"\\Temp\\qxinit.log";
constexpr std::string_view kMutexName = "QXCopy";
constexpr std::string_view kBuildDate = "Jan 20 2009";
constexpr uint16_t kBuildHour = 12;
constexpr uint16_t kLastUnsetYear = 2005;
constexpr size_t kCopyChunk = 8192;
// The argument of a platform call after the board set-up whose role is not
// settled; it and the call after the script are traced no-ops.
constexpr uint32_t kUnknownCallArgument = 512;
constexpr std::u16string_view kCabInstaller = u"\\Windows\\wceload.exe";
constexpr std::u16string_view kVbLoader = u"\\Windows\\pvbload.exe";
constexpr const char* kFinished = "----- QXCopy Finished ----- \r\n\n";

using RegisterFn = int32_t();

std::string u8(std::u16string_view text) {
    return plat::to_utf8(text);
}

// Everything up to the last "\" (the root when there is none).
std::u16string folder_of(std::u16string_view path) {
    const size_t slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos || slash == 0) return u"\\";
    return std::u16string(path.substr(0, slash));
}

std::u16string replace_last_component(std::u16string_view path, std::u16string_view name) {
    const size_t slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos) return std::u16string(name);
    return std::u16string(path.substr(0, slash + 1)) + std::u16string(name);
}

std::u16string copy_folder() {
    return folder_of(plat::program_path()) + u"\\QXCopy";
}

bool contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

// Copies every match of the source pattern into the destination.
void CopyMatches(const std::u16string& source, const std::u16string& destination) {
    plat::debug_printf("QXCopy: Copying from '%s'\r\nOemCopy:          to '%s'\r\n",
                       u8(source).c_str(), u8(destination).c_str());
    MakeDirectoryPath(destination);
    plat::FindData match;
    plat::FindFile search = plat::FindFile::first(source, match);
    if (!search) {
        plat::debug_printf("QXCopy: cannot get attributes for %s\r\nGetLastError returned: %d\r\n",
                           u8(source).c_str(), static_cast<int>(plat::get_last_error()));
        return;
    }
    do {
        const std::u16string from = replace_last_component(source, match.name);
        const std::u16string to = replace_last_component(destination, match.name);
        const uint32_t attributes = plat::file_attributes(from);
        if (attributes == plat::INVALID_FILE_ATTRIBUTES) {
            plat::debug_printf(
                "QXCopy: cannot get attributes for %s\r\nGetLastError returned: %d\r\n",
                u8(from).c_str(), static_cast<int>(plat::get_last_error()));
        } else if (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) {
            plat::debug_printf("QXCopy: ignoring %s - it is a folder\r\n", u8(from).c_str());
        } else if (!CopyOneFile(from, to)) {
            plat::debug_printf("QXCopy: Failed to copy file: %s\r\nGetLastError returned: %d\r\n",
                               u8(from).c_str(), static_cast<int>(plat::get_last_error()));
        }
    } while (search.next(match));
}

void PerformLine(const std::u16string& source, const std::u16string& destination,
                 const std::u16string& options) {
    if (contains(options, u"-r")) {
        RegisterDll(source);
    } else if (contains(options, u"-e")) {
        RunProgram(source, false);
    } else if (contains(options, u"-x")) {
        RunProgram(source, true);
    } else {
        CopyMatches(source, destination);
    }
}

bool read_whole_file(std::u16string_view path, std::string& bytes) {
    plat::File file = plat::File::open(path, plat::FileAccess::Read, plat::FileOpen::Existing);
    if (!file) return false;
    std::array<std::byte, kCopyChunk> buffer;
    for (;;) {
        const int64_t got = file.read(buffer);
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.append(reinterpret_cast<const char*>(buffer.data()), static_cast<size_t>(got));
    }
}

}  // namespace

bool IsAlreadyRunning() {
    plat::Created created;
    plat::Mutex mutex = plat::Mutex::create(kMutexName, true, &created);
    return created.already_existed;
}

bool CountReset() {
    plat::File counter =
        plat::File::open(kCounterFile, plat::FileAccess::ReadWrite, plat::FileOpen::Existing);
    uint32_t count = 0;
    if (counter) {
        // A file cut short (power lost while it was written) counts as 0.
        std::array<std::byte, sizeof(count)> word{};
        if (counter.read(word) == static_cast<int64_t>(word.size()))
            std::memcpy(&count, word.data(), sizeof(count));
        ++count;
        std::memcpy(word.data(), &count, sizeof(count));
        counter.seek(0, plat::SeekFrom::Begin);
        counter.write(word);
        counter.close();
        plat::debug_printf("Warm reset %i\r\n", static_cast<int>(count));
        return false;
    }
    count = 1;
    plat::File created =
        plat::File::open(kCounterFile, plat::FileAccess::Write, plat::FileOpen::CreateAlways);
    if (created) {
        std::array<std::byte, sizeof(count)> word{};
        std::memcpy(word.data(), &count, sizeof(count));
        created.write(word);
    }
    plat::debug_output("Cold reset\r\n");
    return true;
}

int QxCopyMain() {
    plat::debug_output("\r\n Celvane Copy Begin.\r\n");
    set_up_board_io();
    plat::debug_printf("QXCopy: platform call (%u) ignored\r\n", kUnknownCallArgument);
    if (!IsAlreadyRunning() && CountReset()) RunCopyInf();
    SetClockFromBuildDate();
    plat::debug_output("\r\n Celvane Copy End.\r\n");
    return 0;
}

int RunCopyInf() {
    const std::u16string folder = copy_folder();
    const std::u16string script = folder + u"\\QXCopy.inf";
    plat::debug_printf("Copying files from %s\r\n", u8(folder).c_str());
    if (!plat::file_exists(script) ||
        (plat::file_attributes(script) & plat::FILE_ATTRIBUTE_DIRECTORY)) {
        const uint32_t error =
            plat::file_exists(script) ? plat::ERROR_ACCESS_DENIED : plat::get_last_error();
        plat::debug_printf("QXCopy: Can't find INF file: %s\r\nGetLastError returned: %d\r\n",
                           u8(script).c_str(), static_cast<int>(error));
        plat::debug_output(kFinished);
        return kScriptMissing;
    }
    std::string bytes;
    if (!read_whole_file(script, bytes)) {
        plat::debug_printf("QXCopy: Error Reading INF file: %s\r\nGetLastError returned: %d\r\n",
                           u8(script).c_str(), static_cast<int>(plat::get_last_error()));
        plat::debug_output(kFinished);
        return kScriptReadError;
    }
    for (const std::u16string& raw : script_lines(decode_script(bytes))) {
        std::u16string_view line(raw);
        while (!line.empty() && (line.front() == u' ' || line.front() == u'\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() == u'\n' || line.front() == u'\r' || line.front() == u';')
            continue;
        if (raw.size() > kMaxLineChars) {
            plat::debug_printf("OemCopy: Invalid INF line (longer than %d characters):\r\n%s\r\n",
                               static_cast<int>(kMaxLineChars), u8(line).c_str());
            plat::debug_output(kFinished);
            return kScriptBadLine;
        }
        std::u16string source, destination, options;
        if (!ParseInfLine(line, folder, source, destination, options)) {
            plat::debug_output(kFinished);
            return kScriptBadLine;
        }
        PerformLine(source, destination, options);
    }
    plat::debug_output("QXCopy: platform call (0, 0) ignored\r\n");
    return kScriptDone;
}

bool ParseInfLine(std::u16string_view line, std::u16string_view copy_folder, std::u16string& source,
                  std::u16string& destination, std::u16string& options) {
    const size_t open = line.find(u'<');
    if (open == std::u16string_view::npos) {
        plat::debug_printf("OemCopy: Invalid INF line (no source starting quote):\r\n%s\r\n",
                           u8(line).c_str());
        return false;
    }
    const size_t close = line.find(u'>', open + 1);
    if (close == std::u16string_view::npos) {
        plat::debug_printf("OemCopy: Invalid INF line (no source ending quote):\r\n%s\r\n",
                           u8(line).c_str());
        return false;
    }
    source.assign(line.substr(open + 1, close - open - 1));
    size_t last_close = close;
    destination = u"\\";
    bool has_destination = false;
    const size_t dest_open = line.find(u'<', close + 1);
    if (dest_open != std::u16string_view::npos) {
        const size_t dest_close = line.find(u'>', dest_open + 1);
        if (dest_close == std::u16string_view::npos) {
            plat::debug_printf("OemCopy: Invalid INF line (no destination ending quote):\r\n%s\r\n",
                               u8(line).c_str());
            return false;
        }
        destination.assign(line.substr(dest_open + 1, dest_close - dest_open - 1));
        has_destination = true;
        last_close = dest_close;
    }
    const size_t dash = line.find(u'-', last_close + 1);
    options =
        dash == std::u16string_view::npos ? std::u16string() : std::u16string(line.substr(dash));
    if (!source.starts_with(u'\\')) {
        std::u16string full(copy_folder);
        if (!full.ends_with(u'\\')) full += u'\\';
        source = full + source;
        if (has_destination && !destination.ends_with(u'\\')) destination += u'\\';
    }
    return true;
}

bool CopyOneFile(std::u16string_view source, std::u16string_view destination) {
    plat::File in = plat::File::open(source, plat::FileAccess::Read, plat::FileOpen::Existing);
    if (!in) {
        plat::debug_printf("OemCopy: cannot open source file: %s\r\nGetLastError returned: %d\r\n",
                           u8(source).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    // Through an atomic save: a failed copy leaves the old destination whole.
    plat::AtomicFile out = plat::AtomicFile::for_instrument_path(destination);
    if (!out) {
        plat::debug_printf(
            "OemCopy: cannot create destination file: %s\r\nGetLastError returned: %d\r\n",
            u8(destination).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    std::array<std::byte, kCopyChunk> buffer;
    int64_t total = 0;
    for (;;) {
        const int64_t got = in.read(buffer);
        if (got < 0) {
            plat::debug_printf(
                "OemCopy: cannot read source file: %s\r\nGetLastError returned: %d\r\n",
                u8(source).c_str(), static_cast<int>(plat::get_last_error()));
            return false;
        }
        if (got == 0) break;
        if (!out.write(std::span<const std::byte>(buffer.data(), static_cast<size_t>(got)))) {
            plat::debug_printf(
                "OemCopy: cannot write destination file: %s\r\nGetLastError returned: %d\r\n",
                u8(destination).c_str(), static_cast<int>(plat::get_last_error()));
            return false;
        }
        total += got;
    }
    if (!out.commit()) {
        plat::debug_printf(
            "OemCopy: cannot write destination file: %s\r\nGetLastError returned: %d\r\n",
            u8(destination).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    plat::debug_printf("OemCopy: %s Size = %d\r\n", u8(source).c_str(), static_cast<int>(total));
    return true;
}

void MakeDirectoryPath(std::u16string_view path) {
    if (path.size() < 2) return;
    auto create_when_missing = [](std::u16string_view folder) {
        if (plat::file_attributes(folder) != plat::INVALID_FILE_ATTRIBUTES) return;
        const uint32_t error = plat::get_last_error();
        if (error == plat::ERROR_PATH_NOT_FOUND || error == plat::ERROR_FILE_NOT_FOUND)
            plat::create_directory(folder);
    };
    for (size_t i = path.find(u'\\', 1); i != std::u16string_view::npos;
         i = path.find(u'\\', i + 1)) {
        create_when_missing(path.substr(0, i));
    }
    if (path.find(u'.') == std::u16string_view::npos) create_when_missing(path);
}

bool RegisterDll(std::u16string_view path) {
    plat::Library library = plat::Library::load(path);
    if (!library) {
        plat::debug_printf("OemCopy: Failed to register file: %s\r\nGetLastError returned: %d\r\n",
                           u8(path).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    RegisterFn* register_server = library.bind<RegisterFn>("DllRegisterServer");
    if (!register_server) {
        plat::debug_printf("OemCopy: Failed to register file: %s\r\nGetLastError returned: %d\r\n",
                           u8(path).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    const int32_t result = register_server();
    if (result != 0) {
        plat::debug_printf(
            "OemCopy: Failed to register file: %s\r\nDllRegisterServer returned: %d\r\n",
            u8(path).c_str(), static_cast<int>(result));
        return false;
    }
    plat::debug_printf("OemCopy: Successfully registered %s\r\n", u8(path).c_str());
    return true;
}

bool RunProgram(std::u16string_view path, bool wait) {
    std::u16string program;
    std::u16string command_line;
    const char* failure = "OemCopy: failed to run: %s\r\nGetLastError returned: %d\r\n";
    if (contains(path, u".cab") || contains(path, u".CAB")) {
        plat::debug_printf("OemCopy: installing CAB '%s'\r\n", u8(path).c_str());
        program = kCabInstaller;
        command_line = path;
        failure = "OemCopy: install failed: %s\r\nGetLastError returned: %d\r\n";
    } else if (contains(path, u".vb") || contains(path, u".VB")) {
        plat::debug_printf("OemCopy: starting VB app '%s'\r\n", u8(path).c_str());
        program = kVbLoader;
        command_line = path;
    } else if (contains(path, u" ")) {
        if (contains(path, u"\"")) {
            const size_t open = path.find(u'"');
            const size_t close = path.find(u'"', open + 1);
            if (close == std::u16string_view::npos) {
                plat::debug_output("OemCopy: Invalid INF line: missing double quote\r\n");
                return false;
            }
            program = path.substr(open + 1, close - open - 1);
            command_line = path.substr(close + 1);
        } else {
            const size_t blank = path.find(u' ');
            program = path.substr(0, blank);
            command_line = path.substr(blank + 1);
        }
        plat::debug_printf("OemCopy: starting app '%s' with command line '%s'\r\n",
                           u8(program).c_str(), u8(command_line).c_str());
    } else {
        program = path;
        plat::debug_printf("OemCopy: starting app '%s'\r\n", u8(path).c_str());
    }
    plat::Process process = plat::Process::start(program, split_command_line(command_line));
    if (!process) {
        plat::debug_printf(failure, u8(path).c_str(), static_cast<int>(plat::get_last_error()));
        return false;
    }
    if (wait) process.wait(plat::INFINITE);
    return true;
}

void SetClockFromBuildDate() {
    plat::SystemTime now = plat::system_time();
    if (now.year > kLastUnsetYear) return;
    plat::debug_output("Setting Time.\r\n");
    now.year = static_cast<uint16_t>(std::atoi(std::string(kBuildDate.substr(7)).c_str()));
    now.day = static_cast<uint16_t>(std::atoi(std::string(kBuildDate.substr(4)).c_str()));
    now.month = static_cast<uint16_t>(ParseMonthName(kBuildDate.substr(0, 3)));
    now.hour = kBuildHour;
    now.minute = 0;
    now.second = 0;
    now.milliseconds = 0;
    plat::set_system_time(now);
}

int ParseMonthName(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (name.size() != kMonths[i].size()) continue;
        bool same = true;
        for (size_t k = 0; k < name.size(); ++k)
            same = same && std::tolower(static_cast<unsigned char>(name[k])) == kMonths[i][k];
        if (same) return static_cast<int>(i) + 1;
    }
    return 1;
}

}  // namespace qxcopy
