// Packs 16-bit stereo PCM into a whole RIFF WAVE: header, 16-byte fmt chunk,
// data chunk, then a LIST/INFO chunk carrying the title.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace chimes {

inline constexpr std::size_t kWaveDataOffset = 44;  // RIFF header + fmt chunk + data header

std::vector<std::uint8_t> BuildWave(std::span<const std::int16_t> interleavedStereo,
                                    std::uint32_t sampleRate, std::string_view title);

}  // namespace chimes
