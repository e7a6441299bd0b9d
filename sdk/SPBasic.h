// The host's basic suite: acquisition and release of named, versioned suites.
#pragma once

#include "A.h"

typedef A_long SPErr;
enum { kSPNoError = 0, kSPSuiteNotFoundError = 0x53214e46 /* 'S!NF' */ };

#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4

typedef struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char *name, A_long version, const void **suite);
    SPErr (*ReleaseSuite)(const char *name, A_long version);
    A_Boolean (*IsEqual)(const char *token1, const char *token2);
    SPErr (*AllocateBlock)(size_t size, void **block);
    SPErr (*FreeBlock)(void *block);
    SPErr (*ReallocateBlock)(void *block, size_t newSize, void **newblock);
    SPErr (*Undefined)(void);
} SPBasicSuite;
