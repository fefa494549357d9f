// What each of the 23 chimes plays: a few notes on the synthesiser's voices.
#pragma once

#include "chimes/ChimeSynth.h"

namespace chimes {

// The score of chime `number` (1..23); the caller checks the range.
const TScore& ChimeScore(int number);

}  // namespace chimes
