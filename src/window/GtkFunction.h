// GTK's headers are not a build dependency: the few GTK functions the window
// calls itself are looked up in the GTK library the toolkit has loaded.
#pragma once

#include <dlfcn.h>

#include <cstring>

namespace window {

// The function `name` of the loaded GTK, as a pointer of type F; nullptr
// when it is not there.
template <typename F>
F GtkFunction(const char* name) {
  void* symbol = dlsym(RTLD_DEFAULT, name);
  F function = nullptr;
  static_assert(sizeof(function) == sizeof(symbol));
  std::memcpy(&function, &symbol, sizeof(function));
  return function;
}

}  // namespace window
