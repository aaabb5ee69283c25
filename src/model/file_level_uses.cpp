#include "model/file_level_uses.h"

#include "model/link_pass.h"
#include "model/xob_node.h"

namespace {

int note_file_level_use(xob_node* node, void* argument) {
    if (node->kind == a_reference && node->target && node->target->kind == a_function)
        static_cast<function_set*>(argument)->insert(node->target);
    return node->kind != a_function;
}

}  // namespace

function_set functions_used_at_file_level(xob_node* list) {
    function_set used;
    model_walk(list, &used, note_file_level_use);
    return used;
}
