/*
 * VarekLib: driver for the Varek fiscal printer over a serial line.
 *
 * Every device operation builds one request frame, writes it to the port opened
 * by openPort, reads and validates the reply and returns a result code (see
 * VarekResultCode), a ReplyRecord holding the raw reply, or values parsed from
 * the reply. The library keeps one process-wide session: calls must not overlap
 * (one thread at a time), and C and Java callers of one process share it.
 *
 * Usable from C99 and C++.
 */
#ifndef VAREKLIB_H
#define VAREKLIB_H

#include <stdint.h>

#if defined(_WIN32)
#if defined(VAREKLIB_BUILDING)
#define VAREK_API __declspec(dllexport)
#else
#define VAREK_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define VAREK_API __attribute__((visibility("default")))
#else
#define VAREK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. 1 to 255 are the device's own error codes, passed on unchanged. */
enum VarekResultCode {
  VAREK_OK = 0,
  VAREK_DEVICE_ERROR_MIN = 1,
  VAREK_DEVICE_ERROR_MAX = 255,
  VAREK_ERR_NO_STX = 1001,          /* the reply does not begin with STX */
  VAREK_ERR_PACKET_ID = 1002,       /* echoed packet id differs from the request's */
  VAREK_ERR_COMMAND_CHAR1 = 1003,   /* first echoed command character differs */
  VAREK_ERR_COMMAND_CHAR2 = 1004,   /* second echoed command character differs */
  VAREK_ERR_NO_ETX = 1005,          /* third-last byte of the reply is not ETX */
  VAREK_ERR_CHECKSUM = 1006,        /* checksum wrong or not two hexadecimal digits */
  VAREK_ERR_WRITE = 1007,           /* the port took fewer bytes than were written */
  VAREK_ERR_SHORT_REPLY = 1008,     /* the reply is shorter than 9 bytes */
  VAREK_ERR_TIMEOUT = 1009,         /* the reply was not complete within 10 seconds */
  VAREK_ERR_FIELD_COUNT = 1010,     /* payload field count or a value out of range */
  VAREK_ERR_COUNTER_TYPE = 1011,    /* counter or register type outside 1 to 14 */
  VAREK_ERR_FRAME_TOO_LONG = 1012,  /* request fields do not fit the 4096-byte frame */
  VAREK_ERR_REPLY_TOO_LONG = 1013,  /* reply does not end within 4096 bytes */
  VAREK_ERR_ERROR_CODE = 1014,      /* device error code is not two hexadecimal digits */
  VAREK_ERR_BATCH_NO_REPLY = 1015,  /* parsed query in batch mode: no reply was read */
  VAREK_ERR_FILE_OPEN = 1100,       /* a file could not be opened or created */
  VAREK_ERR_NO_MEMORY = 1101,       /* the picture buffer could not be allocated */
  VAREK_ERR_FILE_WRITE = 1102,      /* the bitmap file was not written in full */
  VAREK_ERR_LOG_WRITE = 1103,       /* the log was not written in full (never returned) */
  VAREK_ERR_NO_PORT = 2000,         /* no port is open */
  VAREK_ERR_PORT_OPEN = 2001,       /* opening the port failed */
  VAREK_ERR_PORT_GET_CONFIG = 2002, /* reading the port configuration failed */
  VAREK_ERR_PORT_SET_CONFIG = 2003  /* applying the port configuration failed */
};

#define VAREK_DRIVER_VERSION 1001
#define VAREK_REPLY_RECORD_RAW_SIZE 256

/* The raw reply of a query: the result, the reply frame from its STX (at most
 * the first 256 bytes) and the number of bytes held in raw. */
typedef struct ReplyRecord {
  int32_t result;
  unsigned char raw[VAREK_REPLY_RECORD_RAW_SIZE];
  int32_t length;
} ReplyRecord;

/* ---- Session and settings ---------------------------------------------- */
VAREK_API int openPort(const char* portName, int baudRate);
VAREK_API int closePort(void);
VAREK_API int setDebugLevel(int level);
VAREK_API int getDriverVersion(void);
VAREK_API int setAmountDecimalPlaces(int places);
VAREK_API int setQuantityDecimalPlaces(int places);
VAREK_API int setPercentageDecimalPlaces(int places);
VAREK_API int getAmountDecimalPlaces(void);
VAREK_API int getQuantityDecimalPlaces(void);
VAREK_API int getPercentageDecimalPlaces(void);

/* ---- Device information queries ---------------------------------------- */
VAREK_API ReplyRecord libGetStatusFlags(void);
VAREK_API int getStatusFlags(int* flags1, int* flags2, int* flags3);
VAREK_API ReplyRecord libGetKKTInfo(int infoType);
/* infoText must hold at least 32 bytes. */
VAREK_API int getKKTInfo(int infoType, char* infoText);
VAREK_API ReplyRecord libGetReceiptData(int dataType);
VAREK_API ReplyRecord libGetPrinterStatus(void);
VAREK_API ReplyRecord libGetServiceInfo(int infoType);
VAREK_API ReplyRecord libGetExErrorInfo(int infoType);
VAREK_API ReplyRecord libGetVarekDateTime(void);
VAREK_API ReplyRecord libGetCashDrawerStatus(void);
VAREK_API int getCashDrawerStatus(int* drawerStatus);

/* ---- Counters and registers --------------------------------------------- */
VAREK_API ReplyRecord libGetCountersAndRegisters(int counterType);
/* values must hold at least 16 integers. */
VAREK_API int getCountersAndRegisters(int counterType, int* values);

/* ---- Fiscal document lifecycle ------------------------------------------ */
VAREK_API int libOpenDocument(unsigned char documentType, unsigned char byteParam,
                              const char* text, int value);
VAREK_API ReplyRecord libCloseDocument(unsigned char byteParam);
VAREK_API int libCancelDocument(void);
VAREK_API int libPostponeDocument(const char* text);
VAREK_API int libCutDocument(void);

/* ---- Positions, discounts and payments ---------------------------------- */
VAREK_API int libAddPosition(const char* text1, const char* text2, int quantity, int amount,
                             unsigned char byteParam1, unsigned char byteParam2,
                             unsigned char byteParam3);
VAREK_API int libDelPosition(const char* text1, const char* text2, int quantity, int amount,
                             unsigned char byteParam1, unsigned char byteParam2,
                             unsigned char byteParam3);
VAREK_API int libSubTotal(void);
VAREK_API int libAddDiscount(unsigned char valueKind, const char* text, int amountOrPercent);
VAREK_API int libAddMargin(unsigned char valueKind, const char* text, int amountOrPercent);
VAREK_API int libAddPayment(unsigned char byteParam, int amount, const char* text);
VAREK_API int libCompareSum(int amount);

/* ---- Other in-document commands ----------------------------------------- */
VAREK_API int libPrintString(const char* text, unsigned char byteParam);
VAREK_API int libPrintBarCode(unsigned char byteParam1, unsigned char byteParam2,
                              unsigned char byteParam3, unsigned char byteParam4,
                              const char* barcodeText);
VAREK_API int libCashInOut(const char* text, int amount);
VAREK_API int libPrintRequsit(unsigned char byteParam1, unsigned char byteParam2,
                              const char* text1, const char* text2, const char* text3,
                              const char* text4);
VAREK_API int libRegisterSumToDepart(unsigned char byteParam1, unsigned char byteParam2,
                                     int amount);
VAREK_API int libRegisterTaxSum(unsigned char byteParam, int amount);
VAREK_API int libOpenCopyReceipt(unsigned char byteParam1, unsigned char byteParam2,
                                 const char* text, int value1, int value2, int year,
                                 int dayMonth, int packedTime);
VAREK_API int libSetToZeroCashInCashDrawer(void);

/* ---- Shift reports, fiscal memory and fiscalization --------------------- */
VAREK_API int libPrintXReport(const char* text);
VAREK_API int libPrintZReport(const char* text, int option);
VAREK_API int libEmergencyCloseShift(void);
VAREK_API int libPrintCopyLastZReport(void);
VAREK_API int libPrintCopyReportFiscalization(void);
VAREK_API int libFiscalization(const char* text1, const char* text2, const char* text3,
                               const char* text4);
VAREK_API int libPrintFiscalReportByShifts(int reportKind, int firstShift, int lastShift,
                                           const char* text);
VAREK_API int libPrintFiscalReportByDate(int reportKind, int startYear, int startDayMonth,
                                         int endYear, int endDayMonth, const char* text);

/* ---- Electronic control tape -------------------------------------------- */
VAREK_API int libActivizationECT(void);
VAREK_API int libCloseArchiveECT(void);
VAREK_API int libPrintControlTapeFromECT(int number);
VAREK_API int libPrintDocumentFromECT(int documentNumber);
VAREK_API int libPrintReportFromECTByShifts(int reportKind, int firstShift, int lastShift);
VAREK_API int libPrintReportFromECTByDate(int reportKind, int startYear, int startDayMonth,
                                          int endYear, int endDayMonth);
VAREK_API int libPrintReportActivizationECT(void);
VAREK_API int libPrintReportFromECTByShift(int shiftNumber);
VAREK_API ReplyRecord libGetInfoFromECT(int requestKind, int value1, int value2);
VAREK_API int libEnableServiceChannelToECT(void);

/* ---- Service and configuration ------------------------------------------ */
VAREK_API int libCommandStart(int year, int dayMonth, int packedTime);
VAREK_API ReplyRecord libReadSettingsTable(int tableNumber, int index);
VAREK_API int libWriteSettingsTable(int tableNumber, int index, const char* valueText);
VAREK_API int libSetVarekDateTime(int year, int dayMonth, int packedTime);
VAREK_API int libOpenCashDrawer(int value);
VAREK_API int libBeep(int value);
VAREK_API int libAuthorization(int year, int dayMonth, int packedTime, const char* text);
VAREK_API ReplyRecord libReadMemoryBlock(int memoryKind, int address, int length);
VAREK_API int libSetSpeed(int speed);
VAREK_API int libPrintServiceData(void);
VAREK_API int command0x9A(void);
VAREK_API int command0x9B(void);
VAREK_API int scrollPaper(void);
VAREK_API int commandStart(void);
/* date receives two ints: date[0] = year - 2000, low 16 bits of date[1] = day << 8 | month. */
VAREK_API int getCurMPTime(int* date, int* packedTime);

/* ---- Graphics upload ---------------------------------------------------- */
VAREK_API int libLoadLogo(int size, const unsigned char* data);
VAREK_API int libDeleteLogo(void);
VAREK_API int libLoadReceiptDesign(int size, const unsigned char* data);
VAREK_API int libLoadPicture(int width, int height, int value3, const char* text, int value5,
                             const unsigned char* data);
VAREK_API int libPrintPictureInDocument(int width, int height, int value3,
                                        const unsigned char* data);
VAREK_API int libPrintPreloadedPicture(int value1, int value2);

/* ---- Logo export -------------------------------------------------------- */
/* Writes the device's logo as a 1-bit bitmap 576 dots wide. The file is written
 * beside path under a temporary name and renamed over path only when complete:
 * on any failure an existing file at path stays as it was. 1101 when the
 * picture buffer cannot be allocated. */
VAREK_API int saveLogoToFile(const char* path);

/* Extension: saveLogoToFile with a progress callback, called after each row
 * read with the rows done so far and the rows in all (also once with 0 before
 * the first row). The callback may be null. */
typedef void (*VarekProgressCallback)(int rowsDone, int rowsTotal, void* context);
VAREK_API int saveLogoToFileWithProgress(const char* path, VarekProgressCallback progress,
                                         void* context);

#ifdef __cplusplus
}
#endif

#endif /* VAREKLIB_H */
