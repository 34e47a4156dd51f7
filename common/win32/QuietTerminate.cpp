// Linked into each program (not through a library, so it takes the place of the runtime's
// own): a GUI program on a stick has no console for the default handler's report, and that
// handler brings a C++ name demangler of some 46 KiB into every release.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
