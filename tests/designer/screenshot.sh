#!/bin/bash
# Shows the form designer with the tests' package, two probes on the design
# form and the second selected, and takes a screenshot of the whole screen.
#   tests/designer/screenshot.sh [preset] [out.png]
exec "$(dirname "$0")/../support/held-screenshot.sh" "${1:-debug}" tests/designer/designer_tests.exe \
  "*EllipsisCallsEdit*" 1024x768 "${2:-designer.png}"
