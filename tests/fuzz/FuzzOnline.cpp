// Web input and templates: a result page scanned and rendered, an update reply read, and the
// bytes used as a template themselves.
#include "core/app/uSettings.h"
#include "core/online/VezTpl.h"
#include "core/online/uOnlineSearch.h"
#include "core/online/uUpdateCheck.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view ResultTemplate =
    "<!-- begin block imageitem --><a href=\"vkt:?ACTION=Download&URL={IMG_QUERY}\">"
    "<img src=\"{IMG_URL}\"></a><!-- end block imageitem -->"
    "<!-- begin block noresult -->{NORESULT}<!-- end block noresult -->"
    "<!-- begin block page -->{PageID}<!-- end block page -->\n";

struct Fixture {
    Fixture() {
        const auto folder = std::filesystem::temp_directory_path() / "tilewick-fuzz-online";
        std::filesystem::create_directories(folder);
        templateFile = (folder / "result.html").string();
        std::ofstream(templateFile) << ResultTemplate;
        // No constants file: the default search pattern.
        settings = std::make_unique<tw::TSettings>((folder / "program/").string());
    }
    std::string templateFile;
    std::unique_ptr<tw::TSettings> settings;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    tw::TOnlineSearch search(*fixture.settings);
    search.RequestPage("cat", 2);
    if (search.PageDone(text)) {
        const std::string page = search.BuildResultPage(fixture.templateFile, "/res/");
        if (page.find("<script") != std::string::npos)
            __builtin_trap();
    }
    search.ReadLink(text);
    tw::DecideUpdate({true, true, text, "TILEWICK"});

    tw::TVezTpl tpl;
    tpl.LoadTemplateText(text);
    tpl.SetVar("X", text.substr(0, 16));
    for (int outer = 0; outer < 2; ++outer) {
        tpl.BeginBlock("a");
        tpl.BeginBlock("b");
        tpl.SetVar("Y", "y");
        tpl.EndBlock("b");
        tpl.EndBlock("a");
    }
    try {
        tpl.Parse();
    } catch (const tw::TemplateError&) {
        // Blocks nested too deep are refused.
    }
    return 0;
}
