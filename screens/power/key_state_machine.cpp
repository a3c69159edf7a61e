#include "screens/power/key_state_machine.h"

#include <atomic>

#include "core/keys.h"

namespace {

constexpr uint32_t kLow16 = 0xFFFF;
constexpr uint32_t kMoved = 0xFF;

std::atomic<IPowerKeyTarget*> g_key_target{nullptr};

}  // namespace

uint32_t CKeyStateMachine::HandleEvent(uint32_t event) {
    if ((event & kLow16) == 0) return 0;
    return Dispatch(event);
}

uint32_t CKeyStateMachine::Dispatch(uint32_t event) {
    const uint32_t code = event & kLow16;
    const KeyStateRow* row = states_[state_];
    while ((row->event & kLow16) != code && (row->event & kLow16) != kEndRowEvent) ++row;
    const uint32_t result = row->action(event, row->next_state, row);
    if ((result & kMoved) == 0) return result;
    state_ = row->next_state;
    return state_;
}

IPowerKeyTarget* IPowerKeyTarget::Current() {
    return g_key_target.load();
}

void IPowerKeyTarget::SetCurrent(IPowerKeyTarget* target) {
    g_key_target.store(target);
}

// ------------------------------------------------------------ the actions

namespace {

template <void (IPowerKeyTarget::*Act)()>
uint32_t Call(uint32_t, uint32_t, const KeyStateRow*) {
    if (IPowerKeyTarget* t = IPowerKeyTarget::Current()) (t->*Act)();
    return 1;
}

template <int Index>
uint32_t MenuKey(uint32_t, uint32_t, const KeyStateRow*) {
    if (IPowerKeyTarget* t = IPowerKeyTarget::Current()) t->ActMenuKey(Index);
    return 1;
}

template <int Index>
uint32_t SoftKey(uint32_t, uint32_t, const KeyStateRow*) {
    if (IPowerKeyTarget* t = IPowerKeyTarget::Current()) t->ActSoftKey(Index);
    return 1;
}

uint32_t ActNone(uint32_t, uint32_t, const KeyStateRow*) {
    return 1;
}

constexpr auto ActModeKey = Call<&IPowerKeyTarget::ActModeKey>;
constexpr auto ActSetupKey = Call<&IPowerKeyTarget::ActSetupKey>;
constexpr auto ActEnterKey = Call<&IPowerKeyTarget::ActEnterKey>;
constexpr auto ActPointKey = Call<&IPowerKeyTarget::ActPointKey>;
constexpr auto ActUpKey = Call<&IPowerKeyTarget::ActUpKey>;
constexpr auto ActDownKey = Call<&IPowerKeyTarget::ActDownKey>;
constexpr auto ActZeroingError = Call<&IPowerKeyTarget::ActZeroingError>;
constexpr auto ActFirmwareAdvice = Call<&IPowerKeyTarget::ActFirmwareAdvice>;
constexpr auto ActNoSensor = Call<&IPowerKeyTarget::ActNoSensor>;

using namespace power_events;

constexpr KeyStateRow kWaiting[] = {
    {VK_F19, 0, ActModeKey},
    {VK_F20, 0, ActSetupKey},
    {kSensorFound, 1, ActNone},
    {kZeroingError, 0, ActZeroingError},
    {kFirmwareAdvice, 0, ActFirmwareAdvice},
    {kNoSensor, 0, ActNoSensor},
    {VK_F13, 0, ActNone},
    {VK_F13 + 1, 0, ActNone},
    {VK_F13 + 2, 0, ActNone},
    {VK_F13 + 3, 0, ActNone},
    {VK_F13 + 4, 0, ActNone},
    {VK_F13 + 5, 0, ActNone},
    {kEndRowEvent, 0, ActNone},
};

constexpr KeyStateRow kNormal[] = {
    {VK_F13, 1, MenuKey<0>},     {VK_F13 + 1, 1, MenuKey<1>}, {VK_F13 + 2, 1, MenuKey<2>},
    {VK_F13 + 3, 1, MenuKey<3>}, {VK_F13 + 4, 1, MenuKey<4>}, {VK_F13 + 5, 1, MenuKey<5>},
    {VK_F1, 1, SoftKey<0>},      {VK_F1 + 1, 1, SoftKey<1>},  {VK_F1 + 2, 1, SoftKey<2>},
    {VK_F1 + 3, 1, SoftKey<3>},  {VK_F1 + 4, 1, SoftKey<4>},  {VK_F1 + 5, 1, SoftKey<5>},
    {VK_F1 + 6, 1, SoftKey<6>},  {VK_F1 + 7, 1, SoftKey<7>},  {VK_F19, 0, ActModeKey},
    {VK_F20, 0, ActSetupKey},    {VK_RETURN, 1, ActEnterKey}, {VK_OEM_PERIOD, 1, ActPointKey},
    {VK_UP, 1, ActUpKey},        {VK_DOWN, 1, ActDownKey},    {kEnterWaiting, 0, ActNone},
    {kEndRowEvent, 1, ActNone},
};

}  // namespace

const KeyStateRow* const PowerMeterKeyStates[2] = {kWaiting, kNormal};
