#include "driver/kyvlink.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>


void crash_handler(int) {
    std::fputs("core =>exit\n", stderr);
    std::exit(1);
}

void print_pair(const char* message, const char* detail) {
    std::printf("%s : %s \n", message, detail);
}

bool is_source_file_name(const char* file_name) {
    const char* dot = std::strrchr(file_name, '.');
    return dot && (std::strcmp(dot, ".c") == 0 || std::strcmp(dot, ".cpp") == 0);
}
