// The package's fixed product texts, in one place: the maker's web address
// (shown and opened by the about box), its update server, the copyright
// notice, and the names and version the update check reports.
#pragma once

namespace folvex {

inline constexpr char kProductName[] = "Orvanta Folvex";
inline constexpr char kProductVersion[] = "1.1";
inline constexpr char kProductCopyright[] = "Copyright (c) Orvanta. All rights reserved.";
// Where the about box's link label leads.
inline constexpr char kMakerWebAddress[] = "http://www.orvanta.com";
// The update server that serves "/liveupdate.asp"; the registry value
// "UpdateServer" beside "LiveUpdate" overrides it.
inline constexpr char kUpdateServer[] = "http://www.orvanta.com";
// What the update check names: the product code sent to the server and the
// product name of the registry key \Software\Orvanta\<name>.
inline constexpr char kLiveUpdateProductCode[] = "Folvex_Delphi";
inline constexpr char kLiveUpdateProductName[] = "Folvex";

}  // namespace folvex
