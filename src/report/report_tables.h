// The display and result tables that the report nodes, the summary and the
// console lines share.
#pragma once

// How a trap level shows: the rule's severity 0-2, or 3 for a justified trap.
struct display_row {
    const char* state;        // "Info", "Warning", "Error", "Justified"
    const char* icon;
    const char* title_style;
};

constexpr int JUSTIFIED_LEVEL = 3;

// The row of a level; a level below 0 reads as 0, one above 3 as an error.
const display_row& display_of(int level);

// "Failed" for a count above 0, else "Passed".
const char* result_of(int count);
// "ko" for a count above 0, else "ok".
const char* file_state_of(int count);
