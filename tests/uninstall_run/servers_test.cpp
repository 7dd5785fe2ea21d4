#include "tests/uninstall_run/run_fixture.h"
