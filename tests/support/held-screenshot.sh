#!/bin/bash
# Runs one case of a test program that holds its windows on the screen while
# the file named by ORV_DESIGNER_HOLD is missing, takes a screenshot of the
# whole screen, then lets the case finish.
#   tests/support/held-screenshot.sh <preset> <test program, below the build folder> <gtest filter> <WxH> <out.png>
# Without a display it runs itself under Xvfb at that size (24 bits).
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=$1 program=$2 filter=$3 size=$4
out=$(realpath -m "$5")
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 ${size}x24" "$0" "$preset" "$program" "$filter" "$size" "$out"
fi
build=build/$preset
marker=$(mktemp -u /tmp/orvdesign-hold.XXXXXX)
ORV_DESIGNER_HOLD="Z:${marker//\//\\}" "$build/wine-run" "$build/$program" --gtest_filter="$filter" >/dev/null 2>&1 &
test=$!
for _ in $(seq 300); do
  [ -e "$marker" ] && break
  sleep 0.1
done
import -window root "$out"
rm -f "$marker"
wait "$test"
echo "screenshot: $out"
