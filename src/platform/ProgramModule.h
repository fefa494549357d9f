// Parts of the program that are loaded at run time, only when they are used:
// the window (with its toolkit) and the chime player (with its audio library).
// A run without a display, or one that plays no chime, then never loads those
// libraries and starts as fast as a small command-line tool.
//
// A module is a shared object beside the executable, or in ../lib/velmora/
// when installed. It stays loaded until the process ends: threads or objects
// of its making may outlive their use.
#pragma once

namespace platform {

// The names the program and its modules agree on.
inline constexpr char kWindowModule[] = "velmora-window";
// int (): 1 when a display can be opened, else 0.
inline constexpr char kWindowDisplaySymbol[] = "VelmoraWindowDisplay";
using TWindowDisplayFn = int (*)();
// int (int argc, char** argv): the program with its window; the exit status.
inline constexpr char kWindowRunSymbol[] = "VelmoraWindowRun";
using TWindowRunFn = int (*)(int, char**);

inline constexpr char kSoundModule[] = "velmora-sound";
// TChimePlayer* (): a new chime player, owned by the caller.
inline constexpr char kSoundPlayerSymbol[] = "VelmoraNewChimePlayer";

// The address of `symbol` in `module`; nullptr when either is missing.
void* ProgramModuleSymbol(const char* module, const char* symbol);

}  // namespace platform
