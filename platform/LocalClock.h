#pragma once
// The current local date and time.

namespace platform {

// Now, as a date-time double (days since 1899-12-30 00:00 local time, the
// fraction the time of day), to the millisecond.
double CurrentLocalDateTime();

}  // namespace platform
