// The sample colleges' random numbers: SplitMix64 and small helpers on top.
// The standard distributions differ between library versions, so every draw
// here is spelled out: a seed gives the same college on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace zavlin::demo {

class SampleRandom {
public:
    explicit SampleRandom(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // 0 .. n-1 without the bias of a plain modulo; 0 for n <= 1.
    int below(int n) {
        if (n <= 1) return 0;
        const auto range = static_cast<uint64_t>(n);
        const uint64_t limit =
            std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % range;
        uint64_t v = next();
        while (v >= limit) v = next();
        return static_cast<int>(v % range);
    }

    // lo .. hi, both included.
    int range(int lo, int hi) { return hi <= lo ? lo : lo + below(hi - lo + 1); }

    bool percent(int p) { return below(100) < p; }

    template <typename T>
    void shuffle(std::vector<T>& v) {
        for (std::size_t i = v.size(); i > 1; --i)
            std::swap(v[i - 1], v[static_cast<std::size_t>(below(static_cast<int>(i)))]);
    }

    template <typename T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))];
    }

    // A generator of its own for one part of the work, so that a change in
    // how many numbers one part draws leaves the other parts as they were.
    SampleRandom fork(uint64_t salt) {
        SampleRandom child(state_ ^ (salt * 0xD1B54A32D192ED03ull));
        child.next();
        return child;
    }

private:
    uint64_t state_;
};

}  // namespace zavlin::demo
