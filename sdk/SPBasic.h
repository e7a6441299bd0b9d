// The host's basic suite: acquisition and release of named, versioned suites.
#pragma once

#include <stddef.h>

// No calling-convention decoration on Windows.
#define SPAPI

typedef int SPErr;
typedef int SPBoolean;  // a Windows BOOL

#define kSPNoError 0x00000000L
#define kSPSuiteNotFoundError 0x53214664L  // 'S!Fd'

#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4

typedef struct SPBasicSuite {
    SPAPI SPErr (*AcquireSuite)(const char *name, int version, const void **suite);
    SPAPI SPErr (*ReleaseSuite)(const char *name, int version);
    SPAPI SPBoolean (*IsEqual)(const char *token1, const char *token2);
    SPAPI SPErr (*AllocateBlock)(size_t size, void **block);
    SPAPI SPErr (*FreeBlock)(void *block);
    SPAPI SPErr (*ReallocateBlock)(void *block, size_t newSize, void **newblock);
    SPAPI SPErr (*Undefined)(void);
} SPBasicSuite;
