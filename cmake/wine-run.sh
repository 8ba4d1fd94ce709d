#!/bin/sh
# Runs a Windows program under Wine: the emulator of the cross build.
# Wine's background processes (wineserver, services.exe and the like) outlive
# the program they start for. Started by a test they would inherit its output
# pipes, and ctest would wait for them to exit long after the test ended. So
# they are started here first, cut off from those pipes; the call costs a few
# milliseconds when they already run.
wine="$1"
shift
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
exec "$wine" "$@"
