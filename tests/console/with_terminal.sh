#!/usr/bin/env bash
# Runs a command with a pseudo-terminal as its standard input, as if started in a terminal
# window, while its standard output and error reach this script's output unchanged.
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Nothing is ever typed, but the terminal's input must not end either: an end of input would
# reach the program as a key. A FIFO that this script holds open for writing never ends.
mkfifo "$scratch/keyboard"
exec 3<>"$scratch/keyboard"
printf -v command '%q ' "$@"
script -qec "$command >$(printf '%q' "$scratch/output") 2>&1" /dev/null <&3 >/dev/null
status=$?
exec 3>&-
cat "$scratch/output"
exit "$status"
