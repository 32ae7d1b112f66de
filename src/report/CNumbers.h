#pragma once
// Numbers written into files read the same whatever language the user's session speaks. A host
// sets the process's locale from the environment, and a library that formats numbers with the C
// library's printf family then writes "37304045,19" under a comma-decimal locale. While a scope
// of this kind lives, the calling thread alone formats numbers as the C locale does; the
// process's locale, and every other thread's, stay as they are.
#include <clocale>
#include <locale.h>

class TCNumbersScope {
public:
    TCNumbersScope() : previous_(CLocale() ? ::uselocale(CLocale()) : nullptr) {}
    ~TCNumbersScope() {
        if (previous_) ::uselocale(previous_);
    }
    TCNumbersScope(const TCNumbersScope &) = delete;
    TCNumbersScope &operator=(const TCNumbersScope &) = delete;

private:
    static locale_t CLocale() {
        static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c;
    }
    locale_t previous_;
};
