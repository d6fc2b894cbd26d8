#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tw::bench {

// The files of one corpus folder ("jpg12mp", "jpg1080", "png768", "gif480"), sorted. The corpus
// lives in $TILEWICK_CORPUS or /tmp/tilewick-corpus and is made there when missing.
std::vector<std::filesystem::path> CorpusFiles(const std::string& folder);

// The process's peak resident memory (VmHWM) in megabytes.
double PeakResidentMegabytes();

} // namespace tw::bench
