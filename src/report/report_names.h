// Names derived from paths for the report: the short name of a file, its
// extension and the document tag.
#pragma once
#include <string>

// The part after the last "/", else after the last "\", else after the last
// ":", else the whole path; points into the path.
const char* base_name(const char* path);

// From the last "." of the text to its end, dot included; "" without a dot.
const char* extension_of(const char* short_name);

// The short name of the report title with the byte 4 places before its end
// replaced by "_" when it is longer than 4 bytes ("review.xrd" gives "review_xrd").
std::string report_tag(const char* title);
