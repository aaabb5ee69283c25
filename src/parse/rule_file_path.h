// Where a rule configuration named on a command line (kyvld -RULE=, kyvscan
// --rules) is read from. The profiles the project ships are installed in
// PREFIX/share/kyvld beside PREFIX/bin, so `-RULE=focused` works wherever the
// programs were installed, without the checkout they came from.
#pragma once
#include <string>

// `given` itself when it is an existing file or holds a directory part, so a
// file of that name in the working folder keeps its meaning; otherwise the
// installed profile PREFIX/share/kyvld/NAME.xml (PREFIX the parent of
// `program_folder`; NAME as given when it ends in ".xml") when that exists,
// else `given` unchanged, for the reader to refuse with the name the user wrote.
std::string rule_file_path(const std::string& given, const std::string& program_folder);

// The folder of the running program (its resolved /proc/self/exe), empty
// when it cannot be read.
std::string running_program_folder();
