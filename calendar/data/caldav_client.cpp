// The calendar server's protocol over the platform's HTTP client.
#include "data/caldav_client.h"

#include "data/caldav_xml.h"
#include "text/translatable.h"

#include <algorithm>

namespace zc::dav {

using platform::HttpRequest;
using platform::HttpResponse;

namespace {

constexpr const char* kXmlType = "application/xml; charset=utf-8";
// Members asked for in one calendar-multiget: a few hundred kilobytes an answer.
constexpr std::size_t kFetchGroup = 200;

constexpr const char* kDiscoveryProps =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop>"
    "<d:resourcetype/><d:displayname/><d:current-user-principal/><c:calendar-home-set/>"
    "<d:supported-report-set/><c:supported-calendar-component-set/>"
    "</d:prop></d:propfind>";

HttpResponse davRequest(platform::HttpClient& http, const char* method, const std::string& url, const char* depth,
                        std::string body) {
    HttpRequest request;
    request.method = method;
    request.url = url;
    request.headers = {{"Content-Type", kXmlType}, {"Depth", depth}};
    request.body = std::move(body);
    return http.send(request);
}

std::string withoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string pathOf(const std::string& url) {
    platform::UrlParts parts;
    return platform::splitUrl(url, parts) ? parts.path : url;
}

// The last segment of a collection's path, which names a calendar that has no display name.
std::string lastSegment(const std::string& href) {
    const std::string path = withoutSlash(href);
    return path.substr(path.rfind('/') + 1);
}

Discovery failed(Failure failure, std::string message) {
    Discovery d;
    d.failure = failure;
    d.message = std::move(message);
    return d;
}

Discovery failedAnswer(const HttpResponse& response, const std::string& url) {
    if (response.status == 0) {
        if (response.error == "cancelled")
            return failed(Failure::Cancelled, text::translated(N_("The sync was cancelled.")));
        const bool refused = response.error.find("plain http") != std::string::npos ||
                             response.error.find("certificate") != std::string::npos;
        return failed(
            refused ? Failure::Refused : Failure::Unreachable,
            text::formatted(N_("The calendar server at %s cannot be reached: %s."), {url, response.error}));
    }
    if (response.status == 401)
        return failed(Failure::WrongPassword,
                      text::translated(N_("The calendar server refused the user name or password.")));
    return failed(Failure::NotCalDav,
                  text::formatted(N_("The address %s is not a CalDAV calendar server (it answered %d)."),
                                  {url, std::to_string(response.status)}));
}

} // namespace

std::string describe(const HttpResponse& response, const char* what) {
    // TRANSLATORS: the second placeholder is what the calendar was doing, e.g. "listing the calendar".
    if (response.status == 0)
        return text::formatted(N_("The calendar server did not answer while %s: %s."),
                               {text::translated(what), response.error});
    if (response.status == 401)
        return text::translated(N_("The calendar server refused the user name or password."));
    return text::formatted(N_("The calendar server answered %d while %s."),
                           {std::to_string(response.status), text::translated(what)});
}

CalDavClient::CalDavClient(platform::HttpClient& http, std::string calendarUrl)
    : http_(http), url_(std::move(calendarUrl)) {
    if (url_.empty() || url_.back() != '/') url_ += '/';
}

Discovery CalDavClient::discover(platform::HttpClient& http, const std::string& serverUrl, const std::string& wanted) {
    platform::UrlParts parts;
    if (!platform::splitUrl(serverUrl, parts) || (parts.scheme != "http" && parts.scheme != "https"))
        return failed(Failure::NotCalDav,
                      text::formatted(N_("\"%s\" is not a web address (https://...)."), {serverUrl}));
    const auto ask = [&](const std::string& url, const char* depth) {
        return davRequest(http, "PROPFIND", url, depth, kDiscoveryProps);
    };
    // The address given, then the well-known one of its host.
    std::string url = serverUrl;
    HttpResponse answer = ask(url, "0");
    Multistatus found = answer.status == 207 ? parseMultistatus(answer.body) : Multistatus{};
    const Response* self = found.ok && !found.responses.empty() ? &found.responses.front() : nullptr;
    if (answer.status == 0 || answer.status == 401) return failedAnswer(answer, serverUrl);
    if (self && self->isCalendar) {
        Discovery d;
        d.calendarUrl = url;
        d.calendarName = !self->displayName.empty() ? self->displayName : lastSegment(pathOf(url));
        d.calendarNames = {d.calendarName};
        d.calendarUrls = {url};
        return d;
    }
    if (!self || (self->principals.empty() && self->homeSets.empty())) {
        const std::string known = platform::resolveUrl(url, "/.well-known/caldav");
        answer = ask(known, "0");
        found = answer.status == 207 ? parseMultistatus(answer.body) : Multistatus{};
        self = found.ok && !found.responses.empty() ? &found.responses.front() : nullptr;
        if (answer.status == 401) return failedAnswer(answer, serverUrl);
        if (!self || (self->principals.empty() && self->homeSets.empty()))
            return failed(
                Failure::NotCalDav,
                text::formatted(N_("The address %s is not a CalDAV calendar server."), {serverUrl}));
        url = answer.finalUrl.empty() ? known : answer.finalUrl;
    }
    std::vector<std::string> homes = self->homeSets;
    if (homes.empty()) {
        const std::string principal = platform::resolveUrl(url, self->principals.front());
        answer = ask(principal, "0");
        found = answer.status == 207 ? parseMultistatus(answer.body) : Multistatus{};
        if (answer.status != 207 || !found.ok) return failedAnswer(answer, serverUrl);
        for (const auto& r : found.responses)
            homes.insert(homes.end(), r.homeSets.begin(), r.homeSets.end());
        url = principal;
    }
    if (homes.empty())
        return failed(Failure::NotCalDav,
                      text::formatted(N_("The server at %s names no calendars for this user."), {serverUrl}));
    Discovery d;
    d.failure = Failure::NoSuchCalendar;
    for (const std::string& home : homes) {
        const std::string homeUrl = platform::resolveUrl(url, home);
        answer = ask(homeUrl, "1");
        found = answer.status == 207 ? parseMultistatus(answer.body) : Multistatus{};
        if (answer.status != 207 || !found.ok) return failedAnswer(answer, serverUrl);
        for (const Response& r : found.responses) {
            if (!r.isCalendar || !r.holdsEvents) continue;
            const std::string name = !r.displayName.empty() ? r.displayName : lastSegment(r.href);
            d.calendarNames.push_back(name);
            d.calendarUrls.push_back(platform::resolveUrl(homeUrl, r.href));
            const bool chosen = wanted.empty() ? d.calendarUrl.empty() : name == wanted || lastSegment(r.href) == wanted;
            if (chosen && d.failure != Failure::None) {
                d.failure = Failure::None;
                d.calendarUrl = platform::resolveUrl(homeUrl, r.href);
                d.calendarName = name;
            }
        }
    }
    if (d.failure != Failure::None)
        d.message = wanted.empty()
                        ? text::translated(N_("The server holds no calendar for this user."))
                        : text::formatted(N_("The server holds no calendar named \"%s\"."), {wanted});
    return d;
}

std::string CalDavClient::hrefFor(const std::string& resourceName) const {
    return pathOf(url_) + resourceName;
}

Listing CalDavClient::list(const std::string& token, bool useSyncCollection) {
    Listing listing;
    const std::string collection = withoutSlash(pathOf(url_));
    HttpResponse answer;
    if (useSyncCollection) {
        answer = davRequest(http_, "REPORT", url_, "0",
                            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                                escaped(token) +
                                "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
                                "</d:sync-collection>");
        if (!token.empty() && (answer.status == 403 || answer.status == 409 || answer.status == 410 ||
                               (answer.status == 400 && answer.body.find("sync-token") != std::string::npos))) {
            listing.tokenRefused = true;
            return listing;
        }
    } else {
        answer = davRequest(http_, "PROPFIND", url_, "1",
                            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
                            "<d:getetag/><d:resourcetype/></d:prop></d:propfind>");
    }
    if (answer.status != 207) {
        listing.message = describe(answer, N_("listing the calendar"));
        return listing;
    }
    Multistatus found = parseMultistatus(answer.body);
    if (!found.ok) {
        listing.message =
            text::translated(N_("The calendar server's listing of the calendar could not be read."));
        return listing;
    }
    for (Response& r : found.responses) {
        const std::string href = pathOf(platform::resolveUrl(url_, r.href));
        if (withoutSlash(href) == collection || href.back() == '/') continue;
        if (r.status == 404 || (!r.hasProperties && r.status >= 400)) {
            listing.removed.push_back(href);
        } else if (r.hasProperties) {
            listing.present.push_back({href, r.etag});
        }
    }
    listing.ok = true;
    listing.complete = !useSyncCollection || token.empty();
    listing.syncToken = found.syncToken;
    return listing;
}

bool CalDavClient::fetch(const std::vector<std::string>& hrefs, std::vector<Fetched>& out, std::string& message) {
    for (std::size_t first = 0; first < hrefs.size(); first += kFetchGroup) {
        std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:calendar-multiget xmlns:d=\"DAV:\" "
                           "xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:prop><d:getetag/><c:calendar-data/></d:prop>";
        for (std::size_t i = first; i < std::min(hrefs.size(), first + kFetchGroup); ++i)
            body += "<d:href>" + escaped(hrefs[i]) + "</d:href>";
        body += "</c:calendar-multiget>";
        const HttpResponse answer = davRequest(http_, "REPORT", url_, "1", std::move(body));
        if (answer.status != 207) {
            message = describe(answer, N_("fetching appointments"));
            return false;
        }
        Multistatus found = parseMultistatus(answer.body);
        if (!found.ok) {
            message = text::translated(N_("The calendar server's appointments could not be read."));
            return false;
        }
        for (Response& r : found.responses)
            if (r.hasProperties && !r.calendarData.empty())
                out.push_back({pathOf(platform::resolveUrl(url_, r.href)), r.etag, std::move(r.calendarData)});
    }
    return true;
}

bool CalDavClient::get(const std::string& href, Fetched& out, std::string& message) {
    HttpRequest request;
    request.method = "GET";
    request.url = urlOf(href);
    const HttpResponse answer = http_.send(request);
    if (answer.status != 200) {
        message = describe(answer, N_("fetching an appointment"));
        return false;
    }
    out = {href, answer.header("etag"), answer.body};
    return true;
}

WriteResult CalDavClient::put(const std::string& href, const std::string& text, const std::string& etag) {
    HttpRequest request;
    request.method = "PUT";
    request.url = urlOf(href);
    request.headers = {{"Content-Type", "text/calendar; charset=utf-8"}};
    if (etag.empty()) request.headers.emplace_back("If-None-Match", "*");
    else request.headers.emplace_back("If-Match", etag);
    request.body = text;
    const HttpResponse answer = http_.send(request);
    WriteResult result{answer.status, answer.header("etag"), {}};
    if (!result.ok() && answer.status != 412) result.message = describe(answer, N_("sending an appointment"));
    return result;
}

WriteResult CalDavClient::remove(const std::string& href, const std::string& etag) {
    HttpRequest request;
    request.method = "DELETE";
    request.url = urlOf(href);
    if (!etag.empty()) request.headers = {{"If-Match", etag}};
    const HttpResponse answer = http_.send(request);
    WriteResult result{answer.status, {}, {}};
    if (!result.ok() && answer.status != 412 && answer.status != 404)
        result.message = describe(answer, N_("deleting an appointment"));
    return result;
}

} // namespace zc::dav
