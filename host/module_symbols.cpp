// Finds a module global by name through the module file's ELF symbol table
// (.symtab keeps hidden and local names; dlsym sees exported ones only).
#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/browser.h"

namespace host {

void* Browser::moduleSymbol(const char* name) const {
  if (!handle_ || !name) return nullptr;
  struct link_map* map = nullptr;
  if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || !map) return nullptr;

  std::ifstream in(modulePath_, std::ios::binary);
  std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < sizeof(Elf64_Ehdr)) return nullptr;
  Elf64_Ehdr header;
  std::memcpy(&header, file.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
    return nullptr;
  auto sectionAt = [&](size_t index, Elf64_Shdr* out) {
    size_t offset = header.e_shoff + index * sizeof(Elf64_Shdr);
    if (index >= header.e_shnum || offset + sizeof(Elf64_Shdr) > file.size()) return false;
    std::memcpy(out, file.data() + offset, sizeof *out);
    return true;
  };
  for (size_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr symtab, strtab;
    if (!sectionAt(i, &symtab) || symtab.sh_type != SHT_SYMTAB) continue;
    if (!sectionAt(symtab.sh_link, &strtab)) return nullptr;
    if (symtab.sh_offset + symtab.sh_size > file.size() ||
        strtab.sh_offset + strtab.sh_size > file.size())
      return nullptr;
    const size_t count = symtab.sh_size / sizeof(Elf64_Sym);
    for (size_t k = 0; k < count; ++k) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + symtab.sh_offset + k * sizeof sym, sizeof sym);
      if (sym.st_name >= strtab.sh_size || sym.st_shndx == SHN_UNDEF) continue;
      const char* symName = file.data() + strtab.sh_offset + sym.st_name;
      const size_t room = strtab.sh_size - sym.st_name;
      if (strnlen(symName, room) < room && std::strcmp(symName, name) == 0)
        return reinterpret_cast<void*>(map->l_addr + sym.st_value);
    }
  }
  return nullptr;
}

}  // namespace host
