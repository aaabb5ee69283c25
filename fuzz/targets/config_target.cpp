// The rule configuration reader, from a fresh catalogue for every input: any
// file leaves a catalogue whose entries keep their numbers and identifiers,
// with severities 0 to 2, and values the similarity checks can use.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_start.h"
#include "fuzz_support.h"
#include "parse/rule_file.h"
#include "rules/rule_catalogue.h"

namespace {

// The catalogue as built in, restored before each input.
struct catalogue_copy {
    rule_entry table[RULE_COUNT];
    std::int32_t length;
    unsigned char map[256];
};

catalogue_copy built_in;

void save(catalogue_copy& copy) {
    std::memcpy(copy.table, rule_table, sizeof rule_table);
    copy.length = significant_length;
    std::memcpy(copy.map, confusion_map, sizeof confusion_map);
}

void restore(const catalogue_copy& copy) {
    std::memcpy(rule_table, copy.table, sizeof rule_table);
    significant_length = copy.length;
    std::memcpy(confusion_map, copy.map, sizeof confusion_map);
}

void check_catalogue() {
    for (std::int32_t number = 0; number < RULE_COUNT; ++number) {
        const rule_entry& entry = rule_table[number];
        auto where = [number] { return "rule " + std::to_string(number); };
        if (entry.number != number || std::strcmp(entry.identifier, built_in.table[number].identifier) != 0)
            broken("catalogue", where() + " moved");
        if (entry.severity < SEVERITY_INFO || entry.severity > SEVERITY_ERROR)
            broken("catalogue", where() + " has severity " + std::to_string(entry.severity));
        if (!entry.label || !entry.errmsg || !entry.group) broken("catalogue", where() + " lost a text");
        if (entry.default_param && !entry.param) broken("catalogue", where() + " has no parameter");
        if (!entry.configured) continue;
        // Look-ups only for what the file changed: they dominate the run time.
        if (rule_by_identifier(entry.identifier) != &rule_table[number])
            broken("catalogue", where() + " is not found by its identifier");
        if (entry.label[0] != '\0' && rule_by_name(entry.label) == nullptr)
            broken("catalogue", where() + " is not found by its label");
    }
    if (significant_length < 0) broken("catalogue", "negative significant length");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    start_like_kyvld();
    save(built_in);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static input_file file;
    restore(built_in);
    read_rule_file(file.hold(data, size));
    rules_finalise();
    check_catalogue();
    return 0;
}
