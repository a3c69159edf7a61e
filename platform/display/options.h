#pragma once
// The options every program of the system takes:
//   --display sdl|headless   where the screen goes (default: sdl when a
//                            display is present, else headless; a script
//                            without --display means headless)
//   --script FILE|-          headless input script (- reads standard input)
//   --root DIR               the device root
//   --clock virtual|real     headless time source (default virtual)
// A program started by another shows the way its parent does; headless, it
// plays the script named by CELVANE_SCRIPT_<PROGRAM> (CELVANE_SCRIPT_TWDIAG)
// and without one ends at once.
// Both "--opt VALUE" and "--opt=VALUE" work. Other arguments are kept for the
// program.
#include <optional>
#include <string>
#include <vector>

namespace plat {

enum class DisplayKind { Sdl, Headless };

struct DisplayOptions {
    DisplayKind display = DisplayKind::Headless;
    std::string script;  // empty: none; "-": standard input
    std::string root;    // empty: the default device root
    bool virtual_clock = true;
    bool help = false;              // --help (or -h)
    std::vector<std::string> rest;  // arguments the options did not use
};

// The options' description, as --help prints it.
const char* display_options_help();

// Parses the options; nullopt with `error` set on a bad value or a missing
// argument. Does not change the device root (see apply_display_options).
std::optional<DisplayOptions> parse_display_options(int argc, const char* const* argv,
                                                    std::string* error = nullptr);
// Makes `--root` the device root when it was given.
void apply_display_options(const DisplayOptions& options);
// Whether an X11 or Wayland display is reachable by name in the environment.
bool display_present();

}  // namespace plat
