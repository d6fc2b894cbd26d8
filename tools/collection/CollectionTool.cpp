#include "CollectionTool.h"

#include "core/archive/ZipReader.h"
#include "core/collection/uCollectionFile.h"
#include "core/collection/uMsnHeadManager.h"
#include "core/image/Codecs.h"
#include "platform/AtomicFile.h"

#include <charconv>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <stdexcept>
#include <string_view>
#include <unistd.h>

namespace tw::tool {

namespace {

namespace fs = std::filesystem;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// A wrong command line; its message says what is wrong.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const char* const kOverview =
    "Usage: tilewick-collection COMMAND [ARGUMENTS]\n"
    "\n"
    "Reads and changes Tilewick collection files (.vkt).\n"
    "\n"
    "Commands:\n"
    "  info FILE [--json]        the entries and picture slots of a collection\n"
    "  add FILE PICTURE...       adds pictures with their default fit; creates FILE if missing\n"
    "  export FILE INDEX OUT.bmp writes an entry's display picture as a 96 x 96 BMP\n"
    "  set FILE INDEX [OPTIONS]  changes an entry's status and personal message\n"
    "  check FILE                verifies the archive, the manifest and every picture\n"
    "\n"
    "Run 'tilewick-collection COMMAND --help' for the details of a command.\n";

const std::map<std::string, std::string, std::less<>> kHelp = {
    {"info", "Usage: tilewick-collection info FILE [--json]\n"
             "Lists the entries of the collection FILE with all their fields, and its picture\n"
             "slots. With --json the same is written as one JSON object, for scripts.\n"},
    {"add", "Usage: tilewick-collection add FILE PICTURE...\n"
            "Adds each PICTURE as a new entry with the editor's default fit, and saves FILE.\n"
            "FILE is created when it does not exist. Pictures that cannot be read are reported\n"
            "and left out; the exit code is then 1.\n"},
    {"export", "Usage: tilewick-collection export FILE INDEX OUT.bmp\n"
               "Writes the display picture of entry INDEX (counted from 0), without a status\n"
               "badge, to OUT.bmp as a 96 x 96 BMP file.\n"},
    {"set", "Usage: tilewick-collection set FILE INDEX [--state N] [--message TEXT] [--url URL]\n"
            "                                   [--icon N]\n"
            "Changes entry INDEX (counted from 0) and saves FILE.\n"
            "  --state N      status 0..6: none, online, busy, be right back, away, in a call,\n"
            "                 out to lunch\n"
            "  --message TEXT personal message\n"
            "  --url URL      personal URL\n"
            "  --icon N       now-playing category 0..3: none, Office, Music, Games\n"},
    {"check", "Usage: tilewick-collection check FILE\n"
              "Verifies every member of the archive, reads the manifest and decodes every\n"
              "picture. Prints the first fault found and exits with 1, or exits with 0.\n"},
};

int ParseNumber(std::string_view text, int low, int high, const std::string& what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(what + " must be a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + std::string(text) + "\"");
    }
    return value;
}

// The path in quotation marks, built by appending: GCC 12 misreports the "literal" + string
// form at -O3.
std::string Quoted(const fs::path& path) {
    std::string quoted = "\"";
    return quoted.append(path.string()).append("\"");
}

// A manager whose working folder is a private temporary folder, removed when done.
class Session {
public:
    explicit Session(const std::vector<Picture>& icons)
        : folder_(fs::temp_directory_path() / ("tilewick-collection-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(std::random_device{}()))),
          manager_(folder_ / "data/"), file_(manager_) {
        manager_.SetStateIcons(icons);
    }
    ~Session() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TMsnHeadManager& Manager() { return manager_; }
    TCollectionFile& File() { return file_; }

    void Load(const fs::path& path) {
        if (!file_.LoadFromFile(path)) {
            throw std::runtime_error(Quoted(path) +
                                     " is not a collection file: it holds no Info.ini");
        }
    }

    int Entry(std::string_view text) {
        if (manager_.HeadCount() == 0) {
            throw std::runtime_error("the collection has no entries");
        }
        return ParseNumber(text, 0, manager_.HeadCount() - 1, "INDEX");
    }

private:
    fs::path folder_;
    TMsnHeadManager manager_;
    TCollectionFile file_;
};

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                constexpr char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// The fields of an entry in manifest order, as name and printed value.
std::vector<std::pair<std::string, std::string>> Fields(const THeadRec& h, bool json) {
    const auto text = [json](const std::string& s) { return json ? JsonString(s) : s; };
    return {
        {"ReadOnly", json ? (h.ReadOnly ? "true" : "false") : (h.ReadOnly ? "1" : "0")},
        {"ImageID", std::to_string(h.ImageID)},
        {"State", std::to_string(h.State)},
        {"PersonalMsg", text(h.PersonalMsg)},
        {"PersonalURL", text(h.PersonalURL)},
        {"PersonalIcon", std::to_string(h.PersonalIcon)},
        {"ImagePos.X", std::to_string(h.ImagePos.X)},
        {"ImagePos.Y", std::to_string(h.ImagePos.Y)},
        {"FrameRect.Left", std::to_string(h.FrameRect.Left)},
        {"FrameRect.Top", std::to_string(h.FrameRect.Top)},
        {"FrameRect.Right", std::to_string(h.FrameRect.Right)},
        {"FrameRect.Bottom", std::to_string(h.FrameRect.Bottom)},
        {"ImageWidth", std::to_string(h.ImageWidth)},
        {"ImageHeight", std::to_string(h.ImageHeight)},
        {"Brightness", std::to_string(h.Brightness)},
        {"Contrast", std::to_string(h.Contrast)},
        {"Scale", std::to_string(h.Scale)},
    };
}

int Info(const std::vector<std::string>& args, const std::vector<Picture>& icons,
         Console& console) {
    bool json = false;
    std::vector<std::string> rest;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else {
            rest.push_back(arg);
        }
    }
    if (rest.size() != 1) {
        throw UsageError("info needs one FILE");
    }
    Session session(icons);
    session.Load(rest[0]);
    const TMsnHeadManager& m = session.Manager();
    std::ostream& out = console.out;
    if (json) {
        out << "{\"file\":" << JsonString(rest[0]) << ",\"entries\":[";
        for (std::size_t i = 0; i < m.Heads().size(); ++i) {
            out << (i ? "," : "") << '{';
            const auto fields = Fields(m.Heads()[i], true);
            for (std::size_t f = 0; f < fields.size(); ++f) {
                out << (f ? "," : "") << JsonString(fields[f].first) << ':' << fields[f].second;
            }
            out << '}';
        }
        out << "],\"slots\":[";
        for (std::size_t k = 0; k < m.Images().size(); ++k) {
            const TImageRec& image = m.Images()[k];
            out << (k ? "," : "") << "{\"picture\":" << (image.HasPicture() ? "true" : "false");
            if (image.HasPicture()) {
                out << ",\"ext\":" << JsonString(image.Ext)
                    << ",\"format\":" << JsonString(image.Format) << ",\"width\":" << image.Width
                    << ",\"height\":" << image.Height;
            }
            out << '}';
        }
        out << "]}\n";
        return kDone;
    }
    out << "Entries: " << m.HeadCount() << "\nSlots: " << m.ImageCount() << '\n';
    for (int i = 0; i < m.HeadCount(); ++i) {
        out << "\nEntry " << i << '\n';
        for (const auto& [name, value] : Fields(m.Heads()[static_cast<std::size_t>(i)], false)) {
            out << "  " << name << '=' << value << '\n';
        }
    }
    if (m.ImageCount() > 0) {
        out << '\n';
    }
    for (int k = 0; k < m.ImageCount(); ++k) {
        const TImageRec& image = m.Images()[static_cast<std::size_t>(k)];
        out << "Slot " << k << ": ";
        if (image.HasPicture()) {
            out << image.Ext << ", " << image.Format << ", " << image.Width << " x " << image.Height
                << '\n';
        } else {
            out << "no picture\n";
        }
    }
    return kDone;
}

// Draws "[#####.....] 3/10" over itself on a terminal.
void ShowProgress(Console& console, std::size_t done, std::size_t total) {
    if (!console.interactive) {
        return;
    }
    constexpr std::size_t width = 30;
    const std::size_t filled = total == 0 ? width : done * width / total;
    console.err << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] "
                << done << '/' << total << (done == total ? "\n" : "") << std::flush;
}

int Add(const std::vector<std::string>& args, const std::vector<Picture>& icons, Console& console) {
    if (args.size() < 2) {
        throw UsageError("add needs a FILE and at least one PICTURE");
    }
    const fs::path file = args[0];
    Session session(icons);
    if (fs::exists(file)) {
        session.Load(file);
    }
    int failures = 0;
    const std::size_t total = args.size() - 1;
    for (std::size_t i = 1; i < args.size(); ++i) {
        ShowProgress(console, i - 1, total);
        try {
            session.Manager().AddPictureFile(args[i], false);
        } catch (const std::exception& e) {
            ++failures;
            // The picture's error names its file.
            console.err << (console.interactive ? "\r" : "") << "tilewick-collection: " << e.what()
                        << '\n';
        }
    }
    ShowProgress(console, total, total);
    session.File().SaveToFile(file, true);
    console.out << "Added " << total - static_cast<std::size_t>(failures) << " of " << total
                << " pictures; the collection has " << session.Manager().HeadCount()
                << " entries.\n";
    return failures == 0 ? kDone : kFailed;
}

int Export(const std::vector<std::string>& args, const std::vector<Picture>& icons,
           Console& console) {
    if (args.size() != 3) {
        throw UsageError("export needs FILE, INDEX and OUT.bmp");
    }
    Session session(icons);
    session.Load(args[0]);
    const int i = session.Entry(args[1]);
    const TMsnHeadManager& m = session.Manager();
    const std::vector<std::uint8_t> bmp = EncodeBmp24(
        m.Thumbnails()[static_cast<std::size_t>(i) * static_cast<std::size_t>(m.ImagesPerEntry())]);
    if (!WriteFileAtomically(
            args[2], std::string_view(reinterpret_cast<const char*>(bmp.data()), bmp.size()))) {
        throw std::runtime_error("cannot write \"" + args[2] + "\"");
    }
    console.out << "Wrote entry " << i << " to " << args[2] << '\n';
    return kDone;
}

int Set(const std::vector<std::string>& args, const std::vector<Picture>& icons, Console& console) {
    if (args.size() < 2) {
        throw UsageError("set needs FILE and INDEX");
    }
    std::optional<int> state;
    std::optional<int> icon;
    std::optional<std::string> message;
    std::optional<std::string> url;
    for (std::size_t a = 2; a < args.size(); a += 2) {
        if (a + 1 >= args.size()) {
            throw UsageError(args[a] + " needs a value");
        }
        const std::string& value = args[a + 1];
        if (args[a] == "--state") {
            state = ParseNumber(value, 0, 6, "--state");
        } else if (args[a] == "--icon") {
            icon = ParseNumber(value, 0, 3, "--icon");
        } else if (args[a] == "--message") {
            message = value;
        } else if (args[a] == "--url") {
            url = value;
        } else {
            throw UsageError("unknown option " + args[a]);
        }
    }
    if (!state && !icon && !message && !url) {
        throw UsageError("set needs at least one of --state, --message, --url, --icon");
    }
    Session session(icons);
    session.Load(args[0]);
    const int i = session.Entry(args[1]);
    TMsnHeadManager& m = session.Manager();
    const THeadRec& head = m.Heads()[static_cast<std::size_t>(i)];
    if (state) {
        m.SetState(i, static_cast<TMsnState>(*state));
    }
    m.SetPersonal(i, message.value_or(head.PersonalMsg),
                  static_cast<std::uint8_t>(icon.value_or(head.PersonalIcon)),
                  url.value_or(head.PersonalURL));
    session.File().SaveToFile(args[0], true);
    console.out << "Changed entry " << i << '\n';
    return kDone;
}

int Check(const std::vector<std::string>& args, const std::vector<Picture>& icons,
          Console& console) {
    if (args.size() != 1) {
        throw UsageError("check needs one FILE");
    }
    const fs::path file = args[0];
    const std::string where = Quoted(file) + ": ";
    const ZipReader archive = [&] {
        try {
            ZipReader opened = ZipReader::Open(file);
            for (const ZipEntry& member : opened.Entries()) {
                opened.Verify(member);
            }
            return opened;
        } catch (const ZipError& e) {
            throw std::runtime_error(where + e.what());
        }
    }();
    Session session(icons);
    session.Load(file);
    const TMsnHeadManager& m = session.Manager();
    for (int k = 0; k < m.ImageCount(); ++k) {
        const TImageRec& image = m.Images()[static_cast<std::size_t>(k)];
        if (image.HasPicture()) {
            try {
                DecodePicture(image.Source->ReadBytes(), image.Ext, {96, 96});
            } catch (const std::exception& e) {
                throw std::runtime_error(where + "picture " + std::to_string(k) + ": " + e.what());
            }
        }
    }
    const int perEntry = m.ImagesPerEntry();
    for (int i = 0; i < m.HeadCount(); ++i) {
        const THeadRec& head = m.Heads()[static_cast<std::size_t>(i)];
        const auto entry = "entry " + std::to_string(i);
        if (head.ImageID < 0 || head.ImageID >= m.ImageCount() ||
            !m.Images()[static_cast<std::size_t>(head.ImageID)].HasPicture()) {
            throw std::runtime_error(where + entry + " names picture " +
                                     std::to_string(head.ImageID) + ", which the file lacks");
        }
        for (int t = i * perEntry; t < (i + 1) * perEntry; ++t) {
            if (archive.FindNoCase(std::to_string(t) + "_ImageList.bmp") == nullptr) {
                throw std::runtime_error(where + entry + " lacks its thumbnail " +
                                         std::to_string(t));
            }
        }
    }
    console.out << file.string() << ": OK, " << m.HeadCount() << " entries, "
                << archive.Entries().size() << " members\n";
    return kDone;
}

using Command = int (*)(const std::vector<std::string>&, const std::vector<Picture>&, Console&);

} // namespace

int RunCollectionTool(const std::vector<std::string>& args, const std::vector<Picture>& badgeIcons,
                      Console console) {
    static const std::map<std::string, Command, std::less<>> commands = {
        {"info", Info}, {"add", Add}, {"export", Export}, {"set", Set}, {"check", Check}};
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? console.err : console.out) << kOverview;
        return args.empty() ? kUsage : kDone;
    }
    const auto command = commands.find(args[0]);
    if (command == commands.end()) {
        console.err << "tilewick-collection: unknown command \"" << args[0] << "\"\n" << kOverview;
        return kUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        console.out << kHelp.at(args[0]);
        return kDone;
    }
    try {
        return command->second(rest, badgeIcons, console);
    } catch (const UsageError& e) {
        console.err << "tilewick-collection " << args[0] << ": " << e.what() << '\n'
                    << kHelp.at(args[0]);
        return kUsage;
    } catch (const std::exception& e) {
        console.err << "tilewick-collection " << args[0] << ": " << e.what() << '\n';
        return kFailed;
    }
}

} // namespace tw::tool
