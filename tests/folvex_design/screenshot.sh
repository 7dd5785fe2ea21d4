#!/bin/bash
# Shows the form designer with Folvex.dll, a TFolvex on the design form and
# its about box open, and takes a screenshot of the whole screen.
#   tests/folvex_design/screenshot.sh [preset] [out.png]
exec "$(dirname "$0")/../support/held-screenshot.sh" "${1:-debug}" tests/folvex_design/folvex_design_tests.exe \
  "*AboutEllipsis*" 1280x1024 "${2:-folvex-designer.png}"
