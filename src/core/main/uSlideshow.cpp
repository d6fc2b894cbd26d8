#include "core/main/uSlideshow.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

namespace tw {
namespace {

// Rows whose ordinary entry is tied to `status`, in row order.
std::vector<int> CandidatesFor(const THeadArray& heads, int rows, TMsnState status) {
    std::vector<int> candidates;
    for (int i = 0; i < rows; ++i) {
        const THeadRec& head = heads[static_cast<std::size_t>(i)];
        if (head.Kind == THeadKind::hkOrdinary && head.State == status) {
            candidates.push_back(i);
        }
    }
    return candidates;
}

} // namespace

int ClampDelay(int secs) {
    return std::clamp(secs, kMinDelay, kMaxDelay);
}

std::string DelayLabel(int secs) {
    const int minutes = secs / 60;
    const int seconds = secs % 60;
    if (minutes <= 0) {
        return std::to_string(seconds) + " sec";
    }
    return std::to_string(minutes) + " min " + std::to_string(seconds) + " sec";
}

std::uint32_t TSlideRandom::Draw() {
    seed_ = seed_ * Multiplier + 1; // wraps modulo 2^32
    return static_cast<std::uint32_t>((std::uint64_t{seed_} * Range) >> 32);
}

std::uint32_t HighResolutionSeed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<std::uint32_t>(ticks);
}

int TSlideshow::ChooseNext(int rows, bool random) {
    random_.Reseed(seedSource_());
    // Rows beyond the collection would be a stale list; they have no entry to show.
    const int n = std::min(rows, manager_.HeadCount());
    if (n <= 0) {
        return -1;
    }
    if (n == 1) {
        return 0;
    }
    std::vector<int> candidates = CandidatesFor(manager_.Heads(), n, currentStatus_);
    if (candidates.empty()) {
        candidates = CandidatesFor(manager_.Heads(), n, TMsnState{0});
    }
    int choice = -1;
    if (!candidates.empty() && random) {
        choice = candidates[random_.Draw() % candidates.size()];
    } else if (!candidates.empty()) {
        const auto current = std::find(candidates.begin(), candidates.end(), currentIndex_);
        const bool wraps = current == candidates.end() || std::next(current) == candidates.end();
        choice = wraps ? candidates.front() : *std::next(current);
    }
    if (choice < 0) {
        choice = currentIndex_;
    }
    currentIndex_ = choice;
    return choice;
}

bool TSlideshow::Apply(int i, int rows, TMsnControl& link) {
    THeadRec entry;
    if (i < 0 || i >= rows || !manager_.GetHead(i, entry)) {
        return false;
    }
    if (OnPreview) {
        OnPreview(i);
    }
    std::filesystem::path path;
    try {
        path = manager_.ExportDisplayPicture(i * manager_.ImagesPerEntry());
    } catch (const std::filesystem::filesystem_error&) {
        // A full disk or a vanished working folder: the message still goes out.
    }
    const bool sent = !path.empty();
    if (sent) {
        currentIndex_ = i;
        link.SetDisplayPicture(path.string());
    }
    link.SetPersonalMessage(entry.PersonalMsg, entry.PersonalURL, entry.PersonalIcon);
    return sent;
}

void TSlideshow::Tick(int rows, bool random, TMsnControl* link) {
    if (link == nullptr || link->State() == TMsnState{0}) {
        return;
    }
    Apply(ChooseNext(rows, random), rows, *link);
}

void TSlideshow::StateChanged(TMsnState status, int rows, bool random, TMsnControl& link) {
    currentStatus_ = status;
    Apply(ChooseNext(rows, random), rows, link);
}

} // namespace tw
