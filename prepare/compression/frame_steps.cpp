// SPDX-License-Identifier: MIT
#include "compression/frame_steps.h"

#include "compression/copy_sources.h"
#include "compression/player_model.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <queue>
#include <tuple>

namespace {

namespace cc = playerCentiCycles;

// A bit outweighs any number of steps: among steps of as many bits and cycles, the fewest.
constexpr std::int64_t bitCost = 1 << 16;

// What a step of each kind costs: a part for the step and a part for each byte. The
// number of a count of 2^m to 2^(m+1) - 1 takes 2m + 1 bits.
struct Costs {
    std::int64_t weight;
    std::int64_t ofBits(int bits) const { return bits * (bitCost + cc::bit * weight); }
    std::int64_t literalStep(int m) const { return ofBits(2 * m + 1 + 1) + cc::literalStep * weight + 1; }
    std::int64_t literalByte() const { return 8 * bitCost + cc::literalByte * weight; }
    std::int64_t copyStep(int m, int sourceBits, bool keep) const
    {
        return ofBits(2 * m + 1 + sourceBits) + (keep ? cc::keepStep : cc::copyStep) * weight + 1;
    }
    std::int64_t copiedByte(bool keep) const { return keep ? 0 : cc::copiedByte * weight; }
};

// A copy that reaches bytes up to `end` from byte `from`: `key` + `perByte` * byte reached.
struct Offer {
    std::int64_t key;
    std::int32_t from, end, offset;
};

// Cheapest first; the rest of the order only makes ties come out the same everywhere.
struct Costlier {
    bool operator()(const Offer& a, const Offer& b) const
    {
        return std::tie(a.key, a.from, a.offset, a.end) > std::tie(b.key, b.from, b.offset, b.end);
    }
};

// Offers whose cost grows by the same amount a byte: the cheapest open one at any byte
// is the cheapest by key. Those that reach from a byte still ahead wait in a list by it.
class OfferQueue {
public:
    OfferQueue(std::int32_t size, std::int64_t perByte) : perByte(perByte), firstWaiting(static_cast<std::size_t>(size) + 1, -1) {}

    void add(std::int32_t start, const Offer& o)
    {
        waiting.push_back(o);
        nextWaiting.push_back(firstWaiting[static_cast<std::size_t>(start)]);
        firstWaiting[static_cast<std::size_t>(start)] = static_cast<std::int32_t>(waiting.size() - 1);
    }
    // The cheapest offer at byte `at`, or null.
    const Offer* cheapestAt(std::int32_t at)
    {
        for (std::int32_t w = firstWaiting[static_cast<std::size_t>(at)]; w >= 0; w = nextWaiting[static_cast<std::size_t>(w)])
            open.push(waiting[static_cast<std::size_t>(w)]);
        while (!open.empty() && open.top().end < at)
            open.pop();
        return open.empty() ? nullptr : &open.top();
    }
    const std::int64_t perByte;

private:
    std::priority_queue<Offer, std::vector<Offer>, Costlier> open;
    std::vector<Offer> waiting;
    std::vector<std::int32_t> firstWaiting, nextWaiting;
};

struct Reached {
    std::int64_t cost = 0;
    std::int32_t from = 0;
    bool literal = false;
    std::int32_t offset = 0;
};

// The counts a number of 2m + 1 bits covers: 2^m to 2^(m+1) - 1.
std::uint32_t firstCount(int m) { return 1u << m; }
std::uint32_t lastCount(int m) { return (2u << m) - 1; }

// The frame's bytes in order, each reached as cheaply as it can be from those before: by
// a run of bytes from the stream, a copy, or a copy by 0 that keeps the bytes there.
class Sweep {
public:
    Sweep(std::int32_t size, Costs costs);

    // Copies from byte `from`: for each count, the cheapest source that gives it.
    void offerCopies(std::int32_t from, std::vector<CopyCandidate>& candidates);
    // Settles byte `at`, every byte before it settled.
    void settle(std::int32_t at);
    std::vector<FrameStep> steps() const;

private:
    void bestRun(std::int32_t at, Reached& best);

    Costs costs;
    std::vector<Reached> reached;
    // Runs by the size of their count's number: for runs of 2^m to 2^(m+1) - 1 bytes ending
    // at the byte settled, the bytes they may start from, cheapest first.
    std::vector<std::deque<std::int32_t>> runStarts;
    OfferQueue copies, keeps;
};

Sweep::Sweep(std::int32_t size, Costs costs)
    : costs(costs), reached(static_cast<std::size_t>(size) + 1), copies(size, costs.copiedByte(false)),
      keeps(size, costs.copiedByte(true))
{
    for (int m = 0; firstCount(m) <= static_cast<std::uint32_t>(size); ++m)
        runStarts.emplace_back();
}

void Sweep::offerCopies(std::int32_t from, std::vector<CopyCandidate>& candidates)
{
    // A copy by 0 is the cheapest of its bits for every count, then the others by their bits.
    std::sort(candidates.begin(), candidates.end(), [](const CopyCandidate& a, const CopyCandidate& b) {
        return std::make_tuple(a.bits, a.offset != 0, b.length, a.offset) <
               std::make_tuple(b.bits, b.offset != 0, a.length, b.offset);
    });
    const std::int64_t cost = reached[static_cast<std::size_t>(from)].cost;
    std::uint32_t covered = 0;
    for (const CopyCandidate& c : candidates)
        for (int m = 0; covered < c.length && firstCount(m) <= c.length; ++m) {
            if (lastCount(m) <= covered)
                continue;
            // Only the counts that no cheaper source gives.
            const std::uint32_t first = std::max(firstCount(m), covered + 1);
            const std::uint32_t last = std::min(lastCount(m), c.length);
            OfferQueue& queue = c.offset == 0 ? keeps : copies;
            queue.add(from + static_cast<std::int32_t>(first),
                      {cost + costs.copyStep(m, c.bits, c.offset == 0) - queue.perByte * from, from,
                       from + static_cast<std::int32_t>(last), c.offset});
            covered = last;
        }
}

// The cheapest run of bytes from the stream that ends at byte `at`.
void Sweep::bestRun(std::int32_t at, Reached& best)
{
    const std::int64_t perByte = costs.literalByte();
    const auto value = [&](std::int32_t i) { return reached[static_cast<std::size_t>(i)].cost - perByte * i; };
    for (std::size_t m = 0; m < runStarts.size(); ++m) {
        const int bucket = static_cast<int>(m);
        const std::int32_t entering = at - static_cast<std::int32_t>(firstCount(bucket));
        if (entering < 0)
            break;
        std::deque<std::int32_t>& starts = runStarts[m];
        while (!starts.empty() && value(starts.back()) > value(entering))
            starts.pop_back();
        starts.push_back(entering);
        if (starts.front() < at - static_cast<std::int32_t>(lastCount(bucket)))
            starts.pop_front();
        const std::int64_t cost = value(starts.front()) + perByte * at + costs.literalStep(bucket);
        if (cost < best.cost)
            best = {cost, starts.front(), true, 0};
    }
}

void Sweep::settle(std::int32_t at)
{
    Reached best{std::numeric_limits<std::int64_t>::max(), 0, false, 0};
    for (OfferQueue* queue : {&keeps, &copies})
        if (const Offer* o = queue->cheapestAt(at))
            if (o->key + queue->perByte * at < best.cost)
                best = {o->key + queue->perByte * at, o->from, false, o->offset};
    bestRun(at, best);
    reached[static_cast<std::size_t>(at)] = best;
}

std::vector<FrameStep> Sweep::steps() const
{
    std::vector<FrameStep> steps;
    for (auto at = static_cast<std::int32_t>(reached.size()) - 1; at > 0; at = reached[static_cast<std::size_t>(at)].from) {
        const Reached& r = reached[static_cast<std::size_t>(at)];
        steps.push_back({static_cast<std::uint32_t>(at - r.from), r.literal, r.offset});
    }
    std::reverse(steps.begin(), steps.end());
    return steps;
}

std::int64_t stepsBits(const std::vector<FrameStep>& steps)
{
    std::int64_t bits = 0;
    for (const FrameStep& s : steps)
        bits += numberBits(s.count) + (s.literal ? 1 + 8 * std::int64_t{s.count} : numberBits(sourceNumber(s.offset)));
    return bits;
}

} // namespace

std::int64_t stepsCentiCycles(const std::vector<FrameStep>& steps)
{
    std::int64_t time = 0;
    for (const FrameStep& s : steps) {
        const int bits = numberBits(s.count) + (s.literal ? 1 : numberBits(sourceNumber(s.offset)));
        time += bits * cc::bit + (s.literal ? cc::literalStep + cc::literalByte * s.count
                                  : s.offset == 0 ? cc::keepStep
                                                  : cc::copyStep + cc::copiedByte * s.count);
    }
    return time;
}

FrameParse cheapestSteps(const std::uint8_t* previous, const std::uint8_t* frame, std::size_t size,
                         std::int64_t cycleWeight)
{
    const auto n = static_cast<std::int32_t>(size);
    Sweep sweep(n, Costs{cycleWeight});
    CopySources sources(previous, frame, n);
    for (std::int32_t at = 0; at < n; ++at) {
        if (at > 0)
            sweep.settle(at);
        sweep.offerCopies(at, sources.at(at));
    }
    if (n > 0)
        sweep.settle(n);
    FrameParse parse;
    parse.steps = sweep.steps();
    parse.bits = stepsBits(parse.steps);
    parse.centiCycles = stepsCentiCycles(parse.steps);
    return parse;
}
