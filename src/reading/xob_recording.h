// The xob grammar's actions as a reading thread runs them: each records its
// entry (xob_record.h) instead of changing the model. The grammar compiled
// with XOB_RECORDING calls these in place of xob_actions.h; a value is the
// number the record gives it.
#pragma once
#include <cstdint>

#include "reading/xob_record_ops.h"

struct markup_lexer;

namespace xob_recording {

struct rec_value {
    std::uint32_t number;  // 0: no value
};

// The recording parser, reading `lexer`; its status as xob_parse's.
int parse(markup_lexer& lexer);

// The next token; end of input once the scanner has failed (the failure is
// recorded) or the record's reader wants no more.
int recorded_token(markup_lexer& lexer);
void xob_syntax_error(const markup_lexer& lexer);

rec_value no_value();
rec_value diagnostic(const markup_lexer& lexer, const char* label);
rec_value string_attribute_value(const markup_lexer& lexer);
rec_value number_attribute_value(const markup_lexer& lexer);
rec_value line_count_value(const markup_lexer& lexer);
// Records an entry of an action with the numbers of its values; the
// number of the value it makes.
rec_value record_action(record_op op, const std::int32_t* numbers);

// The recording actions, one per entry of the action list, each taking the
// values its entry says (a call from the grammar with another count does
// not compile).
#define XOB_RECORDING_ACTION(op, function, values, ...)                                     \
    template <class... Values>                                                             \
    rec_value function(Values... given) {                                                  \
        static_assert(sizeof...(Values) == values,                                         \
                      "the grammar passes " #function " the values its action list entry gives"); \
        const std::int32_t numbers[] = {static_cast<std::int32_t>(rec_value(given).number)...}; \
        return record_action(OP_##op, numbers);                                            \
    }
XOB_ACTIONS(XOB_RECORDING_ACTION)
#undef XOB_RECORDING_ACTION

}  // namespace xob_recording
