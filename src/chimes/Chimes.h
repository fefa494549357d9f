// The 23 completion chimes carried by the program. They are not stored: each is
// synthesised in memory on first use from a few notes (see ChimeScores.cpp) and
// kept for the rest of the process, so the executable needs no files beside it
// and grows by a few kilobytes instead of ten megabytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace chimes {

inline constexpr int kChimeCount = 23;

struct TChimeFormat {
  std::uint32_t sampleRate;  // stereo, 16 bits per sample
  std::uint32_t frames;
};

// Format of chime `number`, or nothing when there is no such chime.
std::optional<TChimeFormat> ChimeFormat(int number);

// The chime as a whole RIFF WAVE (header, fmt, data, LIST/INFO); empty when
// there is no such chime. Synthesised on first use, thread-safe, and valid
// until the process ends.
std::span<const std::uint8_t> ChimeWave(int number);

// Only the PCM frames of the chime (the data chunk's contents, little-endian).
std::span<const std::uint8_t> ChimePcm(int number);

// Length of the chime in milliseconds, rounded up; 0 when there is no such chime.
std::uint32_t ChimeMilliseconds(int number);

}  // namespace chimes
