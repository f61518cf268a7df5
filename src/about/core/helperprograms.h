#pragma once

#include <QString>

class ProgramLauncher;

// Where the About dialog finds the programs it starts.
namespace HelperPrograms {

// The system information program; empty when the system has none.
QString systemInformation(const ProgramLauncher &launcher);

// The web browser to start with the maker's address as its argument; empty when the address goes
// to the desktop's default browser instead.
QString webBrowser();

} // namespace HelperPrograms
