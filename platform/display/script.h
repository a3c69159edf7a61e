#pragma once
// The headless input script: one command a line, '#' starts a comment.
//   key NAME        press and release (NAME may be "shift+NAME")
//   down NAME       press
//   up NAME         release
//   wheel N         N notches of the scroll wheel (signed)
//   click X Y       a touch at screen point (X, Y)
//   wait MS         let MS milliseconds of platform time pass
//   shot FILE       write the screen to a PNG file
//   quit            close the program
// Key names: F1..F24, LEFT, RIGHT, UP, DOWN, ESCAPE (ESC), RETURN (ENTER),
// 0..9, POINT (the decimal point), PERIOD, MINUS, PLUS, SHIFT, or a number.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

struct ScriptCommand {
    enum class Kind { Key, Down, Up, Wheel, Click, Wait, Shot, Quit } kind = Kind::Quit;
    uint32_t vk = 0;
    bool shift = false;
    int x = 0;  // click point; wheel notches
    int y = 0;
    uint32_t ms = 0;
    std::string file;
};

// The virtual key of a script key name (case-insensitive), if known.
std::optional<uint32_t> key_from_name(std::string_view name);

// Parses one line. Answers nullopt for blank and comment lines; an error
// (with `error` set) is also nullopt.
std::optional<ScriptCommand> parse_script_line(std::string_view line, std::string* error);
// How much of a script's text an error message quotes at most.
inline constexpr size_t kScriptQuoteLimit = 80;
// `text` in double quotes, cut to kScriptQuoteLimit characters ("..." after
// a cut).
std::string quote_script_text(std::string_view text);

}  // namespace plat
