#pragma once

#include <QString>

// The system's own words for a Windows error code, as the user's language has them.
namespace SystemError {

// FormatMessageW's text for code, without the line break and full stop at its end; "error N"
// when the system has no text for it.
QString text(unsigned long code);

// The text for the calling thread's last error (GetLastError).
QString last();

} // namespace SystemError
