// The unit Folvex, as host programs include it: the package's routines and
// message texts (FolvexRoutines.h).
#pragma once

#include "folvex/runtime/FolvexRoutines.h"
