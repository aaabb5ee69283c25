// The xob text: values both kyvld (verbatim) and an XML parser read the
// same, and inclusions nested and placed as the preprocessor entered them.
#include <gtest/gtest.h>

#include "kyvscan/source_layout.h"
#include "kyvscan/xob_text.h"

namespace {

TEST(XobText, AttributeValues) {
    EXPECT_EQ("a &amp; b &lt;c&gt; &quot;d&quot;", xob_attribute("a & b <c> \"d\""));
    EXPECT_EQ("tab line", xob_attribute("tab\tline"));
    EXPECT_EQ("x y", xob_attribute(std::string("x\0y", 3)));
    EXPECT_EQ("\xEF\xBC\x83include", xob_attribute("#include"));
    EXPECT_EQ("caf\xC3\xA9", xob_attribute("caf\xC3\xA9"));
    // Cut at the reader's limit, never inside a character or an entity.
    EXPECT_EQ(19998u, xob_attribute(std::string(30000, 'a')).size());
    std::string accents;
    for (int i = 0; i < 10000; ++i) accents += "\xC3\xA9";
    std::string cut = xob_attribute("a" + accents);
    EXPECT_EQ(19997u, cut.size());
    std::string entities = xob_attribute(std::string(19996, 'a') + "&&");
    EXPECT_EQ(std::string(19996, 'a'), entities);
}

source_file_info file(const char* name, int number) {
    source_file_info info;
    info.base_name = name;
    info.full_name = std::string("/p/") + name;
    info.filenum = number;
    return info;
}

// The xob text reduced to its structure: "<name" for an opened inclusion,
// ">" for a closed one, "[F]" for a function, "*line" for an element.
std::string shape(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        if (text.compare(at, 12, "<sourcefile ") == 0) {
            std::size_t name = text.find("filename=\"", at) + 10;
            out += "<" + text.substr(name, text.find('"', name) - name);
        } else if (text.compare(at, 13, "</sourcefile>") == 0) {
            out += ">";
        } else if (text.compare(at, 6, "<trap ") == 0) {
            std::size_t param = text.find("param=\"", at) + 7;
            out += "*" + text.substr(param, text.find('"', param) - param);
        } else if (text.compare(at, 10, "<function ") == 0) {
            out += "[F";
        } else if (text.compare(at, 11, "</function>") == 0) {
            out += "]";
        }
        ++at;
    }
    return out;
}

TEST(SourceLayout, InclusionsNestAndEmptyOnesStayInPlace) {
    source_file_info main_c = file("main.c", 1), a_h = file("a.h", 2), b_h = file("b.h", 3),
                     c_h = file("c.h", 4);
    std::string text;
    xob_writer writer(text);
    source_layout layout(writer);
    int main_file = layout.add_inclusion(&main_c, -1, 0);
    int a = layout.add_inclusion(&a_h, main_file, 1);   // main.c:1 includes a.h
    layout.add_inclusion(&b_h, a, 3);                   // a.h:3 includes b.h (nothing written from it)
    layout.add_inclusion(&c_h, main_file, 5);           // main.c:5 includes c.h
    layout.add_inclusion(&a_h, main_file, 2);           // main.c:2 includes a.h again (guarded)
    layout.order_children();
    layout.hold(main_file, {7, 1, [](xob_writer& w) { w.trap("R", "held7", {1, 7, 1}); }});
    layout.start();
    auto element = [&](int inclusion, int line, const char* name) {
        EXPECT_TRUE(layout.move_to(inclusion, line));
        writer.trap("R", name, {1, line, 1});
    };
    element(a, 4, "a4");               // inside a.h, after b.h's inclusion
    element(main_file, 3, "main3");    // back in main.c, after the repeated a.h
    layout.begin_function();
    writer.begin_function("f", "void f(void)", "extern", {1, 8, 6});
    element(main_file, 9, "main9");    // c.h (line 5) and the held line 7 come first
    layout.end_function();
    writer.end_function({1, 10, 1});
    EXPECT_EQ(3, layout.inclusion_for(&c_h));
    EXPECT_FALSE(layout.move_to(3, 1));  // c.h is closed: written where the walk is
    layout.finish();
    EXPECT_EQ("<main.c<a.h<b.h>*a4><a.h>*main3[F<c.h>*held7*main9]>", shape(text));
}

TEST(SourceLayout, ElementInsideAFunctionOpensItsInclusionThere) {
    source_file_info main_c = file("main.c", 1), body = file("body.inc", 2);
    std::string text;
    xob_writer writer(text);
    source_layout layout(writer);
    int main_file = layout.add_inclusion(&main_c, -1, 0);
    int included = layout.add_inclusion(&body, main_file, 4);  // #include inside f's body
    layout.start();
    layout.begin_function();
    writer.begin_function("f", "void f(void)", "extern", {1, 3, 6});
    EXPECT_TRUE(layout.move_to(included, 1));
    writer.trap("R", "inc1", {2, 1, 1});
    EXPECT_TRUE(layout.move_to(main_file, 5));
    writer.trap("R", "main5", {1, 5, 1});
    EXPECT_TRUE(layout.move_to(included, 2) == false);  // closed again: stays put
    layout.end_function();
    writer.end_function({1, 6, 1});
    layout.finish();
    EXPECT_EQ("<main.c[F<body.inc*inc1>*main5]>", shape(text));
}

}  // namespace
