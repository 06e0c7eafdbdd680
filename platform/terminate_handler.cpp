// The shipped programs' std::terminate handler, in place of libstdc++'s.
//
// libstdc++'s default handler names the escaping exception's type through the
// C++ demangler, which brings some 45 KB into the installer stub that travels
// in every product. std::set_terminate would not keep it out: the library's
// std::terminate refers to its default handler by name. So this file defines
// that name, and a program linked with this object never takes the library's
// handler, nor the demangler. It must be one of the program's own objects: as
// an archive member it would not be taken, since the archives are searched
// before the library asks for the name. It prints what() without the type's
// name and aborts, as the library's does.
#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

void say(const char* text) {
    std::fputs(text, stderr);
}

}  // namespace

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    static bool terminating = false;
    if (terminating) {
        say("terminate called recursively\n");
        std::abort();
    }
    terminating = true;

    if (!abi::__cxa_current_exception_type()) {
        say("terminate called without an active exception\n");
        std::abort();
    }
    say("terminate called after throwing an exception\n");
    // Rethrown to see whether it is a std::exception, as the library does.
    try {
        throw;
    } catch (const std::exception& escaped) {
        say("  what():  ");
        say(escaped.what());
        say("\n");
    } catch (...) {
    }
    std::abort();
}

}  // namespace __gnu_cxx
