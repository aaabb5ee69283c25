// Local-time texts of the report, such as "Wed Dec 09 12:02:42 2015".
#pragma once
#include <ctime>

// The local time of a value in seconds since 1970, followed by a line break;
// the static buffer is overwritten by the next call.
const char* local_time_text(std::time_t seconds);

// Writes the current local time, without a line break, into a buffer of 100 bytes.
void time_stamp(char* buffer);
