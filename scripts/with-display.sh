#!/bin/sh
# Runs a command on a private Xvfb display (1280 x 1024, 24-bit colour).
# -noreset: by default Xvfb resets itself whenever its last client leaves,
# and a client that connects during the reset is refused; parallel GL tests
# start and end clients all the time, so one of them would fail now and then.
# Usage: scripts/with-display.sh <command> [args...]
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
