// The multistatus reader on expat's streaming parser: the answer is never held as a tree, so a
// listing of thousands of items costs little more than its text.
#include "data/caldav_xml.h"

#include <expat.h>

#include <cstdlib>
#include <cstring>

namespace zc::dav {

namespace {

// Names arrive as "namespace local" (the separator given to the parser).
constexpr char kSeparator = ' ';
constexpr std::string_view kDav = "DAV: ";
constexpr std::string_view kCalDav = "urn:ietf:params:xml:ns:caldav ";

struct Reader {
    Multistatus result;
    std::vector<std::string> path; // the open elements
    std::string text;
    Response response;
    Response group; // the properties of the open propstat
    int groupStatus = 0;
    bool multistatusSeen = false;

    bool inside(std::string_view name) const {
        for (const auto& open : path)
            if (open == name) return true;
        return false;
    }
    static int statusOf(const std::string& line) {
        // "HTTP/1.1 404 Not Found"
        const std::size_t space = line.find(' ');
        return space == std::string::npos ? 0 : std::atoi(line.c_str() + space + 1);
    }

    void start(const char* name, const char** attributes) {
        const std::string n = name;
        path.push_back(n);
        text.clear();
        if (n == std::string(kDav) + "multistatus") multistatusSeen = true;
        if (n == std::string(kDav) + "response") response = {};
        if (n == std::string(kDav) + "propstat") {
            group = {};
            groupStatus = 0;
        }
        if (n == std::string(kCalDav) + "calendar" && inside(std::string(kDav) + "resourcetype")) group.isCalendar = true;
        if (n == std::string(kDav) + "sync-collection" && inside(std::string(kDav) + "supported-report-set"))
            group.offersSyncCollection = true;
        if (n == std::string(kCalDav) + "supported-calendar-component-set") group.holdsEvents = false;
        if (n == std::string(kCalDav) + "comp" && inside(std::string(kCalDav) + "supported-calendar-component-set"))
            for (const char** a = attributes; a && a[0]; a += 2)
                if (std::strcmp(a[0], "name") == 0 && std::strcmp(a[1], "VEVENT") == 0) group.holdsEvents = true;
    }

    void end() {
        const std::string n = path.back();
        path.pop_back();
        const bool inProp = inside(std::string(kDav) + "propstat");
        if (n == std::string(kDav) + "href") {
            if (inside(std::string(kDav) + "current-user-principal")) group.principals.push_back(text);
            else if (inside(std::string(kCalDav) + "calendar-home-set")) group.homeSets.push_back(text);
            else if (!inProp && inside(std::string(kDav) + "response")) response.href = text;
        } else if (n == std::string(kDav) + "status") {
            if (inProp) groupStatus = statusOf(text);
            else if (inside(std::string(kDav) + "response")) response.status = statusOf(text);
        } else if (n == std::string(kDav) + "getetag") {
            group.etag = text;
        } else if (n == std::string(kCalDav) + "calendar-data") {
            group.calendarData = text;
        } else if (n == std::string(kDav) + "displayname") {
            group.displayName = text;
        } else if (n == std::string(kDav) + "sync-token" && !inside(std::string(kDav) + "response")) {
            result.syncToken = text;
        } else if (n == std::string(kDav) + "propstat") {
            if (groupStatus >= 200 && groupStatus < 300) {
                response.hasProperties = true;
                if (!group.etag.empty()) response.etag = group.etag;
                if (!group.calendarData.empty()) response.calendarData = std::move(group.calendarData);
                if (!group.displayName.empty()) response.displayName = group.displayName;
                response.isCalendar = response.isCalendar || group.isCalendar;
                response.holdsEvents = group.holdsEvents;
                response.offersSyncCollection = response.offersSyncCollection || group.offersSyncCollection;
                response.principals.insert(response.principals.end(), group.principals.begin(), group.principals.end());
                response.homeSets.insert(response.homeSets.end(), group.homeSets.begin(), group.homeSets.end());
            }
        } else if (n == std::string(kDav) + "response") {
            result.responses.push_back(std::move(response));
            response = {};
        }
        text.clear();
    }
};

} // namespace

Multistatus parseMultistatus(std::string_view body) {
    Reader reader;
    XML_Parser parser = XML_ParserCreateNS(nullptr, kSeparator);
    if (!parser) return {};
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            static_cast<Reader*>(data)->start(name, attributes);
        },
        [](void* data, const XML_Char*) { static_cast<Reader*>(data)->end(); });
    XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
        static_cast<Reader*>(data)->text.append(s, static_cast<std::size_t>(length));
    });
    const bool parsed = XML_Parse(parser, body.data(), static_cast<int>(body.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    reader.result.ok = parsed && reader.multistatusSeen;
    if (!reader.result.ok) reader.result.responses.clear();
    return std::move(reader.result);
}

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace zc::dav
