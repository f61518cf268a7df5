#pragma once

class frmMain;

// Start-up: loads the main window, runs its start-up sequence, then shows it.
namespace Module2 {

// The window deletes itself when it closes; the program ends with it.
frmMain *Main();

} // namespace Module2
