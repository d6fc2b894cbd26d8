#include "Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tw::bench {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusFiles(const std::string& folder) {
    const char* configured = std::getenv("TILEWICK_CORPUS");
    const fs::path root = configured != nullptr ? configured : "/tmp/tilewick-corpus";
    if (!fs::is_directory(root / folder)) {
        const std::string command =
            std::string("sh '") + TILEWICK_CORPUS_SCRIPT + "' '" + root.string() + "'";
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("cannot make the benchmark corpus in " + root.string());
        }
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(root / folder)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

double PeakResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0;
}

} // namespace tw::bench
