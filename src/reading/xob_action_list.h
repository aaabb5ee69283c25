// The xob grammar's actions that change the model, declared once. From this
// list come the record's operations and their shapes (xob_record.h), the
// recording actions a reading thread runs (xob_recording.h), the replay's
// calls of the model's actions and what its look-ahead fetches
// (xob_replay.cpp), and a compile-time check of each entry against the
// model's action (xob_action_check.h). A new xob element's action is one
// line here, its function in xob_actions.h and its use in the grammar.
//
// A(op, function, values, consumes, fetch, name, position)
//   op        its record operation, OP_<op>
//   function  the action of xob_actions.h; the recording action of the same
//             name (namespace xob_recording) is made from this line
//   values    how many parser values it takes; every action makes one
//   consumes  its values die with it (false for the start of a construct,
//             whose values serve its end too: see value_numbering.h)
//   fetch     the binding kind the replay's look-ahead fetches for the
//             element (a slot tag of xob_node.h), FETCH_USE for the three
//             kinds a use may bind to, NO_FETCH for none; with the indexes
//             of its name and position among its values
#pragma once

#define XOB_ACTIONS(A)                                                                      \
    A(APPEND_BLOCK, append_block, 2, true, NO_FETCH, 0, 0)                                  \
    A(MODULE, act_module, 1, true, NO_FETCH, 0, 0)                                          \
    A(POSITION_BY_NAME, act_position_by_name, 4, true, NO_FETCH, 0, 0)                      \
    A(POSITION_BY_NUMBER, act_position_by_number, 3, true, NO_FETCH, 0, 0)                  \
    A(DEFINE, act_define, 7, true, a_definition, 0, 6)                                      \
    A(FIELD, act_field, 5, true, a_field, 0, 4)                                             \
    A(ENUM, act_enum, 3, true, a_enum, 0, 2)                                                \
    A(TYPEDEF, act_typedef, 7, true, a_typedef, 0, 6)                                       \
    A(DECLARE, act_declare, 4, true, a_declaration, 0, 3)                                   \
    A(FILE, act_file, 4, true, NO_FETCH, 0, 0)                                              \
    A(SOURCE_START, act_source_start, 7, false, NO_FETCH, 0, 0)                             \
    A(SOURCE_END, act_source_end, 9, true, NO_FETCH, 0, 0)                                  \
    A(FUNCTION_DECLARATION, act_function_declaration, 3, true, a_function_declaration, 0, 2) \
    A(FUNCTION_START, act_function_start, 4, false, a_function, 0, 3)                       \
    A(FUNCTION_END, act_function_end, 6, true, NO_FETCH, 0, 0)                              \
    A(XOB_START, act_xob_start, 3, false, NO_FETCH, 0, 0)                                   \
    A(XOB_END, act_xob_end, 5, true, NO_FETCH, 0, 0)                                        \
    A(OBJECT, act_object, 3, true, FETCH_USE, 0, 2)                                         \
    A(REFERENCE, act_reference, 3, true, NO_FETCH, 0, 0)                                    \
    A(JUSTIFY, act_justify, 5, true, NO_FETCH, 0, 0)                                        \
    A(TRAP, act_trap, 4, true, NO_FETCH, 0, 0)

// The record's other operations, which are not actions of the grammar.
// D(op, arguments, makes): arguments are plain integers, not value numbers.
//   STRING        an attribute's interned text (the entry's text), its
//                 name_hash as argument
//   NUMBER        the number a numeric attribute reads as
//   POSITION_AT   a position by number whose three values were the three
//                 numbers made last, with those numbers in their place
//   PRINT_PAIR    "label : text " printed (text: the label, NUL, the token)
//   PRINT         the entry's text printed as it is
//   SCANNER_FAILED the scanner failed (text: flex's message): the run ends
//   END           the parse ended with the status of its argument
#define XOB_RECORD_DATA(D)   \
    D(STRING, 1, true)       \
    D(NUMBER, 1, true)       \
    D(POSITION_AT, 3, true)  \
    D(PRINT_PAIR, 0, false)  \
    D(PRINT, 0, false)       \
    D(SCANNER_FAILED, 0, false) \
    D(END, 1, false)
