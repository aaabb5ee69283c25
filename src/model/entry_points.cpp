#include "model/entry_points.h"

#include <cstring>

#include "model/binding.h"
#include "model/binding_lists.h"
#include "model/file_table.h"
#include "model/name_table.h"
#include "model/xob_node.h"

namespace {

bool in_public_header(const xob_node* position, const std::vector<std::string>& public_headers) {
    return position && position->file >= 0 &&
           is_public_header(name_text(file_full_path(position->file)), public_headers);
}

// A public header declares the name: a function declaration bound to it lies in one.
bool declared_in_public_header(const name* identifier,
                               const std::vector<std::string>& public_headers) {
    for (binding_cell* cell = newest_of_kind(identifier, a_function_declaration); cell;
         cell = cell->older())
        if (in_public_header(cell->node->position, public_headers)) return true;
    return false;
}

}  // namespace

bool is_public_header(const char* full_path, const std::vector<std::string>& public_headers) {
    std::size_t path_length = std::strlen(full_path);
    for (const std::string& header : public_headers) {
        if (header.empty() || header.size() > path_length) continue;
        const char* tail = full_path + path_length - header.size();
        if (std::memcmp(tail, header.data(), header.size()) != 0) continue;
        if (tail == full_path || tail[-1] == '/') return true;
    }
    return false;
}

function_set entry_point_functions(const std::vector<std::string>& public_headers) {
    function_set entries;
    const name* main_name = name_intern("main");
    for (xob_node* function = function_list.head; function; function = function->next_function) {
        if (!function->position) continue;  // a call placeholder: in no block list
        bool is_static = function->storage == static_name();
        if ((function->name == main_name && !is_static) ||
            in_public_header(function->position, public_headers) ||
            (!is_static && !public_headers.empty() &&
             declared_in_public_header(function->name, public_headers)))
            entries.insert(function);
    }
    return entries;
}
