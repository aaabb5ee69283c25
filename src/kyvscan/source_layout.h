// Where each element of an xob file goes: one `sourcefile` element per
// inclusion, nested as the preprocessor included the files, and the unit's
// elements inside the inclusion they come from. The scanner meets elements in
// the order of the preprocessed text; this class opens and closes the
// inclusions around them, writes inclusions that hold no element (repeated
// guarded headers, headers of macros only) where they were included, and
// writes the traps and justifications it holds for each inclusion at their
// lines.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "kyvscan/xob_text.h"

// One source file of the unit, whatever the number of its inclusions.
struct source_file_info {
    std::string base_name;
    std::string full_name;
    std::string content_hash;
    long long date = 0;
    bool system = false;
    int filenum = 0;  // from 1, the main file first
    std::string spelled_name;  // as libclang names it (its presumed name)
    bool opened = false;       // a `sourcefile` element has given its number
};

// An element held until the walk reaches its line (a trap or justification).
struct pending_element {
    int line = 0;
    int column = 0;
    std::function<void(xob_writer&)> write;
};

class source_layout {
public:
    explicit source_layout(xob_writer& writer) : writer_(writer) {}

    // The inclusion tree, in the order the preprocessor entered the files:
    // the main file first (parent -1), each later one with its includer and
    // the line of its #include there.
    int add_inclusion(source_file_info* file, int parent, int include_line);
    int inclusion_count() const { return static_cast<int>(inclusions_.size()); }
    const source_file_info* file_of(int inclusion) const { return inclusions_[inclusion].file; }
    // Children were added in the order files were entered; inclusions added
    // later (skipped repeats) go in by their line.
    void order_children();
    // The inclusion of `file` an element at this point of the text belongs to:
    // the innermost open one, else the first not yet written; -1 when none.
    int inclusion_for(const source_file_info* file) const;

    void hold(int inclusion, pending_element element);

    // Opens the main file. Then, before each element: `move_to` the element's
    // inclusion and line (false when the walk cannot go there: the element
    // is then written where the walk is). `begin_function` and
    // `end_function` bracket a function's body: inclusions opened inside a
    // body are closed before the body ends. `finish` closes everything.
    void start();
    bool move_to(int inclusion, int line);
    void begin_function();
    void end_function();
    void finish();

private:
    struct inclusion {
        source_file_info* file = nullptr;
        int parent = -1;
        int include_line = 0;
        std::vector<int> children;
        std::size_t next_child = 0;
        std::vector<pending_element> held;  // sorted by line when first written
        std::size_t next_held = 0;
        bool sorted = false;
        bool opened = false;
        bool closed = false;
    };
    struct frame {
        int inclusion;  // -1 for a function body
    };

    void open(int index);
    void close_top();
    void write_whole(int index);
    void write_before(int index, int line);  // children and held elements before `line`
    bool is_open(int index) const;
    int innermost_source() const;
    void sort_held(inclusion& node);

    xob_writer& writer_;
    std::vector<inclusion> inclusions_;
    std::vector<frame> frames_;
};
