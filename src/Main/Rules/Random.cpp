// SPDX-License-Identifier: MIT
#include "Random.h"

#include "Clock.h"

void TRandom::Randomize()
{
    const QTime t = Platform::UtcTimeOfDay();
    Seed =
        static_cast<uint32_t>(((t.hour() * 60 + t.minute()) * 60 + t.second()) * 1000 + t.msec());
}

int32_t TRandom::Random(int32_t n)
{
    Seed = Seed * 134775813u + 1u;
    // The high 32 bits of seed x n.
    return static_cast<int32_t>((static_cast<uint64_t>(Seed) * static_cast<uint32_t>(n)) >> 32);
}

TRandom& GameRandom()
{
    static TRandom random;
    return random;
}
