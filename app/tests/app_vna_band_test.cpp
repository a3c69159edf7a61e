// The band key of the network analyzer in the real program: `celvane`
// headless on a fresh device root whose mode.txt names the network
// analyzer, a backup setup of 500 to 1500 MHz and the board's command log.
// A band chosen by keys in the band dialog (the frequency page's seventh
// key, Down to its row, Enter) becomes the range of the next sweep the
// board is asked for, unless it starts below the lowest frequency the board
// measures. The bands' edges are the band plans' published numbers, typed
// in here.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "app/tests/vna_program.h"

namespace {

using namespace vna_program;

// The rows of bands in the dialog's list (every band in list order, none
// used yet) and their edges.
struct Band {
    const char* name;
    int row;
    uint64_t start, stop;
};
constexpr Band kTetra = {"Tetra", 34, 806000000, 921000000};
constexpr Band kVhfLow = {"VHF low", 107, 144000000, 174000000};

class VnaBandProgram : public VnaProgram {
  protected:
    // Chooses the band by keys once the start's upload ended; the first
    // sweep request after the choice. A refused band leaves a box open,
    // which holds the program (no sweep is asked) until Enter closes it.
    std::optional<Record> ChooseBand(const Band& band, bool refused) {
        if (!AwaitUploadEnd()) return std::nullopt;
        const size_t before = Records().size();
        std::string keys = "key F13\nkey F7\nwait 500\n";
        for (int i = 0; i < band.row; ++i) keys += "key DOWN\n";
        Send(keys + "key RETURN");
        if (refused) {
            Send("wait 2000");
            Sync();
            for (size_t i = before; i < Records().size(); ++i)
                EXPECT_NE(Records()[i].command, kSweep) << "a sweep while the box is open";
            Send("key RETURN");
        }
        const std::optional<size_t> sweep = Await(kSweep, before);
        if (!sweep) return std::nullopt;
        return Records()[*sweep];
    }
};

// With the board's low-frequency option the lowest frequency is 1.6 MHz:
// both bands are taken. Without it the lowest is 325 MHz: the VHF band is
// refused with a message and the sweep keeps the backup's range.
TEST_F(VnaBandProgram, AChosenBandBecomesTheRangeUnlessItStartsBelowTheLowestFrequency) {
    struct Case {
        bool option;
        Band band;
        bool refused;
    } cases[] = {
        {true, kTetra, false},
        {true, kVhfLow, false},
        {false, kTetra, false},
        {false, kVhfLow, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.band.name) + (c.option ? " with" : " without") + " the option");
        Start(Scene(c.option ? "}}" : R"(, "option_bit": false}})"));
        const std::optional<Record> sweep = ChooseBand(c.band, c.refused);
        ASSERT_TRUE(sweep);
        EXPECT_EQ(sweep->Get<uint64_t>(4), c.refused ? 500000000u : c.band.start);
        EXPECT_EQ(sweep->Get<uint64_t>(12), c.refused ? 1500000000u : c.band.stop);
        Quit();
    }
}

}  // namespace
