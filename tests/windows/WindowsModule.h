// The module under test as Windows sees it: the file beside the test program,
// its resources and its export table.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The full path of K_Sallowmerine.aex in the test program's own folder.
std::string ModuleBesideProgram();

#define SALLOW_MODULE_PATH ModuleBesideProgram()
#include "ModuleFixture.h"

// The loaded module's handle.
HMODULE LoadedModule(const fxhost::Module &module);

// A resource's bytes, found with FindResourceEx and LoadResource; empty when
// the module has no such resource.
std::vector<uint8_t> ResourceBytes(HMODULE module, LPCSTR type, WORD id, WORD language);

struct ExportTable {
    DWORD functionCount = 0;
    std::vector<std::string> names;
};

// The module's export directory, read from its image in memory.
ExportTable Exports(HMODULE module);

// A bitmap resource as the screen shows it; empty when there is none.
fxhost::Picture BitmapPicture(HMODULE module, WORD id);
// Whether `part` appears pixel for pixel somewhere in `whole`.
bool Contains(const fxhost::Picture &whole, const fxhost::Picture &part);
// Writes the picture as a 24-bit BMP file, through a temporary file renamed
// into place; throws std::runtime_error when it cannot.
void WriteBmp(const fxhost::Picture &picture, const std::string &path);

std::string ReadText(const std::string &path);
void WriteText(const std::string &path, const std::string &text);
