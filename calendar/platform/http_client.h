#pragma once
// A small HTTP client for the calendar server: one request in, one answer out. The engine and its
// tests see only this interface; the one implementation (http_client_curl.cpp) uses libcurl on
// every system, with TLS verified, proxies taken from the environment and HTTP/2 where offered.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zc::platform {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method; // "PROPFIND", "REPORT", "PUT", ...
    std::string url;
    HttpHeaders headers;
    std::string body;
};

struct HttpResponse {
    // 0 when no answer came: error then says why in the user's words.
    int status = 0;
    HttpHeaders headers; // names in lower case
    std::string body;
    std::string error;
    // The address that answered, after redirects.
    std::string finalUrl;

    // The first header of that name (given in lower case), or empty.
    std::string header(const std::string& lowerName) const;
};

struct HttpSettings {
    std::string user;
    std::string password;
    // Credentials go only to this host (and its port); a redirect elsewhere drops them.
    std::string credentialHost;
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds timeout{120};
    // Attempts after the first for answers 5xx and 429 and for failed connections; the wait
    // doubles from firstBackoff, or follows the server's Retry-After up to maxBackoff.
    int retries = 3;
    std::chrono::milliseconds firstBackoff{500};
    std::chrono::milliseconds maxBackoff{8000};
    // Plain http to a host other than this machine: refused unless the user allowed it.
    bool allowPlainHttp = false;
    // Asked before each attempt; false stops the request (it then fails as cancelled).
    std::function<bool()> keepGoing;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;
    virtual HttpResponse send(const HttpRequest& request) = 0;
};

std::unique_ptr<HttpClient> makeHttpClient(HttpSettings settings);

// The parts of an address that the rules above look at.
struct UrlParts {
    std::string scheme; // lower case
    std::string host;   // lower case, without brackets
    std::string port;   // as written, or the scheme's default
    std::string path;   // from the first "/" on, "/" when none
};
bool splitUrl(const std::string& url, UrlParts& parts);
bool isLocalHost(const std::string& host);
// href resolved against the address it came from (an absolute path or a whole address).
std::string resolveUrl(const std::string& base, const std::string& href);

} // namespace zc::platform
