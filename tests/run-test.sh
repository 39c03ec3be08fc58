#!/bin/sh
# run-test.sh WINE PROGRAM [ARGS...]: runs one test program under Wine with
# its output going to a file, then shows that output. A process the program
# started and that outlives it (a child quillane.exe, a Wine helper) keeps
# its parent's standard error: on ctest's pipe it would hold ctest until the
# time-out.
wine=$1
shift
out=$(mktemp) || exit 1
"$wine" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
