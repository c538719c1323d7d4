// HTTP posts through WinHTTP, synchronously on the calling thread (the
// score posting's thread, which holds a reference on the module: a post
// still running when the host unloads the library finishes safely).
// Certificate checks stay as WinHTTP has them (on); redirects are not
// followed.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "platform/http_post.h"
#include "platform/win32/wide_text.h"

namespace korvan::platform {
namespace {

const wchar_t kUserAgent[] = L"Korvan-Stats";

struct InternetHandleCloser {
    void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

HttpFailure failureOf(DWORD error, int status) {
    switch (error) {
        // Some systems (wine among them) pass the socket's errors on.
        case ERROR_WINHTTP_TIMEOUT:
        case ERROR_TIMEOUT:
        case WSAETIMEDOUT: return HttpFailure::timedOut;
        case WSAECONNREFUSED:
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH: return HttpFailure::connectionFailed;
        case WSAECONNRESET:
        case WSAECONNABORTED:
            return status ? HttpFailure::closedMidAnswer : HttpFailure::closedWithoutAnswer;
        case ERROR_WINHTTP_INVALID_URL:
        case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: return HttpFailure::badAddress;
        case ERROR_WINHTTP_NAME_NOT_RESOLVED: return HttpFailure::nameNotResolved;
        case ERROR_WINHTTP_CANNOT_CONNECT: return HttpFailure::connectionFailed;
        case ERROR_WINHTTP_SECURE_FAILURE:
        case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
        case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
        case ERROR_WINHTTP_SECURE_INVALID_CA:
        case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
        case ERROR_WINHTTP_SECURE_INVALID_CERT:
        case ERROR_WINHTTP_SECURE_CERT_REVOKED:
        case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return HttpFailure::certificateRejected;
        case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return HttpFailure::secureChannelFailed;
        case ERROR_WINHTTP_CONNECTION_ERROR:
            return status ? HttpFailure::closedMidAnswer : HttpFailure::closedWithoutAnswer;
        case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
            return status ? HttpFailure::closedMidAnswer : HttpFailure::notHttp;
        case ERROR_WINHTTP_OPERATION_CANCELLED: return HttpFailure::givenUp;
        default: return HttpFailure::other;
    }
}

// The answer so far, with the failure of the step that just failed.
HttpAnswer failed(HttpAnswer answer) {
    const DWORD error = GetLastError();
    answer.failure = failureOf(error, answer.status);
    if (answer.failure == HttpFailure::other) answer.errorCode = static_cast<int>(error);
    return answer;
}

std::wstring part(const wchar_t* text, DWORD length) { return text ? std::wstring(text, length) : std::wstring(); }

HttpAnswer exchange(const std::string& url, const std::string& contentType, const std::string& body,
                    unsigned timeoutSeconds, const std::atomic<bool>& giveUp) {
    using Clock = std::chrono::steady_clock;
    HttpAnswer answer;
    const std::wstring wideUrl = platform::win32::widen(url, CP_ACP);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (wideUrl.empty() || !WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        answer.failure = HttpFailure::badAddress;
        return answer;
    }
    const std::wstring host = part(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path = part(parts.lpszUrlPath, parts.dwUrlPathLength) + part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    const int timeoutMs = static_cast<int>(timeoutSeconds) * 1000;
    InternetHandle session(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return failed(answer);
    WinHttpSetTimeouts(session.get(), timeoutMs, timeoutMs, timeoutMs, timeoutMs);
    InternetHandle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return failed(answer);
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                              WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0));
    if (!request) return failed(answer);
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
    // The wait for the answer's headers has a limit of its own (90 s unless set).
    DWORD answerTimeout = static_cast<DWORD>(timeoutMs);
    WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerTimeout, sizeof answerTimeout);

    if (giveUp.load()) {
        answer.failure = HttpFailure::givenUp;
        return answer;
    }
    const std::wstring headers = L"Content-Type: " + platform::win32::widen(contentType, CP_ACP) + L"\r\n";
    const DWORD size = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), headers.c_str(), static_cast<DWORD>(-1L),
                            const_cast<char*>(body.data()), size, size, 0)) {
        const DWORD error = GetLastError();
        answer.failure = error == ERROR_WINHTTP_CONNECTION_ERROR ? HttpFailure::sendFailed : failureOf(error, 0);
        return answer;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) return failed(answer);

    DWORD status = 0, statusSize = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX))
        return failed(answer);
    answer.status = static_cast<int>(status);
    DWORD announced = 0, announcedSize = sizeof announced;
    const bool lengthKnown =
        WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &announced, &announcedSize, WINHTTP_NO_HEADER_INDEX);

    // The body is read to its end (or the time limit), keeping its start.
    unsigned long long received = 0;
    char buffer[4096];
    for (;;) {
        if (giveUp.load()) {
            answer.failure = HttpFailure::givenUp;
            return answer;
        }
        if (Clock::now() >= deadline) {
            answer.failure = HttpFailure::timedOut;
            return answer;
        }
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), buffer, sizeof buffer, &read)) return failed(answer);
        if (read == 0) break;
        received += read;
        if (answer.body.size() < kHttpAnswerKeptBytes)
            answer.body.append(buffer, std::min<std::size_t>(read, kHttpAnswerKeptBytes - answer.body.size()));
    }
    // A connection that ends before the announced length is a cut answer,
    // however the system reports the end.
    if (lengthKnown && received < announced) answer.failure = HttpFailure::closedMidAnswer;
    return answer;
}

}  // namespace

bool httpPostAvailable() { return true; }

HttpAnswer postText(const std::string& url, const std::string& contentType, const std::string& body,
                    unsigned timeoutSeconds, const std::atomic<bool>& giveUp) {
    try {
        return exchange(url, contentType, body, timeoutSeconds == 0 ? 1 : timeoutSeconds, giveUp);
    } catch (...) {
        HttpAnswer answer;
        answer.failure = HttpFailure::other;
        return answer;
    }
}

std::string hostTextToUtf8(const std::string& text) {
    bool ascii = true;
    for (const char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return text;
    const std::wstring wide = platform::win32::widen(text, CP_ACP);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr,
                            nullptr);
    return utf8;
}

}  // namespace korvan::platform
