// The page's links from a location to its source: a code host's file view
// from --source-url TEMPLATE ("{path}" the file relative to the source root,
// "{line}" its line), or by default a link relative to the page's folder to
// the file under the source root. A link keeps "{line}" for the page to fill.
#pragma once
#include <string>

#include "kyvreport/artifact_uri.h"

// What is wrong with a --source-url template ("" when it is usable): it
// must hold {path}, and a scheme, if any, must be http, https or file.
std::string check_source_url(const std::string& url_template);

class source_links {
public:
    // page: the page's file ("-" for standard output: the current folder).
    source_links(const artifact_uris& uris, const std::string& url_template, const std::string& page);

    // The link of a file of the report; "" when there is none (with a
    // template, a file outside the source root).
    std::string file_link(const std::string& full_path) const;
    // The link of a SARIF artifact location (an old result's), "" for none.
    std::string uri_link(const std::string& uri, const std::string& base_id) const;

private:
    std::string root_relative_link(const std::string& path) const;

    const artifact_uris& uris_;
    std::string template_;
    std::string page_folder_;  // absolute
};

// Fills a link's "{line}" with the line number.
std::string link_at_line(const std::string& link, long long line);
