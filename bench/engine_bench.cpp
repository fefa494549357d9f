// Stripping a large photo in memory against a plain copy of the same bytes.
// The walk (with the end-of-image search when asked) should cost at most 1.5
// times the copy: the header is tiny, the scan data goes through one search
// at memchr speed, and the output refers to ranges of the input, so the walk
// itself copies nothing. Its bytes are copied once, by the save; the walk
// with that copy into memory already in use is timed too.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "FakeFileAccess.h"
#include "JpegBuilder.h"
#include "engine/ExifData.h"
#include "engine/WalkSteps.h"

namespace {

using velmora::test::JpegBuilder;

constexpr size_t kScanBytes = 24u << 20;

// A photo of about 24 MB: metadata, tables, one scan of entropy-like data
// with FF 00 stuffing, EOI; optionally a second image of 2 MB after it.
const std::vector<uint8_t>& Photo(bool trailingImage) {
  static const std::vector<uint8_t> plain = [] {
    return JpegBuilder()
        .SOI()
        .APP0()
        .APP1(20000)
        .APP(2, 3000)
        .DQT()
        .DQT()
        .SOF0()
        .DHT()
        .DHT()
        .DHT()
        .DHT()
        .SOS()
        .Data(kScanBytes, 17)
        .EOI()
        .Build();
  }();
  static const std::vector<uint8_t> withTrailer = [] {
    std::vector<uint8_t> bytes = plain;
    const auto& second = JpegBuilder()
                             .SOI()
                             .APP1(5000)
                             .APP(2, 500)
                             .DQT()
                             .SOF0()
                             .DHT()
                             .SOS()
                             .Data(2u << 20, 23)
                             .EOI()
                             .Build();
    bytes.insert(bytes.end(), second.begin(), second.end());
    return bytes;
  }();
  return trailingImage ? withTrailer : plain;
}

// The walk, Src loaded once; with `kCopyOut`, also the one copy of the output
// that the save makes, here into memory already in use (the save writes it
// to the file instead).
template <bool kCopyOut>
void BM_Walk(benchmark::State& state) {
  const auto FLAG = static_cast<ExifData::TStripOptions>(state.range(0));
  const auto& input = Photo(state.range(1) != 0);
  velmora::test::TFakeFileAccess files;
  ExifData::TStripRun run(files, "/opt/velmora/velmora");
  run.FLAG = FLAG;
  ExifData::TMemoryStream Src;
  Src.Bytes() = input;
  std::vector<uint8_t> target(kCopyOut ? input.size() + 1024 : 0);
  ExifData::TWalkSteps steps(run);
  for (auto _ : state) {
    steps.Clear();
    Src.SetPosition(2);
    steps.ReadJpeg(Src);
    if constexpr (kCopyOut) {
      uint8_t* at = target.data();
      for (const auto piece : run.Stripped().Pieces()) {
        std::memcpy(at, piece.data(), piece.size());
        at += piece.size();
      }
      benchmark::DoNotOptimize(target.data());
      benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(run.Stripped().Size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

// The driver as the window calls it: load (a copy here), fresh output, walk.
void BM_AnalyzeExif(benchmark::State& state) {
  const auto FLAG = static_cast<ExifData::TStripOptions>(state.range(0));
  velmora::test::TFakeFileAccess files;
  files.files["/photos/big.jpg"] = Photo(state.range(1) != 0);
  for (auto _ : state) {
    ExifData::TStripRun run(files, "/opt/velmora/velmora");
    run.FLAG = FLAG;
    run.AnalyzeExif("/photos/big.jpg");
    benchmark::DoNotOptimize(run.Stripped().Size());
  }
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * files.files["/photos/big.jpg"].size()));
}

// The baseline: the same bytes copied once into memory already in use.
void BM_Memcpy(benchmark::State& state) {
  const auto& input = Photo(state.range(1) != 0);
  std::vector<uint8_t> target(input.size());
  for (auto _ : state) {
    std::memcpy(target.data(), input.data(), input.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}

// FLAG 0, flDeleteAfterEOI (2), the defaults (42); without and with a trailing image.
void Options(benchmark::internal::Benchmark* b) {
  b->ArgNames({"FLAG", "trailing"});
  for (int trailing : {0, 1}) {
    for (int flag : {0, 2, 42}) b->Args({flag, trailing});
  }
  b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_Memcpy)
    ->Args({0, 0})
    ->Args({0, 1})
    ->ArgNames({"FLAG", "trailing"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Walk, false)->Apply(Options);
BENCHMARK_TEMPLATE(BM_Walk, true)->Apply(Options);
BENCHMARK(BM_AnalyzeExif)->Apply(Options);

BENCHMARK_MAIN();
