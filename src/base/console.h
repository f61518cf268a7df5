#pragma once

// The console the command-line programs run in: its interrupts, and whether it can redraw a line.
namespace Console {

// From now on an interrupt calls stop: Ctrl-C and a termination request, and on Windows also
// Ctrl-Break and the console window closing. stop runs in a signal handler or on a thread of the
// system's, so it may only touch lock-free atomics.
void onInterrupt(void (*stop)());

// The program's work is done. A console that is closing waits for this (a few seconds at most)
// before the system ends the program, so a stopped upload leaves the line as a stop does.
void finished();

// Keeps interrupts off the calling thread: a signal landing there would cut a wait for the line
// short and read as a line failure.
void keepInterruptsOffThisThread();

// Whether standard error is a terminal that redraws a line in place ("\r" and "ESC [K").
bool canRedrawLine();

} // namespace Console
