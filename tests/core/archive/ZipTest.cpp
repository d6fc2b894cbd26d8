#include "core/archive/ZipReader.h"
#include "core/archive/ZipWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::HasSubstr;

class MemorySink final : public ZipSink {
public:
    void Write(std::span<const std::uint8_t> bytes) override {
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    Bytes data;
};

Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

Bytes Noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) {
        x = static_cast<std::uint8_t>(rng());
    }
    return b;
}

struct Member {
    std::string name;
    Bytes data;
};

Bytes MakeArchive(const std::vector<Member>& members, Zip64 zip64 = Zip64::WhenNeeded) {
    MemorySink sink;
    ZipWriter writer(sink, zip64);
    for (const auto& m : members) {
        writer.Add(m.name, m.data);
    }
    writer.Finish();
    return sink.data;
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

int Shell(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str());
}

class TempDir {
public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("tw-zip-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

const std::vector<Member>& SampleMembers() {
    static const std::vector<Member> members = {
        {"Info.ini", Text("[Global]\r\nHeadCount=0\r\n")},
        {"empty.txt", {}},
        {"noise.bin", Noise(300000, 1)},
        {"zeros.bmp", Bytes(1 << 20, 0)},
    };
    return members;
}

TEST(ZipRoundTrip, MembersReadBackFromMemoryAndFile) {
    const Bytes archive = MakeArchive(SampleMembers());
    const Bytes archive64 = MakeArchive(SampleMembers(), Zip64::Always);
    TempDir dir;
    WriteFile(dir / "a.zip", archive);
    for (const ZipReader& reader : {ZipReader::FromMemory(archive), ZipReader::Open(dir / "a.zip"),
                                    ZipReader::FromMemory(archive64)}) {
        ASSERT_EQ(reader.Entries().size(), SampleMembers().size());
        for (std::size_t i = 0; i < SampleMembers().size(); ++i) {
            const Member& m = SampleMembers()[i];
            const ZipEntry& e = reader.Entries()[i];
            EXPECT_EQ(e.Name, m.name);
            EXPECT_EQ(e.Method, ZipMethod::Deflated);
            EXPECT_EQ(reader.Read(e), m.data) << m.name;
        }
        EXPECT_EQ(reader.FindNoCase("INFO.INI"), &reader.Entries()[0]);
        EXPECT_EQ(reader.Find("INFO.INI"), nullptr);
    }
}

TEST(ZipWriterNames, RefusesAnythingButANewBareName) {
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "a\\b", std::string("a\0b", 3), "dup"}) {
        MemorySink sink;
        ZipWriter writer(sink);
        writer.Add("dup", Text("x"));
        EXPECT_THROW(writer.Add(name, Text("y")), ZipError) << name;
    }
}

TEST(ZipCopy, KeepsCompressedBytesAndCrcAsTheyAre) {
    // Level 9 output differs from what the writer would make, so a recompression shows.
    TempDir dir;
    const Bytes text = Text(std::string(200000, 'a') + "tail");
    WriteFile(dir / "text.txt", text);
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && zip -9 -q src.zip text.txt"), 0);
    const ZipReader source = ZipReader::Open(dir / "src.zip");
    const ZipEntry& original = source.Entries().at(0);

    MemorySink sink;
    ZipWriter writer(sink);
    writer.AddCopy("copy.txt", source, original);
    writer.Finish();
    const ZipReader copy = ZipReader::FromMemory(sink.data);
    const ZipEntry& copied = copy.Entries().at(0);
    EXPECT_EQ(copied.Name, "copy.txt");
    EXPECT_EQ(copied.CompressedSize, original.CompressedSize);
    EXPECT_EQ(copied.Crc32, original.Crc32);
    EXPECT_EQ(copy.Read(copied), text);
    EXPECT_EQ(writer.Written().at(0).DataOffset, copied.DataOffset);
}

TEST(ZipReaderOnDemand, ReadsTheOpenedArchiveAfterItsPathIsReplaced) {
    TempDir dir;
    WriteFile(dir / "a.zip", MakeArchive({{"m", Text("first")}}));
    const ZipReader reader = ZipReader::Open(dir / "a.zip");
    WriteFile(dir / "b.zip", MakeArchive({{"m", Text("second, longer")}}));
    fs::rename(dir / "b.zip", dir / "a.zip");
    EXPECT_EQ(reader.Read(*reader.Find("m")), Text("first"));
}

// Interoperability with the common tools, both ways.
class ZipInterop : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("command -v unzip && command -v zip && command -v python3") != 0) {
            GTEST_SKIP() << "zip, unzip or python3 missing";
        }
    }
    TempDir dir;
};

TEST_F(ZipInterop, OurArchivesPassUnzipAndPython) {
    // ZIP64 records too, as archives past 4 GB carry them.
    for (const Zip64 zip64 : {Zip64::WhenNeeded, Zip64::Always}) {
        WriteFile(dir / "ours.zip", MakeArchive(SampleMembers(), zip64));
        const std::string path = (dir / "ours.zip").string();
        EXPECT_EQ(Shell("unzip -t '" + path + "'"), 0);
        EXPECT_EQ(Shell("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                        "sys.exit(z.testzip() is not None or len(z.namelist())!=4)\" '" +
                        path + "'"),
                  0);
    }
}

TEST_F(ZipInterop, ReadsArchivesOfZipAndPythonWithFoldersAndDataDescriptors) {
    fs::create_directories(dir / "tree/sub");
    const Bytes noise = Noise(70000, 2);
    WriteFile(dir / "tree/sub/Info.ini", Text("[Global]\r\n"));
    WriteFile(dir / "tree/0_Image.jpg", noise);
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && zip -1 -r -q zip.zip tree"), 0);
    // Writing to a stream that cannot seek makes zipfile use data descriptors.
    const std::string script =
        "import sys,zipfile\n"
        "class S:\n"
        "  def __init__(s,f): s.f=f\n"
        "  def write(s,b): return s.f.write(b)\n"
        "  def flush(s): s.f.flush()\n"
        "with open(sys.argv[1],'wb') as f, zipfile.ZipFile(S(f),'w',zipfile.ZIP_DEFLATED) as z:\n"
        "  z.writestr('a/b/Info.ini', b'[Global]\\r\\n')\n"
        "  z.write(sys.argv[2], 'x\\\\0_Image.jpg')\n"
        "  z.writestr(zipfile.ZipInfo('stored/0_ImageList.bmp'), b'BM' * 50)\n"
        "  z.writestr('folder/', b'')\n";
    WriteFile(dir / "make.py", Text(script));
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && python3 make.py py.zip tree/0_Image.jpg"),
              0);
    ASSERT_NE(ReadFile(dir / "py.zip").size(), 0u);

    for (const std::string archive : {"zip.zip", "py.zip"}) {
        const ZipReader reader = ZipReader::Open(dir / archive);
        const ZipEntry* info = reader.Find("Info.ini");
        const ZipEntry* image = reader.Find("0_Image.jpg");
        ASSERT_NE(info, nullptr) << archive;
        ASSERT_NE(image, nullptr) << archive;
        EXPECT_EQ(reader.Read(*info), Text("[Global]\r\n")) << archive;
        EXPECT_EQ(reader.Read(*image), noise) << archive;
        for (const ZipEntry& e : reader.Entries()) {
            EXPECT_EQ(e.Name.find_first_of("/\\"), std::string::npos) << e.Name;
            EXPECT_NO_THROW(reader.Read(e)) << e.Name;
        }
    }
    const ZipReader py = ZipReader::Open(dir / "py.zip");
    EXPECT_EQ(py.Read(*py.Find("0_ImageList.bmp")).size(), 100u);
    EXPECT_EQ(py.Entries().size(), 3u); // the folder entry is not a member
}

// Damaged and hostile archives: each is a good archive with one thing changed.
std::size_t CentralHeader(const Bytes& zip, std::size_t index) {
    const std::size_t end = zip.size() - 22;
    std::size_t at = zip[end + 16] | zip[end + 17] << 8 | zip[end + 18] << 16 | zip[end + 19] << 24;
    for (std::size_t i = 0; i < index; ++i) {
        at += 46 + (zip[at + 28] | zip[at + 29] << 8);
    }
    return at;
}

void Set16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

struct Fault {
    const char* what;
    std::function<void(Bytes&)> change;
    const char* message;
    ZipLimits limits = {};
};

TEST(ZipReaderFaults, RefusesDamagedAndHostileArchivesWithAClearError) {
    const Bytes good = MakeArchive(SampleMembers());
    // Member 2 is the noise, member 3 the megabyte of zeros.
    const auto central = [](std::size_t i) {
        return [i](Bytes& z) { return CentralHeader(z, i); };
    };
    const auto noise = central(2);
    const auto zeros = central(3);
    ZipLimits small;
    small.MaxMemberSize = 512 * 1024;
    ZipLimits smallTotal;
    smallTotal.MaxTotalSize = 1200000;
    ZipLimits lowRatio;
    lowRatio.MaxRatio = 100;

    const std::vector<Fault> faults = {
        {"not a zip", [](Bytes& z) { z.assign(100, 'x'); }, "Not a ZIP archive"},
        {"empty file", [](Bytes& z) { z.clear(); }, "Not a ZIP archive"},
        {"cut in the central directory", [](Bytes& z) { z.resize(CentralHeader(z, 1) + 10); },
         "Not a ZIP archive"},
        {"cut in the data",
         [](Bytes& z) {
             // Keep the end record but lose data: the directory points past the file.
             const Bytes tail(z.end() - 22, z.end());
             z.resize(z.size() / 2);
             z.insert(z.end(), tail.begin(), tail.end());
         },
         "truncated"},
        {"encrypted", [&](Bytes& z) { Set16(z, noise(z) + 8, 1); }, "encrypted"},
        {"unknown method", [&](Bytes& z) { Set16(z, noise(z) + 10, 14); }, "method 14"},
        {"wrong crc", [&](Bytes& z) { Set32(z, noise(z) + 16, Get32(z, noise(z) + 16) ^ 1); },
         "CRC"},
        {"size larger than the data", [&](Bytes& z) { Set32(z, noise(z) + 24, 300001); },
         "smaller than its recorded"},
        {"size smaller than the data", [&](Bytes& z) { Set32(z, noise(z) + 24, 299999); },
         "larger than its recorded"},
        {"compressed size too small",
         [&](Bytes& z) { Set32(z, noise(z) + 20, Get32(z, noise(z) + 20) - 100); }, "truncated"},
        {"compressed size past the directory",
         [&](Bytes& z) { Set32(z, noise(z) + 20, 0x7FFFFFFF); }, "truncated"},
        {"claims a ratio deflate cannot reach",
         [&](Bytes& z) { Set32(z, zeros(z) + 24, 0x7FFFFFF0); }, "allowed size"},
        {"member above the size cap", [](Bytes&) {}, "allowed size", small},
        {"total above the cap", [](Bytes&) {}, "allowed size", smallTotal},
        {"ratio above the cap", [](Bytes&) {}, "allowed size", lowRatio},
        {"members overlap",
         [&](Bytes& z) { Set32(z, noise(z) + 42, Get32(z, CentralHeader(z, 1) + 42)); }, "overlap"},
        {"two members of one name",
         [&](Bytes& z) {
             std::copy_n("empty.txt", 9, z.begin() + static_cast<long>(noise(z) + 46));
         },
         "two members"},
        {"damaged deflate data",
         [&](Bytes& z) {
             const std::size_t local = Get32(z, noise(z) + 42);
             for (std::size_t i = 0; i < 64; ++i) {
                 z[local + 30 + 9 + 1000 + i] = 0xFF;
             }
         },
         "Member \"noise.bin\""},
    };
    for (const Fault& f : faults) {
        Bytes bad = good;
        f.change(bad);
        try {
            const ZipReader reader = ZipReader::FromMemory(bad, f.limits);
            for (const ZipEntry& e : reader.Entries()) {
                reader.Read(e);
            }
            ADD_FAILURE() << f.what << ": accepted";
        } catch (const ZipError& e) {
            EXPECT_THAT(e.what(), HasSubstr(f.message)) << f.what;
        }
    }
}

TEST(ZipReaderFaults, RefusesADamagedZip64Record) {
    Bytes zip = MakeArchive(SampleMembers(), Zip64::Always);
    // The record sits just before its 20-byte locator and the 22-byte end record.
    zip[zip.size() - 22 - 20 - 56] ^= 0xFF;
    try {
        ZipReader::FromMemory(zip);
        ADD_FAILURE() << "accepted";
    } catch (const ZipError& e) {
        EXPECT_THAT(e.what(), HasSubstr("ZIP64 record"));
    }
}

TEST(ZipReaderFaults, ARealBombStopsAtTheMemberCap) {
    // 64 MB of zeros deflate to about 64 kB; the member claims 1 kB.
    Bytes bomb = MakeArchive({{"bomb", Bytes(64 << 20, 0)}});
    Set32(bomb, CentralHeader(bomb, 0) + 24, 1024);
    const ZipReader reader = ZipReader::FromMemory(bomb);
    EXPECT_THROW(reader.Read(reader.Entries().at(0)), ZipError);
}

} // namespace
} // namespace tw
