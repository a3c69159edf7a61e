#pragma once
// The program's message boxes: ShowMessage with the program's own modal
// message dialog (dialogs/message_dlg.h) over the main view (OK or Yes/No),
// and the plain box of the exception handlers.
#include <cstdint>
#include <functional>
#include <string>

#include "dialogs/message_dlg.h"
#include "platform/framework/message_box.h"

using plat::MB_ICONASTERISK;
using plat::MB_ICONEXCLAMATION;
using plat::MB_ICONHAND;
using plat::MB_ICONQUESTION;
using plat::MB_OK;
using plat::MB_OKCANCEL;
using plat::MB_YESNO;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;

// Shows the text in the program's message dialog over the main view and
// waits for the answer: MB_OK answers IDOK or IDCANCEL, MB_YESNO IDYES or
// IDNO; any other button set answers IDCANCEL without showing anything.
// Afterwards the main view has the focus again and repaints.
// A caption, when given, stands in the box's title bar.
int ShowMessage(const std::u16string& text, uint32_t style = MB_OK, uint32_t extra = 0,
                const std::u16string& caption = {});
int ShowMessageById(uint32_t id, uint32_t style = MB_OK, uint32_t extra = 0);
// The plain box with "Tarnwick::" and the text, OK only.
void ShowExceptionMessage(const std::u16string& text);
// The framework's standard box (the system's message box with the program's
// caption): the text with the style's icon and buttons; answers the button.
int StandardMessageBox(const std::u16string& text, uint32_t style);

// Watches every box as it opens (text and style); tests install one to see
// what the program tells its user. Null removes it.
using MessageBoxObserver = std::function<void(const std::u16string& text, uint32_t style)>;
void SetMessageBoxObserver(MessageBoxObserver observer);
