// The power meter's key state machine: every row of both states, driven
// through HandleEvent with a target that records the actions it is asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/keys.h"
#include "screens/power/key_state_machine.h"

namespace {

class RecordingTarget : public IPowerKeyTarget {
  public:
    RecordingTarget() { SetCurrent(this); }
    ~RecordingTarget() override { SetCurrent(nullptr); }
    std::vector<std::string> calls;

    void ActModeKey() override { calls.push_back("mode"); }
    void ActSetupKey() override { calls.push_back("setup"); }
    void ActMenuKey(int i) override { calls.push_back("menu " + std::to_string(i)); }
    void ActSoftKey(int i) override { calls.push_back("soft " + std::to_string(i)); }
    void ActEnterKey() override { calls.push_back("enter"); }
    void ActPointKey() override { calls.push_back("point"); }
    void ActUpKey() override { calls.push_back("up"); }
    void ActDownKey() override { calls.push_back("down"); }
    void ActZeroingError() override { calls.push_back("zeroing error"); }
    void ActFirmwareAdvice() override { calls.push_back("firmware advice"); }
    void ActNoSensor() override { calls.push_back("no sensor"); }
};

struct Row {
    uint32_t state;
    uint32_t event;
    uint32_t next;
    const char* action;  // "" for the action that does nothing
};

// Both states, row by row, as the screen's tables give them; the end row's
// entry stands for any event no row names.
const Row kRows[] = {
    // State 0, waiting.
    {0, 0x82, 0, "mode"},
    {0, 0x83, 0, "setup"},
    {0, 0x01, 1, ""},
    {0, 0x8049, 0, "zeroing error"},
    {0, 0x804C, 0, "firmware advice"},
    {0, 0x804D, 0, "no sensor"},
    {0, 0x7C, 0, ""},
    {0, 0x7D, 0, ""},
    {0, 0x7E, 0, ""},
    {0, 0x7F, 0, ""},
    {0, 0x80, 0, ""},
    {0, 0x81, 0, ""},
    {0, 0xFFFF, 0, ""},
    // Keys that fall on the end row of state 0.
    {0, 0x70, 0, ""},
    {0, 0x0D, 0, ""},
    {0, 0xBE, 0, ""},
    {0, 0x26, 0, ""},
    {0, 0x28, 0, ""},
    {0, 0x02, 0, ""},
    // State 1, normal.
    {1, 0x7C, 1, "menu 0"},
    {1, 0x7D, 1, "menu 1"},
    {1, 0x7E, 1, "menu 2"},
    {1, 0x7F, 1, "menu 3"},
    {1, 0x80, 1, "menu 4"},
    {1, 0x81, 1, "menu 5"},
    {1, 0x70, 1, "soft 0"},
    {1, 0x71, 1, "soft 1"},
    {1, 0x72, 1, "soft 2"},
    {1, 0x73, 1, "soft 3"},
    {1, 0x74, 1, "soft 4"},
    {1, 0x75, 1, "soft 5"},
    {1, 0x76, 1, "soft 6"},
    {1, 0x77, 1, "soft 7"},
    {1, 0x82, 0, "mode"},
    {1, 0x83, 0, "setup"},
    {1, 0x0D, 1, "enter"},
    {1, 0xBE, 1, "point"},
    {1, 0x26, 1, "up"},
    {1, 0x28, 1, "down"},
    {1, 0x02, 0, ""},
    {1, 0xFFFF, 1, ""},
    // Events that fall on the end row of state 1: the zeroing results are
    // not shown while a sensor is in use, and event 1 changes nothing.
    {1, 0x8049, 1, ""},
    {1, 0x804C, 1, ""},
    {1, 0x804D, 1, ""},
    {1, 0x01, 1, ""},
};

// A machine in `state`, reached through the tables themselves.
CKeyStateMachine MachineIn(uint32_t state) {
    CKeyStateMachine m(PowerMeterKeyStates);
    if (state == 1) m.HandleEvent(power_events::kSensorFound);
    return m;
}

TEST(KeyStateMachine, EveryRowRunsItsActionAndTakesItsTransition) {
    for (const Row& row : kRows) {
        CKeyStateMachine m = MachineIn(row.state);
        RecordingTarget target;
        ASSERT_EQ(m.GetState(), row.state);
        m.HandleEvent(row.event);
        const std::vector<std::string> expected =
            *row.action ? std::vector<std::string>{row.action} : std::vector<std::string>{};
        EXPECT_EQ(target.calls, expected)
            << "state " << row.state << " event " << std::hex << row.event;
        EXPECT_EQ(m.GetState(), row.next)
            << "state " << row.state << " event " << std::hex << row.event;
    }
}

TEST(KeyStateMachine, PressesRunNothingInEitherState) {
    for (uint32_t state : {0u, 1u})
        for (uint32_t key : {0x70u, 0x77u, 0x7Cu, 0x81u, 0x82u, 0x83u, 0x0Du, 0xBEu, 0x26u}) {
            CKeyStateMachine m = MachineIn(state);
            RecordingTarget target;
            m.HandleEvent(key + power_events::kPressed);
            EXPECT_TRUE(target.calls.empty()) << "state " << state << " key " << key;
            EXPECT_EQ(m.GetState(), state);
        }
}

TEST(KeyStateMachine, AnEventWhoseLowBitsAreZeroDoesNothing) {
    for (uint32_t state : {0u, 1u})
        for (uint32_t event : {0u, 0x10000u, 0xFFFF0000u}) {
            CKeyStateMachine m = MachineIn(state);
            RecordingTarget target;
            EXPECT_EQ(m.HandleEvent(event), 0u);
            EXPECT_TRUE(target.calls.empty());
            EXPECT_EQ(m.GetState(), state);
        }
}

TEST(KeyStateMachine, BitsAboveTheLowSixteenAreIgnoredInTheLookUp) {
    CKeyStateMachine m = MachineIn(1);
    RecordingTarget target;
    m.HandleEvent(0x00050072);
    EXPECT_EQ(target.calls, std::vector<std::string>{"soft 2"});
    m.HandleEvent(0x12340082);
    EXPECT_EQ(target.calls.back(), "mode");
    EXPECT_EQ(m.GetState(), 0u);
}

TEST(KeyStateMachine, SoftKeyThreeActsOnlyOnceASensorIsFound) {
    CKeyStateMachine m(PowerMeterKeyStates);
    RecordingTarget target;
    m.HandleEvent(VK_F1 + 2);
    EXPECT_TRUE(target.calls.empty());
    m.HandleEvent(power_events::kSensorFound);
    m.HandleEvent(VK_F1 + 2);
    EXPECT_EQ(target.calls, std::vector<std::string>{"soft 2"});
}

// An action with a zero low byte keeps the machine where it is.
uint32_t Refuse(uint32_t, uint32_t, const KeyStateRow*) {
    return 0x100;
}
uint32_t Accept(uint32_t, uint32_t, const KeyStateRow*) {
    return 1;
}

TEST(KeyStateMachine, AnActionThatRefusesKeepsTheState) {
    static const KeyStateRow kFirst[] = {{5, 1, Refuse}, {6, 1, Accept}, {kEndRowEvent, 0, Accept}};
    static const KeyStateRow kSecond[] = {{kEndRowEvent, 1, Accept}};
    static const KeyStateRow* const kTable[] = {kFirst, kSecond};
    CKeyStateMachine m(kTable);
    EXPECT_EQ(m.HandleEvent(5), 0x100u);
    EXPECT_EQ(m.GetState(), 0u);
    EXPECT_EQ(m.HandleEvent(6), 1u);
    EXPECT_EQ(m.GetState(), 1u);
    m.Reset();
    EXPECT_EQ(m.GetState(), 0u);
}

}  // namespace
