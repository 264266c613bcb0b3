// "kept" next to the program: the three editors' texts, so that what was
// typed comes back at the next start, saved into a page or not.
#ifndef TALLISK_KEPT_H
#define TALLISK_KEPT_H

#include <windows.h>

// How long after the last change the texts are written, in milliseconds.
const UINT keepDelay = 2000;

// Non-zero while the editors hold texts that are not yet in the file.
extern int keptDirty;
// Set for the rest of the run when the file is there but cannot be read or
// moved aside: it is left as it is, and nothing is written over it.
extern bool keepingStopped;
// Set once a failed write was reported, so that the next ones are silent.
extern bool keepFailureShown;

// After the settings load: gives the editors the kept texts. A missing file
// leaves them as they are; a damaged one is moved aside with one message.
void LoadKeptTexts();
// An editor changed: the texts are written keepDelay after the last change.
void NoteTextsChanged();
// Writes the file when the texts changed since the last write (the timer,
// closing, the end of the session). A failure is reported once per run.
void SaveKeptTexts();

#endif
