#include "chimes/WaveFile.h"

namespace chimes {
namespace {

class TLittleEndianWriter {
 public:
  explicit TLittleEndianWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Tag(std::string_view fourCc) { out_.insert(out_.end(), fourCc.begin(), fourCc.end()); }
  void U16(std::uint32_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }

 private:
  std::vector<std::uint8_t>& out_;
};

// One INFO sub-chunk: the text with its NUL, padded to an even length.
std::uint32_t InfoSize(std::string_view text) {
  return 8 + ((static_cast<std::uint32_t>(text.size()) + 2) & ~1u);
}

void InfoText(TLittleEndianWriter& w, std::vector<std::uint8_t>& out, std::string_view id,
              std::string_view text) {
  const std::uint32_t size = InfoSize(text) - 8;
  w.Tag(id);
  w.U32(size);
  w.Tag(text);
  out.resize(out.size() + size - text.size(), 0);
}

}  // namespace

std::vector<std::uint8_t> BuildWave(std::span<const std::int16_t> interleavedStereo,
                                    std::uint32_t sampleRate, std::string_view title) {
  constexpr std::string_view kSoftware = "Velmora";
  const auto dataBytes = static_cast<std::uint32_t>(interleavedStereo.size() * 2);
  const std::uint32_t listBytes = 4 + InfoSize(title) + InfoSize(kSoftware);
  std::vector<std::uint8_t> out;
  out.reserve(kWaveDataOffset + dataBytes + 8 + listBytes);
  TLittleEndianWriter w(out);
  w.Tag("RIFF");
  w.U32(4 + (8 + 16) + (8 + dataBytes) + (8 + listBytes));
  w.Tag("WAVE");
  w.Tag("fmt ");
  w.U32(16);
  w.U16(1);  // linear PCM
  w.U16(2);  // channels
  w.U32(sampleRate);
  w.U32(sampleRate * 4);  // bytes per second
  w.U16(4);               // block alignment
  w.U16(16);              // bits per sample
  w.Tag("data");
  w.U32(dataBytes);
  for (std::int16_t s : interleavedStereo) w.U16(static_cast<std::uint16_t>(s));
  w.Tag("LIST");
  w.U32(listBytes);
  w.Tag("INFO");
  InfoText(w, out, "INAM", title);
  InfoText(w, out, "ISFT", kSoftware);
  return out;
}

}  // namespace chimes
