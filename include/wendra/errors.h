/* The error numbers the component raises itself. A failed call of Wendra_Original.h
 * returns WO_DISP_E_EXCEPTION; WoGetErrorInfo then gives one of these numbers (or a
 * database driver's own number) and its Chinese description. The same list, with
 * the descriptions, is installed as share/wendra-original/errors.tsv
 * (number <TAB> Chinese description <TAB> English gloss). */
#ifndef WENDRA_ERRORS_H
#define WENDRA_ERRORS_H

#define WO_ERR_INVALID_ARGUMENT 5      /* Invalid procedure call or argument */
#define WO_ERR_OVERFLOW 6              /* Overflow: a number is beyond its limit */
#define WO_ERR_TRANSFER_CANCELLED 18   /* The user cancelled the transfer */
#define WO_ERR_BAD_FILE_NAME 52        /* Bad file name */
#define WO_ERR_FILE_NOT_FOUND 53       /* File not found */
#define WO_ERR_DISK_FULL 61            /* Disk full */
#define WO_ERR_PERMISSION_DENIED 70    /* Permission denied (the file may be in use) */
#define WO_ERR_PATH_FILE_ACCESS 75     /* Path/file access error */
#define WO_ERR_PATH_NOT_FOUND 76       /* Path not found */
#define WO_ERR_INVALID_FILE_FORMAT 321 /* Invalid file format: not an image the viewer reads */
#define WO_ERR_INVALID_PROPERTY 380    /* Invalid property value */
#define WO_ERR_INVALID_PICTURE 481     /* Invalid picture */
#define WO_ERR_PRINTER_ERROR 482       /* Printer error */
#define WO_ERR_INVALID_FILTER 3001     /* Invalid filter expression */
#define WO_ERR_NO_CURRENT_RECORD 3021  /* No current record */
#define WO_ERR_ITEM_NOT_FOUND 3265     /* Item not found in the collection */
#define WO_ERR_OBJECT_CLOSED 3704      /* The object is closed */
#define WO_ERR_PROVIDER_NOT_FOUND 3706 /* Database driver not found */
#define WO_ERR_NO_CONNECTION 3709      /* The connection is closed or invalid */

/* 31000 + the scanner library's status. */
#define WO_ERR_SCANNER_BASE 31000
#define WO_ERR_SCANNER_UNSUPPORTED 31001 /* Scanner: operation or page format not supported */
#define WO_ERR_SCANNER_CANCELLED 31002   /* Scanner: the scan was cancelled */
#define WO_ERR_SCANNER_BUSY 31003        /* Scanner: the device is busy */
#define WO_ERR_SCANNER_INVALID 31004     /* Scanner: invalid setting */
#define WO_ERR_SCANNER_NO_DATA 31005     /* Scanner: no more data */
#define WO_ERR_SCANNER_JAMMED 31006      /* Scanner: the feeder is jammed */
#define WO_ERR_SCANNER_NO_DOCS 31007     /* Scanner: the feeder is empty */
#define WO_ERR_SCANNER_COVER_OPEN 31008  /* Scanner: the cover is open */
#define WO_ERR_SCANNER_IO_ERROR 31009    /* Scanner: input/output error */
#define WO_ERR_SCANNER_NO_MEMORY 31010   /* Scanner: out of memory */
#define WO_ERR_SCANNER_DENIED 31011      /* Scanner: access denied */

#define WO_ERR_NO_ASSOCIATED_PROGRAM 31036 /* No program is registered for the file */
#define WO_ERR_PROGRAM_START_FAILED 31037  /* The program could not be started */
#define WO_ERR_SCANNER_NOT_STARTED 31040   /* The scanning program could not be started */
#define WO_ERR_SCANNER_PROGRAM_ENDED 31041 /* The scanning program ended unexpectedly */
#define WO_ERR_NO_DISPLAY 31042            /* No display: windows cannot be opened */
#define WO_ERR_NO_WIDGET_APPLICATION 31043 /* The host's Qt application object cannot show windows */
#define WO_ERR_BUSY 31044                  /* Called while another call of the component runs */
#define WO_ERR_SOURCE_CHANGED 31050     /* The source file changed while it was stored; nothing was added */
#define WO_ERR_SEARCH_UNAVAILABLE 31060 /* No page text tables: search is off */
#define WO_ERR_TEXT_UNREADABLE 31061    /* The text of a document could not be read */
#define WO_ERR_PRINT_ENDED 32275        /* Printing was ended */
#define WO_ERR_PRINT_DIALOG_CANCELLED 32755 /* The print dialog was cancelled */
#define WO_ERR_PROVIDER_ERROR (-2147467259) /* Database error without a number of the driver's own */

#endif
