// HTTP posts through libcurl. The exchange runs on curl's multi interface
// in steps of at most a tenth of a second, so a caller that gives it up
// (the unload step) gets its thread back at once, whatever the server does.
#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <memory>

#include "platform/http_post.h"

namespace korvan::platform {
namespace {

constexpr long kStepMilliseconds = 100;
const char kUserAgent[] = "Korvan-Stats";

// libcurl keeps process-wide state (its own and its TLS library's) and may
// leave a name-resolver thread of its own running after an exchange was
// given up. It is therefore kept resident: promoted to never be unloaded,
// so neither this library's unload nor a reload can pull it from under
// that thread, and initialised once per load of this library (curl counts
// the initialisations; its state stays with the resident library).
bool libcurlReady() {
    static const bool ready = [] {
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(&curl_easy_init), &info) && info.dli_fname)
            dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    return ready;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Keeps the start of the answer's body and takes the rest without keeping it.
std::size_t keepAnswerStart(char* data, std::size_t size, std::size_t count, void* context) {
    auto* kept = static_cast<std::string*>(context);
    const std::size_t bytes = size * count;
    if (kept->size() < kHttpAnswerKeptBytes)
        kept->append(data, std::min(bytes, kHttpAnswerKeptBytes - kept->size()));
    return bytes;
}

HttpFailure failureOf(CURLcode code, int status) {
    switch (code) {
        case CURLE_OK: return HttpFailure::none;
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT: return HttpFailure::badAddress;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY: return HttpFailure::nameNotResolved;
        case CURLE_COULDNT_CONNECT: return HttpFailure::connectionFailed;
        case CURLE_OPERATION_TIMEDOUT: return HttpFailure::timedOut;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR: return HttpFailure::certificateRejected;
        case CURLE_SSL_CONNECT_ERROR: return HttpFailure::secureChannelFailed;
        case CURLE_SEND_ERROR: return status ? HttpFailure::closedMidAnswer : HttpFailure::sendFailed;
        case CURLE_GOT_NOTHING: return HttpFailure::closedWithoutAnswer;
        case CURLE_PARTIAL_FILE:
        case CURLE_RECV_ERROR: return status ? HttpFailure::closedMidAnswer : HttpFailure::closedWithoutAnswer;
        case CURLE_WEIRD_SERVER_REPLY: return HttpFailure::notHttp;
        default: return HttpFailure::other;
    }
}

HttpAnswer exchange(const std::string& url, const std::string& contentType, const std::string& body,
                    unsigned timeoutSeconds, const std::atomic<bool>& giveUp) {
    HttpAnswer answer;
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    const std::string contentTypeHeader = "Content-Type: " + contentType;
    curl_slist* list = curl_slist_append(nullptr, contentTypeHeader.c_str());
    // No "Expect: 100-continue" round trip: the body is small.
    if (list)
        if (curl_slist* longer = curl_slist_append(list, "Expect:")) list = longer;
    std::unique_ptr<curl_slist, HeaderListDeleter> headers(list);
    if (!easy || !multi || !headers) {
        answer.failure = HttpFailure::other;
        return answer;
    }
    CURL* e = easy.get();
    const long timeoutMs = static_cast<long>(std::max(1u, timeoutSeconds)) * 1000L;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    // Signals belong to the host's process; curl must not raise or catch any.
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &keepAnswerStart);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &answer.body);
    if (curl_multi_add_handle(multi.get(), e) != CURLM_OK) {
        answer.failure = HttpFailure::other;
        return answer;
    }

    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done) {
        if (giveUp.load()) {
            answer.failure = HttpFailure::givenUp;
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            answer.failure = HttpFailure::other;
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                done = true;
            }
        }
        if (!done && running == 0) done = true;  // nothing left to wait for
        if (!done) curl_multi_poll(multi.get(), nullptr, 0, kStepMilliseconds, nullptr);
    }
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    answer.status = static_cast<int>(status);
    if (done) answer.failure = failureOf(result, answer.status);
    if (answer.failure == HttpFailure::other) answer.errorCode = static_cast<int>(result);
    curl_multi_remove_handle(multi.get(), e);
    return answer;
}

}  // namespace

bool httpPostAvailable() { return true; }

HttpAnswer postText(const std::string& url, const std::string& contentType, const std::string& body,
                    unsigned timeoutSeconds, const std::atomic<bool>& giveUp) {
    try {
        if (!libcurlReady()) {
            HttpAnswer answer;
            answer.failure = HttpFailure::other;
            return answer;
        }
        return exchange(url, contentType, body, timeoutSeconds, giveUp);
    } catch (...) {
        HttpAnswer answer;
        answer.failure = HttpFailure::other;
        return answer;
    }
}

}  // namespace korvan::platform
