// Where the installed rules document is, as a file URI for the rules'
// helpUri: found from kyvreport's own place, like kyvscan finds its module,
// so that an installed tree and the package (under another prefix) both
// point at their own copy.
#pragma once
#include <string>

// PREFIX/bin/kyvreport gives PREFIX/share/doc/kyvld/rules.html; in the build
// tree, the rules.html generated beside the program when there is one.
std::string rules_document_uri();
