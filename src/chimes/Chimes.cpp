#include "chimes/Chimes.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

#include "chimes/ChimeScores.h"
#include "chimes/ChimeSynth.h"
#include "chimes/WaveFile.h"

namespace chimes {
namespace {

// {sample rate, frames} of chimes 1..23; data bytes are frames * 4.
constexpr std::array<TChimeFormat, kChimeCount> kFormats{{
    {44100, 156672}, {44100, 172736}, {44100, 62336},  {44100, 71264},  {44100, 272632},
    {44100, 154432}, {44100, 158720}, {44100, 132248}, {44100, 191688}, {44100, 104432},
    {48000, 73936},  {44100, 119496}, {44100, 120576}, {44100, 122880}, {44100, 107264},
    {44100, 53572},  {44100, 37836},  {44100, 52352},  {44100, 48128},  {44100, 34944},
    {44100, 31320},  {44100, 42880},  {44100, 155968},
}};

struct TCacheSlot {
  std::once_flag once;
  std::vector<std::uint8_t> wave;
};

// Never destroyed: a sound may still be read while the process ends.
std::array<TCacheSlot, kChimeCount>& Cache() {
  static auto& cache = *new std::array<TCacheSlot, kChimeCount>;
  return cache;
}

bool HasChime(int number) { return number >= 1 && number <= kChimeCount; }

}  // namespace

std::optional<TChimeFormat> ChimeFormat(int number) {
  if (!HasChime(number)) return std::nullopt;
  return kFormats[static_cast<std::size_t>(number - 1)];
}

std::span<const std::uint8_t> ChimeWave(int number) {
  if (!HasChime(number)) return {};
  TCacheSlot& slot = Cache()[static_cast<std::size_t>(number - 1)];
  std::call_once(slot.once, [&] {
    const TChimeFormat format = kFormats[static_cast<std::size_t>(number - 1)];
    const auto pcm = RenderChime(ChimeScore(number), format.sampleRate, format.frames);
    slot.wave = BuildWave(pcm, format.sampleRate, "Velmora chime " + std::to_string(number));
  });
  return slot.wave;
}

std::span<const std::uint8_t> ChimePcm(int number) {
  const auto wave = ChimeWave(number);
  if (wave.empty()) return {};
  return wave.subspan(kWaveDataOffset, std::size_t{ChimeFormat(number)->frames} * 4);
}

std::uint32_t ChimeMilliseconds(int number) {
  const auto format = ChimeFormat(number);
  if (!format) return 0;
  return static_cast<std::uint32_t>(
      (std::uint64_t{format->frames} * 1000 + format->sampleRate - 1) / format->sampleRate);
}

}  // namespace chimes
