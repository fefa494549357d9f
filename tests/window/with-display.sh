#!/bin/sh
# Runs a window test on a virtual display of its own. Listing the tests (done
# at build time) needs no display.
for arg; do
  [ "$arg" = "--gtest_list_tests" ] && exec "$@"
done
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
