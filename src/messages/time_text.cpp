#include "messages/time_text.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const DAY_NAMES[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MONTH_NAMES[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

char time_buffer[100];

}  // namespace

const char* local_time_text(std::time_t seconds) {
    std::tm parts{};
    if (!localtime_r(&seconds, &parts)) {
        std::snprintf(time_buffer, sizeof time_buffer, "\n");
        return time_buffer;
    }
    std::snprintf(time_buffer, sizeof time_buffer, "%s %s %02d %02d:%02d:%02d %4d%s",
                  DAY_NAMES[parts.tm_wday % 7], MONTH_NAMES[parts.tm_mon % 12], parts.tm_mday,
                  parts.tm_hour, parts.tm_min, parts.tm_sec, parts.tm_year + 1900, "\n");
    return time_buffer;
}

void time_stamp(char* buffer) {
    const char* text = local_time_text(std::time(nullptr));
    std::size_t length = std::strlen(text);
    if (length >= 100) length = 99;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    if (length > 0 && buffer[length - 1] == '\n') buffer[length - 1] = '\0';
}
