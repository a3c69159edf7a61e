// Signal bands and channels of the spectrum analyzer in the program itself,
// in this process on the simulated board (noise variation off, the board's
// command packets logged): keys typed as the user presses them, the board's
// sweep records read back from its log, and the open dialog and the screen
// read on the user-interface thread. Expected frequencies are the band
// plans' published numbers, typed in here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/tests/specan_functions_support.h"
#include "dialogs/band_select_dlg.h"
#include "dialogs/channel_editor_dlg.h"
#include "dialogs/message_dlg.h"
#include "files/formats/sa_setup_file.h"
#include "files/lists/signal_band.h"
#include "platform/framework/dialog.h"
#include "platform/framework/list_box.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

using namespace specan_functions;

namespace {

// The open dialog of a kind (user-interface thread), null for none.
template <class Dialog>
Dialog* Open() {
    for (plat::Window* w : plat::top_level_windows())
        if (auto* d = dynamic_cast<Dialog*>(plat::CWnd::FromHandle(w)); d && w->is_visible())
            return d;
    return nullptr;
}
// The dialog that holds the focus (user-interface thread).
plat::CDialog* OpenDialog() {
    plat::CWnd* w = plat::CWnd::GetFocus();
    while (w && !dynamic_cast<plat::CDialog*>(w)) w = w->GetParent();
    return dynamic_cast<plat::CDialog*>(w);
}

// What Python prints for a script.
std::string Python(const std::string& script) {
    const std::string command = "python3 -c '" + script + "'";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {};
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    pclose(p);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// A band's row as Python formats it from the plan's numbers (MHz).
std::string PythonRow(const std::string& flags, const std::string& name, double start,
                      double stop) {
    char script[512];
    std::snprintf(script, sizeof script,
                  "a, b = %.6f, %.6f; print(\"%s\" + \"%s\"[:16] + "
                  "\"\".join(\"\\t%%7.3f\" %% v for v in (a, b, b - a, (a + b) / 2)))",
                  start, stop, flags.c_str(), name.c_str());
    return Python(script);
}

// One sweep record's frequencies and bandwidth indexes.
struct Sweep {
    uint64_t centre = 0, span = 0;
    int rbw = -1, vbw = -1;  // the records carry them reversed
};

// The resolution and video bandwidths (Hz) in the board's order.
constexpr double kRbwHz[] = {100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
constexpr double kVbwHz[] = {10, 30, 100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6};
// The automatic coupling: the widest RBW up to span / 300, the widest VBW up
// to RBW / 3.
int CoupledRbw(double span) {
    int i = 0;
    for (int k = 0; k < 9; ++k)
        if (kRbwHz[k] <= span / 300) i = k;
    return i;
}
int CoupledVbw(int rbw) {
    int i = 0;
    for (int k = 0; k < 11; ++k)
        if (kVbwHz[k] <= kRbwHz[rbw] / 3) i = k;
    return i;
}

class BandsProgram : public MeasureRun {
  protected:
    void SetUp() override { Begin(SceneOf({{940e6, -30, 0, ""}})); }

    // The open band dialog's rows and selection (empty while none is open).
    struct Listing {
        std::vector<std::string> rows;
        int selected = -1;
    };
    Listing ReadList() {
        Listing out;
        run().OnUi([&] {
            auto* dialog = dynamic_cast<CBandSelectDlg*>(OpenDialog());
            if (!dialog) return;
            plat::CListBox& list = dialog->GetList();
            for (int i = 0; i < list.GetCount(); ++i)
                out.rows.push_back(core::LowBytes(list.GetText(i)));
            out.selected = list.GetCurSel();
        });
        return out;
    }
    // Opens the band dialog from the frequency page; its rows once open.
    Listing OpenBands() {
        Keys({"shift+F1", "F7"});
        Listing l;
        EXPECT_TRUE(Eventually([&] {
            l = ReadList();
            return !l.rows.empty();
        }));
        return l;
    }
    // The row of a band's name in the last section (every band in order).
    static int RowOf(const Listing& l, const std::string& name) {
        for (size_t i = l.rows.size(); i-- > 0;)
            if (l.rows[i].substr(2, l.rows[i].find('\t') - 2) == name.substr(0, 16))
                return static_cast<int>(i);
        return -1;
    }
    // Chooses a band by keys: Down to its row, then Enter.
    void Choose(const std::string& name) {
        const Listing l = OpenBands();
        const int row = RowOf(l, name);
        ASSERT_GE(row, 0) << name;
        std::string lines;
        for (int i = l.selected; i < row; ++i) lines += "key DOWN\n";
        run().Type(lines + "key RETURN\n");
        ASSERT_TRUE(Eventually([&] { return ReadList().rows.empty(); }));
    }
    // The first sweep record after `after` with this centre and span.
    std::optional<Sweep> NextSweep(size_t after, uint64_t centre, uint64_t span) {
        const auto r = NextRecord(after, kSweep, [&](const BoardRecord& b) {
            return b.payload.size() >= 40 && b.Get<uint64_t>(0) == centre &&
                   b.Get<uint64_t>(8) == span;
        });
        if (!r) return std::nullopt;
        return Sweep{centre, span, 8 - r->Get<uint16_t>(18), 10 - r->Get<uint16_t>(16)};
    }
};

}  // namespace

// One table of bands chosen by keys: each puts its frequencies in the
// board's next sweep record and on the soft keys; bands with a channel plan
// tune to their first channel (lowest in frequency) over three channel
// bandwidths, and key 7 names the channel; the automatic bandwidths follow
// the new span.
TEST_F(BandsProgram, ChosenBandsTuneTheBoard) {
    struct Row {
        std::string name;
        uint64_t centre, span;
        std::string centre_text;  // on soft key 2
        std::string channel_key;  // soft key 7 (a blank key reads " ")
    };
    const std::vector<Row> rows = {
        {"Tetra", 863500000, 115000000, "863.5", " "},
        {"Emergency 155", 155280000, 240000, "155.28", " "},
        {"GSM900 U", 880200000, 600000, "880.2", "Channel\n\n975"},
        {"CDMA JPN U", 887012500, 3690000, "887.0125", "Channel\n\n1041"},
        {"QX3300 Full", 1800000000, 3600000000, "1.8", " "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const size_t before = RecordCount();
        Choose(r.name);
        const auto sweep = NextSweep(before, r.centre, r.span);
        ASSERT_TRUE(sweep.has_value());
        const int rbw = CoupledRbw(static_cast<double>(r.span));
        EXPECT_EQ(sweep->rbw, rbw);
        EXPECT_EQ(sweep->vbw, CoupledVbw(rbw));
        EXPECT_NE(SoftKey(2).find(r.centre_text), std::string::npos) << SoftKey(2);
        // The key wraps the name at its first blanks.
        std::string list_key = SoftKey(6);
        std::replace(list_key.begin(), list_key.end(), '\n', ' ');
        EXPECT_NE(list_key.find(r.name), std::string::npos) << list_key;
        EXPECT_EQ(SoftKey(7), r.channel_key);
    }
}

// The dialog's rows: the 114 built-in bands alone, without a separator,
// formatted as Python formats the plans' numbers; after "Tetra" has been
// chosen it heads the list, selected, above a separator; custom bands (one
// with a 20-character name) come first, and the selection still goes to
// the used bands. Escape changes nothing; a double click acts as OK.
TEST_F(BandsProgram, TheDialogListsBandsInSections) {
    Listing l = OpenBands();
    ASSERT_EQ(l.rows.size(), 114u);
    for (const std::string& row : l.rows) EXPECT_NE(row.substr(0, 3), "---");
    EXPECT_EQ(l.selected, 0);
    EXPECT_EQ(l.rows[19], PythonRow(" +", "GSM900 U", 880.2, 914.8));
    EXPECT_EQ(l.rows[34], PythonRow("  ", "Tetra", 806, 921));
    // Escape after moving: the band and the frequencies stay.
    run().Type("key DOWN\nkey DOWN\nkey ESCAPE\n");
    ASSERT_TRUE(Eventually([&] { return ReadList().rows.empty(); }));
    OnScreen([](CSpecAnMode& s) {
        EXPECT_EQ(s.GetSASetup()->GetBand(), nullptr);
        EXPECT_EQ(s.GetSASetup()->GetFrequencyRange()->GetSpan(), 3600000000u);
    });

    Choose("Tetra");
    l = OpenBands();
    ASSERT_EQ(l.rows.size(), 116u);
    EXPECT_EQ(l.rows[0], PythonRow("  ", "Tetra", 806, 921));
    EXPECT_EQ(l.rows[1], std::string(139, '-'));
    EXPECT_EQ(l.selected, 0);
    run().Type("key ESCAPE\n");
    ASSERT_TRUE(Eventually([&] { return ReadList().rows.empty(); }));

    // Two custom bands in the application's list.
    ASSERT_TRUE(run().OnUi([&] {
        CSignalBand* list = run().app().GetBandList();
        list->Append(std::make_unique<CSignalBand>(u"Twenty characters ab", 100000000, 150000000,
                                                   200000000, 100000000));
        list->Append(
            std::make_unique<CSignalBand>(u"Site B", 450000000, 455000000, 460000000, 10000000));
    }));
    l = OpenBands();
    // Customs, separator, Tetra, separator, then all 116 bands.
    ASSERT_EQ(l.rows.size(), 121u);
    EXPECT_EQ(l.rows[0], PythonRow("* ", "Twenty characters ab", 100, 200));
    EXPECT_EQ(l.rows[1], PythonRow("* ", "Site B", 450, 460));
    EXPECT_EQ(l.rows[2], std::string(139, '-'));
    EXPECT_EQ(l.rows[3].substr(0, 7), "  Tetra");
    EXPECT_EQ(l.selected, 3);

    // A double click on the first custom band: the pointer selects the row,
    // the second click of the pair takes it.
    ASSERT_TRUE(run().OnUi([&] {
        auto* dialog = dynamic_cast<CBandSelectDlg*>(OpenDialog());
        ASSERT_NE(dialog, nullptr);
        plat::CListBox& list = dialog->GetList();
        const plat::Rect r = list.GetItemRect(0);
        const intptr_t at = plat::make_lparam(r.left + 20, (r.top + r.bottom) / 2);
        list.PostMessage(plat::WM_LBUTTONDOWN, 0, at);
        list.PostMessage(plat::WM_LBUTTONDBLCLK, 0, at);
    }));
    EXPECT_TRUE(Until([](CSpecAnMode& s) {
        const ISetupBand* band = s.GetSASetup()->GetBand();
        return band && band->GetName() == u"Twenty characters ab" &&
               s.GetSASetup()->GetFrequencyRange()->GetCentre() == 150000000u;
    }));
}

namespace {

class ChannelsProgram : public BandsProgram {
  protected:
    // The open channel editor's field and range texts (empty while none is
    // open).
    struct Editor {
        bool open = false;
        std::string field, ranges;
    };
    Editor ReadEditor() {
        Editor out;
        run().OnUi([&] {
            auto* dialog = Open<CChannelEditorDlg>();
            if (!dialog) return;
            out.open = true;
            out.field = core::LowBytes(
                dialog->GetDlgItem(CChannelEditorDlg::kChannelEdit)->GetWindowText());
            out.ranges =
                core::LowBytes(dialog->GetDlgItem(CChannelEditorDlg::kRanges)->GetWindowText());
        });
        return out;
    }
    // The texts of the message boxes shown so far.
    std::vector<std::string> Messages() {
        std::lock_guard lock(messages_mutex_);
        return messages_;
    }
    void WatchMessages() {
        SetMessageBoxObserver([this](const std::u16string& text, uint32_t) {
            std::lock_guard lock(messages_mutex_);
            messages_.push_back(core::LowBytes(text));
        });
    }
    void TearDown() override {
        BandsProgram::TearDown();
        SetMessageBoxObserver(nullptr);
    }
    std::mutex messages_mutex_;
    std::vector<std::string> messages_;  // guarded by messages_mutex_

    // Opens the channel editor from the frequency page (key 7).
    Editor OpenEditor() {
        Keys({"shift+F1", "F8"});
        Editor e;
        EXPECT_TRUE(Eventually([&] {
            e = ReadEditor();
            return e.open;
        }));
        return e;
    }
    // A script line typed and the editor's field once the program took it.
    std::string After(const std::string& line) {
        const std::string before = ReadEditor().field;
        run().Type(line + "\n");
        // Every step below changes the field.
        std::string now;
        EXPECT_TRUE(Eventually([&] {
            now = ReadEditor().field;
            return now != before;
        })) << line;
        return now;
    }
    // Replaces the field's text with `digits` (backspace, soft key 6, first).
    void TypeChannel(const std::string& digits) {
        std::string lines;
        for (int i = 0; i < 12; ++i) lines += "key F6\n";
        for (char c : digits) lines += std::string("key ") + c + "\n";
        run().Type(lines);
        ASSERT_TRUE(Eventually([&] { return ReadEditor().field == digits; }));
    }
    void Close(const char* key) {
        run().Type(std::string("key ") + key + "\n");
        ASSERT_TRUE(Eventually([&] { return !ReadEditor().open; }));
    }
    int32_t Channel() {
        int32_t c = 0;
        OnScreen([&](CSpecAnMode& s) { c = s.GetSASetup()->GetChannelNumber(); });
        return c;
    }
};

}  // namespace

// The editor's keys, one table a band: arrows cross between ranges and stay
// at the band's ends, Left and Right give the last and the first channel,
// the wheel steps as the arrows, soft keys 1 and 2 give the first and the
// last channel, 6 the opening one, and 5 deletes before the caret; Escape
// keeps the channel.
TEST_F(ChannelsProgram, TheEditorsKeysStepThroughTheRanges) {
    struct Step {
        std::string line, field;
    };
    struct Band {
        std::string name, ranges, opening;
        std::vector<Step> steps;
    };
    const std::vector<Band> bands = {
        {"GSM900 U",
         "0..124   975..1023",
         "975",
         {{"key DOWN", "124"},
          {"key UP", "975"},
          {"key LEFT", "1023"},
          {"key RIGHT", "0"},
          {"key F3", "1023"},
          {"key F2", "0"},
          {"key F7", "975"},
          {"wheel -1", "124"},
          {"wheel 1", "975"},
          {"key F6", "97"}}},
        {"CDMA JPN U",
         "1..799   801..1039   1041..1199",
         "1041",
         {{"key LEFT", "1199"},
          {"key RIGHT", "1"},
          {"key UP", "2"},
          {"key F7", "1041"},
          {"key DOWN", "1039"},
          {"key UP", "1041"}}},
    };
    for (const Band& b : bands) {
        SCOPED_TRACE(b.name);
        Choose(b.name);
        const Editor e = OpenEditor();
        EXPECT_EQ(e.field, b.opening);
        EXPECT_EQ(e.ranges, b.ranges);
        for (const Step& s : b.steps) EXPECT_EQ(After(s.line), s.field);
        Close("ESCAPE");
        EXPECT_EQ(Channel(), std::stoi(b.opening));
    }
    // At the band's upper end Up stays.
    OpenEditor();
    EXPECT_EQ(After("key LEFT"), "1199");
    run().Type("key UP\nkey LEFT\n");  // Left again: the field stays too
    const std::string stayed = ReadEditor().field;
    EXPECT_EQ(stayed, "1199");
    Close("ESCAPE");
}

// Select tunes to the channel: centre and span (three channel bandwidths)
// reach the board, key 7 names the channel; a channel typed in the field
// counts; a centre typed afterwards leaves the channel.
TEST_F(ChannelsProgram, SelectTunesToTheChannel) {
    Choose("GSM900 U");
    OpenEditor();
    EXPECT_EQ(After("key DOWN"), "124");
    size_t before = RecordCount();
    Close("F1");
    EXPECT_TRUE(NextSweep(before, 914800000, 600000).has_value());  // 890 + 124 x 0.2 MHz
    EXPECT_EQ(Channel(), 124);
    EXPECT_EQ(SoftKey(7), "Channel\n\n124");

    Choose("CDMA JPN U");
    OpenEditor();
    TypeChannel("900");
    before = RecordCount();
    Close("RETURN");
    EXPECT_TRUE(NextSweep(before, 899250000, 3690000).has_value());  // 898.0125 + 99 x 0.0125
    EXPECT_EQ(Channel(), 900);

    // A centre typed by hand: the channel goes, key 7 stays.
    Keys({"F3", "9", "0", "0", "F3"});
    ASSERT_TRUE(NextSweep(before, 900000000, 3690000).has_value());
    EXPECT_EQ(Channel(), -1);
    EXPECT_EQ(SoftKey(7), "Channel\n");
}

// Channels outside the plan: "Invalid channel" once, the editor stays open
// with the last valid channel, and nothing reaches the board.
TEST_F(ChannelsProgram, InvalidChannelsKeepTheEditorOpen) {
    struct Bad {
        std::string band;
        std::vector<std::string> channels;
        std::string kept;
    };
    const std::vector<Bad> table = {
        {"GSM900 U", {"125", "500", "974", "1024", "12345678901"}, "975"},
        {"CDMA JPN U", {"0", "800", "1200"}, "1041"},
    };
    for (const Bad& t : table) {
        Choose(t.band);
        uint64_t centre = 0, span = 0;
        OnScreen([&](CSpecAnMode& s) {
            centre = s.GetSASetup()->GetFrequencyRange()->GetCentre();
            span = s.GetSASetup()->GetFrequencyRange()->GetSpan();
        });
        OpenEditor();
        WatchMessages();
        for (const std::string& c : t.channels) {
            SCOPED_TRACE(t.band + " " + c);
            const size_t shown = Messages().size();
            TypeChannel(c);
            run().Type("key RETURN\n");
            ASSERT_TRUE(Eventually([&] { return Messages().size() == shown + 1; }));
            EXPECT_EQ(Messages().back(), "Invalid channel");
            run().Type("key RETURN\n");  // the box's OK
            // The editor stays, with the last valid channel.
            ASSERT_TRUE(Eventually([&] { return ReadEditor().field == t.kept; }))
                << ReadEditor().open << " " << ReadEditor().field;
            EXPECT_EQ(Messages().size(), shown + 1);
        }
        Close("F8");
        EXPECT_EQ(Channel(), std::stoi(t.kept));
        const size_t before = RecordCount();
        Keys({"shift+F2", "F1"});  // RBW auto/manual: a restart
        const auto next = NextRecord(before, kSweep);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(next->Get<uint64_t>(0), centre);
        EXPECT_EQ(next->Get<uint64_t>(8), span);
        Keys({"F1"});
    }
}

// A setup saved on channel 124 of "GSM900 U" loads with its centre, span and
// channel.
TEST_F(ChannelsProgram, ASavedChannelLoadsAgain) {
    Choose("GSM900 U");
    OpenEditor();
    After("key DOWN");
    Close("F1");
    const core::Text path = u"\\FlashFX Disk\\channel.tws";
    bool written = false, read = false;
    CSAMeasSetup loaded;
    OnScreen([&](CSpecAnMode& s) {
        written = CSASetupFile(s.GetSASetup()).Write(path);
        read = CSASetupFile(&loaded).Read(path);
    });
    ASSERT_TRUE(written);
    ASSERT_TRUE(read);
    EXPECT_EQ(loaded.GetFrequencyRange()->GetCentre(), 914800000u);
    EXPECT_EQ(loaded.GetFrequencyRange()->GetSpan(), 600000u);
    EXPECT_EQ(loaded.GetChannelNumber(), 124);
    ASSERT_NE(loaded.GetBand(), nullptr);
    EXPECT_EQ(loaded.GetBand()->GetName(), u"GSM900 U");
    EXPECT_EQ(loaded.GetCenterDistance(), 200000u);
}
