// Writes chimes to .wav files for listening: velmora_chime_dump FOLDER [NUMBER...]
// (all 23 when no number is given), as chime_NN.wav.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "chimes/Chimes.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FOLDER [NUMBER...]\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  auto dump = [&](int number) {
    const auto wave = chimes::ChimeWave(number);
    if (wave.empty()) {
      std::fprintf(stderr, "no chime %d\n", number);
      return false;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/chime_%02d.wav", number);
    std::ofstream out(folder + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(wave.data()),
              static_cast<std::streamsize>(wave.size()));
    return static_cast<bool>(out);
  };
  bool ok = true;
  if (argc == 2) {
    for (int n = 1; n <= chimes::kChimeCount; ++n) ok = dump(n) && ok;
  } else {
    for (int i = 2; i < argc; ++i) ok = dump(std::atoi(argv[i])) && ok;
  }
  return ok ? 0 : 1;
}
