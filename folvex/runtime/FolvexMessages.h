// The package's own message texts that are not exported by name: those of
// the component and those of the design-time unit's file dialog.
#pragma once

#include "folvex/runtime/FolvexRoutines.h"

namespace folvex {

inline constexpr TResString SReaderNotFound{FOLVEX_IDS_READER_NOT_FOUND};
inline constexpr TResString SReaderVersionNotSupported{FOLVEX_IDS_READER_VERSION};
inline constexpr TResString SFileNameNotAssigned{FOLVEX_IDS_NO_FILE_NAME};
inline constexpr TResString SInvalidCopies{FOLVEX_IDS_INVALID_COPIES};
inline constexpr TResString SNotOnVisibleControl{FOLVEX_IDS_NOT_ON_VISIBLE};
inline constexpr TResString SPdfFileTitle{FOLVEX_IDS_PDF_FILE_TITLE};
inline constexpr TResString SPdfFileFilter{FOLVEX_IDS_PDF_FILE_FILTER};

}  // namespace folvex
