#pragma once
// Message boxes. On Windows they are real and modal; elsewhere they go to a
// replaceable sink that by default prints "[caption] text" to stderr.
#include <functional>
#include <string>

#include "platform/window_messages.h"

namespace korvan::platform {

constexpr unsigned kMessageBoxOk = 0x0;
constexpr unsigned kMessageBoxIconInformation = 0x40;

enum class MessageBoxOwner { none, activeWindowOfThread };

// An empty caption means the system's default title. Returns the button id.
int messageBox(const std::string& text, const std::string& caption, unsigned style,
               MessageBoxOwner owner = MessageBoxOwner::none);

using MessageBoxSink = std::function<int(const std::string& text, const std::string& caption, unsigned style)>;
// Replaces the sink (no effect on Windows). An empty function restores the
// default. Returns the previous sink.
MessageBoxSink setMessageBoxSink(MessageBoxSink sink);

}  // namespace korvan::platform
