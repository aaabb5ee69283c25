// The rules kyvld raises itself, from the whole program (the other rules'
// traps come from the analyser's xob files): one list, named here, so that
// the code raising them and the documentation that explains them cannot
// drift apart (a test checks every one of them has its help section).
#pragma once
#include <cstdint>

// Rule numbers (positions in rule_table).
enum : std::int32_t {
    RULE_SAME_PREFIX = 19,           // KYV_50_10, similarity checks
    RULE_LOOK_ALIKE = 20,            // KYV_50_11, similarity checks
    RULE_REPEATED_CHARACTER = 21,    // KYV_50_12, similarity checks
    RULE_HIDES_OUTER_SCOPE = 22,     // KYV_50_20, binding
    RULE_TYPEDEF_NAME_REUSED = 23,   // KYV_50_30, binding
    RULE_STATIC_NAME_REUSED = 25,    // KYV_50_50, binding
    RULE_IDENTIFIER_REUSED = 27,     // KYV_50_70, binding
    RULE_FUNCTION_REDECLARED = 45,   // KYV_80_81, binding
    RULE_OBJECT_REDECLARED = 46,     // KYV_80_82, binding
    RULE_REDEFINED = 47,             // KYV_80_90, binding
    RULE_NO_DEFINITION = 48,         // KYV_80_91, link pass
    RULE_DIRECT_RECURSION = 123,     // KYV_160_20, link pass
    RULE_INDIRECT_RECURSION = 124,   // KYV_160_21, link pass
    RULE_NEVER_REFERENCED = 133,     // KYV_160_500, link pass
};

constexpr std::int32_t LINK_STAGE_RULES[] = {
    RULE_SAME_PREFIX,         RULE_LOOK_ALIKE,        RULE_REPEATED_CHARACTER, RULE_HIDES_OUTER_SCOPE,
    RULE_TYPEDEF_NAME_REUSED, RULE_STATIC_NAME_REUSED, RULE_IDENTIFIER_REUSED, RULE_FUNCTION_REDECLARED,
    RULE_OBJECT_REDECLARED,   RULE_REDEFINED,          RULE_NO_DEFINITION,     RULE_DIRECT_RECURSION,
    RULE_INDIRECT_RECURSION,  RULE_NEVER_REFERENCED,
};
