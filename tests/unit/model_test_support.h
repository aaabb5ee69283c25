// Helpers for the tests of the program model, the trap table and binding.
// The model is process-wide and never emptied, so each test works on files
// and names of its own and reads back only what concerns them.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "model/file_table.h"
#include "model/name_table.h"
#include "model/report_sink.h"
#include "model/trap_table.h"
#include "model/xob_node.h"
#include "rules/rule_catalogue.h"

namespace model_test {

// Registers a source file of the current xob file and returns its index.
inline std::int32_t source_file(const std::string& full_path, bool system_include = false) {
    std::string short_name = full_path.substr(full_path.rfind('/') + 1);
    xob_node* source = new_source(name_intern(short_name.c_str()), name_intern(full_path.c_str()),
                                  system_include, nullptr);
    return register_file(-1, source);
}

inline xob_node* at(std::int32_t file, std::int32_t line, std::int32_t row = 0) {
    xob_node* position = new_node(a_position);
    position->file = file;
    position->line = line;
    position->row = row;
    return position;
}

inline name* id(const char* text) { return name_intern(text); }

// Every event of the trap table, in table order, but the function starts
// and ends: the walk makes those up as it goes, and they last only for
// their visit.
inline std::vector<const trap_event*> all_events() {
    std::vector<const trap_event*> events;
    trap_table_walk(&events, [](tree_item* item, void* out) {
        const auto* event = static_cast<const trap_event*>(tree_payload(item));
        if (event->event_kind != FUNCTION_START && event->event_kind != FUNCTION_END)
            static_cast<std::vector<const trap_event*>*>(out)->push_back(event);
    });
    return events;
}

// Every test starts from the built-in catalogue with nothing open and puts
// back the catalogue it found (the counting walk adds rule hits).
class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_.assign(rule_table, rule_table + RULE_COUNT);
        end_xob_file();
        while (current_scope) pop_scope();
    }
    void TearDown() override {
        end_xob_file();
        while (current_scope) pop_scope();
        std::copy(saved_.begin(), saved_.end(), rule_table);
    }

private:
    std::vector<rule_entry> saved_;
};

// The report writer's calls, as text, each tagged with the full path it
// concerns (closing calls with the file node they are in).
struct recorded_call {
    std::string path;
    std::string text;
};

inline std::vector<recorded_call> calls;
inline std::string open_path;

inline void add_call(const std::string& path, const std::string& text) {
    calls.push_back({path, text});
}

inline const report_sink recording_sink = {
    [](const char* short_name, const char* full_path, int count, const char* date_text,
       const char* version) {
        open_path = full_path;
        add_call(full_path, std::string("file ") + short_name + " count=" + std::to_string(count) +
                                " date=" + date_text + " version=" + (version ? version : "-"));
    },
    [](const char* function_name, int count, const char* full_path, int line) {
        add_call(open_path, std::string("function ") + function_name +
                                " count=" + std::to_string(count) + " at " + full_path + ":" +
                                std::to_string(line));
    },
    [] { add_call(open_path, "close function"); },
    [] {
        add_call(open_path, "close file");
        open_path.clear();
    },
    [](const char* rule_name, const char* group, int level, const char* full_path,
       const char* short_name, int line, int row, const char*, const char* second_path,
       int second_line, int second_row, trap_names names, const char* param,
       const char* comment) {
        std::string text = std::string("trap ") + rule_name + " level=" + std::to_string(level) +
                           " " + short_name + ":" + std::to_string(line) + ":" +
                           std::to_string(row) + " second=" + second_path + ":" +
                           std::to_string(second_line) + ":" + std::to_string(second_row) +
                           " names=";
        for (int i = 0; i < names.count; ++i) text += (i ? "|" : "") + std::string(names.texts[i]);
        text += std::string(" comment=") + (comment ? comment : "-");
        (void)group;
        (void)param;
        add_call(full_path, text);
    },
};

// Runs the report phase's two walks and returns the calls about files whose
// full path begins with the prefix.
inline std::vector<std::string> report_for(const std::string& prefix) {
    calls.clear();
    open_path.clear();
    count_traps();
    report_traps(&recording_sink);
    std::vector<std::string> texts;
    for (const recorded_call& call : calls)
        if (call.path.compare(0, prefix.size(), prefix) == 0) texts.push_back(call.text);
    return texts;
}

// Only the trap lines of report_for.
inline std::vector<std::string> traps_for(const std::string& prefix) {
    std::vector<std::string> traps;
    for (const std::string& text : report_for(prefix))
        if (text.compare(0, 5, "trap ") == 0) traps.push_back(text);
    return traps;
}

}  // namespace model_test
