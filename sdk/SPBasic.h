// The host's basic suite: acquisition and release of named, versioned suites.
#pragma once

#include <stddef.h>

typedef int SPErr;
typedef int SPBoolean;  // a Windows BOOL

#define kSPNoError 0x00000000L
#define kSPSuiteNotFoundError 0x53214664L  // 'S!Fd'

#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4

typedef struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char *name, int version, const void **suite);
    SPErr (*ReleaseSuite)(const char *name, int version);
    SPBoolean (*IsEqual)(const char *token1, const char *token2);
    SPErr (*AllocateBlock)(size_t size, void **block);
    SPErr (*FreeBlock)(void *block);
    SPErr (*ReallocateBlock)(void *block, size_t newSize, void **newblock);
    SPErr (*Undefined)(void);
} SPBasicSuite;
