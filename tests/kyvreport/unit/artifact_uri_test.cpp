#include "kyvreport/artifact_uri.h"

#include <gtest/gtest.h>

TEST(ArtifactUri, PathsBecomeUrisRelativeToTheRootWhereTheyCan) {
    const artifact_uris none("");
    const artifact_uris root("/home/dev/demo/");
    const struct {
        const artifact_uris& uris;
        const char* path;
        const char* uri;
        const char* base;
    } cases[] = {
        {none, "/src/a.c", "file:///src/a.c", ""},
        {none, "/src/we ird/<x>#1%?.c", "file:///src/we%20ird/%3Cx%3E%231%25%3F.c", ""},
        {none, "/src/\xc3\xa9t\xc3\xa9.c", "file:///src/%C3%A9t%C3%A9.c", ""},
        {none, "C:\\work\\a.c", "file:///C:/work/a.c", ""},
        {none, "src/a.c", "src/a.c", "SRCROOT"},
        {root, "/home/dev/demo/main.c", "main.c", "SRCROOT"},
        {root, "/home/dev/demo/include/../util.h", "util.h", "SRCROOT"},
        {root, "/home/dev/demo2/main.c", "file:///home/dev/demo2/main.c", ""},
        {root, "/home/dev/demo", "file:///home/dev/demo", ""},
    };
    for (const auto& c : cases) {
        const artifact_location location = c.uris.locate(c.path);
        EXPECT_EQ(location.uri, c.uri) << c.path;
        EXPECT_EQ(location.base_id, c.base) << c.path;
    }
    EXPECT_EQ(root.root_uri(), "file:///home/dev/demo/");
    EXPECT_FALSE(none.has_root());
}
