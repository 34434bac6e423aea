#pragma once
// The generator every random choice of a generation draws from: a standard
// 32-bit Mersenne Twister. Each thread has its own, seeded from the system's
// random device on first use, so that generations running on different
// threads never share state; one generation on one thread sees exactly one
// generator, reseeded by Set Seed.
#include <cstdint>
#include <random>

std::mt19937& parameterRng();

// Standard mt19937 seeding: x[0] = seed, x[i] = 1812433253 * (x[i-1] ^
// (x[i-1] >> 30)) + i; the next draw regenerates the whole state.
void ReseedParameterRng(uint32_t seed);

// One draw: float(x) / 4294967296 in single precision, x rounded to the
// nearest float first, so the result lies in [0, 1] and is 1.0 when
// x >= 4294967168.
float DrawUnitFloat();

// Uniform whole number in 0 .. n-1 by rejection, for n >= 1 (n = 1 draws
// nothing). Independent of the standard library's distributions, whose
// results differ between versions.
uint32_t DrawUniformInt(uint32_t n);

// Draws and discards count outputs.
void DiscardParameterDraws(uint64_t count);
