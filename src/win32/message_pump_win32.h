#pragma once
// The message loops of a program whose main window is not a dialog but works
// from the keyboard like one: Tab between its controls, Enter for the default
// button and Alt with the letter a caption underlines. Every loop of the
// thread (the main one, a wait for a program, a wait for an answer) serves
// its messages here, so the keyboard works whichever loop is running.

#include <windows.h>

namespace ambrel {

// The window whose keyboard messages pass through IsDialogMessage first
// (nullptr: none). A window of a dialog box of the system's is left to that
// dialog's own loop.
void SetKeyboardDialogWindow(HWND window);

// Serves one message taken from the queue.
void ServeMessage(MSG& msg);

// Serves the messages waiting in the queue, leaving a quit request for the
// caller; true when one was found (`quitCode` then holds its code).
bool ServeWaitingMessages(int* quitCode = nullptr);

}  // namespace ambrel
