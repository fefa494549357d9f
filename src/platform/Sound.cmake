# The chime player: PlaySoundW on Windows, SDL2 audio elsewhere, or a silent
# player when built without sound. Only this target needs the audio library.
if(WIN32)
  add_library(velmora_sound STATIC win32/SoundPlayer.cpp)
  target_link_libraries(velmora_sound PRIVATE velmora_chimes winmm)
elseif(VELMORA_SOUND)
  # The SDL player lives in a module that the program loads with its first
  # chime (platform/ProgramModule.h): SDL brings X11 and audio libraries that
  # a run without a chime should not load.
  find_package(SDL2 REQUIRED)
  find_package(Threads REQUIRED)
  add_library(velmora_sound_sdl STATIC posix/SdlChimePlayer.cpp posix/SdlDrivers.cpp)
  target_include_directories(velmora_sound_sdl PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(velmora_sound_sdl PRIVATE velmora_chimes SDL2::SDL2 Threads::Threads
                                                  velmora_warnings)
  add_library(velmora_sound_module MODULE posix/SoundModule.cpp)
  set_target_properties(velmora_sound_module PROPERTIES
    OUTPUT_NAME velmora-sound PREFIX "" CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/src)
  target_link_libraries(velmora_sound_module PRIVATE velmora_sound_sdl velmora_warnings)
  target_link_options(velmora_sound_module PRIVATE -Wl,--exclude-libs,ALL -Wl,-z,defs)
  add_library(velmora_sound STATIC posix/LazyChimePlayer.cpp)
  target_link_libraries(velmora_sound PRIVATE velmora_platform)
else()
  add_library(velmora_sound STATIC posix/SilentChimePlayer.cpp)
endif()
target_include_directories(velmora_sound PUBLIC ${PROJECT_SOURCE_DIR}/src)
# Public: the header takes the selector's range from the synthesiser's count.
target_link_libraries(velmora_sound PUBLIC velmora_chimes)
target_link_libraries(velmora_sound PRIVATE velmora_warnings)
