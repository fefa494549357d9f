// A connection to the X display held while the toolkit starts.
//
// The program's entry probes the display by opening and closing a connection.
// When that was the server's only client, a server such as Xvfb resets as it
// closes and refuses connections for a moment, so the toolkit's own start
// failed now and then. Holding a connection (opened once the reset is over)
// keeps the server from resetting until the toolkit has connected.
#pragma once

namespace window {

class TDisplayHold {
 public:
  // Waits up to about two seconds for the display; holds nothing without one.
  TDisplayHold();
  ~TDisplayHold();
  TDisplayHold(const TDisplayHold&) = delete;
  TDisplayHold& operator=(const TDisplayHold&) = delete;

 private:
  void* display_ = nullptr;
};

}  // namespace window
