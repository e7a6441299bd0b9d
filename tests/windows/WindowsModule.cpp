#include "WindowsModule.h"

#include <fstream>
#include <iterator>
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

fxhost::Picture BitmapPicture(HMODULE module, WORD id)
{
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
    if (bitmap == nullptr) return {};
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    fxhost::Picture picture;
    picture.width = size.bmWidth;
    picture.height = size.bmHeight;
    picture.pixels.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(picture.height), picture.pixels.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    if (rows != picture.height) return {};
    for (uint32_t &pixel : picture.pixels) pixel &= 0x00FFFFFF;
    return picture;
}

bool Contains(const fxhost::Picture &whole, const fxhost::Picture &part)
{
    if (part.width == 0 || part.height == 0) return false;
    for (int top = 0; top + part.height <= whole.height; ++top) {
        for (int left = 0; left + part.width <= whole.width; ++left) {
            bool same = true;
            for (int y = 0; y < part.height && same; ++y)
                for (int x = 0; x < part.width && same; ++x) same = whole.at(left + x, top + y) == part.at(x, y);
            if (same) return true;
        }
    }
    return false;
}

void WriteBmp(const fxhost::Picture &picture, const std::string &path)
{
    const size_t rowBytes = (static_cast<size_t>(picture.width) * 3 + 3) & ~size_t{3};
    const size_t imageBytes = rowBytes * static_cast<size_t>(picture.height);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + imageBytes);
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;  // rows from the bottom
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(imageBytes);
    std::string bytes(reinterpret_cast<const char *>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char *>(&info), sizeof info);
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row(rowBytes, '\0');
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t pixel = picture.at(x, y);
            row[3 * x] = static_cast<char>(pixel & 0xFF);
            row[3 * x + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        bytes += row;
    }
    const std::string temporary = path + ".tmp";
    try {
        WriteText(temporary, bytes);
        if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            throw std::runtime_error("cannot replace " + path + ": error " + std::to_string(GetLastError()));
    } catch (...) {
        DeleteFileA(temporary.c_str());
        throw;
    }
}

std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}
