#!/bin/bash
# Runs a program of the Windows build under Wine: CMake's emulator for the
# tests and their discovery. About once in 500 runs, under the whole suite's
# load and never by hand, Wine ended at once with a failure before the program
# started: nothing printed at all. Such a run is made once more, and said so;
# a program that printed anything is judged by how it ended.
out=$(mktemp)
trap 'rm -f "$out" "$out.status"' EXIT
{
    wine "$@" 2>&1
    echo $? >"$out.status"
} | tee "$out"
status=$(cat "$out.status")
if [ "$status" != 0 ] && [ ! -s "$out" ]; then
    echo "# wine ended with status $status having printed nothing: once more"
    wine "$@"
    status=$?
fi
exit "$status"
