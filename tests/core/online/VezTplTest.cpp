#include "core/online/VezTpl.h"

#include "core/app/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace tw {
namespace {

// The inline-block template of the examples: A{X}B, block item with C{Y}D, then E.
constexpr const char* ItemTemplate = "A{X}B<!-- begin block item -->C{Y}D<!-- end block item -->E";

std::string Fill(const std::string& text, const std::function<void(TVezTpl&)>& describe) {
    TVezTpl tpl;
    tpl.LoadTemplateText(text);
    describe(tpl);
    tpl.Parse();
    return tpl.Output();
}

void Item(TVezTpl& tpl, const char* y) {
    tpl.BeginBlock("item");
    tpl.SetVar("Y", y);
    tpl.EndBlock("item");
}

TEST(VezTplTest, FillsVariablesAndBlocks) {
    const struct {
        const char* name;
        std::string text;
        std::function<void(TVezTpl&)> describe;
        std::string expected;
    } cases[] = {
        {"no tokens: every line ends in CR LF", "one\n\ntwo\r\nthree\rfour", [](TVezTpl&) {},
         "one\r\n\r\ntwo\r\nthree\r\nfour\r\n"},
        {"a final line break adds no empty line", "one\n", [](TVezTpl&) {}, "one\r\n"},
        {"two instances", ItemTemplate,
         [](TVezTpl& t) {
             t.SetVar("X", "x");
             Item(t, "y0");
             Item(t, "y1");
         },
         "AxBCy0DCy1DE\r\n"},
        {"no instance", ItemTemplate, [](TVezTpl& t) { t.SetVar("X", "x"); }, "AxBE\r\n"},
        {"a top-level variable is seen inside a block",
         "<!-- begin block b -->{X}{Z}|<!-- end block b -->",
         [](TVezTpl& t) {
             t.SetVar("X", "top");
             t.BeginBlock("b");
             t.SetVar("Z", "0");
             t.EndBlock("b");
             t.BeginBlock("b");
             t.SetVar("X", "own");
             t.EndBlock("b");
         },
         "top0|own|\r\n"},
        {"names without regard to case; {1x} is text", "{ID}/{id}/{Id}/{1x}/{missing}",
         [](TVezTpl& t) { t.SetVar("id", "7"); }, "7/7/7/{1x}/\r\n"},
        {"block names without regard to case", "<!-- BEGIN BLOCK Row -->r<!-- end block row -->",
         [](TVezTpl& t) {
             t.BeginBlock("ROW");
             t.EndBlock("ROW");
         },
         "r\r\n"},
        {"backslash apostrophe", "{V}", [](TVezTpl& t) { t.SetVar("V", "it\\'s \\n"); },
         "it's \\n\r\n"},
        {"the first value of a name counts", "{V}",
         [](TVezTpl& t) {
             t.SetVar("V", "first");
             t.SetVar("v", "second");
         },
         "first\r\n"},
        {"EndBlock at the top level changes nothing", ItemTemplate,
         [](TVezTpl& t) {
             t.EndBlock("item");
             t.SetVar("X", "x");
             Item(t, "y0");
         },
         "AxBCy0DE\r\n"},
        {"an end marker closes the innermost block whatever its name",
         "<!-- begin block a -->a<!-- end block other -->.",
         [](TVezTpl& t) {
             t.BeginBlock("a");
             t.EndBlock("a");
         },
         "a.\r\n"},
        {"a stray end marker is dropped", "x<!-- end block a -->y", [](TVezTpl&) {}, "xy\r\n"},
        {"a block used twice in the template is written twice",
         "<!-- begin block p -->{N}<!-- end block p -->|<!-- begin block p -->{N}<!-- end block p "
         "-->",
         [](TVezTpl& t) {
             for (const char* n : {"1", "2"}) {
                 t.BeginBlock("p");
                 t.SetVar("N", n);
                 t.EndBlock("p");
             }
         },
         "12|12\r\n"},
        {"item after items is another block",
         "<!-- begin block items -->s<!-- end block items -->"
         "<!-- begin block item -->i<!-- end block item -->",
         [](TVezTpl& t) {
             t.BeginBlock("items");
             t.EndBlock("items");
             t.BeginBlock("item");
             t.EndBlock("item");
         },
         "si\r\n"},
        {"markers across lines",
         "<ul>\n<!-- begin block li -->\n<li>{T}</li>\n<!-- end block li -->\n</ul>",
         [](TVezTpl& t) {
             for (const char* text : {"a", "b"}) {
                 t.BeginBlock("li");
                 t.SetVar("T", text);
                 t.EndBlock("li");
             }
         },
         "<ul>\r\n\r\n<li>a</li>\r\n\r\n<li>b</li>\r\n\r\n</ul>\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Fill(c.text, c.describe), c.expected) << c.name;
}

TEST(VezTplTest, NestedBlocksAreWrittenInInstanceOrder) {
    const std::string text = "<!-- begin block a -->[{N}<!-- begin block b -->({M})"
                             "<!-- begin block empty -->never<!-- end block empty -->"
                             "<!-- end block b -->]<!-- end block a -->";
    const auto describe = [](TVezTpl& t) {
        const std::vector<std::vector<const char*>> outer = {{"a0b0", "a0b1"}, {"a1b0"}};
        for (std::size_t i = 0; i < outer.size(); ++i) {
            t.BeginBlock("a");
            t.SetVar("N", "a" + std::to_string(i));
            for (const char* inner : outer[i]) {
                t.BeginBlock("b");
                t.SetVar("M", inner);
                t.EndBlock("b");
            }
            t.EndBlock("a");
        }
    };
    EXPECT_EQ(Fill(text, describe), "[a0(a0b0)(a0b1)][a1(a1b0)]\r\n");
}

TEST(VezTplTest, DepthLimitsAreRefusedClearly) {
    TVezTpl tpl;
    std::string text = "{X}";
    for (int i = 0; i < TVezTpl::MaxDescribeDepth; ++i) {
        tpl.BeginBlock("b");
        text = "<!-- begin block b -->" + text + "<!-- end block b -->";
    }
    try {
        tpl.BeginBlock("b");
        FAIL() << "an eleventh open block was accepted";
    } catch (const TemplateError& error) {
        EXPECT_NE(std::string(error.what()).find("10 levels"), std::string::npos) << error.what();
    }
    // The refused block left the scope alone: the variable lands in the tenth level.
    tpl.SetVar("X", "deep");
    for (int i = 0; i < TVezTpl::MaxDescribeDepth; ++i)
        tpl.EndBlock("b");

    tpl.LoadTemplateText(text);
    EXPECT_THROW(tpl.Parse(), TemplateError) << "ten nested blocks in a template";

    // Nine levels are fine.
    const std::string nine = text.substr(22, text.size() - 22 - 20);
    tpl.LoadTemplateText(nine);
    tpl.Parse();
    EXPECT_EQ(tpl.Output(), "\r\n");
}

TEST(VezTplTest, NineNestedInstancesAreFound) {
    std::string text = "{X}";
    for (int i = 0; i < TVezTpl::MaxTemplateDepth; ++i)
        text = "<!-- begin block b -->" + text + "<!-- end block b -->";
    const auto describe = [](TVezTpl& t) {
        for (int i = 0; i < TVezTpl::MaxTemplateDepth; ++i)
            t.BeginBlock("b");
        t.SetVar("X", "deep");
    };
    EXPECT_EQ(Fill(text, describe), "deep\r\n");
}

TEST(VezTplTest, LoadTemplateReadsAFileAndKeepsTheOldOneOnFailure) {
    test::TempFolder folder;
    test::MakeFile(folder / "page.html", "\xEF\xBB\xBF<p>{X}</p>\r\n");
    TVezTpl tpl;
    tpl.LoadTemplate(folder / "page.html");
    tpl.SetVar("X", "x");

    EXPECT_THROW(tpl.LoadTemplate(folder / "missing.html"), TemplateError);
    EXPECT_THROW(tpl.LoadTemplate(folder.Path().string()), TemplateError) << "a folder";
    tpl.Parse();
    EXPECT_EQ(tpl.Output(), "<p>x</p>\r\n");
}

} // namespace
} // namespace tw
