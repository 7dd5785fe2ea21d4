/* Identifiers of the package's string table (FolvexStrings.rc).  Plain
   definitions, so that the resource compiler reads this header as well. */
#ifndef FOLVEX_STRINGS_H
#define FOLVEX_STRINGS_H

/* Exported by name (FolvexRoutines.h). */
#define FOLVEX_IDS_CANT_LOAD 65520
#define FOLVEX_IDS_CANT_OPEN_FILE 65521
#define FOLVEX_IDS_FILE_NOT_FOUND 65522
#define FOLVEX_IDS_INTERNAL_ERROR 65523
#define FOLVEX_IDS_INVALID_WINDOWS_CALL 65524
#define FOLVEX_IDS_PRINTER_NOT_FOUND 65525
/* The component's own messages. */
#define FOLVEX_IDS_READER_NOT_FOUND 65526
#define FOLVEX_IDS_READER_VERSION 65527
#define FOLVEX_IDS_NO_FILE_NAME 65528
#define FOLVEX_IDS_INVALID_COPIES 65529
#define FOLVEX_IDS_NOT_ON_VISIBLE 65530
/* The design-time unit's file dialog: title and filter. */
#define FOLVEX_IDS_PDF_FILE_TITLE 65531
#define FOLVEX_IDS_PDF_FILE_FILTER 65532

#endif
