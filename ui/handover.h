// One Tallisk for each program folder: a second start hands its page to the
// window already open there and ends, since both would share conf and kept.
#ifndef TALLISK_HANDOVER_H
#define TALLISK_HANDOVER_H

#include <windows.h>

enum StartRole {
    startHere,  // no Tallisk of this folder is open: this run makes the window
    startHandedOver,  // the open window took the page and came forward
    startNotAnswered  // one is open but did not answer in time: nothing started
};

// At start, before the window is made. commandTail is what the command line
// holds after the program's name.
StartRole ClaimProgramFolder(const char* commandTail);
// After the message loop, once conf and kept are written.
void ReleaseProgramFolder();
// The main window as the one a second start finds; unmarked when it closes,
// so that a start during the close waits for this run to end instead, and a
// page queued but not yet opened is dropped.
void MarkMainWindow(HWND dialog);
void UnmarkMainWindow(HWND dialog);

// The command line's first argument, a quoted one without its quotes, into
// page (260 bytes). Returns false when there is none; a present argument too
// long for a path leaves page empty, which the open reports as unreadable.
bool TakeFirstArgument(const char* commandTail, char* page);
// WM_COPYDATA from a second start: true when it was one and the window is
// not closing, with its page (if any) queued and the window brought forward.
bool TakeHandedPage(HWND dialog, const COPYDATASTRUCT* data);
// A page to open as File, Open does, once no dialog or menu of the window
// runs; a later one replaces it. Posts pageQueuedMessage to wake the loop.
void QueuePage(HWND dialog, const char* path);
static constexpr UINT pageQueuedMessage = WM_APP + 2;
// Called by the program's loop only between messages, never from inside a
// dialog's own loop: opens the queued pages one after the other.
void OpenQueuedPages();

#endif
