// The compile-time check of the action list (xob_action_list.h) against
// the model's actions: each named function exists, returns a parser value
// and takes exactly as many parser values as its entry says. Without it a
// wrong count shows only as wrong values in a replayed model.
#pragma once
#include <type_traits>

#include "parse/xob_actions.h"

template <class Result, class... Parameters>
constexpr bool takes_parser_values(Result (*)(Parameters...), int count) {
    return std::is_same<Result, xob_value>::value && static_cast<int>(sizeof...(Parameters)) == count &&
           (std::is_same<std::decay_t<Parameters>, xob_value>::value && ...);
}

#define CHECK_XOB_ACTION(op, function, values, ...)           \
    static_assert(takes_parser_values(&::function, values), \
                  #function " must take the " #values " parser values its entry in the action list gives");

// Checks every entry of `LIST`, an action list in the form of XOB_ACTIONS.
#define CHECK_XOB_ACTION_LIST(LIST) LIST(CHECK_XOB_ACTION)
