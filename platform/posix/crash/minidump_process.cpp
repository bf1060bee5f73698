#include "minidump_process.h"

#include <elf.h>
#include <fcntl.h>

#include "raw_syscall.h"

namespace vp::minidump {

char ProcessSnapshot::maps_[kMapsCapacity];
ElfModule ProcessSnapshot::modules_[kMaxModules];

namespace {

int OpenForReading(const char* path) {
  return static_cast<int>(raw::Syscall(SYS_openat, AT_FDCWD, reinterpret_cast<long>(path),
                                       O_RDONLY | O_CLOEXEC));
}

// One line of /proc/self/maps: "start-end perms offset major:minor inode   path".
struct MapLine {
  std::uint64_t start = 0, end = 0, offset = 0, device = 0, inode = 0;
  bool readable = false;
  const char* path = nullptr;
  std::uint32_t pathLength = 0;
};

std::uint64_t ParseNumber(const char*& p, const char* end, int base) {
  std::uint64_t value = 0;
  for (; p < end; ++p) {
    int digit;
    if (*p >= '0' && *p <= '9') digit = *p - '0';
    else if (base == 16 && *p >= 'a' && *p <= 'f') digit = *p - 'a' + 10;
    else break;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  return value;
}

void SkipBlanks(const char*& p, const char* end) {
  while (p < end && *p == ' ') ++p;
}

// Parses the line at `p` and moves `p` past it; false at the end of the text.
bool NextLine(const char*& p, const char* end, MapLine* line) {
  if (p >= end) return false;
  const char* eol = p;
  while (eol < end && *eol != '\n') ++eol;
  *line = MapLine{};
  line->start = ParseNumber(p, eol, 16);
  if (p < eol && *p == '-') ++p;
  line->end = ParseNumber(p, eol, 16);
  SkipBlanks(p, eol);
  line->readable = p < eol && *p == 'r';
  while (p < eol && *p != ' ') ++p;
  SkipBlanks(p, eol);
  line->offset = ParseNumber(p, eol, 16);
  SkipBlanks(p, eol);
  std::uint64_t major = ParseNumber(p, eol, 16);
  if (p < eol && *p == ':') ++p;
  line->device = (major << 32) | ParseNumber(p, eol, 16);
  SkipBlanks(p, eol);
  line->inode = ParseNumber(p, eol, 10);
  SkipBlanks(p, eol);
  line->path = p;
  line->pathLength = static_cast<std::uint32_t>(eol - p);
  p = eol < end ? eol + 1 : eol;
  return true;
}

bool SamePath(const ElfModule& module, const MapLine& line) {
  if (module.pathLength != line.pathLength) return false;
  for (std::uint32_t i = 0; i < line.pathLength; ++i) {
    if (module.path[i] != line.path[i]) return false;
  }
  return true;
}

}  // namespace

bool ProcessSnapshot::Take() {
  mapsSize_ = 0;
  moduleCount_ = 0;
  int fd = OpenForReading("/proc/self/maps");
  if (fd < 0) return false;
  for (;;) {
    long n = raw::Syscall(SYS_read, fd, reinterpret_cast<long>(maps_ + mapsSize_),
                          static_cast<long>(kMapsCapacity - mapsSize_));
    if (n <= 0) break;
    mapsSize_ += static_cast<std::size_t>(n);
    if (mapsSize_ == kMapsCapacity) break;
  }
  raw::Syscall(SYS_close, fd);
  // A text that filled the buffer ends at its last whole line.
  if (mapsSize_ == kMapsCapacity) {
    while (mapsSize_ > 0 && maps_[mapsSize_ - 1] != '\n') --mapsSize_;
  }
  memFd_ = OpenForReading("/proc/self/mem");
  FindModules();
  return mapsSize_ > 0;
}

void ProcessSnapshot::Release() {
  if (memFd_ >= 0) raw::Syscall(SYS_close, memFd_);
  memFd_ = -1;
}

bool ProcessSnapshot::FindMapping(std::uint64_t address, Mapping* mapping) const {
  const char* p = maps_;
  const char* end = maps_ + mapsSize_;
  MapLine line;
  while (NextLine(p, end, &line)) {
    if (address >= line.start && address < line.end) {
      *mapping = Mapping{line.start, line.end, line.readable};
      return true;
    }
  }
  return false;
}

std::size_t ProcessSnapshot::Read(std::uint64_t address, void* into, std::size_t size) const {
  if (memFd_ < 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    long n = raw::Syscall(SYS_pread64, memFd_,
                          reinterpret_cast<long>(static_cast<char*>(into) + done),
                          static_cast<long>(size - done), static_cast<long>(address + done));
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

// A module is a file whose first page is mapped and starts with the ELF magic; the following
// mappings of the same file belong to it.
void ProcessSnapshot::FindModules() {
  const char* p = maps_;
  const char* end = maps_ + mapsSize_;
  MapLine line;
  std::uint64_t lastDevice = 0, lastInode = 0;
  while (NextLine(p, end, &line)) {
    if (line.pathLength == 0 || line.path[0] != '/') continue;
    if (moduleCount_ > 0 && line.offset != 0 && line.inode == lastInode &&
        line.device == lastDevice && SamePath(modules_[moduleCount_ - 1], line)) {
      modules_[moduleCount_ - 1].end = line.end;
      continue;
    }
    if (line.offset != 0 || !line.readable || moduleCount_ == kMaxModules) continue;
    unsigned char magic[4] = {};
    if (Read(line.start, magic, 4) != 4 || magic[0] != 0x7f || magic[1] != 'E' ||
        magic[2] != 'L' || magic[3] != 'F') {
      continue;
    }
    ElfModule& module = modules_[moduleCount_++];
    module = ElfModule{};
    module.base = line.start;
    module.end = line.end;
    module.path = line.path;
    module.pathLength = line.pathLength;
    lastDevice = line.device;
    lastInode = line.inode;
    ReadBuildId(&module);
  }
}

// The GNU build id from the module's note segments, read from its loaded image.
void ProcessSnapshot::ReadBuildId(ElfModule* module) const {
  Elf64_Ehdr header;
  if (Read(module->base, &header, sizeof header) != sizeof header) return;
  if (header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr)) return;
  Elf64_Phdr segments[64];
  std::size_t count = header.e_phnum < 64 ? header.e_phnum : 64;
  std::size_t bytes = count * sizeof(Elf64_Phdr);
  if (Read(module->base + header.e_phoff, segments, bytes) != bytes) return;
  // Load bias: where the first loadable segment (file offset 0) was placed.
  std::uint64_t firstLoad = ~0ull;
  for (std::size_t i = 0; i < count; ++i) {
    if (segments[i].p_type == PT_LOAD && segments[i].p_vaddr < firstLoad) {
      firstLoad = segments[i].p_vaddr & ~0xfffull;
    }
  }
  if (firstLoad == ~0ull) return;
  std::uint64_t bias = module->base - firstLoad;
  for (std::size_t i = 0; i < count; ++i) {
    if (segments[i].p_type != PT_NOTE) continue;
    unsigned char notes[2048];
    std::size_t size = segments[i].p_memsz < sizeof notes ? segments[i].p_memsz : sizeof notes;
    size = Read(bias + segments[i].p_vaddr, notes, size);
    std::size_t at = 0;
    while (at + sizeof(Elf64_Nhdr) <= size) {
      Elf64_Nhdr note;
      raw::CopyBytes(&note, notes + at, sizeof note);
      std::size_t nameAt = at + sizeof note;
      std::size_t descAt = nameAt + ((note.n_namesz + 3) & ~3u);
      std::size_t next = descAt + ((note.n_descsz + 3) & ~3u);
      if (next > size) break;
      if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && notes[nameAt] == 'G' &&
          notes[nameAt + 1] == 'N' && notes[nameAt + 2] == 'U' &&
          note.n_descsz <= sizeof module->buildId) {
        raw::CopyBytes(module->buildId, notes + descAt, note.n_descsz);
        module->buildIdSize = note.n_descsz;
        return;
      }
      at = next;
    }
  }
}

}  // namespace vp::minidump
