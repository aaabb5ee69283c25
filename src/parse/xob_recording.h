// The xob grammar's actions as a reading thread runs them: each records its
// entry (xob_record.h) instead of changing the model. The grammar compiled
// with XOB_RECORDING calls these in place of xob_actions.h; a value is the
// number the record gives it.
#pragma once
#include <cstdint>

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
rec_value append_block(rec_value list, rec_value block);

rec_value act_module(rec_value xob);
rec_value act_position_by_name(rec_value file_name, rec_value full_path, rec_value line,
                               rec_value row);
rec_value act_position_by_number(rec_value file_number, rec_value line, rec_value row);
rec_value act_define(rec_value name, rec_value level, rec_value storage, rec_value type,
                     rec_value indirection, rec_value scope, rec_value position);
rec_value act_field(rec_value name, rec_value struct_number, rec_value type, rec_value indirection,
                    rec_value position);
rec_value act_enum(rec_value name, rec_value enum_number, rec_value position);
rec_value act_typedef(rec_value name, rec_value level, rec_value scope, rec_value type,
                      rec_value base, rec_value indirection, rec_value position);
rec_value act_declare(rec_value name, rec_value level, rec_value storage, rec_value position);
rec_value act_file(rec_value full_path, rec_value system, rec_value file_number, rec_value version);
rec_value act_source_start(rec_value file_name, rec_value full_path, rec_value date, rec_value key,
                           rec_value system, rec_value file_number, rec_value version);
rec_value act_source_end(rec_value file_name, rec_value full_path, rec_value date, rec_value key,
                         rec_value system, rec_value file_number, rec_value version,
                         rec_value source, rec_value blocks);
rec_value act_function_declaration(rec_value name, rec_value storage, rec_value position);
rec_value act_function_start(rec_value name, rec_value fulldef, rec_value storage,
                             rec_value position);
rec_value act_function_end(rec_value name, rec_value fulldef, rec_value storage,
                           rec_value function, rec_value blocks, rec_value end_position);
rec_value act_xob_start(rec_value file_name, rec_value date, rec_value command);
rec_value act_xob_end(rec_value file_name, rec_value date, rec_value command, rec_value xob,
                      rec_value blocks);
rec_value act_object(rec_value name, rec_value mode, rec_value position);
rec_value act_reference(rec_value mode, rec_value object, rec_value position);
rec_value act_justify(rec_value name, rec_value line_count, rec_value comment, rec_value all,
                      rec_value position);
rec_value act_trap(rec_value name, rec_value param, rec_value position, rec_value second_position);

}  // namespace xob_recording
