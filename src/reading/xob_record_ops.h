// The operations of a record and their shapes, made from the action list
// (xob_action_list.h): one per action of the grammar, and the few that
// carry attribute values, printing and the end of a parse.
#pragma once
#include <cstdint>

#include "reading/xob_action_list.h"

enum record_op : std::int32_t {
#define XOB_DATA_OP(op, ...) OP_##op,
#define XOB_ACTION_OP(op, ...) OP_##op,
    XOB_RECORD_DATA(XOB_DATA_OP) XOB_ACTIONS(XOB_ACTION_OP)
#undef XOB_DATA_OP
#undef XOB_ACTION_OP
    OP_COUNT
};

struct record_op_shape {
    int arguments;
    bool values;    // the arguments are value numbers (else plain integers)
    bool makes;     // makes a value
    bool consumes;  // its values die with it (not the start of a construct)
};

constexpr record_op_shape RECORD_OP_SHAPES[OP_COUNT] = {
#define XOB_DATA_SHAPE(op, arguments, makes) {arguments, false, makes, false},
#define XOB_ACTION_SHAPE(op, function, values, consumes, ...) {values, true, true, consumes},
    XOB_RECORD_DATA(XOB_DATA_SHAPE) XOB_ACTIONS(XOB_ACTION_SHAPE)
#undef XOB_DATA_SHAPE
#undef XOB_ACTION_SHAPE
};

// The most arguments an entry has.
constexpr int MAX_RECORD_ARGUMENTS = [] {
    int most = 0;
    for (const record_op_shape& shape : RECORD_OP_SHAPES)
        if (shape.arguments > most) most = shape.arguments;
    return most;
}();
static_assert(MAX_RECORD_ARGUMENTS <= 9, "copy_arguments copies at most nine");
