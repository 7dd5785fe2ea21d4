// The design-time update check: at most once a week, a small window whose
// embedded browser loads the maker's update page for this package.
#pragma once

#include <string>

#include "folvex/runtime/FolvexApi.h"

namespace folvex {

// One check for the product: reads "LiveUpdate" under
// HKLM\Software\Orvanta\<productName> (created when missing); when a check
// is due (value missing or empty, or a short-format date on or before
// today; never for "NEVER" in any case) it shows the window "Orvanta Live
// Update" (540 by 500) whose browser requests
//   <server>/liveupdate.asp?product=<code>&version=<version>&location=<n>&app=<title>
// and stores today's date plus 7 days once the browser has the address.
// The server is the value "UpdateServer" of the same key, or the maker's.
// Never raises: every failure ends the check silently.
FOLVEX_API void LiveUpdate(const std::string& productCode, const std::string& productName,
                           const std::string& version);

// The application title as the request's "app" field carries it: " &?/%.:"
// become "_", and any other character that is not a letter, a digit, "-",
// "_" or "~" is percent-encoded, so that a title cannot add or cut fields.
FOLVEX_API std::string LiveUpdateAppField(const std::string& title);

}  // namespace folvex
