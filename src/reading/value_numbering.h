// How a record names the parser's values. A newcomer's guide:
//
// The grammar's actions take the values of the symbols they reduce ($2,
// $5, ...) and make one value ($$). On the model's thread a value is an
// xob_value (a node, an interned text, a number). A reading thread has no
// model, so its recording actions give each value a number instead, and
// each entry of the record names its values by these numbers; the replay
// keeps the real values in a table by number and passes them to the
// model's actions. 0 is "no value" (an absent optional attribute).
//
// The numbers follow the parser's stack, so that they are known without
// asking the parser: values are made in order and numbered 1, 2, 3, ...;
// when an action consumes its values, they and every value made after the
// oldest of them are off the stack, so its own value takes the oldest one's
// number and the next value made the number after it. A construct's start
// (a source file's, a function's, the xob file's) does not consume: its
// values stay on the stack for its end. For example:
//
//   <sourcefile filename="a.c" fullname="/a.c">   STRING 1, STRING 2,
//                                                  SOURCE_START(1, 2) makes 3
//     <define name="x" ...><position line="3"/>    STRING 4, NUMBER 5,
//                                                  POSITION_BY_NUMBER(0, 5, 0)
//                                                  makes 5 (ends 5),
//                                                  DEFINE(4, ..., 5) makes 4
//                                                  (ends 4 and 5),
//                                                  APPEND_BLOCK(0, 4) makes 4
//   </sourcefile>                                  SOURCE_END(1, 2, ..., 3, 4)
//                                                  makes 1: all is ended
//
// The recorder and the replay run this same numbering over the same
// entries, so a number always names the same value on both sides, and the
// replay's table never holds more than the parser's stack did.
#pragma once
#include <cstdint>

#include "reading/xob_record_ops.h"

class value_numbering {
public:
    // The number of the value made by an entry with these arguments.
    std::uint32_t number_made(record_op op, const std::int32_t* arguments) {
        const record_op_shape& shape = RECORD_OP_SHAPES[op];
        std::uint32_t made = next_;
        if (shape.consumes && shape.values) {
            for (int i = 0; i < shape.arguments; ++i) {
                auto argument = static_cast<std::uint32_t>(arguments[i]);
                if (argument != 0 && argument < made) made = argument;
            }
        }
        next_ = made + 1;
        return made;
    }

private:
    std::uint32_t next_ = 1;
};
