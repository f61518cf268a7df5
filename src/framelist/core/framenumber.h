#pragma once

#include "frame/framename.h"
#include "frame/wireformat.h"

#include <QString>

#include <optional>

class FrameListModel;

// Frame numbers as the operator types them and as the list shows them.
namespace FrameNumber {

inline constexpr int Highest = WireFormat::HighestFrameNumber;
inline constexpr const char *RangeMessage = "Only integer numbers in range 0-255 allowed!";

// FormatFrameNumber (frame/framename.h) makes the four-digit entry text.

// The number a typed text spells when it is a whole number from 0 to 255: "7", "007", "7.0" and
// " 7 " are all 7. Nothing for "7.5", "-1", "256", "abc", "1 2 3" or an empty text.
std::optional<int> parseTyped(const QString &text);

// The suggested first number for new entries: "0000" for an empty list, otherwise one more than
// the last entry's number; empty when that would be 1000 or more.
QString nextFree(const FrameListModel &list);

} // namespace FrameNumber
