// The 23 built-in chimes: their RIFF layout and formats, and what they sound like
// in numbers (audible, unclipped, from and to silence, different from each other).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "chimes/Chimes.h"

namespace {

struct TChimeRow {
  int number;
  std::uint32_t sampleRate;
  std::uint32_t dataBytes;
  std::uint32_t frames;
  std::uint32_t durationMs;
};

// Every chime's format and length, written out by hand rather than taken
// from the synthesiser's tables, so that a slipped constant there fails here.
constexpr TChimeRow kRows[] = {
    {1, 44100, 626688, 156672, 3553},  {2, 44100, 690944, 172736, 3917},
    {3, 44100, 249344, 62336, 1414},   {4, 44100, 285056, 71264, 1616},
    {5, 44100, 1090528, 272632, 6182}, {6, 44100, 617728, 154432, 3502},
    {7, 44100, 634880, 158720, 3599},  {8, 44100, 528992, 132248, 2999},
    {9, 44100, 766752, 191688, 4347},  {10, 44100, 417728, 104432, 2368},
    {11, 48000, 295744, 73936, 1540},  {12, 44100, 477984, 119496, 2710},
    {13, 44100, 482304, 120576, 2734}, {14, 44100, 491520, 122880, 2786},
    {15, 44100, 429056, 107264, 2432}, {16, 44100, 214288, 53572, 1215},
    {17, 44100, 151344, 37836, 858},   {18, 44100, 209408, 52352, 1187},
    {19, 44100, 192512, 48128, 1091},  {20, 44100, 139776, 34944, 792},
    {21, 44100, 125280, 31320, 710},   {22, 44100, 171520, 42880, 972},
    {23, 44100, 623872, 155968, 3537},
};

std::uint32_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}
std::string Tag(std::span<const std::uint8_t> b, std::size_t at) {
  return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

struct TChunk {
  std::string id;
  std::span<const std::uint8_t> body;
};

// Walks the chunks after "RIFF" size "WAVE"; a chunk running past the end fails.
std::vector<TChunk> Chunks(std::span<const std::uint8_t> wave) {
  std::vector<TChunk> chunks;
  std::size_t at = 12;
  while (at + 8 <= wave.size()) {
    const std::uint32_t size = U32(wave, at + 4);
    EXPECT_LE(at + 8 + size, wave.size()) << "chunk " << Tag(wave, at) << " overruns";
    if (at + 8 + size > wave.size()) break;
    chunks.push_back({Tag(wave, at), wave.subspan(at + 8, size)});
    at += 8 + size + (size & 1);
  }
  EXPECT_EQ(at, wave.size()) << "bytes after the last chunk";
  return chunks;
}

std::vector<std::int16_t> Samples(std::span<const std::uint8_t> pcm) {
  std::vector<std::int16_t> s(pcm.size() / 2);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int16_t>(U16(pcm, 2 * i));
  return s;
}

TEST(ChimeWave, EveryChimeIsAWholeRiffWaveOfItsFormatAndLength) {
  for (const TChimeRow& row : kRows) {
    SCOPED_TRACE("chime " + std::to_string(row.number));
    const auto wave = chimes::ChimeWave(row.number);
    ASSERT_GE(wave.size(), 12u);
    EXPECT_EQ(Tag(wave, 0), "RIFF");
    EXPECT_EQ(U32(wave, 4), wave.size() - 8);
    EXPECT_EQ(Tag(wave, 8), "WAVE");
    const auto chunks = Chunks(wave);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].id, "fmt ");
    EXPECT_EQ(chunks[1].id, "data");
    EXPECT_EQ(chunks[2].id, "LIST");

    const auto fmt = chunks[0].body;
    ASSERT_EQ(fmt.size(), 16u);
    EXPECT_EQ(U16(fmt, 0), 1u);  // linear PCM
    EXPECT_EQ(U16(fmt, 2), 2u);  // channels
    EXPECT_EQ(U32(fmt, 4), row.sampleRate);
    EXPECT_EQ(U32(fmt, 8), row.sampleRate * 4);  // bytes per second
    EXPECT_EQ(U16(fmt, 12), 4u);                 // block alignment
    EXPECT_EQ(U16(fmt, 14), 16u);

    EXPECT_EQ(chunks[1].body.size(), row.dataBytes);
    EXPECT_EQ(chunks[1].body.size() / 4, row.frames);
    const auto pcm = chimes::ChimePcm(row.number);
    EXPECT_EQ(pcm.data(), chunks[1].body.data());
    EXPECT_EQ(pcm.size(), row.dataBytes);

    const auto list = chunks[2].body;
    ASSERT_GE(list.size(), 12u);
    EXPECT_EQ(Tag(list, 0), "INFO");
    EXPECT_EQ(Tag(list, 4), "INAM");
    const std::string title(reinterpret_cast<const char*>(list.data() + 12));
    EXPECT_EQ(title, "Velmora chime " + std::to_string(row.number));

    const auto format = chimes::ChimeFormat(row.number);
    ASSERT_TRUE(format.has_value());
    EXPECT_EQ(format->sampleRate, row.sampleRate);
    EXPECT_EQ(format->frames, row.frames);
    EXPECT_NEAR(chimes::ChimeMilliseconds(row.number), row.durationMs, 1);
  }
}

TEST(ChimeWave, NumbersWithoutChimeHaveNothing) {
  for (int number : {0, 24, -5, 99, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(number);
    EXPECT_TRUE(chimes::ChimeWave(number).empty());
    EXPECT_TRUE(chimes::ChimePcm(number).empty());
    EXPECT_FALSE(chimes::ChimeFormat(number).has_value());
    EXPECT_EQ(chimes::ChimeMilliseconds(number), 0u);
  }
}

TEST(ChimeWave, EveryChimeIsAudibleUnclippedAndStartsAndEndsInSilence) {
  for (const TChimeRow& row : kRows) {
    SCOPED_TRACE("chime " + std::to_string(row.number));
    const auto s = Samples(chimes::ChimePcm(row.number));
    ASSERT_EQ(s.size(), std::size_t{row.frames} * 2);
    int peak = 0;
    double sumSquares = 0;
    for (std::int16_t v : s) {
      peak = std::max(peak, std::abs(int{v}));
      sumSquares += static_cast<double>(v) * v;
    }
    const double rms = std::sqrt(sumSquares / static_cast<double>(s.size()));
    EXPECT_GE(peak, 10000);  // louder than -10 dBFS at its peak
    EXPECT_LE(peak, 30000);  // headroom: never at full scale
    EXPECT_GE(rms, 1000);    // not a lone blip in a silent clip
    // From silence: the first frame is below -40 dBFS, so playing starts without a click.
    EXPECT_LE(std::abs(int{s[0]}), 328);
    EXPECT_LE(std::abs(int{s[1]}), 328);
    // To silence: the last 10 ms stay below -40 dBFS and the last frame is 0.
    const std::size_t tenMs = std::size_t{row.sampleRate} / 100 * 2;
    for (std::size_t i = s.size() - tenMs; i < s.size(); ++i) {
      ASSERT_LE(std::abs(int{s[i]}), 328) << "sample " << i;
    }
    EXPECT_EQ(s[s.size() - 2], 0);
    EXPECT_EQ(s[s.size() - 1], 0);
  }
}

// Correlation of the mono mixes over their common start; a chime that repeats
// another one (or the same score at another length) correlates near 1.
double Correlation(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  const std::size_t frames = std::min(a.size(), b.size()) / 2;
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const double x = a[2 * i] + a[2 * i + 1];
    const double y = b[2 * i] + b[2 * i + 1];
    ab += x * y;
    aa += x * x;
    bb += y * y;
  }
  return ab / std::sqrt(aa * bb);
}

TEST(ChimeWave, ChimesDifferFromEachOther) {
  std::vector<std::vector<std::int16_t>> all;
  for (const TChimeRow& row : kRows) all.push_back(Samples(chimes::ChimePcm(row.number)));
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      EXPECT_LT(std::abs(Correlation(all[i], all[j])), 0.5)
          << "chimes " << i + 1 << " and " << j + 1;
    }
  }
}

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

// The synthesis uses integer arithmetic only, so these hashes hold on every
// compiler and machine. A deliberate change of a sound changes its line here.
TEST(ChimeWave, SameBytesOnEveryMachine) {
  constexpr std::uint64_t kHashes[] = {
      0x4bdd38e31b4875dbull, 0x4fc52e6470dbf41dull, 0x13911399e7ed9508ull, 0x3f75a372239bbe46ull,
      0x4a8d431b425cab87ull, 0xd754ce6874180f20ull, 0x039b786d3f118fd9ull, 0x60f56168f2536661ull,
      0x5f8c3f89c174ea29ull, 0x4445e5a670aa57dbull, 0x036617f9be3dc883ull, 0xa6b38552c0518ed8ull,
      0x2be58caa5c22f883ull, 0xd21b1e792531fa80ull, 0x109d4e7224869e62ull, 0xf9774107fe245768ull,
      0xec9129d4f1e9751full, 0x379502ef2d74214bull, 0x14c5154085487c79ull, 0xec1c3a39fcc0cca5ull,
      0xc40b466b0d5f81e4ull, 0x7d2d715c65e61e05ull, 0x23be4bf88ab04625ull};
  for (int n = 1; n <= 23; ++n) {
    EXPECT_EQ(Fnv1a(chimes::ChimeWave(n)), kHashes[n - 1]) << "chime " << n;
  }
}

TEST(ChimeWave, ConcurrentFirstUseSynthesisesOnce) {
  constexpr int kThreads = 6;
  std::vector<std::span<const std::uint8_t>> seen(kThreads);
  std::vector<std::thread> threads;
  threads.reserve(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] { seen[t] = chimes::ChimeWave(9); });
  }
  for (auto& t : threads) t.join();
  ASSERT_FALSE(seen[0].empty());
  for (const auto& s : seen) {
    EXPECT_EQ(s.data(), seen[0].data());
    EXPECT_EQ(s.size(), seen[0].size());
  }
}

}  // namespace
