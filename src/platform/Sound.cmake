# Placeholder: replaced by the chime player's build.
add_library(velmora_sound STATIC posix/SilentChimePlayer.cpp)
target_include_directories(velmora_sound PUBLIC ${PROJECT_SOURCE_DIR}/src)
