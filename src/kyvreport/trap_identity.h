// The identity of a trap across runs: a digest of what it says (its rule,
// file, function, the names of its message and the file of its second
// position), never its line or its place in the report, so that a trap keeps
// its identity when the code around it moves or the program is linked in
// another order. Equal identities of one file are told apart by their order
// in that file.
#pragma once
#include <map>
#include <string>
#include <vector>

// The key of kyvreport's entry in a result's partialFingerprints.
constexpr const char TRAP_IDENTITY_KEY[] = "kyvTrapIdentity/v2";
// What every version of the key starts with.
constexpr const char TRAP_IDENTITY_FAMILY[] = "kyvTrapIdentity/";

class trap_identities {
public:
    // Each file counts its own repeats.
    void start_file() { repeats_.clear(); }
    // file and related_file: paths relative to the source root where they can be.
    std::string identify(const std::string& rule, const std::string& file, const std::string& function,
                         const std::vector<std::string>& names, const std::string& related_file);

private:
    std::map<std::string, int> repeats_;
};
