// Feeds arbitrary bytes to the INI reader and the query parser: they must never crash, and
// what the INI file writes must read back as the same content.
#include "core/app/uIniFile.h"
#include "core/app/uUtils.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    tw::IniFile ini;
    ini.Parse(text);
    const std::string written = ini.ToText();
    tw::IniFile reread;
    reread.Parse(written);
    if (reread.ToText() != written)
        std::abort();

    tw::QueryValues values;
    tw::ParseQueryString(text, values);
    tw::FormatArgs(text, {"a", "b"});
    return 0;
}
