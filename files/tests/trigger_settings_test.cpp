#include "files/trigger_settings.h"

#include <gtest/gtest.h>

TEST(TriggerSettings, Defaults) {
    CTriggerSettings t;
    EXPECT_EQ(t.GetMode(), 3);
    EXPECT_EQ(t.GetModeGroup(), 1);
    EXPECT_EQ(t.GetModeRemainder(), 0);
    EXPECT_EQ(t.GetDelay(), 5000u);
    EXPECT_EQ(t.GetLevel(), 0);
    EXPECT_EQ(t.GetEdge(), 0);
    EXPECT_EQ(t.GetCondition(), 1);
    EXPECT_EQ(t.GetModified(), 0);
}

TEST(TriggerSettings, ModeKeepsRemainderAndGroupAndRefusesOutOfRange) {
    CTriggerSettings t;
    EXPECT_EQ(t.SetMode(5), 3);
    EXPECT_EQ(t.GetModeRemainder(), 2);
    EXPECT_EQ(t.GetModeGroup(), 1);
    EXPECT_EQ(t.GetModified(), 0);  // setting the mode does not mark
    for (int bad : {6, 7, -1}) {
        EXPECT_EQ(t.SetMode(bad), -1);
        EXPECT_EQ(t.GetMode(), 5);
        EXPECT_EQ(t.GetModeGroup(), 1);
    }
}

TEST(TriggerSettings, DelayAndLevelSteps) {
    struct Case {
        const char* what;
        void (*step)(CTriggerSettings&);
        uint32_t delay;
        int16_t level;
    };
    const Case cases[] = {
        {"dec delay to floor", [](CTriggerSettings& t) { t.DecDelay(5000); }, 1, 0},
        {"inc delay to ceiling", [](CTriggerSettings& t) { t.IncDelay(6000); }, 10000, 0},
        {"inc delay huge step", [](CTriggerSettings& t) { t.IncDelay(0xFFFFFFFFu); }, 10000, 0},
        {"inc level to ceiling", [](CTriggerSettings& t) { t.SetLevel(2800), t.IncLevel(500); },
         5000, 3000},
        {"dec level to floor", [](CTriggerSettings& t) { t.SetLevel(-19500), t.DecLevel(1000); },
         5000, -20000},
        // A step that would wrap a 16-bit sum still ends at the limit.
        {"inc level wraps not", [](CTriggerSettings& t) { t.IncLevel(40000); }, 5000, 3000},
        {"dec level wraps not", [](CTriggerSettings& t) { t.DecLevel(40000); }, 5000, -20000},
        {"set level clamps", [](CTriggerSettings& t) { t.SetLevel(-30000); }, 5000, -20000},
        {"set delay clamps", [](CTriggerSettings& t) { t.SetDelay(0); }, 1, 0},
    };
    for (const Case& c : cases) {
        CTriggerSettings t;
        c.step(t);
        EXPECT_EQ(t.GetDelay(), c.delay) << c.what;
        EXPECT_EQ(t.GetLevel(), c.level) << c.what;
    }
}

TEST(TriggerSettings, EdgesNeverShowNeither) {
    CTriggerSettings t;
    EXPECT_EQ(t.SetRisingEdge(false), 1);  // falling alone
    EXPECT_EQ(t.GetEdge(), 1);
    EXPECT_EQ(t.SetRisingEdge(true), 2);  // both
    EXPECT_TRUE(t.IsRisingEdge());
    EXPECT_TRUE(t.IsFallingEdge());
    EXPECT_EQ(t.SetFallingEdge(false), 0);  // rising alone
    EXPECT_EQ(t.GetEdge(), 0);
    EXPECT_EQ(t.SetFallingEdge(true), 2);
    EXPECT_EQ(t.SetFallingEdge(true), 1);  // already on: no change
    EXPECT_EQ(t.GetEdge(), 2);
    EXPECT_EQ(t.GetModified(), 1);
}

TEST(TriggerSettings, OutOfRangeEnumerationsAreRefused) {
    CTriggerSettings t;
    EXPECT_FALSE(t.SetEdge(3));
    EXPECT_FALSE(t.SetEdge(-1));
    EXPECT_EQ(t.GetEdge(), 0);
    EXPECT_FALSE(t.SetCondition(5));
    EXPECT_EQ(t.GetCondition(), 1);
    EXPECT_EQ(t.GetModified(), 0);
    EXPECT_TRUE(t.SetCondition(4));
    EXPECT_EQ(t.GetModified(), 1);
}
