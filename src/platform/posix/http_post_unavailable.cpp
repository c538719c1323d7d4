// Builds without libcurl's development files: every post fails at once
// with "this build has no HTTP support", so the score posting says so.
#include "platform/http_post.h"

namespace korvan::platform {

bool httpPostAvailable() { return false; }

HttpAnswer postText(const std::string&, const std::string&, const std::string&, unsigned,
                    const std::atomic<bool>&) {
    HttpAnswer answer;
    answer.failure = HttpFailure::unavailable;
    return answer;
}

}  // namespace korvan::platform
