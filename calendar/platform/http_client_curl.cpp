// The HTTP client on libcurl. Redirects are followed here rather than by libcurl, so that the
// credentials are attached only to requests for the configured host; one handle serves every
// request of a client, so a sync of thousands of items reuses one connection.
#include "platform/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace zc::platform {

std::string HttpResponse::header(const std::string& lowerName) const {
    for (const auto& [name, value] : headers)
        if (name == lowerName) return value;
    return {};
}

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trim(std::string s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && std::isspace(static_cast<unsigned char>(s[start]))) ++start;
    return s.substr(start);
}

constexpr int kMaxRedirects = 5;

class CurlClient final : public HttpClient {
  public:
    explicit CurlClient(HttpSettings settings) : settings_(std::move(settings)) {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        curl_ = curl_easy_init();
    }
    ~CurlClient() override {
        if (curl_) curl_easy_cleanup(curl_);
    }

    HttpResponse send(const HttpRequest& request) override {
        HttpRequest current = request;
        for (int redirect = 0;; ++redirect) {
            HttpResponse response = sendWithRetries(current);
            const bool moved = response.status == 301 || response.status == 302 || response.status == 303 ||
                               response.status == 307 || response.status == 308;
            const std::string location = response.header("location");
            if (!moved || location.empty()) return response;
            if (redirect == kMaxRedirects) {
                response.status = 0;
                response.error = "the server sends the request round in circles (too many redirects)";
                return response;
            }
            current.url = resolveUrl(current.url, location);
            if (response.status == 303) {
                current.method = "GET";
                current.body.clear();
            }
        }
    }

  private:
    bool keepGoing() const { return !settings_.keepGoing || settings_.keepGoing(); }

    HttpResponse sendWithRetries(const HttpRequest& request) {
        std::chrono::milliseconds wait = settings_.firstBackoff;
        for (int attempt = 0;; ++attempt) {
            if (!keepGoing()) return cancelled();
            HttpResponse response = sendOnce(request);
            // A server that does not implement the method (501) or the protocol version (505)
            // answers the same however often it is asked: a web server that is no calendar
            // server would otherwise hold up its message through every back-off.
            const bool permanent = response.status == 501 || response.status == 505;
            const bool busy = response.status == 429 || (response.status >= 500 && !permanent) ||
                              (response.status == 0 && !response.error.empty() && !refused_);
            if (!busy || attempt >= settings_.retries || cancelled_) return response;
            std::chrono::milliseconds pause = wait;
            const std::string after = response.header("retry-after");
            if (!after.empty() && std::all_of(after.begin(), after.end(), [](unsigned char c) { return std::isdigit(c); }))
                pause = std::chrono::seconds(std::min(std::atol(after.c_str()), 3600L));
            pause = std::min(pause, settings_.maxBackoff);
            // Waits in small steps so that a cancel is not held up by a long back-off.
            for (auto left = pause; left.count() > 0; left -= std::chrono::milliseconds(50)) {
                if (!keepGoing()) return cancelled();
                std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(50)));
            }
            wait = std::min(wait * 2, settings_.maxBackoff);
        }
    }

    HttpResponse cancelled() {
        HttpResponse r;
        r.error = "cancelled";
        cancelled_ = true;
        return r;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
        static_cast<HttpResponse*>(user)->body.append(data, size * count);
        return size * count;
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto& response = *static_cast<HttpResponse*>(user);
        const std::string line(data, size * count);
        // Each answer of a redirect or a "100 Continue" starts the headers afresh.
        if (line.rfind("HTTP/", 0) == 0) response.headers.clear();
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos)
            response.headers.emplace_back(lower(trim(line.substr(0, colon))), trim(line.substr(colon + 1)));
        return size * count;
    }

    static int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* self = static_cast<CurlClient*>(user);
        return self->keepGoing() ? 0 : 1;
    }

    HttpResponse sendOnce(const HttpRequest& request) {
        HttpResponse response;
        refused_ = false;
        UrlParts url;
        if (!curl_ || !splitUrl(request.url, url) || (url.scheme != "http" && url.scheme != "https")) {
            response.error = "\"" + request.url + "\" is not a web address";
            refused_ = true;
            return response;
        }
        if (url.scheme == "http" && !isLocalHost(url.host) && !settings_.allowPlainHttp) {
            response.error = "the address uses plain http, which would send the password unencrypted; use https";
            refused_ = true;
            return response;
        }
        curl_easy_reset(curl_);
        curl_easy_setopt(curl_, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        if (request.method == "HEAD") curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
        if (!request.body.empty() || request.method == "PUT" || request.method == "POST") {
            curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, request.body.data());
            curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        }
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : request.headers)
            headers = curl_slist_append(headers, (name + ": " + value).c_str());
        // A body of a few kilobytes goes at once, without waiting for "100 Continue".
        headers = curl_slist_append(headers, "Expect:");
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
        const std::string hostPort = url.host + ":" + url.port;
        if (!settings_.user.empty() && lower(settings_.credentialHost) == hostPort) {
            curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
            curl_easy_setopt(curl_, CURLOPT_USERNAME, settings_.user.c_str());
            curl_easy_setopt(curl_, CURLOPT_PASSWORD, settings_.password.c_str());
        }
        curl_easy_setopt(curl_, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(curl_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
        curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeout.count() * 1000));
        curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, static_cast<long>(settings_.timeout.count() * 1000));
        curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl_, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &CurlClient::onBody);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &response);
        curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &CurlClient::onHeader);
        curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &response);
        curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &CurlClient::onProgress);
        curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
        const CURLcode code = curl_easy_perform(curl_);
        curl_slist_free_all(headers);
        if (code == CURLE_ABORTED_BY_CALLBACK) return cancelled();
        if (code != CURLE_OK) {
            response.status = 0;
            response.headers.clear();
            response.body.clear();
            switch (code) {
            case CURLE_COULDNT_RESOLVE_HOST: response.error = "the server's name \"" + url.host + "\" is unknown"; break;
            case CURLE_COULDNT_CONNECT: response.error = "nothing answers at " + hostPort; break;
            case CURLE_OPERATION_TIMEDOUT: response.error = "the server did not answer in time"; break;
            case CURLE_PEER_FAILED_VERIFICATION:
                response.error = "the server's certificate could not be verified";
                refused_ = true;
                break;
            default: response.error = curl_easy_strerror(code); break;
            }
            return response;
        }
        long status = 0;
        curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
        response.status = static_cast<int>(status);
        response.finalUrl = request.url;
        return response;
    }

    HttpSettings settings_;
    CURL* curl_ = nullptr;
    bool refused_ = false; // the last failure will not go away by trying again
    bool cancelled_ = false;
};

} // namespace

std::unique_ptr<HttpClient> makeHttpClient(HttpSettings settings) {
    return std::make_unique<CurlClient>(std::move(settings));
}

bool splitUrl(const std::string& url, UrlParts& parts) {
    const std::size_t colon = url.find("://");
    if (colon == std::string::npos || colon == 0) return false;
    parts.scheme = lower(url.substr(0, colon));
    const std::size_t hostStart = colon + 3;
    std::size_t pathStart = url.find_first_of("/?#", hostStart);
    if (pathStart == std::string::npos) pathStart = url.size();
    std::string authority = url.substr(hostStart, pathStart - hostStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) authority = authority.substr(at + 1);
    std::string port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) return false;
        parts.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':') port = authority.substr(close + 2);
    } else {
        const std::size_t portColon = authority.find(':');
        parts.host = authority.substr(0, portColon);
        if (portColon != std::string::npos) port = authority.substr(portColon + 1);
    }
    if (parts.host.empty()) return false;
    parts.host = lower(parts.host);
    parts.port = !port.empty() ? port : parts.scheme == "https" ? "443" : "80";
    parts.path = pathStart < url.size() && url[pathStart] == '/' ? url.substr(pathStart) : "/" + url.substr(pathStart);
    return true;
}

bool isLocalHost(const std::string& host) {
    const std::string h = lower(host);
    return h == "localhost" || h == "::1" || h.rfind("127.", 0) == 0;
}

std::string resolveUrl(const std::string& base, const std::string& href) {
    if (href.find("://") != std::string::npos) return href;
    UrlParts parts;
    if (!splitUrl(base, parts)) return href;
    const std::string origin = base.substr(0, base.find('/', base.find("://") + 3));
    if (!href.empty() && href.front() == '/') return origin + href;
    std::string dir = parts.path.substr(0, parts.path.find_first_of("?#"));
    dir = dir.substr(0, dir.rfind('/') + 1);
    return origin + dir + href;
}

} // namespace zc::platform
