#include "WindowsModule.h"

#include <stdexcept>

std::string ModuleBesideProgram()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("cannot find the test program's own path");
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "K_Sallowmerine.aex";
}

HMODULE LoadedModule(const fxhost::Module &module)
{
    HMODULE handle = GetModuleHandleA(module.path().c_str());
    if (handle == nullptr) throw std::runtime_error(module.path() + " is not loaded");
    return handle;
}

std::vector<uint8_t> ResourceBytes(HMODULE module, LPCSTR type, WORD id, WORD language)
{
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const auto *bytes = static_cast<const uint8_t *>(loaded ? LockResource(loaded) : nullptr);
    if (bytes == nullptr) return {};
    return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, found));
}

ExportTable Exports(HMODULE module)
{
    const auto *base = reinterpret_cast<const uint8_t *>(module);
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ExportTable table;
    if (entry.VirtualAddress == 0) return table;
    const auto *directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
    table.functionCount = directory->NumberOfFunctions;
    const auto *names = reinterpret_cast<const DWORD *>(base + directory->AddressOfNames);
    for (DWORD i = 0; i < directory->NumberOfNames; ++i)
        table.names.emplace_back(reinterpret_cast<const char *>(base + names[i]));
    return table;
}
