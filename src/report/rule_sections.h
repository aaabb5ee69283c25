// The two closing sections of the report: the deactivated rules and the
// statistics of rule hits.
#pragma once
#include "model/keyed_tree.h"

// What the statistics show of one active rule.
struct rule_statistic {
    int hits;
    int severity;
    const char* name;    // the label when it has one, else the identifier
    const char* errmsg;  // the template as stored, placeholders not expanded
};

// Whether the deactivated-rules table and the statistics table have been opened.
extern int deactivated_open;
extern int statistics_open;
// The active rules, most hits first; rules with equal hits in the reverse of
// the order they were added.
extern keyed_tree rule_statistics;

void write_deactivated_rule(const char* name, const char* errmsg);
// Ends the deactivated-rules section, saying "All rules are active" when it has no row.
void close_deactivated_rules();

void add_rule_statistic(const rule_statistic& entry);
void write_rule_statistic(int hits, int severity, const char* name, const char* errmsg);
// Ends the statistics section, saying "No occurences of any rules" when it has no row.
void close_rule_statistics();

// Walks rule_statistics and writes every rule that was hit, then closes the section.
void write_rule_statistics();
