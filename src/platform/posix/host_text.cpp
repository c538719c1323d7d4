// The host's texts on Linux are UTF-8 already.
#include "platform/http_post.h"

namespace korvan::platform {

std::string hostTextToUtf8(const std::string& text) { return text; }

}  // namespace korvan::platform
