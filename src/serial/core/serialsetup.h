#pragma once

#include "serial/core/linesettings.h"

#include <QString>

#include <optional>

class PortSettings;
class SerialPortComponent;

// The serial set-up made at start-up, shared by the window and the command-line uploader.
namespace SerialSetup {

inline constexpr const char *LineSettingsText = "38400,N,8,2";
// The device's line, as LineSettingsText spells it.
LineSettings deviceLine();

// The number a stored text spells, or nothing when it is not a whole number.
std::optional<int> parseStoredPort(const QString &text);

// In this order: keep null bytes, the stored port number, the line settings, binary input, RTS off.
// A step that fails is skipped; the later steps still run.
void configure(SerialPortComponent &port, const PortSettings &settings);

} // namespace SerialSetup
