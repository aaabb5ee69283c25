// The cross-reference file: the linked program in Perl syntax, for scripts.
// Evaluating it defines the row layout scalars and the arrays @basetypes,
// @files, @types, @enums, @fields, @vars and @fcts.
#pragma once

// Writes the whole file, replacing an existing one. A file that cannot be
// created or written ends the run with a fatal error (status 7).
void write_xref(const char* path);
