// Function names from the loaded objects: dladdr finds the object and, for
// exported functions, the name; the effect exports nothing but its entry
// point, so other names come from the object file's own symbol table when it
// still has one.
#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "../Platform.h"

namespace fxhost::platform {

namespace {

// The mangled name of the function symbol of `path` that covers `offset`
// from the object's load address; empty when there is none.
std::string SymbolTableName(const char *path, uintptr_t offset)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat info{};
    void *map = fstat(fd, &info) == 0 && info.st_size > static_cast<off_t>(sizeof(Elf64_Ehdr))
                    ? mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0)
                    : MAP_FAILED;
    close(fd);
    if (map == MAP_FAILED) return {};
    const size_t size = static_cast<size_t>(info.st_size);
    const auto *bytes = static_cast<const unsigned char *>(map);
    const auto *header = static_cast<const Elf64_Ehdr *>(map);
    std::string name;
    const auto inside = [size](uint64_t at, uint64_t length) { return at <= size && length <= size - at; };
    if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 && header->e_ident[EI_CLASS] == ELFCLASS64 &&
        inside(header->e_shoff, uint64_t{header->e_shnum} * sizeof(Elf64_Shdr))) {
        const auto *sections = reinterpret_cast<const Elf64_Shdr *>(bytes + header->e_shoff);
        for (unsigned i = 0; i < header->e_shnum && name.empty(); ++i) {
            const Elf64_Shdr &table = sections[i];
            if (table.sh_type != SHT_SYMTAB || table.sh_link >= header->e_shnum) continue;
            const Elf64_Shdr &strings = sections[table.sh_link];
            if (!inside(table.sh_offset, table.sh_size) || !inside(strings.sh_offset, strings.sh_size)) continue;
            const auto *symbols = reinterpret_cast<const Elf64_Sym *>(bytes + table.sh_offset);
            for (size_t s = 0; s < table.sh_size / sizeof(Elf64_Sym); ++s) {
                const Elf64_Sym &symbol = symbols[s];
                if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_name >= strings.sh_size) continue;
                if (offset < symbol.st_value || offset >= symbol.st_value + std::max<uint64_t>(symbol.st_size, 1))
                    continue;
                const char *text = reinterpret_cast<const char *>(bytes + strings.sh_offset + symbol.st_name);
                name.assign(text, strnlen(text, strings.sh_size - symbol.st_name));
                break;
            }
        }
    }
    munmap(map, size);
    return name;
}

// The demangled name without its return type, parameter list and the
// anonymous namespace.
std::string Readable(const std::string &mangled)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> demangled(abi::__cxa_demangle(mangled.c_str(), nullptr, nullptr, &status),
                                                       std::free);
    std::string name = status == 0 && demangled ? demangled.get() : mangled;
    const std::string anonymous = "(anonymous namespace)::";
    for (size_t at = name.find(anonymous); at != std::string::npos; at = name.find(anonymous, at))
        name.erase(at, anonymous.size());
    // The parameters follow the last top-level '(' of a function name.
    int depth = 0;
    for (size_t i = name.size(); i-- > 0;) {
        if (name[i] == ')') ++depth;
        if (name[i] == '(' && --depth == 0) {
            if (i > 0) name.resize(i);
            break;
        }
    }
    // A function template's name starts with its return type: a space before
    // the first '<' or '('.
    const size_t space = name.find(' ');
    if (space != std::string::npos && space < name.find_first_of("<(")) name.erase(0, space + 1);
    return name;
}

}  // namespace

std::string FunctionName(const void *address)
{
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        char text[32];
        std::snprintf(text, sizeof text, "%p", address);
        return text;
    }
    if (info.dli_sname != nullptr && info.dli_saddr == address) return Readable(info.dli_sname);
    // Shared objects and position-independent programs list their symbols
    // relative to the load address.
    const uintptr_t offset = reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(info.dli_fbase);
    const std::string mangled = SymbolTableName(info.dli_fname, offset);
    if (!mangled.empty()) return Readable(mangled);
    const char *file = std::strrchr(info.dli_fname, '/');
    char text[64];
    std::snprintf(text, sizeof text, "+0x%zx", static_cast<size_t>(offset));
    return std::string(file != nullptr ? file + 1 : info.dli_fname) + text;
}

}  // namespace fxhost::platform
