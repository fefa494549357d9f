// A small additive synthesiser for the chimes. Each voice is a set of sine
// partials with their own exponential decay; notes place voices in time and in
// the stereo field. Everything is integer arithmetic, so a score renders to the
// same bytes on every machine.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace chimes {

struct TPartial {
  std::uint16_t ratioMilli = 0;  // frequency as thousandths of the note's; 0 ends the list
  std::uint16_t ampPermille = 0;
  std::uint16_t decayMs = 0;       // time constant of the exponential decay
  std::int16_t detuneMilliHz = 0;  // added to the frequency, for slow beating
};

struct TVoice {
  std::array<TPartial, 11> partials;
  std::uint16_t attackMs = 1;
  std::uint16_t releaseMs = 0;  // decay after a note's length; 0: notes ring out
  std::uint16_t tremoloCentiHz = 0;
  std::uint16_t tremoloDepthPermille = 0;
};

struct TNote {
  std::uint16_t startMs;
  const TVoice* voice;
  std::uint8_t key;            // semitone number, 69 = 440 Hz
  std::uint8_t velocity;       // 1..127
  std::int8_t pan;             // -64 (left) .. 64 (right)
  std::uint16_t lengthMs = 0;  // after this the voice's release applies; 0: rings out
};

struct TScore {
  std::span<const TNote> notes;
  std::uint16_t echoMs = 0;  // ping-pong echo between the channels; 0: none
  std::uint16_t echoFeedbackPermille = 0;
  std::uint16_t fadeMs = 0;  // the end fades to exact silence over this time
};

// Renders a score into interleaved stereo frames, normalised to a fixed peak
// well below full scale, starting from silence and ending in exact silence.
std::vector<std::int16_t> RenderChime(const TScore& score, std::uint32_t sampleRate,
                                      std::uint32_t frames);

// Frequency of a semitone number in millihertz (equal temperament, A = 440 Hz).
std::uint64_t KeyMilliHz(int key);

}  // namespace chimes
