#include "text/translatable.h"

#include <atomic>
#include <cstddef>

namespace text {
namespace {

std::atomic<Translator> current{nullptr};

} // namespace

void setTranslator(Translator translator) {
    current.store(translator);
}

std::string translated(const char* english) {
    const Translator translator = current.load();
    return translator ? translator(english) : std::string(english);
}

std::string filled(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(pattern.size() + 32);
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        if (pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // An optional position "N$", then the conversion letter.
        std::size_t j = i + 1;
        std::size_t position = 0;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && position < 100)
            position = position * 10 + static_cast<std::size_t>(pattern[j++] - '0');
        const bool positional = position > 0 && j < pattern.size() && pattern[j] == '$';
        if (positional)
            ++j;
        else if (j != i + 1)
            position = 0, j = i + 1;
        const std::size_t index = positional ? position - 1 : next;
        if (j < pattern.size() && (pattern[j] == 's' || pattern[j] == 'd') && index < arguments.size()) {
            out += *(arguments.begin() + index);
            if (!positional) ++next;
            i = j;
        } else {
            out += '%';
        }
    }
    return out;
}

std::string formatted(const char* english, std::initializer_list<std::string_view> arguments) {
    return filled(translated(english), arguments);
}

} // namespace text
