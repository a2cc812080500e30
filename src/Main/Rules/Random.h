// SPDX-License-Identifier: MIT
#pragma once
// The program's one pseudo-random generator: a 32-bit linear congruential
// generator. A seed fixes every draw, so a seed fixes a deal.

// std
#include <cstdint>

class TRandom {
public:
    explicit TRandom(uint32_t seed = 0) : Seed(seed) {}

    // Seeds from the time of day: milliseconds since midnight, UTC.
    void Randomize();
    // A uniformly distributed integer from 0 to n - 1 (n >= 1).
    int32_t Random(int32_t n);

    uint32_t Seed;
};

// The generator every deal of the running program draws from.
TRandom& GameRandom();
