#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Text, query, path and file helpers used throughout the program. None keeps state and none
// reports errors by exception: a failure gives the default, false or nothing.
namespace tw {

// --- Text and numbers ---

// Decimal value of `text` (optional "+" or "-" sign, digits only, within 32 bits), else `def`.
int StrToIntDefault(std::string_view text, int def);

// Fills %1..%9 from `args` (a missing argument gives nothing); "%%" gives "%"; any other "%"
// is copied as it is.
std::string FormatArgs(std::string_view text, const std::vector<std::string>& args);

// Two upper-case hexadecimal digits per byte, high digit first.
std::string BytesToHex(std::span<const std::uint8_t> bytes);
std::string BytesToHex(std::string_view bytes);

// Whether the two texts are equal, ASCII letters compared without regard to case.
bool SameText(std::string_view a, std::string_view b);

// Whether `text` begins with `prefix`, ASCII letters compared without regard to case.
bool StartsWithText(std::string_view text, std::string_view prefix);

// Appends the pieces of `text` between the separators, empty pieces included ("a." gives "a"
// and ""). An empty text appends nothing.
void SplitText(std::string_view text, char separator, std::vector<std::string>& list);

// "a.b.c.d" (anything after the first space ignored) as four hexadecimal digits, each part
// keeping its lowest four bits: "4.2.0.0" gives 0x4200. Any other number of parts gives 0.
std::uint16_t PackVersion(std::string_view text);

// --- Query strings ---

using QueryValues = std::vector<std::pair<std::string, std::string>>;

// The query part of `text` (after the first "?", or after a leading "scheme:" when there is no
// "?") split at "&"; the raw pieces are appended to `pieces`.
void ParseQueryString(std::string_view text, std::vector<std::string>& pieces);

// As above, each piece name=value form-decoded ("+" is a space, "%XY" a byte) and stored in
// `values`, replacing an earlier value of the same name. Pieces that do not decode are skipped.
void ParseQueryString(std::string_view text, QueryValues& values);

// The value stored for `name` (compared without regard to case), empty when there is none.
std::string QueryValue(const QueryValues& values, std::string_view name);

// `url` with `query` appended after "?" or "&" as the address needs.
std::string AppendQuery(std::string_view url, std::string_view query);

// --- Paths ---

// `folder` with a trailing "/" (an empty text stays empty).
std::string IncludeBackslash(std::string_view folder);

// `name` when it is an absolute path, else `name` inside `folder`.
std::string CombinePath(std::string_view folder, std::string_view name);

// The file name of `path` without its folder and without its extension (from the last "."):
// "/langs/German.lan" gives "German", ".profile" gives "".
std::string FileBaseName(std::string_view path);

// --- Files ---

// Appends the names of the files matching the wildcard path `mask` ("*" and "?" in its last
// part, letters compared without regard to case), sorted by name; with `withFolder` each name
// is prefixed by the folder part of `mask`.
void ListFiles(std::string_view mask, std::vector<std::string>& list, bool withFolder);

// Appends the full paths of the files of `folder` matching `mask`, sorted by name, then with
// `recurse` those of each sub-folder in name order. Symbolic links to folders are not entered.
void FindFilesRecursive(std::string_view folder, std::string_view mask,
                        std::vector<std::string>& list, bool recurse);

// Deletes the entries of `folder`; with `recurse` sub-folders are emptied and removed too.
// Write-protected files, and sub-folders when `recurse` is false, are left; symbolic links are
// removed, never followed. Returns whether the folder is empty afterwards.
bool ClearFolder(std::string_view folder, bool recurse);

// Creates or truncates `path` and writes the bytes of `text`; false when that fails.
bool WriteTextFile(std::string_view text, std::string_view path);

} // namespace tw
