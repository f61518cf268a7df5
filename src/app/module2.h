#pragma once

class frmMain;

// Start-up: loads the main window, runs its start-up sequence, then shows it.
namespace Module2 {

// Names the program for the desktop. No program-wide icon: the main window and Properties carry
// the program icon themselves, the About dialog and the message boxes carry none.
void prepareApplication();

// The window deletes itself when it closes; the program ends with it.
frmMain *Main();

} // namespace Module2
