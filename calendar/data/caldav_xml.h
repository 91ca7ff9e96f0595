#pragma once
// Reading of WebDAV multistatus answers (RFC 4918) as calendar servers send them for PROPFIND and
// REPORT: each response with its href, its status and the properties the sync asks for. Names are
// told apart by namespace, so a server's own prefixes do not matter.
#include <string>
#include <string_view>
#include <vector>

namespace zc::dav {

struct Response {
    std::string href;
    // The response's own status (a removed member in a sync-collection answer: 404), 0 when the
    // response carries its status per property group instead.
    int status = 0;
    bool hasProperties = false; // some property came with status 200
    std::string etag;
    std::string calendarData;
    std::string displayName;
    bool isCalendar = false;
    bool holdsEvents = true; // no supported-calendar-component-set, or one naming VEVENT
    bool offersSyncCollection = false;
    std::vector<std::string> principals; // current-user-principal hrefs
    std::vector<std::string> homeSets;   // calendar-home-set hrefs
};

struct Multistatus {
    bool ok = false; // the body is a well-formed multistatus
    std::vector<Response> responses;
    std::string syncToken;
};

Multistatus parseMultistatus(std::string_view body);

// Escapes a text for an XML element's content.
std::string escaped(std::string_view text);

} // namespace zc::dav
