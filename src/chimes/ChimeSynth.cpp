#include "chimes/ChimeSynth.h"

#include <algorithm>
#include <cstdlib>

#include "chimes/FixedSine.h"

namespace chimes {
namespace {

constexpr std::int64_t kUnity = std::int64_t{1} << 30;  // envelopes are Q30
constexpr std::int64_t kCutoff = kUnity >> 14;          // about -84 dB: the partial is done
constexpr std::int64_t kTargetPeak = 21000;             // about -3.9 dBFS
constexpr std::uint32_t kMinAttackFrames = 32;

std::uint32_t MsToFrames(std::uint32_t ms, std::uint32_t rate) {
  return static_cast<std::uint32_t>(std::uint64_t{ms} * rate / 1000);
}

// Per-sample factor of an exponential decay with the given time constant.
std::int64_t DecayFactor(std::uint32_t ms, std::uint32_t rate) {
  const std::int64_t tau = std::max<std::int64_t>(1, MsToFrames(ms, rate));
  return kUnity - kUnity / tau;
}

// Adds one partial of a note, starting at note[0], into note; returns how many
// frames it reached before fading below the cutoff.
std::size_t AddPartial(const TPartial& p, const TVoice& voice, const TNote& n, std::uint32_t rate,
                       std::span<std::int64_t> note) {
  const std::int64_t milliHz =
      static_cast<std::int64_t>(KeyMilliHz(n.key) * p.ratioMilli / 1000) + p.detuneMilliHz;
  if (milliHz <= 0 || milliHz * 100 >= std::int64_t{rate} * 1000 * 45) return 0;  // above 0.45 fs
  const auto increment =
      static_cast<std::uint32_t>((static_cast<std::uint64_t>(milliHz) << 32) / (1000ull * rate));
  std::int64_t env = kUnity * p.ampPermille * n.velocity / (std::int64_t{1000} * 127);
  std::int64_t factor = DecayFactor(p.decayMs, rate);
  const std::int64_t releaseFactor = voice.releaseMs ? DecayFactor(voice.releaseMs, rate) : factor;
  const std::size_t releaseAt = n.lengthMs ? MsToFrames(n.lengthMs, rate) : note.size();
  std::uint32_t phase = 0;
  std::size_t i = 0;
  for (; i < note.size() && env > kCutoff; ++i) {
    if (i == releaseAt) factor = std::min(factor, releaseFactor);
    note[i] += (std::int64_t{SineAt(phase)} * env) >> 27;  // unit amplitude = 2^23
    phase += increment;
    env = (env * factor) >> 30;
  }
  return i;
}

// Shapes a rendered note: attack ramp from silence, then optional tremolo.
void ShapeNote(const TVoice& voice, std::uint32_t rate, std::span<std::int64_t> note) {
  const std::size_t attack = std::min<std::size_t>(
      note.size(), std::max(kMinAttackFrames, MsToFrames(voice.attackMs, rate)));
  for (std::size_t i = 0; i < attack; ++i) {
    note[i] = note[i] * static_cast<std::int64_t>(i) / static_cast<std::int64_t>(attack);
  }
  if (voice.tremoloDepthPermille == 0) return;
  const auto increment =
      static_cast<std::uint32_t>((std::uint64_t{voice.tremoloCentiHz} << 32) / (100ull * rate));
  std::uint32_t phase = 0;
  for (auto& v : note) {
    const std::int64_t dip = voice.tremoloDepthPermille * (kSineOne + SineAt(phase)) / 2000;
    v = v * (kSineOne - dip) >> 20;
    phase += increment;
  }
}

void RenderNote(const TNote& n, std::uint32_t rate, std::span<std::int64_t> note,
                std::span<std::int64_t> left, std::span<std::int64_t> right) {
  const std::size_t start = MsToFrames(n.startMs, rate);
  if (start >= left.size()) return;
  auto here = note.first(left.size() - start);
  std::fill(here.begin(), here.end(), 0);
  std::size_t sounding = 0;
  for (const TPartial& p : n.voice->partials) {
    if (p.ratioMilli == 0) break;
    sounding = std::max(sounding, AddPartial(p, *n.voice, n, rate, here));
  }
  here = here.first(sounding);
  ShapeNote(*n.voice, rate, here);
  const std::int64_t gainLeft = 128 - n.pan;
  const std::int64_t gainRight = 128 + n.pan;
  for (std::size_t i = 0; i < here.size(); ++i) {
    left[start + i] += (here[i] * gainLeft) >> 7;
    right[start + i] += (here[i] * gainRight) >> 7;
  }
}

// Each channel hears the other one echoMs earlier, scaled by the feedback.
void AddEcho(const TScore& score, std::uint32_t rate, std::span<std::int64_t> left,
             std::span<std::int64_t> right) {
  const std::size_t delay = MsToFrames(score.echoMs, rate);
  if (delay == 0) return;
  const std::int64_t fb = score.echoFeedbackPermille;
  for (std::size_t i = delay; i < left.size(); ++i) {
    const std::int64_t fromRight = right[i - delay] * fb / 1000;
    const std::int64_t fromLeft = left[i - delay] * fb / 1000;
    left[i] += fromRight;
    right[i] += fromLeft;
  }
}

std::vector<std::int16_t> Finish(std::span<const std::int64_t> left,
                                 std::span<const std::int64_t> right, std::size_t fadeFrames) {
  std::int64_t peak = 0;
  for (std::size_t i = 0; i < left.size(); ++i) {
    peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
  }
  std::vector<std::int16_t> out(left.size() * 2);
  const std::size_t frames = left.size();
  // A fade needs two frames: the last one silent, one before it.
  if (peak == 0 || frames < 2) return out;
  fadeFrames = std::clamp<std::size_t>(fadeFrames, 2, frames);
  const auto fadeSpan = static_cast<std::int64_t>(fadeFrames - 1);
  for (std::size_t i = 0; i < frames; ++i) {
    std::int64_t l = left[i] * kTargetPeak / peak;
    std::int64_t r = right[i] * kTargetPeak / peak;
    if (i >= frames - fadeFrames) {  // quadratic fade, exactly 0 on the last frame
      const auto rest = static_cast<std::int64_t>(frames - 1 - i);
      const std::int64_t gain = (rest * rest << 15) / (fadeSpan * fadeSpan);
      l = (l * gain) >> 15;
      r = (r * gain) >> 15;
    }
    out[2 * i] = static_cast<std::int16_t>(l);
    out[2 * i + 1] = static_cast<std::int16_t>(r);
  }
  return out;
}

}  // namespace

std::uint64_t KeyMilliHz(int key) {
  // A4 up to G#5; other octaves by shifting.
  static constexpr std::uint64_t kOctave[12] = {440000, 466164, 493883, 523251, 554365, 587330,
                                                622254, 659255, 698456, 739989, 783991, 830609};
  const int fromA = key - 69;
  const int octave = (fromA >= 0 ? fromA : fromA - 11) / 12;
  const std::uint64_t f = kOctave[fromA - 12 * octave];
  return octave >= 0 ? f << octave : f >> -octave;
}

std::vector<std::int16_t> RenderChime(const TScore& score, std::uint32_t sampleRate,
                                      std::uint32_t frames) {
  std::vector<std::int64_t> left(frames), right(frames), note(frames);
  for (const TNote& n : score.notes) RenderNote(n, sampleRate, note, left, right);
  AddEcho(score, sampleRate, left, right);
  return Finish(left, right, MsToFrames(score.fadeMs, sampleRate));
}

}  // namespace chimes
