#pragma once
// One HTTP or HTTPS POST of a text, for the score posting's own thread: it
// resolves names, connects and waits for the server, so it never runs on
// the host's thread.
#include <atomic>
#include <cstddef>
#include <string>

namespace korvan::platform {

// Why an exchange did not end with a whole answer. The words for the
// operator are the score posting's; the platforms only sort their errors.
enum class HttpFailure {
    none,                    // the whole answer arrived
    unavailable,             // this build has no HTTP support
    badAddress,              // not an http(s) URL this platform can use
    nameNotResolved,         // the server's name is unknown
    connectionFailed,        // refused, unreachable, no route
    timedOut,                // no whole answer within the time limit
    certificateRejected,     // https: the server's certificate or name did not check out
    secureChannelFailed,     // https: the secure connection could not be made
    sendFailed,              // the request could not be sent whole
    closedWithoutAnswer,     // the server closed the connection before answering
    closedMidAnswer,         // the connection ended inside the answer
    notHttp,                 // the server's answer is not HTTP
    givenUp,                 // the caller gave the exchange up
    other,
};

struct HttpAnswer {
    int status = 0;  // the HTTP status; 0 when no status line arrived
    HttpFailure failure = HttpFailure::none;
    std::string body;  // the start of the answer's body (at most kHttpAnswerKeptBytes)
    int errorCode = 0;  // the platform's error number of a failure sorted as other
};

inline constexpr std::size_t kHttpAnswerKeptBytes = 4096;

// Posts body under the content type and returns the server's answer.
// Redirects are not followed (the status tells of them); https checks the
// server's certificate and name. timeoutSeconds bounds the exchange. When
// giveUp turns true the exchange is dropped: on Linux within a tenth of a
// second; on Windows between its steps (a thread of the library holds the
// module there, so an exchange left running is safe). Never throws.
HttpAnswer postText(const std::string& url, const std::string& contentType, const std::string& body,
                    unsigned timeoutSeconds, const std::atomic<bool>& giveUp);

// False in builds without HTTP support (Linux builds made without
// libcurl's development files), where every post fails as unavailable.
bool httpPostAvailable();

// A host's text as UTF-8: on Windows converted from the system's code
// page; elsewhere texts are UTF-8 already and come back as they are.
std::string hostTextToUtf8(const std::string& text);

}  // namespace korvan::platform
