// Feeds arbitrary program item lines and names to the shortcut parsers and the desktop-entry
// writers, and checks the properties the written files depend on.
#include "core/kz_path.h"
#include "core/kz_shell_link.h"
#include "text/message_wrap.h"
#include "text/text_utils.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsTrimmed(const std::string& s) {
    return s.empty() ||
           (static_cast<unsigned char>(s.front()) > ' ' && static_cast<unsigned char>(s.back()) > ' ');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    size_t commas = 0;
    for (char c : input)
        commas += c == ',';
    const auto fields = SplitFields(input);
    Check(fields.size() <= commas + 1);
    for (const auto& field : fields)
        Check(IsTrimmed(field));

    const auto parts = SplitQuoted(input);
    Check(parts.empty() || parts.size() == 2);
    for (const auto& part : parts)
        Check(IsTrimmed(part));

    // An escaped value is one line, and reads back as it was.
    const std::string escaped = DesktopEntryEscape(input);
    Check(escaped.find('\n') == std::string::npos && escaped.find('\r') == std::string::npos);
    Check(DesktopEntryUnescape(escaped) == input);

    const size_t half = input.size() / 2;
    const std::string exec = DesktopEntryEscape(DesktopEntryExec(input.substr(0, half), input.substr(half)));
    Check(exec.find('\n') == std::string::npos);

    // A link file name never names another folder.
    const std::string link = ChangeExtension(input, "desktop");
    Check(link.find_first_of("/\\:") == std::string::npos);
    Check(link.size() >= 8 && link.compare(link.size() - 8, 8, ".desktop") == 0);

    // A valid group name stays below the "Programs" folder.
    if (IsValidGroupName(input)) {
        const std::string wrapped = "\\" + input + "\\";
        Check(wrapped.find("\\..\\") == std::string::npos && wrapped.find("\\.\\") == std::string::npos);
    }
    // Text turned into a path is absolute and native, below its base when it has no root.
    const std::string path = NativePath(input, "/base/");
    Check(!path.empty() && path[0] == '/' && path.find('\\') == std::string::npos);

    // A run line's program is an absolute path; no argument keeps a "\" or a double quote's role.
    const auto arguments = KzProgramArguments(input, "/app/");
    Check(arguments.empty() || arguments.front()[0] == '/');
    for (const auto& argument : arguments)
        Check(argument.find('\\') == std::string::npos);

    // A message box's text has no word longer than a line and not many lines, and keeps every
    // character whole.
    const std::string message = text::wrapMessage(text::utf8OrLatin1(input));
    size_t lines = 1, characters = 0;
    for (char c : message) {
        if (c == '\n' || c == ' ') {
            lines += c == '\n';
            characters = 0;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            Check(++characters <= text::kMessageLineLength);
        }
    }
    Check(lines <= text::kMessageMaxLines);
    Check(text::utf8OrLatin1(message) == message);
    return 0;
}
