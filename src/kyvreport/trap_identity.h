// The identity of a trap across runs: a digest of its rule, file, function
// and the names of its message, never its line, so that a trap keeps its
// identity when the code around it moves. Identical traps of one file are
// told apart by their order.
#pragma once
#include <map>
#include <string>
#include <vector>

// The key of kyvreport's entry in a result's partialFingerprints.
constexpr const char TRAP_IDENTITY_KEY[] = "kyvTrapIdentity/v1";

class trap_identities {
public:
    // Each file counts its own repeats.
    void start_file() { repeats_.clear(); }
    std::string identify(const std::string& rule, const std::string& file_uri,
                         const std::string& function, const std::vector<std::string>& names);

private:
    std::map<std::string, int> repeats_;
};
