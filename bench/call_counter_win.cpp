#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "bench/call_counter.h"

namespace tarnvel::bench {
namespace {

struct CallStats {
  void* original = nullptr;
  // Atomic: the engine lists on two threads at once.
  std::atomic<std::uint64_t> calls{0};
  std::atomic<std::int64_t> ticks{0};  // performance-counter ticks spent inside the call
};

constexpr std::size_t kMaxFunctions = 32;
CallStats gStats[kMaxFunctions];

// x86-64 has one calling convention, so one wrapper template serves every signature.
template <std::size_t Index, typename Function>
struct Counted;

template <std::size_t Index, typename Result, typename... Args>
struct Counted<Index, Result (*)(Args...)> {
  static Result Call(Args... args) {
    CallStats& stats = gStats[Index];
    auto original = reinterpret_cast<Result (*)(Args...)>(stats.original);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    if constexpr (std::is_void_v<Result>) {
      original(args...);
      QueryPerformanceCounter(&t1);
      stats.calls.fetch_add(1, std::memory_order_relaxed);
      stats.ticks.fetch_add(t1.QuadPart - t0.QuadPart, std::memory_order_relaxed);
    } else {
      Result result = original(args...);
      QueryPerformanceCounter(&t1);
      stats.calls.fetch_add(1, std::memory_order_relaxed);
      stats.ticks.fetch_add(t1.QuadPart - t0.QuadPart, std::memory_order_relaxed);
      return result;
    }
  }
};

struct Entry {
  const char* dll;
  const char* name;
  void* wrapper;
};

#define TARNVEL_COUNTED(INDEX, DLL, FN) \
  { DLL, #FN, reinterpret_cast<void*>(&Counted<INDEX, decltype(&::FN)>::Call) }

// The index of each line is its wrapper's slot in gStats.
const Entry kEntries[] = {
    TARNVEL_COUNTED(0, "kernel32.dll", FindFirstFileExW),
    TARNVEL_COUNTED(1, "kernel32.dll", FindFirstFileW),
    TARNVEL_COUNTED(2, "kernel32.dll", FindNextFileW),
    TARNVEL_COUNTED(3, "kernel32.dll", FindClose),
    TARNVEL_COUNTED(4, "kernel32.dll", GetFileAttributesW),
    TARNVEL_COUNTED(5, "kernel32.dll", GetFileAttributesExW),
    TARNVEL_COUNTED(6, "kernel32.dll", SetFileAttributesW),
    TARNVEL_COUNTED(7, "kernel32.dll", CreateDirectoryW),
    TARNVEL_COUNTED(8, "kernel32.dll", CreateFileW),
    TARNVEL_COUNTED(9, "kernel32.dll", GetFileInformationByHandle),
    TARNVEL_COUNTED(10, "kernel32.dll", CopyFileExW),
    TARNVEL_COUNTED(11, "kernel32.dll", MoveFileExW),
    TARNVEL_COUNTED(12, "kernel32.dll", DeleteFileW),
    TARNVEL_COUNTED(13, "kernel32.dll", RemoveDirectoryW),
    TARNVEL_COUNTED(14, "kernel32.dll", MultiByteToWideChar),
    TARNVEL_COUNTED(15, "kernel32.dll", WideCharToMultiByte),
    TARNVEL_COUNTED(16, "kernel32.dll", GetTickCount),
    TARNVEL_COUNTED(17, "user32.dll", CharUpperBuffW),
    TARNVEL_COUNTED(18, "user32.dll", PeekMessageW),
    TARNVEL_COUNTED(19, "user32.dll", DispatchMessageW),
    TARNVEL_COUNTED(20, "user32.dll", SendMessageW),
    TARNVEL_COUNTED(21, "user32.dll", SetWindowTextW),
    TARNVEL_COUNTED(22, "kernel32.dll", GetFullPathNameW),
    TARNVEL_COUNTED(23, "kernel32.dll", GetFinalPathNameByHandleW),
    TARNVEL_COUNTED(24, "kernel32.dll", CloseHandle),
    TARNVEL_COUNTED(25, "kernel32.dll", WriteFile),
};
constexpr std::size_t kEntryCount = sizeof kEntries / sizeof kEntries[0];
static_assert(kEntryCount <= kMaxFunctions);

void Redirect(ULONG_PTR& slot, void* wrapper) {
  DWORD old;
  if (!VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old)) return;
  slot = reinterpret_cast<ULONG_PTR>(wrapper);
  VirtualProtect(&slot, sizeof slot, old, &old);
}

void RedirectMatching(const char* dll, const char* name, ULONG_PTR& slot) {
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    if (std::strcmp(name, kEntries[i].name) != 0 || _stricmp(dll, kEntries[i].dll) != 0) continue;
    if (gStats[i].original == nullptr) gStats[i].original = reinterpret_cast<void*>(slot);
    Redirect(slot, kEntries[i].wrapper);
  }
}

}  // namespace

bool StartCountingCalls() {
  auto* base = reinterpret_cast<std::uint8_t*>(GetModuleHandleW(nullptr));
  if (base == nullptr) return false;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return false;
  for (auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name;
       ++desc) {
    if (desc->OriginalFirstThunk == 0) continue;  // no names to match against
    const char* dll = reinterpret_cast<const char*>(base + desc->Name);
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      RedirectMatching(dll, reinterpret_cast<const char*>(byName->Name), slots->u1.Function);
    }
  }
  return true;
}

void PrintCallCounts(std::FILE* out) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const double msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);
  std::fprintf(out, "%-28s %9s %10s %9s\n", "call", "count", "ms", "us/call");
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    const CallStats& s = gStats[i];
    const std::uint64_t calls = s.calls.load();
    if (calls == 0) continue;
    const double ms = static_cast<double>(s.ticks.load()) * msPerTick;
    std::fprintf(out, "%-28s %9llu %10.1f %9.2f\n", kEntries[i].name,
                 static_cast<unsigned long long>(calls), ms, ms * 1000.0 / static_cast<double>(calls));
  }
}

}  // namespace tarnvel::bench
