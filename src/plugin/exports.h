#pragma once
// The plug-in's export table. Every function has C linkage and the C
// calling convention; on Windows each is exported under its plain name and
// under the host compiler's decorated name (see resources/*.def).
#include "platform/date_time.h"

#if defined(_WIN32)
#define KORVAN_CALL __cdecl
#define KORVAN_EXPORT
#else
#define KORVAN_CALL
#define KORVAN_EXPORT __attribute__((visibility("default")))
#endif

using PCSTR_ = const char*;
using PDT_ = korvan::COleDateTime*;

extern "C" {

KORVAN_EXPORT int KORVAN_CALL AddData0(
    PCSTR_ ownCall, PCSTR_ call, PDT_ qsoTime, PDT_, PDT_, PDT_, unsigned, unsigned frequencyHz,
    PCSTR_ mode, PCSTR_ rstSent, PCSTR_ rstReceived, PCSTR_ exchangeSent, PCSTR_ exchangeReceived,
    PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ prefix,
    int, int, int, double, double, PCSTR_, PCSTR_ continent, PCSTR_, PCSTR_ band, PCSTR_);

KORVAN_EXPORT int KORVAN_CALL RemoveData0(
    PCSTR_ ownCall, PCSTR_ call, PDT_ qsoTime, PDT_, PDT_, PDT_, unsigned, unsigned frequencyHz,
    PCSTR_ mode, PCSTR_ rstSent, PCSTR_ rstReceived, PCSTR_ exchangeSent, PCSTR_ exchangeReceived,
    PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ prefix,
    int, int, int, double, double, PCSTR_, PCSTR_ continent, PCSTR_, PCSTR_ band, PCSTR_);

KORVAN_EXPORT int KORVAN_CALL ResetStats0(
    PCSTR_ hostFolder, int exportRun, PCSTR_ ownCall, PDT_ firstDate, PDT_ secondDate,
    PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_ ownPrefix,
    int, int, int, double, double, PCSTR_, PCSTR_ ownContinent, PCSTR_);

// Exported as "CheckCall0" (and as the decorated CheckCallFunc0).
KORVAN_EXPORT int KORVAN_CALL CheckCallFunc0(
    PCSTR_ call, unsigned, unsigned, PCSTR_ mode, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
    PCSTR_, PCSTR_, PCSTR_, PCSTR_, int, int, int, double, double, PCSTR_, PCSTR_, PCSTR_, PCSTR_,
    PCSTR_, PCSTR_ band, PCSTR_, char* exchangeOut, char* unused);

// Exported as "IsValidExchg0".
KORVAN_EXPORT int KORVAN_CALL StatsIsValidExchg0(PCSTR_ exchange, PCSTR_, PCSTR_, PCSTR_, int, int, int);
// Exported as "GetExchgCount0"; also the body of GetNumberOfSets.
KORVAN_EXPORT int KORVAN_CALL StatsGetExchgCount0(PCSTR_, PCSTR_, PCSTR_);
KORVAN_EXPORT const char* KORVAN_CALL GetResult0(int* status);
KORVAN_EXPORT const char* KORVAN_CALL GetSetName(int index);
KORVAN_EXPORT int KORVAN_CALL GetNumberOfSets(void);
KORVAN_EXPORT void KORVAN_CALL SetupSet0(void);
KORVAN_EXPORT unsigned long KORVAN_CALL setVersion(PCSTR_ version);

}  // extern "C"
