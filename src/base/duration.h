#pragma once

#include <QString>

// "hh:nn:ss" of a duration in milliseconds: whole seconds, fractions dropped, whole days dropped
// (25 hours shows as 01:00:00). A negative duration shows as 00:00:00.
QString formatDuration(qint64 milliseconds);
