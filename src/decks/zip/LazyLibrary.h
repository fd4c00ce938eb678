#pragma once
// A shared library loaded when the program first needs it, not at start-up:
// its functions are looked up by name then. For libzip and libxml2, which
// only reading an .xlsx or .ods deck needs.

#include "decks/Workbook.h"

#include <dlfcn.h>

#include <string>

namespace deckzip {

class LazyLibrary {
public:
    // Throws when the library cannot be loaded. It stays loaded.
    explicit LazyLibrary(const char *soname) : handle_(dlopen(soname, RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_)
            throw decks::FormatError(std::string("the library ") + soname + " cannot be loaded");
    }
    LazyLibrary(const LazyLibrary &) = delete;
    LazyLibrary &operator=(const LazyLibrary &) = delete;

    template <typename F> F *function(const char *name) const
    {
        void *const f = dlsym(handle_, name);
        if (!f)
            throw decks::FormatError(std::string("the library lacks the function ") + name);
        return reinterpret_cast<F *>(f);
    }

private:
    void *handle_;
};

}  // namespace deckzip

// A member holding the library's function of that name, declared as the
// library's header declares it.
#define MNEMORA_LAZY_FUNCTION(library, name) decltype(&::name) name = (library).function<decltype(::name)>(#name)
