#include "platform/display/options.h"

#include <cstdlib>
#include <string_view>

#include "platform/kernel/device_root.h"
#include "platform/process/process.h"

namespace plat {

namespace {

// Where a program started by another learns how its parent shows itself.
constexpr const char* kDisplayKindVariable = "CELVANE_DISPLAY";
// The prefix of the variable naming a started program's headless script,
// completed by the program's name in capitals (CELVANE_SCRIPT_TWDIAG).
constexpr std::string_view kScriptVariablePrefix = "CELVANE_SCRIPT_";
// The script of a started headless program that has none: it ends at once.
constexpr const char* kNoScript = "/dev/null";

const char* environment(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return (v && *v) ? v : nullptr;
}

// "\FlashFX Disk\Startup\QXCopy\TWDiag.exe" -> "TWDIAG".
std::string program_name(std::string_view instrument_path) {
    const size_t slash = instrument_path.find_last_of("\\/");
    std::string_view file =
        slash == std::string_view::npos ? instrument_path : instrument_path.substr(slash + 1);
    file = file.substr(0, file.find('.'));
    std::string name;
    for (char c : file) name.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    return name;
}

// A program another program started shows where its parent does; headless,
// it plays the script its parent named for it, or ends at once.
void apply_started_program_rule(DisplayOptions& o, bool display_given) {
    const char* path = environment(kProgramPathVariable);
    if (!path) return;
    if (!display_given) {
        const char* kind = environment(kDisplayKindVariable);
        if (kind)
            o.display = std::string_view(kind) == "sdl" ? DisplayKind::Sdl : DisplayKind::Headless;
    }
    if (o.display != DisplayKind::Headless || !o.script.empty()) return;
    const char* script = environment(std::string(kScriptVariablePrefix) + program_name(path));
    o.script = script ? script : kNoScript;
}

}  // namespace

bool display_present() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (w && *w);
}

std::optional<DisplayOptions> parse_display_options(int argc, const char* const* argv,
                                                    std::string* error) {
    DisplayOptions o;
    bool display_given = false;
    auto fail = [&](std::string msg) -> std::optional<DisplayOptions> {
        if (error) *error = std::move(msg);
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        std::string_view name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = std::string(arg.substr(eq + 1));
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        const bool known =
            name == "--display" || name == "--script" || name == "--root" || name == "--clock";
        if (!known) {
            o.rest.emplace_back(arg);
            continue;
        }
        if (!value) {
            if (i + 1 >= argc || !argv[i + 1]) return fail(std::string(name) + " needs a value");
            value = argv[++i];
        }
        if (name == "--display") {
            if (*value == "sdl") {
                o.display = DisplayKind::Sdl;
            } else if (*value == "headless") {
                o.display = DisplayKind::Headless;
            } else {
                return fail("--display takes sdl or headless, not \"" + *value + "\"");
            }
            display_given = true;
        } else if (name == "--script") {
            if (value->empty()) return fail("--script needs a file name or -");
            o.script = *value;
        } else if (name == "--root") {
            if (value->empty()) return fail("--root needs a folder");
            o.root = *value;
        } else {
            if (*value == "virtual") {
                o.virtual_clock = true;
            } else if (*value == "real") {
                o.virtual_clock = false;
            } else {
                return fail("--clock takes virtual or real, not \"" + *value + "\"");
            }
        }
    }
    if (!display_given) {
        o.display =
            (o.script.empty() && display_present()) ? DisplayKind::Sdl : DisplayKind::Headless;
    }
    apply_started_program_rule(o, display_given);
    return o;
}

const char* display_options_help() {
    return "  --display sdl|headless   the screen in an SDL2 window, or off screen\n"
           "                           (default: sdl when a display is present)\n"
           "  --script FILE|-          headless input, one command a line (- reads\n"
           "                           standard input): key F19 | key shift+F3 |\n"
           "                           down F1 | up F1 | wheel -2 | click 120 300 |\n"
           "                           wait 500 | shot out.png | quit\n"
           "  --root DIR               the device root (an existing folder)\n"
           "  --clock virtual|real     headless time (default virtual)\n"
           "  --help                   this list\n";
}

void apply_display_options(const DisplayOptions& options) {
    if (!options.root.empty()) set_device_root(options.root);
    // The programs this one starts show the same way.
    ::setenv(kDisplayKindVariable, options.display == DisplayKind::Sdl ? "sdl" : "headless", 1);
}

}  // namespace plat
