#include "model/file_table.h"

#include "model/name_table.h"
#include "model/xob_node.h"

paged_table<xob_node*> file_table;
std::int32_t file_table_size = 0;
paged_table<std::int32_t> file_number_map;
paged_table<xob_node*> typedef_table;
std::int32_t typedef_table_size = 0;
paged_table<std::int32_t> type_number_map;

void clear_file_numbers() { file_number_map.clear(); }
void clear_type_numbers() { type_number_map.clear(); }

std::int32_t file_index_of(const name* full_path) {
    if (!full_path) return -1;
    // Registration always writes the cache, so a path that has none was never
    // registered and needs no scan.
    std::int32_t cached = name_index(full_path);
    if (cached < 0) return -1;
    xob_node* entry = file_table.get(cached);
    if (entry && entry->full_path == full_path) return cached;
    for (std::int32_t index = 0; index < file_table_size; ++index)
        if (file_table.get(index)->full_path == full_path) return index;
    return -1;
}

std::int32_t register_file(std::int32_t file_number, xob_node* source) {
    if (!source || !source->full_path) return -1;
    std::int32_t index = file_index_of(source->full_path);
    if (index < 0) {
        if (!file_table.set(file_table_size, source)) return -1;
        index = file_table_size++;
    }
    name_set_index(source->full_path, index);
    if (file_number >= 0) file_number_map.set(file_number, index);
    return index;
}

std::int32_t file_number_index(std::int32_t file_number) {
    return file_number_map.get(file_number);
}

xob_node* file_source(std::int32_t index) { return file_table.get(index); }

name* file_full_path(std::int32_t index) {
    xob_node* entry = file_table.get(index);
    return entry ? static_cast<name*>(entry->full_path) : nullptr;
}

name* file_name_of(std::int32_t index) {
    xob_node* entry = file_table.get(index);
    return entry ? static_cast<name*>(entry->file_name) : nullptr;
}

std::int32_t register_typedef(xob_node* node) {
    if (!typedef_table.set(typedef_table_size, node)) return 0;
    return typedef_table_size++;
}

xob_node* typedef_at(std::int32_t index) { return typedef_table.get(index); }

void map_type_number(std::int32_t type_number, std::int32_t index) {
    type_number_map.set(type_number, index);
}

std::int32_t type_index_of(std::int32_t type_number) {
    if (type_number < 0) return type_number;
    return type_number_map.get(type_number);
}
