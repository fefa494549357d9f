# The program's version text and the Windows version numbers, from the one
# project version: 0.1.3.4 gives "v0.1.3d", the fourth component written as a
# letter (1 is a, 4 is d; 0 adds none), as the program has always shown it
# and as the comments it writes into files carry it.
set(VELMORA_VERSION_TEXT "v${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(velmora_tweak "${PROJECT_VERSION_TWEAK}")
if(velmora_tweak STREQUAL "")
  set(velmora_tweak 0)
endif()
if(velmora_tweak GREATER 26)
  message(FATAL_ERROR "The fourth version component is written as a letter: 0 to 26, not ${velmora_tweak}")
endif()
if(velmora_tweak GREATER 0)
  math(EXPR velmora_letter "96 + ${velmora_tweak}")
  string(ASCII ${velmora_letter} velmora_letter)
  string(APPEND VELMORA_VERSION_TEXT "${velmora_letter}")
endif()
string(SUBSTRING "${VELMORA_VERSION_TEXT}" 1 -1 VELMORA_VERSION_STRING)
set(VELMORA_VERSION_NUMBERS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${velmora_tweak}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/VelmoraVersion.h.in
               ${CMAKE_CURRENT_BINARY_DIR}/generated/VelmoraVersion.h @ONLY)
