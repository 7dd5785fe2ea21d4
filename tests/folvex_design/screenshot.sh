#!/bin/bash
# Shows the form designer with Folvex.dll, a TFolvex on the design form and
# its about box open, and takes a screenshot of the whole screen.
#   tests/folvex_design/screenshot.sh [preset] [out.png]
# Without a display it runs itself under Xvfb (1280x1024, 24 bits).
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-debug}
out=$(realpath -m "${2:-folvex-designer.png}")
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$preset" "$out"
fi
build=build/$preset
marker=$(mktemp -u /tmp/orvdesign-hold.XXXXXX)
ORV_DESIGNER_HOLD="Z:${marker//\//\\}" "$build/wine-run" "$build/tests/folvex_design/folvex_design_tests.exe" \
  --gtest_filter="*AboutEllipsis*" >/dev/null 2>&1 &
test=$!
for _ in $(seq 300); do
  [ -e "$marker" ] && break
  sleep 0.1
done
import -window root "$out"
rm -f "$marker"
wait "$test"
echo "screenshot: $out"
