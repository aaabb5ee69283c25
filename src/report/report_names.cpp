#include "report/report_names.h"

#include <cstring>

const char* base_name(const char* path) {
    for (char separator : {'/', '\\', ':'}) {
        const char* last = std::strrchr(path, separator);
        if (last) return last + 1;
    }
    return path;
}

const char* extension_of(const char* short_name) {
    const char* dot = std::strrchr(short_name, '.');
    return dot ? dot : "";
}

std::string report_tag(const char* title) {
    std::string tag = base_name(title);
    if (tag.size() > 4) tag[tag.size() - 4] = '_';
    return tag;
}
