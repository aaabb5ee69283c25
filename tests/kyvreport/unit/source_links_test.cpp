#include "kyvreport/source_links.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SourceLinks, TemplatesNeedAPathAndAWebOrFileScheme) {
    EXPECT_EQ(check_source_url("https://host/o/r/blob/main/{path}#L{line}"), "");
    EXPECT_EQ(check_source_url("file:///srv/{path}"), "");
    EXPECT_EQ(check_source_url("../src/{path}"), "");
    EXPECT_NE(check_source_url("https://host/o/r/blob/main/"), "");
    EXPECT_NE(check_source_url("javascript:alert(1)//{path}"), "");
    EXPECT_NE(check_source_url("data:text/html,{path}"), "");
}

TEST(SourceLinks, EachLocationLinksByTemplateOrRelativeToThePage) {
    const artifact_uris uris("/home/dev/demo");
    const source_links hosted(uris, "https://host/o/r/blob/main/{path}#L{line}", "/tmp/out/review.html");
    const source_links local(uris, "", "/home/dev/demo/build/review.html");
    const source_links no_page(uris, "", "-");
    struct row {
        std::string path, hosted, local;
    };
    for (const row& r : std::vector<row>{
             {"/home/dev/demo/src/a b.c", "https://host/o/r/blob/main/src/a%20b.c#L{line}", "../src/a%20b.c"},
             {"/home/dev/demo/x/../main.c", "https://host/o/r/blob/main/main.c#L{line}", "../main.c"},
             {"lib/rel.c", "https://host/o/r/blob/main/lib/rel.c#L{line}", "../lib/rel.c"},
             {"/usr/include/stdio.h", "", "file:///usr/include/stdio.h"},
             {"", "", ""},
         }) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(hosted.file_link(r.path), r.hosted);
        EXPECT_EQ(local.file_link(r.path), r.local);
    }
    EXPECT_EQ(link_at_line(hosted.file_link("/home/dev/demo/m.c"), 12), "https://host/o/r/blob/main/m.c#L12");
    EXPECT_EQ(link_at_line("a.c", 12), "a.c");
    EXPECT_FALSE(no_page.file_link("/home/dev/demo/m.c").empty());
}

// An old log's locations are untrusted: only a file URI or a path below
// the root becomes a link, never a script or another site.
TEST(SourceLinks, AnOldLogsLocationsBecomeLinksOnlyToFiles) {
    const artifact_uris uris("/home/dev/demo");
    const source_links local(uris, "", "/home/dev/demo/review.html");
    EXPECT_EQ(local.uri_link("src/a%20b.c", "SRCROOT"), "src/a%20b.c");
    EXPECT_EQ(local.uri_link("file:///home/dev/demo/m.c", ""), "m.c");
    EXPECT_EQ(local.uri_link("file:///etc/passwd", ""), "file:///etc/passwd");
    for (const char* hostile : {"javascript:alert(1)", "https://elsewhere/x.c", "JavaScript:alert(1)"}) {
        EXPECT_EQ(local.uri_link(hostile, ""), "") << hostile;
        EXPECT_EQ(local.uri_link(hostile, "SRCROOT"), "") << hostile;
    }
    EXPECT_EQ(local.uri_link("/abs.c", "SRCROOT"), "");
    EXPECT_EQ(local.uri_link("a.c", "OTHER"), "");
}
