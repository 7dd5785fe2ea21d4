#!/bin/bash
# Shows the sample form program under the project's Wine prefix and takes a
# screenshot of the whole screen, to look at the forms as a person sees them.
#   tests/framework/screenshot.sh [preset] [full|compact] [out.png]
# Without a display it runs itself under Xvfb (1024x768, 24 bits).
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-debug}
mode=${2:-full}
out=${3:-shot-$mode.png}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$preset" "$mode" "$out"
fi
build=build/$preset
"$build/wine-run" "$build/tests/framework/formdemo.exe" "$mode" >/dev/null 2>&1 &
demo=$!
sleep "${ORV_SHOT_DELAY:-5}"
import -window root "$out"
kill "$demo" 2>/dev/null || true
wait "$demo" 2>/dev/null || true
echo "screenshot: $out"
