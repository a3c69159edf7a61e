#pragma once
// A small table-driven state machine and the power meter's two key states.
// Every key press and release, the screen's two internal events and the
// three sensor-zeroing results become 16-bit event codes; the machine looks
// the code up in its current state's row list and runs the row's action.
// The machine knows nothing of keys: the tables are static data it is given.
#include <cstdint>

struct KeyStateRow;
// An action gets the event as passed to the machine (all 32 bits), the row's
// next state and the row; a non-zero low byte of the result takes the row's
// transition.
using KeyStateAction = uint32_t (*)(uint32_t event, uint32_t next_state, const KeyStateRow* row);

struct KeyStateRow {
    uint32_t event;  // only the low 16 bits are compared
    uint32_t next_state;
    KeyStateAction action;
};

// The event of a state's last row: it catches every event no row above names.
inline constexpr uint32_t kEndRowEvent = 0xFFFF;

class CKeyStateMachine {
  public:
    // `states[n]` is the row list of state n, each ended by an end row; the
    // table is static and never copied.
    explicit CKeyStateMachine(const KeyStateRow* const* states) : states_(states) {}
    virtual uint32_t HandleEvent(uint32_t event);
    virtual uint32_t GetState() const { return state_; }
    virtual void Reset() { state_ = 0; }

  protected:
    uint32_t Dispatch(uint32_t event);

  private:
    uint32_t state_ = 0;  // the thread that holds the owner's event lock
    const KeyStateRow* const* states_;
};

// The power meter's events besides the keys.
namespace power_events {
inline constexpr uint32_t kSensorFound = 0x01;
inline constexpr uint32_t kEnterWaiting = 0x02;
inline constexpr uint32_t kZeroingError = 0x8049;
inline constexpr uint32_t kFirmwareAdvice = 0x804C;
inline constexpr uint32_t kNoSensor = 0x804D;
inline constexpr uint32_t kPressed = 0x8000;
}  // namespace power_events

// What the power meter's table actions do; the screen registers itself as
// the one target (tests register a recorder).
class IPowerKeyTarget {
  public:
    virtual ~IPowerKeyTarget() = default;
    virtual void ActModeKey() = 0;
    virtual void ActSetupKey() = 0;
    virtual void ActMenuKey(int index) = 0;
    virtual void ActSoftKey(int index) = 0;
    virtual void ActEnterKey() = 0;
    virtual void ActPointKey() = 0;
    virtual void ActUpKey() = 0;
    virtual void ActDownKey() = 0;
    virtual void ActZeroingError() = 0;
    virtual void ActFirmwareAdvice() = 0;
    virtual void ActNoSensor() = 0;

    static IPowerKeyTarget* Current();
    static void SetCurrent(IPowerKeyTarget* target);
};

// State 0 (waiting for a sensor) and state 1 (a sensor in use).
extern const KeyStateRow* const PowerMeterKeyStates[2];
