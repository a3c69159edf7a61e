#pragma once
// The application's commands (WM_COMMAND ids to the main frame, argument in
// lParam), and the objects some of them carry in lParam.
//
// An object travels in a command's lParam only through PostCommandObject and
// TakeCommandObject, typed by the command. The table below says for each
// command what it carries and who frees it:
//  - kPosterKeeps: the object belongs to someone else for as long as the
//    command may be pending (a screen of the application's list, an item of
//    the sorted list, a measurement of a screen's chain); nobody frees it;
//  - kReceiverFrees: the poster gives the object away; the handler of the
//    command deletes it (and a post that fails deletes it at once).
#include <cstdint>
#include <memory>

#include "core/text.h"
#include "platform/framework/wnd.h"
#include "platform/window/messages.h"

class CModeBase;
class CSortedItem;
class CCommandRecord;
class CBufferPair;
class CMeasurement;
class CSortedStringArray;

enum AppCommandId : uint32_t {
    kCmdFirst = 32804,
    kCmdColorScheme = 32804,
    kCmdContrast = 32805,
    kCmdLanguage = 32806,
    kCmdBioRequest = 32807,
    kCmdShowPage = 32808,
    kCmdPageRecord = 32809,
    kCmdSwitchMode = 32810,
    kCmdQuickTexts = 32811,
    kCmdFpgaCrc = 32814,
    kCmdDspCrc = 32815,
    kCmdCableList = 32816,
    kCmdPane1 = 32817,
    kCmdPane2 = 32818,
    kCmdPane0 = 32819,
    kCmdRecallSetup = 32820,
    kCmdRefreshPane = 32821,
    kCmdSaveSettings = 32822,
    kCmdBandList = 32823,
    kCmdCommandRecord = 32824,
    kCmd32825 = 32825,
    kCmdLaunch = 32828,
    kCmdBufferPair = 32829,
    kCmdShowTools = 32832,
    kCmdReadout = 32833,
    kCmdAntennaList = 32834,
    kCmdShowSetup = 32835,
    kCmdClosePopup = 32837,
    kCmdTraceFiles = 32838,
    kCmdActivateMeasurement = 32839,
    kCmdSwitchNoStart = 32840,
    kCmdZero1 = 32841,
    kCmdZero2 = 32844,
    kCmdZero3 = 32845,
    kCmdShowModeSelect = 32846,
    kCmdShowSetup2 = 32847,
    kCmdLimitMask = 32848,
    kCmdLast = 32848,
    kCmdRuntimeWord = 32849,
};

enum CarriedOwner { kPosterKeeps, kReceiverFrees };

// What a command carries; only the commands listed here carry an object.
template <uint32_t Command>
struct CommandObject;

template <class T, CarriedOwner Owner>
struct Carries {
    using Type = T;
    static constexpr CarriedOwner kOwner = Owner;
};

// A screen of the application's list.
template <>
struct CommandObject<kCmdSwitchMode> : Carries<CModeBase, kPosterKeeps> {};
template <>
struct CommandObject<kCmdSwitchNoStart> : Carries<CModeBase, kPosterKeeps> {};
// An item of the application's sorted list.
template <>
struct CommandObject<kCmdRecallSetup> : Carries<CSortedItem, kPosterKeeps> {};
// A measurement of a screen's chain.
template <>
struct CommandObject<kCmdActivateMeasurement> : Carries<CMeasurement, kPosterKeeps> {};
// The poster's quick texts.
template <>
struct CommandObject<kCmdQuickTexts> : Carries<const CSortedStringArray, kPosterKeeps> {};
// Texts for the screen's draw panel; after the screen the view frees and
// deletes the pair (with no screen it only deletes it).
template <>
struct CommandObject<kCmdBufferPair> : Carries<CBufferPair, kReceiverFrees> {};
// A record the current screen deletes (with no screen the view does).
template <>
struct CommandObject<kCmdCommandRecord> : Carries<CCommandRecord, kReceiverFrees> {};

// A text for a row of the screen's draw panel (or its readout panel); the
// screen copies it and the view deletes it.
template <>
struct CommandObject<kCmdPane0> : Carries<core::Text, kReceiverFrees> {};
template <>
struct CommandObject<kCmdPane1> : Carries<core::Text, kReceiverFrees> {};
template <>
struct CommandObject<kCmdPane2> : Carries<core::Text, kReceiverFrees> {};
template <>
struct CommandObject<kCmdReadout> : Carries<core::Text, kReceiverFrees> {};

template <uint32_t Command>
using CarriedType = typename CommandObject<Command>::Type;

template <uint32_t Command>
constexpr bool kReceiverFreesObject = CommandObject<Command>::kOwner == kReceiverFrees;

// The lParam of a command carrying a borrowed object (for a send).
template <uint32_t Command>
requires(!kReceiverFreesObject<Command>) intptr_t CommandParam(CarriedType<Command>* object) {
    return reinterpret_cast<intptr_t>(object);
}

// Posts a command with a borrowed object; false when the window is gone.
template <uint32_t Command>
requires(!kReceiverFreesObject<Command>) bool PostCommandObject(plat::CWnd* window,
                                                                CarriedType<Command>* object) {
    return window && window->PostMessage(plat::WM_COMMAND, Command, CommandParam<Command>(object));
}

// Posts a command that hands its object to the receiver; the object is
// deleted here when the post fails.
template <uint32_t Command>
requires kReceiverFreesObject<Command>
bool PostCommandObject(plat::CWnd* window, std::unique_ptr<CarriedType<Command>> object) {
    if (!window ||
        !window->PostMessage(plat::WM_COMMAND, Command, reinterpret_cast<intptr_t>(object.get())))
        return false;
    object.release();
    return true;
}

// The object of a received command. For a kReceiverFrees command the
// handler owns it and deletes it.
template <uint32_t Command>
CarriedType<Command>* TakeCommandObject(intptr_t lparam) {
    return reinterpret_cast<CarriedType<Command>*>(lparam);
}
