// The trap table: every rule hit (trap) of the run, together with the events
// that give it context (start and end of each source file and function, and
// each justification), ordered by source position so that one ascending walk
// visits each file's contents in line order. Recorded while xob files are
// read and during the link pass; walked twice by the report.
#pragma once
#include <cstdint>
#include <vector>

#include "model/keyed_tree.h"
#include "model/paged_table.h"

struct name;
struct xob_node;
struct report_sink;

// Event kinds, in the order the events of one position sort.
enum event_kind : std::int32_t {
    FILE_START = 0,
    FUNCTION_START = 1,
    JUSTIFICATION = 2,
    TRAP = 3,
    FUNCTION_END = 4,
    FILE_END = 5,
};

// One entry of the trap table. Key: file, line, row, event_kind, rule, and
// for two traps also the second position. Fields named twice are one field
// with a name per event kind. Each kind is allocated only as far as its own
// fields reach: ends (of a function or a file) their key, a function start
// to its counter, a justification to its line count, a file start and a
// trap the whole record.
struct trap_event {
    std::int32_t file;  // file-table index
    std::int32_t line;
    std::int32_t row;
    std::int8_t event_kind;
    // FILE_START: a system include file; JUSTIFICATION: the all attribute; TRAP: 1.
    std::int8_t flag;
    std::int16_t rule;  // rule number (below RULE_COUNT) of a justification or trap, else 0
    // FILE_START: the version; FUNCTION_START: the function's name;
    // JUSTIFICATION: the comment.
    arena_ref<struct name> data;
    union {
        // FILE_START: traps recorded for the file, then, after the counting
        // walk, its unjustified traps; FUNCTION_START: its unjustified traps.
        std::int32_t counter;
        std::int32_t use_count;   // JUSTIFICATION
        std::int32_t second_row;  // TRAP
    };
    union {
        std::int32_t value;        // FILE_START: the file date
        std::int32_t nbline;       // JUSTIFICATION: lines covered after its own, -1 everywhere
        std::int32_t second_line;  // TRAP: -1 when there is no second position
    };
    std::int32_t second_file;  // TRAP
    union {
        // FILE_START: a bit per rule number, set by the file's first trap of a rule
        // that reports once a file; null before the first.
        arena_ref<std::uint64_t> folded_rules;
        arena_ref<struct name> name;  // TRAP: fills %name%; several joined with "#"
    };
};

// A function's start as a file keeps it: its line and row as one number
// (position_key), its name and its counter.
struct function_start {
    std::uint64_t key;
    arena_ref<struct name> function_name;
    std::int32_t counter;
};

// Records of one kind in a plain array, in recording order until a walk
// orders them by key.
template <class record>
struct record_array {
    record* records = nullptr;
    std::int32_t count = 0;
    std::int32_t room = 0;
    bool ordered = true;  // ascending and without repeats
};

// Every event of the run: per file an ordered tree of its events, the files
// ordered by full path, so that recording an event never compares paths
// except to place a file met for the first time. Functions' starts and
// ends, one of each per function, are kept apart in plain arrays by their
// position: the walks merge them into the tree's order, each position once,
// as start and end events.
struct file_events {
    std::int32_t file;  // file-table index
    record_array<function_start> function_starts;
    record_array<std::uint64_t> function_ends;  // position_key values
    keyed_tree events;  // payload: trap_event
};
struct trap_table_files {
    keyed_tree files;                    // payload: file_events
    paged_table<file_events*> by_index;  // the entry of each index in the table's range
};

// Recording state.
extern trap_table_files trap_table;
extern std::vector<trap_event*> open_files;  // FILE_START events of the open source files
extern std::int32_t in_system_include;       // 1 while the innermost open file is a system one
extern std::int32_t file_count;              // FILE_START events of non-system files
extern std::int32_t files_with_traps;        // files that received at least one trap
extern std::int32_t new_justifications;      // made since the current xob file began
extern std::int32_t max_justifications;      // the most made by one xob file
// The FILE_START event of each file-table index, where a trap is counted.
// Kept here rather than in the full path's name, whose binding slot an
// identifier of the same text would use.
extern paged_table<trap_event*> file_start_events;

// Report-phase state.
extern std::int32_t trap_counts[3];  // 0 justified, 1 warnings, 2 errors

// Calls visit with every event (its tree item) in table order: files by full
// path, then short name, then index; then line and row; then kind; then rule;
// for two traps, the second positions. A function's start or end is an item
// made for its visit only: keep nothing of it. What the visit writes to a
// start's counter is kept.
void trap_table_walk(void* argument, tree_visit visit);

// Recording, called by the xob reader at the element of the same name.
void record_file_start(name* file_name, name* full_path, std::int32_t date, bool system_include,
                       name* version);
void record_file_end(name* file_name, name* full_path);
void record_function_start(name* function_name, const xob_node* position);
void record_function_end(name* function_name, const xob_node* end_position);
// Unknown rule identifiers record nothing. The parameter becomes the trap's name.
void record_trap_element(const char* rule_identifier, const xob_node* position, name* parameter,
                         const xob_node* second_position);
// By identifier or label; unknown names record nothing. nbline -1 with the
// all attribute makes the comment the rule-wide justification instead.
void record_justify_element(const char* rule_name, const xob_node* position, std::int32_t nbline,
                            bool all, name* comment);
// The general entry, used by the reader, the binding and the link pass.
// Positions and the name may be null. Drops traps of deactivated rules,
// traps while a system include file is open, and repeats of a rule that keeps
// one trap per file.
void record_trap(std::int32_t rule, const xob_node* position, const xob_node* second_position,
                 name* trap_name);
// A trap naming two things: the name "first#second", or "??#second" without
// a first name; without a second name, record_trap with the first.
void record_trap_pair(std::int32_t rule, const xob_node* position,
                      const xob_node* second_position, name* first_name, name* second_name);
// At the end of each xob file: keeps the largest count of justifications
// made by one xob file. Also closes any source file or function left open by
// a file whose parse was abandoned, so it may be called again after any parse.
void end_xob_file();

// The report phase. The counting walk decides which traps are justified and
// counts them (trap_counts, each file's and function's counter, the rules'
// hits); the writing walk then hands files, functions and traps to the report
// writer in table order.
void count_traps();
void report_traps(const report_sink* sink);
