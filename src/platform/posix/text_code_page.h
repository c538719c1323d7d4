#pragma once
// Window texts keep their bytes and their code page; whoever reads them
// outside a window system (the headless windows' desktop, tests) wants
// UTF-8.
#include <string>

#include "platform/dialog.h"

namespace korvan::platform::headless {

// Windows-1251 bytes as UTF-8. An ANSI text is taken as it is (the
// plug-in's own ANSI texts are ASCII).
std::string windows1251ToUtf8(const std::string& text);
std::string toUtf8(const std::string& text, TextCodePage codePage);

}  // namespace korvan::platform::headless
