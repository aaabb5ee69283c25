// The tables that turn the small numbers used inside one xob file (file
// numbers, type numbers) into program-wide indexes: the file table and the
// typedef table persist across xob files, the two maps are per xob file.
#pragma once
#include <cstdint>

#include "model/paged_table.h"

struct name;
struct xob_node;

// Every distinct source file, as the a_source of its first appearance,
// indexed in order of first appearance; a full path's name caches its index.
extern paged_table<xob_node*> file_table;
extern std::int32_t file_table_size;
// Current xob file: file number to file-table index.
extern paged_table<std::int32_t> file_number_map;
// Every a_typedef in creation order; the index is the typedef's type_index.
extern paged_table<xob_node*> typedef_table;
extern std::int32_t typedef_table_size;
// Current xob file: type number to typedef-table index.
extern paged_table<std::int32_t> type_number_map;

// Both maps back to all 0; called when an xob file begins.
void clear_file_numbers();
void clear_type_numbers();

// Gives the source its file-table index (the existing one for a full path met
// before) and maps the file number to it; a negative number maps nothing.
// Returns -1, and maps nothing, for a source without full path (an xob scope
// node) or when the table is full.
std::int32_t register_file(std::int32_t file_number, xob_node* source);
// The file-table index of a full path, or -1.
std::int32_t file_index_of(const name* full_path);
// The mapped index of a file number of the current xob file; 0 when unmapped.
std::int32_t file_number_index(std::int32_t file_number);
// The table entry of an index, or null when it has none.
xob_node* file_source(std::int32_t index);
name* file_full_path(std::int32_t index);
name* file_name_of(std::int32_t index);

// Appends a typedef and returns its index; 0 when the table is full.
std::int32_t register_typedef(xob_node* node);
xob_node* typedef_at(std::int32_t index);
// Sets an entry of the type-number map; numbers out of range are ignored.
void map_type_number(std::int32_t type_number, std::int32_t index);
// A negative type number is a basic type and stays as it is; others go
// through the map (0 when unmapped).
std::int32_t type_index_of(std::int32_t type_number);
