#pragma once
// The calendar server's protocol: discovery of the calendar collection (RFC 6764 well-known
// address, current-user-principal, calendar-home-set), the listing of its items by sync token
// (RFC 6578) or by ETag, fetching in batches (calendar-multiget) and conditional writes. It knows
// nothing of appointments; the sync (caldav_sync.h) does.
#include "platform/http_client.h"

#include <string>
#include <vector>

namespace zc::dav {

// Why a server could not be used, so that the command line and the dialog can say so.
enum class Failure { None, Unreachable, NotCalDav, WrongPassword, NoSuchCalendar, Refused, Cancelled };

struct Discovery {
    Failure failure = Failure::None;
    std::string message; // in the user's words
    std::string calendarUrl;
    std::string calendarName;
    std::vector<std::string> calendarNames; // every calendar found, for a chooser
    std::vector<std::string> calendarUrls;  // their addresses, in the same order
};

struct Member {
    std::string href; // absolute path on the server
    std::string etag;
};

struct Listing {
    bool ok = false;
    std::string message;
    bool complete = false;      // every member is listed (not only the changes since a token)
    bool tokenRefused = false;  // the token is too old: list again from scratch
    std::vector<Member> present;
    std::vector<std::string> removed; // hrefs, for a listing by token
    std::string syncToken;
};

struct Fetched {
    std::string href;
    std::string etag;
    std::string text;
};

struct WriteResult {
    int status = 0;    // 0: no answer (message says why)
    std::string etag;  // as the server gave it; empty when it gave none
    std::string message;
    bool ok() const { return status >= 200 && status < 300; }
};

class CalDavClient {
  public:
    CalDavClient(platform::HttpClient& http, std::string calendarUrl);

    // Finds the calendar under serverUrl: the one named wantedName, or the first that holds events.
    static Discovery discover(platform::HttpClient& http, const std::string& serverUrl, const std::string& wantedName);

    // Changes since token (empty: every member, with a new token). Servers that offer no
    // sync-collection report are listed by ETag.
    Listing list(const std::string& token, bool useSyncCollection);
    // The members' texts, asked for in groups; a member that has gone since is left out.
    bool fetch(const std::vector<std::string>& hrefs, std::vector<Fetched>& out, std::string& message);
    bool get(const std::string& href, Fetched& out, std::string& message);
    // Creates (etag empty: If-None-Match: *) or changes (If-Match: etag) a member.
    WriteResult put(const std::string& href, const std::string& text, const std::string& etag);
    WriteResult remove(const std::string& href, const std::string& etag);

    const std::string& calendarUrl() const { return url_; }
    // The address of a member href (an absolute path) on this server.
    std::string urlOf(const std::string& href) const { return platform::resolveUrl(url_, href); }
    // The href of a new member of the collection.
    std::string hrefFor(const std::string& resourceName) const;

  private:
    platform::HttpClient& http_;
    std::string url_;
};

// A listing or write that failed, in the user's words.
std::string describe(const platform::HttpResponse& response, const char* what);

} // namespace zc::dav
