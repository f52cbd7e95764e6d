#include "Console.h"

#include <cstdarg>

namespace zekt {

void Print(std::FILE* stream, const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list measuring;
    va_copy(measuring, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (size > 0) {
        std::string text(static_cast<std::size_t>(size) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, arguments);
        text.pop_back();
        WriteText(stream, text);
    }
    va_end(arguments);
}

} // namespace zekt
