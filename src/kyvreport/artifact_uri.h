// Turns the full paths of a report into SARIF artifact locations: a file URI,
// or a reference relative to the source root with the base id "SRCROOT".
#pragma once
#include <string>

struct artifact_location {
    std::string uri;
    std::string base_id;  // "" for an absolute URI
};

class artifact_uris {
public:
    // root: the source root as given on the command line, "" for none; a
    // relative root is taken from the current directory.
    explicit artifact_uris(const std::string& root);

    artifact_location locate(const std::string& full_path) const;
    // The path as people read it: relative to the root when below it.
    std::string display_path(const std::string& full_path) const;
    // Whether the path lies below the root (false without a root).
    bool below_root(const std::string& full_path) const { return display_path(full_path) != full_path; }
    // The root with a final "/", "" for none: the prefix a text drops.
    std::string root_prefix() const { return root_.empty() ? "" : root_ == "/" ? root_ : root_ + "/"; }
    bool has_root() const { return !root_.empty(); }
    // The root as a file URI ending in "/", for originalUriBaseIds.
    std::string root_uri() const;

private:
    std::string root_;  // cleaned, absolute, without a final "/"
};

// Percent-encodes every byte that may not stand as it is in a URI path.
std::string encode_uri_path(const std::string& path);
