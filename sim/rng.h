#pragma once

#include <cmath>
#include <cstdint>

namespace rf::sim {

// A small deterministic generator (splitmix64): the same seed gives the same
// recorder on every machine, which std::normal_distribution does not promise.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double uniform(double low, double high) { return low + (high - low) * uniform(); }
    // Approximately normal with mean 0 and the given deviation (sum of four
    // uniforms: bounded tails, which keeps readings free of wild outliers).
    double gauss(double sigma) {
        double sum = uniform() + uniform() + uniform() + uniform() - 2.0;
        return sum * sigma * std::sqrt(3.0);
    }

  private:
    std::uint64_t state_;
};

// A seed for one named thing, derived from the recorder's seed.
inline std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0,
                             std::uint64_t c = 0) {
    Rng r(seed ^ (a * 0x100000001B3ull) ^ (b << 20) ^ (c << 40));
    r.next();
    return r.next();
}

}  // namespace rf::sim
