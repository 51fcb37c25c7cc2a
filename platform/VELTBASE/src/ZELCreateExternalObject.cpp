// Loading component libraries and creating their classes.
#include "ZELCreateExternalObject.h"

#include <dlfcn.h>
#include <link.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "ZELProcessServices.h"

namespace {

// The folder of the loaded file that holds this code, ending in '/', or empty.
std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ZELCreateExternalObject), &info) == 0 || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void AddFolder(std::vector<std::string>& folders, std::string folder) {
  if (folder.empty()) return;
  if (folder.back() != '/') folder += '/';
  folders.push_back(std::move(folder));
}

// The candidate paths of lib<name>.so, in search order; the last one is the
// bare file name, left to the system's search.
std::vector<std::string> Candidates(const char* folder, const std::string& fileName) {
  std::vector<std::string> folders;
  if (folder) AddFolder(folders, folder);
  if (const char* path = ZELGetEnv("ZELComponentPath")) {
    std::string list = path;
    size_t start = 0;
    for (;;) {
      size_t colon = list.find(':', start);
      AddFolder(folders, list.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  }
  AddFolder(folders, OwnFolder());
  std::vector<std::string> paths;
  for (const std::string& f : folders) paths.push_back(f + fileName);
  paths.push_back(fileName);
  return paths;
}

void* OpenFirst(const char* folder, const std::string& fileName) {
  for (const std::string& path : Candidates(folder, fileName)) {
    bool bare = path.find('/') == std::string::npos;
    if (!bare && ZELFileAccess(path.c_str(), 4) != 0) continue;
    if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
  }
  return nullptr;
}

// The descriptor of the library behind `handle`, when it has one of its own
// that this host understands; otherwise null.
const ZELComponentLibrary* Descriptor(void* handle) {
  void* symbol = dlsym(handle, ZEL_COMPONENT_LIBRARY_ENTRY_NAME);
  if (!symbol) return nullptr;
  // dlsym also searches the library's dependencies: the entry point must be
  // the library's own.
  link_map* library = nullptr;
  link_map* owner = nullptr;
  Dl_info info{};
  if (dlinfo(handle, RTLD_DI_LINKMAP, &library) != 0 ||
      dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 || !library || owner != library) {
    return nullptr;
  }
  auto entry = reinterpret_cast<ZELComponentLibraryEntry>(symbol);
  const ZELComponentLibrary* descriptor = entry();
  constexpr uint32_t kKnownSize = offsetof(ZELComponentLibrary, classes) + sizeof(descriptor->classes);
  if (!descriptor || descriptor->magic != ZEL_COMPONENT_LIBRARY_MAGIC ||
      descriptor->version != ZEL_COMPONENT_LIBRARY_VERSION || descriptor->size < kKnownSize ||
      descriptor->classCount < 0 || (descriptor->classCount > 0 && !descriptor->classes)) {
    return nullptr;
  }
  return descriptor;
}

ZELComponentCreator FindClass(const ZELComponentLibrary& library, const char* className) {
  for (int i = 0; i < library.classCount; ++i) {
    const ZELComponentClass& c = library.classes[i];
    if (c.className && c.create && std::strcmp(c.className, className) == 0) return c.create;
  }
  return nullptr;
}

}  // namespace

ZELBaseUnknown* ZELCreateExternalObject(const char* className, const char* folder, const char* libraryName,
                                        void* creationArgument) {
  if (!className || !*className || !libraryName || !*libraryName) return nullptr;
  if (std::strchr(libraryName, '/')) return nullptr;  // a name, not a path
  void* handle = OpenFirst(folder, std::string("lib") + libraryName + ".so");
  if (!handle) return nullptr;
  ZELBaseUnknown* component = nullptr;
  if (const ZELComponentLibrary* library = Descriptor(handle)) {
    if (ZELComponentCreator create = FindClass(*library, className)) component = create(creationArgument);
  }
  // A library that made a component keeps its code loaded for the component's
  // life: it is never closed. Otherwise this load is given back.
  if (!component) dlclose(handle);
  return component;
}
