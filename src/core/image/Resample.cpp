#include "core/image/Resample.h"

#include "core/image/FormatDecoders.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tw {
namespace {

// Weights along one axis sum to exactly 2^bits, so equal sizes copy exactly and a flat area
// stays flat. 22 bits keep even a 16384-to-1 reduction accurate (256 per tap) while a
// column sum of 8-bit values still fits 32 bits. Where a target row covers few source rows,
// 14 bits are as accurate and let the row sums use 16-bit multiplications, twice as fast.
constexpr int kWeightBits = 22;
constexpr int kShortWeightBits = 14;
constexpr int kMaxTapsForShortWeights = 64;

// Which source pixels each destination pixel of a run covers along one axis, and how much.
struct AxisWeights {
    std::vector<int> first;  // first source index per destination pixel
    std::vector<int> count;  // number of source pixels (taps)
    std::vector<int> offset; // index of the first tap's weight in `weights`
    std::vector<std::int32_t> weights;
    int maxCount = 0;

    int SourceBegin() const { return first.front(); }
    int SourceEnd() const { return first.back() + count.back(); }
};

// Destination pixel d of `destSize` covers the source interval [d * S, (d + 1) * S) in units
// where a source pixel is destSize long; each source pixel weighs what it overlaps. Only the
// destination pixels [begin, end) are computed, so a huge zoom costs only what is visible.
AxisWeights ComputeAxis(int sourceSize, long long destSize, long long begin, long long end,
                        int bits) {
    const std::int64_t s = sourceSize;
    const std::int64_t d = destSize;
    const std::int64_t one = std::int64_t{1} << bits;
    AxisWeights axis;
    const auto n = static_cast<std::size_t>(end - begin);
    axis.first.reserve(n);
    axis.count.reserve(n);
    axis.offset.reserve(n);
    for (std::int64_t i = begin; i < end; ++i) {
        const std::int64_t lo = i * s;
        const std::int64_t hi = lo + s;
        const std::int64_t firstSource = lo / d;
        const std::int64_t lastSource = (hi - 1) / d;
        // Rounding the running total keeps every weight within one unit of exact and the
        // sum at exactly `one`.
        std::int64_t covered = 0;
        std::int64_t previous = 0;
        int first = -1;
        const auto start = axis.weights.size();
        for (std::int64_t src = firstSource; src <= lastSource; ++src) {
            covered += std::min(hi, (src + 1) * d) - std::max(lo, src * d);
            const std::int64_t total = (covered * one + s / 2) / s;
            const auto weight = static_cast<std::int32_t>(total - previous);
            previous = total;
            if (weight == 0 && first < 0)
                continue; // a sliver too thin to count
            if (first < 0)
                first = static_cast<int>(src);
            axis.weights.push_back(weight);
        }
        while (axis.weights.size() > start + 1 && axis.weights.back() == 0)
            axis.weights.pop_back();
        const int count = static_cast<int>(axis.weights.size() - start);
        axis.first.push_back(first);
        axis.count.push_back(count);
        axis.offset.push_back(static_cast<int>(start));
        axis.maxCount = std::max(axis.maxCount, count);
    }
    return axis;
}

struct Span {
    long long begin = 0;
    long long end = 0;
    bool Empty() const { return end <= begin; }
};

Span Intersect(Span a, Span b) {
    return {std::max(a.begin, b.begin), std::min(a.end, b.end)};
}

Span Horizontal(const PixelRect& r) {
    return {r.left, static_cast<long long>(r.left) + r.width};
}
Span Vertical(const PixelRect& r) {
    return {r.top, static_cast<long long>(r.top) + r.height};
}

// sums[i] += weight * pixels[i]. Blocks of a fixed length let the compiler use vector
// instructions without a run-time alias check.
template <typename Weight>
void AddWeightedRow(const std::uint8_t* __restrict pixels, Weight weight,
                    std::int32_t* __restrict sums, std::size_t count) {
    constexpr std::size_t kBlock = 16;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        for (std::size_t k = 0; k < kBlock; ++k)
            sums[i + k] += static_cast<Weight>(pixels[i + k]) * weight;
    }
    for (; i < count; ++i)
        sums[i] += static_cast<Weight>(pixels[i]) * weight;
}

// Columns first: for each target row the covered source rows are summed into one row of
// 32-bit sums, then each target pixel sums its columns. The row is summed in chunks that
// stay in the first-level cache while every covered source row is added.
void Resample(const Picture& source, Picture& target, const PixelRect& destination, Span xs,
              Span ys) {
    const AxisWeights across =
        ComputeAxis(source.Width(), destination.width, xs.begin - destination.left,
                    xs.end - destination.left, kWeightBits);
    const long long maxRowTaps = source.Height() / destination.height + 2;
    const bool shortWeights = maxRowTaps <= kMaxTapsForShortWeights;
    const int rowBits = shortWeights ? kShortWeightBits : kWeightBits;
    const AxisWeights down =
        ComputeAxis(source.Height(), destination.height, ys.begin - destination.top,
                    ys.end - destination.top, rowBits);
    const int shift = rowBits + kWeightBits;
    const std::int64_t half = std::int64_t{1} << (shift - 1);
    const int columnBegin = across.SourceBegin();
    const auto sums = static_cast<std::size_t>(across.SourceEnd() - columnBegin) * 3;
    std::vector<std::int32_t> columnSums(sums);
    constexpr std::size_t kChunk = 3 * 1024;

    for (std::size_t row = 0; row < down.first.size(); ++row) {
        std::fill(columnSums.begin(), columnSums.end(), 0);
        const std::int32_t* rowWeights = down.weights.data() + down.offset[row];
        for (std::size_t chunk = 0; chunk < sums; chunk += kChunk) {
            const std::size_t count = std::min(kChunk, sums - chunk);
            for (int tap = 0; tap < down.count[row]; ++tap) {
                const std::uint8_t* pixels =
                    source.Row(down.first[row] + tap) + 3 * static_cast<std::size_t>(columnBegin);
                if (shortWeights)
                    AddWeightedRow(pixels + chunk, static_cast<std::int16_t>(rowWeights[tap]),
                                   columnSums.data() + chunk, count);
                else
                    AddWeightedRow(pixels + chunk, rowWeights[tap], columnSums.data() + chunk,
                                   count);
            }
        }
        std::uint8_t* out =
            target.Row(static_cast<int>(ys.begin + static_cast<long long>(row))) + 3 * xs.begin;
        for (std::size_t column = 0; column < across.first.size(); ++column, out += 3) {
            const std::int32_t* weights = across.weights.data() + across.offset[column];
            const std::int32_t* sum =
                columnSums.data() +
                3 * static_cast<std::size_t>(across.first[column] - columnBegin);
            std::int64_t r = 0, g = 0, b = 0;
            for (int tap = 0; tap < across.count[column]; ++tap, sum += 3) {
                r += static_cast<std::int64_t>(sum[0]) * weights[tap];
                g += static_cast<std::int64_t>(sum[1]) * weights[tap];
                b += static_cast<std::int64_t>(sum[2]) * weights[tap];
            }
            out[0] = static_cast<std::uint8_t>((r + half) >> shift);
            out[1] = static_cast<std::uint8_t>((g + half) >> shift);
            out[2] = static_cast<std::uint8_t>((b + half) >> shift);
        }
    }
}

} // namespace

Picture Stretch(const Picture& source, int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    if (source.IsEmpty())
        throw std::invalid_argument("Stretch: the source picture is empty");
    decoders::RequireAllowedSize(width, height);
    Picture target(width, height);
    const PixelRect whole{0, 0, width, height};
    StretchInto(source, target, whole, whole);
    return target;
}

void StretchInto(const Picture& source, Picture& target, PixelRect destination, PixelRect clip) {
    if (source.IsEmpty() || target.IsEmpty() || destination.width <= 0 || destination.height <= 0)
        return;
    const Span xs =
        Intersect(Intersect(Horizontal(destination), Horizontal(clip)), {0, target.Width()});
    const Span ys =
        Intersect(Intersect(Vertical(destination), Vertical(clip)), {0, target.Height()});
    if (xs.Empty() || ys.Empty())
        return;
    Resample(source, target, destination, xs, ys);
}

} // namespace tw
