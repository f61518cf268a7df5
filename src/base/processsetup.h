#pragma once

// What every program of the project sets up for itself before Qt starts (the window, the three
// command-line programs).
void prepareProcess();
