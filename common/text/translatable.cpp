#include "text/translatable.h"

#include <atomic>

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

} // namespace text
