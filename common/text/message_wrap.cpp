#include "text/message_wrap.h"

#include "text/text_utils.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace text {
namespace {

bool isPathSeparator(char c) {
    return c == '/' || c == '\\';
}

// Splits one line into pieces of at most kMessageLineLength characters.
void wrapLine(std::string_view line, std::vector<std::string>& out) {
    while (characterCount(line) > kMessageLineLength) {
        const std::size_t end = characterPrefix(line, kMessageLineLength);
        // Prefer a break after a blank or a separator in the last third of the piece.
        std::size_t cut = end;
        for (std::size_t i = end; i > end * 2 / 3; --i) {
            const char c = line[i - 1];
            if (c == ' ' || isPathSeparator(c)) {
                cut = i;
                break;
            }
        }
        std::string piece(line.substr(0, cut));
        while (!piece.empty() && piece.back() == ' ')
            piece.pop_back();
        out.push_back(std::move(piece));
        line.remove_prefix(cut);
        while (!line.empty() && line.front() == ' ')
            line.remove_prefix(1);
    }
    out.emplace_back(line);
}

// Appends a run without blanks to `out`, broken into lines after its path separators; a piece
// that does not fit the rest of a line starts the next one, and only a piece longer than a whole
// line is cut.
void appendBrokenRun(std::string_view run, std::string& out) {
    // A run longer than eight lines: its start and its end, which name the folder and the file.
    constexpr std::size_t kLongest = 8 * kMessageLineLength;
    std::string shortened;
    if (const std::size_t length = characterCount(run); length > kLongest) {
        shortened = std::string(run.substr(0, characterPrefix(run, kLongest / 2))) + "\u2026" +
                    std::string(run.substr(characterPrefix(run, length - kLongest / 3)));
        run = shortened;
    }
    std::size_t lineLength = 0;
    while (!run.empty()) {
        const auto separator = std::find_if(run.begin(), run.end(), isPathSeparator);
        std::string_view piece = run.substr(0, static_cast<std::size_t>(separator - run.begin()) +
                                                   (separator != run.end() ? 1 : 0));
        run.remove_prefix(piece.size());
        while (!piece.empty()) {
            const std::size_t pieceLength = characterCount(piece);
            if (lineLength > 0 && lineLength + pieceLength > kMessageLineLength) {
                out += '\n';
                lineLength = 0;
            }
            const std::size_t take = std::min(pieceLength, kMessageLineLength - lineLength);
            out += piece.substr(0, characterPrefix(piece, take));
            lineLength += take;
            piece.remove_prefix(characterPrefix(piece, take));
        }
    }
}

} // namespace

std::string wrapMessage(std::string_view bytes) {
    const std::string text = validUtf8(bytes);
    std::vector<std::string> lines;
    std::string_view rest(text);
    for (;;) {
        const std::size_t end = rest.find_first_of("\r\n");
        lines.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    // The box wraps sentences at their blanks itself; what it cannot break is a word longer than a
    // line (a path), which gets breaks of its own. A text too long for any box is cut down to its
    // first and last lines.
    std::size_t rows = 0;
    for (const std::string& line : lines)
        rows +=
            std::max<std::size_t>(1, (characterCount(line) + kMessageLineLength - 1) / kMessageLineLength);
    std::vector<std::string> wrapped;
    for (const std::string& line : lines) {
        if (rows > kMessageMaxLines) {
            wrapLine(line, wrapped);
            continue;
        }
        // The words of the line, the long ones broken into pieces that each end a line.
        std::string out;
        std::size_t start = 0;
        while (start <= line.size()) {
            std::size_t end = line.find(' ', start);
            if (end == std::string::npos) end = line.size();
            std::vector<std::string> pieces;
            wrapLine(std::string_view(line).substr(start, end - start), pieces);
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                if (i) wrapped.push_back(std::exchange(out, std::string()));
                out += pieces[i];
            }
            if (end == line.size()) break;
            out += ' ';
            start = end + 1;
        }
        wrapped.push_back(std::move(out));
    }
    if (wrapped.size() > kMessageMaxLines) {
        const std::size_t head = kMessageMaxLines / 2;
        const std::size_t tail = kMessageMaxLines - head - 1;
        wrapped.erase(wrapped.begin() + static_cast<std::ptrdiff_t>(head),
                      wrapped.end() - static_cast<std::ptrdiff_t>(tail));
        wrapped.insert(wrapped.begin() + static_cast<std::ptrdiff_t>(head), "...");
    }
    std::string out;
    for (std::size_t i = 0; i < wrapped.size(); ++i) {
        if (i) out += '\n';
        out += wrapped[i];
    }
    return out;
}

std::string breakLongRuns(std::string_view bytes) {
    const std::string text = validUtf8(bytes);
    std::string out;
    out.reserve(text.size() + text.size() / kMessageLineLength);
    std::string_view rest(text);
    while (!rest.empty()) {
        const std::size_t blank = std::min(rest.find_first_of(" \n\t"), rest.size());
        appendBrokenRun(rest.substr(0, blank), out);
        if (blank == rest.size()) break;
        out += rest[blank];
        rest.remove_prefix(blank + 1);
    }
    return out;
}

} // namespace text
