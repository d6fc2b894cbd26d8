#pragma once

#include "core/collection/uMsnHeadManager.h"
#include "core/messenger/uMsnControl.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tw {

// The slideshow delay in seconds: the slider's range and its default.
inline constexpr int kMinDelay = 5;
inline constexpr int kMaxDelay = 180;
inline constexpr int kDefaultDelay = 15;

int ClampDelay(int secs);
// "59 sec", "1 min 30 sec": the delay as the window shows it (not translated).
std::string DelayLabel(int secs);

// A 32-bit linear congruential generator: each draw steps the seed and returns the upper 32
// bits of seed x range, so the same seed always gives the same sequence.
class TSlideRandom {
public:
    static constexpr std::uint32_t Multiplier = 134775813;
    static constexpr std::uint32_t Range = 10000;

    explicit TSlideRandom(std::uint32_t seed = 0) : seed_(seed) {}
    void Reseed(std::uint32_t seed) { seed_ = seed; }
    std::uint32_t Seed() const { return seed_; }
    // A number in 0..Range-1.
    std::uint32_t Draw();

private:
    std::uint32_t seed_;
};

// The low 32 bits of a high-resolution counter: a new seed for every choice.
std::uint32_t HighResolutionSeed();

// Chooses the entries the slideshow shows and sends them to Messenger. The list shows entries
// 0..rows-1 of the manager; only those take part.
class TSlideshow {
public:
    using SeedSource = std::function<std::uint32_t()>;

    explicit TSlideshow(TMsnHeadManager& manager) : manager_(manager) {}

    // The entry last applied (or chosen); -1 before any.
    int CurrentIndex() const { return currentIndex_; }
    void SetCurrentIndex(int index) { currentIndex_ = index; }
    // The status the link last reported; 0 until its first notification.
    TMsnState CurrentStatus() const { return currentStatus_; }
    void SetCurrentStatus(TMsnState status) { currentStatus_ = status; }
    // Replaces the counter the generator is seeded from before each choice.
    void SetSeedSource(SeedSource source) { seedSource_ = std::move(source); }

    // Called with the index of the entry being applied, before it goes to Messenger.
    std::function<void(int)> OnPreview;

    // The next entry among `rows`: those tied to the current status, else those without a
    // status; in row order after the current index, or at random. With one row it is row 0;
    // without a candidate the current index stays. -1 only when nothing can be chosen.
    int ChooseNext(int rows, bool random);

    // Sends entry i to Messenger: its plain thumbnail as display picture (when it exports)
    // and its personal message. True when the picture went out; nothing for an index outside
    // the rows.
    bool Apply(int i, int rows, TMsnControl& link);

    // A slideshow tick: with a link in a known status, applies the next entry.
    void Tick(int rows, bool random, TMsnControl* link);
    // The link reported status `status`: applies an entry chosen for it at once.
    void StateChanged(TMsnState status, int rows, bool random, TMsnControl& link);

private:
    TMsnHeadManager& manager_;
    int currentIndex_ = -1;
    TMsnState currentStatus_ = 0;
    TSlideRandom random_;
    SeedSource seedSource_ = HighResolutionSeed;
};

} // namespace tw
