// Command-line words, separated by NUL bytes, through the argument expansion
// and kyvld's decoder: every word list is either decoded into run settings
// that name what was given, or rejected with a message.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cmdline/gcm_expand.h"
#include "driver/argskyvld.h"
#include "driver/run_settings.h"
#include "fuzz_start.h"
#include "fuzz_support.h"

namespace {

// Words that name device or process files could make a response file endless
// (/dev/zero) or block on a terminal; the decoder is what is under test.
bool names_special_file(const std::string& words) {
    return words.find("/dev") != std::string::npos || words.find("/proc") != std::string::npos ||
           words.find("/sys") != std::string::npos;
}

// The expansion keeps its words until the process ends, as one run needs;
// here a run per input would pile them up. Words it built (from a response
// file, or with references replaced) are its own; the others are argv's.
void release_expanded_words(const std::vector<char*>& argv) {
    for (int i = 0; i < gcm_expanded.count; ++i) {
        char* word = gcm_expanded.words[i];
        bool given = false;
        for (char* text : argv) given = given || text == word;
        if (!given) std::free(word);
        gcm_expanded.words[i] = nullptr;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_like_kyvld();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string words(reinterpret_cast<const char*>(data), size);
    if (names_special_file(words)) return -1;
    std::vector<std::string> texts;
    texts.emplace_back("kyvld");
    std::size_t start = 0;
    for (;;) {
        std::size_t end = words.find('\0', start);
        texts.push_back(words.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(&text[0]);
    argv.push_back(nullptr);
    run_settings settings;
    bool accepted = decode_options(static_cast<int>(texts.size()), argv.data(), &settings);
    release_expanded_words(argv);
    if (!accepted) return 0;
    // What was decoded is whole: each output option names one file, never both.
    if (settings.report_file && settings.xref_file) broken("decoder", "-KYV and -XREF together");
    if (silent_level < -1 || silent_level > 10000)
        broken("decoder", "silent level " + std::to_string(silent_level));
    return 0;
}
