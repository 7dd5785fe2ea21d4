// FOLVEX_API: marks what Folvex.dll exports.  The package's own sources are
// compiled with FOLVEX_BUILD (dllexport); a host that includes the package's
// headers imports the same names (dllimport).
#pragma once

#if defined(FOLVEX_BUILD)
#define FOLVEX_API __declspec(dllexport)
#else
#define FOLVEX_API __declspec(dllimport)
#endif
