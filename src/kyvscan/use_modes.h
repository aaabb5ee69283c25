// How an expression uses the object or function it names, read from the
// shape of the tree libclang shows. In C every operand of an operator other
// than "=", "&", "++" and "--" is converted to a value first, and libclang
// shows that conversion as an unexposed expression; so an operand that is
// named bare is the target of an assignment, an address or an increment.
#pragma once
#include <clang-c/Index.h>

enum class use_mode { read, write, readwrite, address, callee };

// The mode of the `index`-th child `child` of `parent`, whose own mode is
// `parent_mode`.
use_mode child_use_mode(CXCursor parent, use_mode parent_mode, int index, CXCursor child);

// The reference's mode text for a use in `mode` of a function or an object.
const char* use_mode_text(use_mode mode, bool names_function);
