#!/usr/bin/env bash
# Runs every test of the built `test` preset through CTest, then names the tests
# that were skipped and why, and the test programs that ended without a report.
# Fails when a test fails or when no test ran at all.
#   scripts/run-tests.sh [REPORTS]   each program's results go to REPORTS
#                                    (default build/test/test-reports)
set -euo pipefail
cd -P "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
# CTest shows a program's output only when it fails: each test program writes
# its results here, and the skipped tests are read from them.
reports="$(realpath -m "${1:-build/test/test-reports}")"
rm -rf "$reports"
mkdir -p "$reports"
status=0
GTEST_OUTPUT="xml:$reports/" ctest --preset test --no-tests=error -j "$(nproc)" || status=$?
# The test programs CTest runs (the other tests write no report).
programs=$(ctest --preset test -N | sed -n 's/^ *Test *#[0-9]*: \(.*_tests\)$/\1/p')
python3 - "$reports" $programs <<'PY' || echo "The skipped tests could not be read from $reports." >&2
import os, re, sys
import xml.etree.ElementTree as ET

lines = []
unreported = []
for program in sys.argv[2:]:
    path = os.path.join(sys.argv[1], program + ".xml")
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        # A crash or CTest's timeout ends a program before it writes its report.
        unreported.append(f"  {program}: ended without its report (a crash or a timeout; its output is above)")
        continue
    for case in root.iter("testcase"):
        skipped = case.find("skipped")
        if skipped is None:
            continue
        # The message: the skip's file and line (a blank in the checkout's path too), the reason, then any traces.
        reason = skipped.get("message", "").split("Google Test trace:")[0].splitlines()
        reason = " ".join(l.strip() for l in reason if l.strip() and not re.fullmatch(r"\S.*\.(cpp|h):\d+", l.strip()))
        lines.append(f"  {program} {case.get('classname')}.{case.get('name')}: {reason or 'no reason given'}")
if lines:
    print(f"Skipped tests ({len(lines)}):")
    print("\n".join(lines))
if unreported:
    print(f"Test programs without a report ({len(unreported)}), their skips unknown:")
    print("\n".join(unreported))
PY
exit "$status"
