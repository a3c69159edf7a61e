// A measurement worker publishes sweeps and waterfall rows under the graph's
// lock while the user-interface thread moves markers, toggles deltas,
// changes the scale and redraws the graticule.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/kernel/clock.h"
#include "widgets/tests/graph_test_support.h"

using namespace graph_test;

class GraphThreads : public GraphFixture {};

TEST_F(GraphThreads, WorkerDrawsSweepsWhileTheUiDrawsMarkersAndScales) {
    plat::VirtualClock clock(true);  // the 5 ms pauses cost no real time
    Records records;
    panel->SetWaterfallMode(2);
    FillSweep(graph());
    graph().SetMarkerRecords(records.ptrs, double(kStartHz), double(kStepHz));
    graph().PlaceAllMarkers(true);
    panel->SetWaterfallMode(2);
    panel->DrawGraph(nullptr, false);
    constexpr int kSweeps = 2000;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int n = 1; n <= kSweeps; ++n) {
            {
                auto d = graph().LockData();
                const int32_t state = n % 3 == 0 ? kSegmentFail : kSegmentPass;
                d->segmentCount = 2;
                d->segmentEnds[0] = 0;
                d->segmentEnds[1] = 300;
                d->segmentEnds[2] = kSweepPoints;
                d->stateCodes[0] = kSegmentPass;
                d->stateCodes[1] = state;
                for (int c = 0; c < 705; ++c) d->columnLevels[size_t(c)] = (c + n) % 256;
                d->last = kSweepPoints;
            }
            panel->DrawTrace();
            panel->AddWaterfallLine();
        }
        done = true;
    });
    int rounds = 0;
    while (!done) {
        panel->MoveCurrentMarkerBy(rounds % 2 == 0, 7);
        panel->ToggleDelta();
        panel->NextMarker();
        panel->SetReferenceLevel(10.0 - rounds % 5, 0, 10.0);
        panel->DrawGraph(nullptr, true);
        ++rounds;
    }
    worker.join();
    EXPECT_GT(rounds, 0);
    // The last sweep is on the screen: the live trace in the fail pen right
    // of point 300 (sweep 2000 is not a multiple of 3: the pass pen).
    panel->DrawTrace();
    const plat::Bitmap shot = plat::screen_snapshot();
    int found = 0;
    for (int x = 310; x < 700; x += 37)
        for (int y = 30; y < 30 + 425 / 2; ++y)
            if (shot.pixel(x, y) == Color(24)) {
                ++found;
                break;
            }
    EXPECT_GE(found, 8);
    EXPECT_EQ(graph().GetRowIndex(), kSweeps % 425);
}
