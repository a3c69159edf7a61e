// The title bars of the instrument screens in the program itself, in this
// process on the simulated board: a setup recalled by keys names itself in
// the analyzers' title bars, and the network analyzer's measurement chosen
// by its soft keys retitles the screen and leaves no row of the measurement
// before it.
#include <gtest/gtest.h>

#include <string>

#include "app/tests/product_run.h"
#include "core/res_string.h"
#include "instrument/measurement.h"
#include "platform/text/utf.h"
#include "screens/vna/vna_mode.h"
#include "widgets/readout_panel.h"
#include "widgets/text_widget.h"
#include "widgets/title_bar.h"

using product_test::ProductRun;

namespace {

constexpr char kScene[] = R"({"receiver": {"noise_variation": false}})";

class ScreenTitles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(run.ImageOk());
        ASSERT_TRUE(run.Start());
    }

    // What the current screen's title bar shows: its title, and the label
    // and value of its right part.
    struct Title {
        std::string title, label, value;
    };
    Title Read() {
        Title t;
        run.OnUi([&] {
            CModeBase* screen = run.app().GetCurrentMode();
            CFileLabelPanel* bar = screen ? screen->file_label_panel() : nullptr;
            if (!bar) return;
            t.title = plat::to_utf8(bar->GetFileLabel());
            if (CTextWidget* setup = bar->GetSetupWidget()) {
                t.label = plat::to_utf8(setup->GetLabel());
                t.value = plat::to_utf8(setup->GetValue());
            }
        });
        return t;
    }
    template <class Fn>
    bool Until(Fn ok) {
        return product_test::Eventually([&] { return ok(Read()); });
    }
    // A readout cell of the current screen: its value text.
    std::string Cell(int row, int column) {
        std::string text;
        run.OnUi([&] {
            CModeBase* screen = run.app().GetCurrentMode();
            CReadoutPanel* panel = screen ? screen->readout_panel() : nullptr;
            CTextWidget* cell = panel ? panel->GetCell(row, column) : nullptr;
            if (cell) text = plat::to_utf8(cell->GetValue());
        });
        return text;
    }

    ProductRun run{"celvane-titles", kScene};
};

// The factory setups recalled from the setup manager: the spectrum
// analyzer's and then the network analyzer's title bar read "Setup:" and the
// recalled setup's name.
TEST_F(ScreenTitles, TheAnalyzersTitlesNameTheRecalledSetup) {
    run.RecallSetup(0);
    EXPECT_TRUE(Until([](const Title& t) {
        return t.label == "Setup:" && t.value == "Factory SA";
    })) << Read().label
        << " " << Read().value;
    run.RecallSetup(1);
    EXPECT_TRUE(Until([](const Title& t) {
        return t.label == "Setup:" && t.value == "Factory VNA";
    })) << Read().label
        << " " << Read().value;
    EXPECT_EQ(run.Finish(), 0);
}

// On the network analyzer, the measurement page's soft keys (menu key 4,
// key 1 for the selection, then the measurement's key): the title names
// each measurement chosen, and the gain measurement's row with its DC bias
// on goes with it.
TEST_F(ScreenTitles, ANetworkMeasurementChosenBySoftKeyRetitlesTheScreen) {
    run.RecallSetup(1);
    ASSERT_TRUE(Until([](const Title& t) { return t.value == "Factory VNA"; }));
    // The keys wait for the calibration the activation uploads.
    ASSERT_TRUE(product_test::Eventually([&] {
        bool idle = false;
        run.OnUi([&] {
            auto* vna = dynamic_cast<CVnaMode*>(run.app().GetCurrentMode());
            idle = vna && !vna->IsUploadBusy() && !vna->IsDownloadBusy();
        });
        return idle;
    }));
    auto named = [](const char* what) {
        return [what](const Title& t) { return t.title.find(what) != std::string::npos; };
    };
    run.Type("key shift+F4\nkey F1\nkey F2\n");
    EXPECT_TRUE(Until(named("Distance"))) << Read().title;
    // Gain with its bias on, then back to the match: neither the title nor
    // the gain row stays.
    run.Type("key F1\nkey F4\nkey F3\n");
    ASSERT_TRUE(Until(named("Gain"))) << Read().title;
    EXPECT_TRUE(product_test::Eventually([&] { return Cell(2, 2).find("On") == 0; })) << Cell(2, 2);
    run.Type("key F1\nkey F1\n");
    EXPECT_TRUE(Until([](const Title& t) { return t.title.find("Gain") == std::string::npos; }))
        << Read().title;
    EXPECT_TRUE(product_test::Eventually([&] {
        auto blank = [](const std::string& t) {
            return t.find_first_not_of(' ') == std::string::npos;
        };
        return blank(Cell(2, 0)) && blank(Cell(2, 1)) && blank(Cell(2, 2));
    })) << Cell(2, 0)
        << "|" << Cell(2, 1) << "|" << Cell(2, 2);
    bool bias = true;
    run.OnUi([&] {
        if (auto* vna = dynamic_cast<CVnaMode*>(run.app().GetCurrentMode()))
            bias = vna->IsDcBiasOn();
    });
    EXPECT_FALSE(bias);
    EXPECT_EQ(run.Finish(), 0);
}

}  // namespace
