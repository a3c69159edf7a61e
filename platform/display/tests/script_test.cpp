// The options every program takes and the headless script language.
#include <gtest/gtest.h>

#include "platform/display/options.h"
#include "platform/display/script.h"
#include "platform/window/messages.h"

namespace plat {
namespace {

std::optional<DisplayOptions> parse(std::vector<const char*> args, std::string* err = nullptr) {
    args.insert(args.begin(), "prog");
    return parse_display_options(static_cast<int>(args.size()), args.data(), err);
}

TEST(DisplayOptions, FormsAndDefaults) {
    auto o = parse({"--display", "headless", "--script=-", "--root", "/tmp/r", "extra"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->display, DisplayKind::Headless);
    EXPECT_EQ(o->script, "-");
    EXPECT_EQ(o->root, "/tmp/r");
    EXPECT_EQ(o->rest, std::vector<std::string>{"extra"});
    EXPECT_TRUE(o->virtual_clock);
    o = parse({"--display=sdl", "--clock", "real"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->display, DisplayKind::Sdl);
    EXPECT_FALSE(o->virtual_clock);
    // A script alone means headless, whatever the environment.
    o = parse({"--script", "s.txt"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->display, DisplayKind::Headless);
}

TEST(DisplayOptions, StartedProgramsFollowTheirParent) {
    struct Case {
        const char* display;  // the parent's kind; null: not set
        const char* script;   // CELVANE_SCRIPT_TWDIAG; null: not set
        std::vector<const char*> args;
        DisplayKind kind;
        std::string expected_script;
    } cases[] = {
        {"headless", "/tmp/diag.txt", {}, DisplayKind::Headless, "/tmp/diag.txt"},
        {"headless", nullptr, {}, DisplayKind::Headless, "/dev/null"},
        {"headless", "/tmp/diag.txt", {"--script", "own.txt"}, DisplayKind::Headless, "own.txt"},
        {"sdl", "/tmp/diag.txt", {}, DisplayKind::Sdl, ""},
        {"sdl", nullptr, {"--display", "headless"}, DisplayKind::Headless, "/dev/null"},
    };
    ::setenv("CELVANE_PROGRAM", "\\FlashFX Disk\\Startup\\QXCopy\\TWDiag.exe", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.display) + " " + (c.script ? c.script : "-"));
        ::setenv("CELVANE_DISPLAY", c.display, 1);
        if (c.script)
            ::setenv("CELVANE_SCRIPT_TWDIAG", c.script, 1);
        else
            ::unsetenv("CELVANE_SCRIPT_TWDIAG");
        auto o = parse(c.args);
        ASSERT_TRUE(o);
        EXPECT_EQ(o->display, c.kind);
        EXPECT_EQ(o->script, c.expected_script);
    }
    ::unsetenv("CELVANE_PROGRAM");
    ::unsetenv("CELVANE_DISPLAY");
    ::unsetenv("CELVANE_SCRIPT_TWDIAG");
    // A program nobody started keeps its own defaults.
    auto o = parse({"--display", "headless"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->script, "");
}

TEST(DisplayOptions, BadValuesAreRefused) {
    for (auto args : std::vector<std::vector<const char*>>{
             {"--display", "x11"}, {"--display"}, {"--root="}, {"--clock", "fast"}, {"--script"}}) {
        std::string err;
        EXPECT_FALSE(parse(args, &err)) << args[0];
        EXPECT_FALSE(err.empty());
    }
}

TEST(Script, CommandsParse) {
    struct Case {
        const char* line;
        ScriptCommand::Kind kind;
        uint32_t vk;
        bool shift;
        int x, y;
        uint32_t ms;
    };
    using K = ScriptCommand::Kind;
    const Case cases[] = {
        {"key F19", K::Key, 130, false, 0, 0, 0},
        {"KEY shift+f3", K::Key, VK_F1 + 2, true, 0, 0, 0},
        {"down F1", K::Down, VK_F1, false, 0, 0, 0},
        {"up escape  # comment", K::Up, VK_ESCAPE, false, 0, 0, 0},
        {"key point", K::Key, VK_DECIMAL, false, 0, 0, 0},
        {"key 7", K::Key, '7', false, 0, 0, 0},
        {"key minus", K::Key, VK_SUBTRACT, false, 0, 0, 0},
        {"key 0x6B", K::Key, VK_ADD, false, 0, 0, 0},
        {"wheel -2", K::Wheel, 0, false, -2, 0, 0},
        {"click 120 300", K::Click, 0, false, 120, 300, 0},
        {"wait 500", K::Wait, 0, false, 0, 0, 500},
        {"quit", K::Quit, 0, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string err;
        auto cmd = parse_script_line(c.line, &err);
        ASSERT_TRUE(cmd) << c.line << ": " << err;
        EXPECT_EQ(cmd->kind, c.kind) << c.line;
        EXPECT_EQ(cmd->vk, c.vk) << c.line;
        EXPECT_EQ(cmd->shift, c.shift) << c.line;
        EXPECT_EQ(cmd->x, c.x) << c.line;
        EXPECT_EQ(cmd->y, c.y) << c.line;
        EXPECT_EQ(cmd->ms, c.ms) << c.line;
    }
    auto shot = parse_script_line("shot out.png", nullptr);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->file, "out.png");
    for (const char* state : {"sleep", "wake", "off"}) {
        auto power = parse_script_line(std::string("power ") + state, nullptr);
        ASSERT_TRUE(power) << state;
        EXPECT_EQ(power->kind, K::Power);
        EXPECT_EQ(power->file, state);
    }
    EXPECT_EQ(parse_script_line("POWER Sleep", nullptr)->file, "sleep");
}

TEST(Script, BlankCommentAndBadLines) {
    std::string err = "x";
    EXPECT_FALSE(parse_script_line("   # nothing", &err));
    EXPECT_TRUE(err.empty());
    for (const char* bad :
         {"key", "key F25", "key nosuch", "wheel", "click 1", "click -1 5", "wait soon", "shot",
          "quit now", "jump 3", "power", "power nap", "power off now"}) {
        err.clear();
        EXPECT_FALSE(parse_script_line(bad, &err)) << bad;
        EXPECT_FALSE(err.empty()) << bad;
    }
}

}  // namespace
}  // namespace plat
