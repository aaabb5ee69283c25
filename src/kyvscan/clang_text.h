// libclang's strings as std::string, disposed of at once.
#pragma once
#include <clang-c/Index.h>

#include <string>

inline std::string take_text(CXString text) {
    const char* chars = clang_getCString(text);
    std::string result = chars ? chars : "";
    clang_disposeString(text);
    return result;
}
