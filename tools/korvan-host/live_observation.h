// korvan-host live: what the host sees of the plug-in's windows and
// settings, written as one JSON object per observation.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvan::host {

struct WindowView {
    std::string kind;   // "panel", "kda", "dxcc"
    std::string title;  // UTF-8
    bool visible = false;
    bool topmost = false;
    std::vector<std::pair<std::string, int>> checks;  // caption (UTF-8) -> 0|1
    // Where the platform has placement (Windows): screen rectangle and the
    // client rectangles of the controls worth knowing.
    struct Placement {
        int left = 0, top = 0, width = 0, height = 0;
    };
    std::optional<Placement> placement;
    std::vector<std::pair<int, std::array<int, 4>>> controls;
};

// Sorts the windows by kind (panel, kda, dxcc), keeping the order of each
// kind, so both platforms list them alike.
void sortWindows(std::vector<WindowView>& windows);

// The headless windows' description (a JSON array of objects with kind,
// title, visible, topmost and checks). Throws std::runtime_error when it is
// not such a text.
std::vector<WindowView> parseWindowList(const std::string& json);

std::string jsonString(const std::string& utf8);

std::string observationLine(const std::string& label, const std::vector<std::string>& commands,
                            const std::vector<WindowView>& windows,
                            const std::vector<std::pair<std::string, std::string>>& settings);

// Every key and value of a section (section "Settings" unless named; the
// name ignoring case) of the settings file, sorted by key; empty when the
// file is missing.
std::vector<std::pair<std::string, std::string>> readSettingsSection(const std::string& path,
                                                                     const std::string& section = "settings");

// Settings texts are in the host's 8-bit code page; the observation shows
// them in UTF-8 (Latin-1 for bytes that are not UTF-8 already).
std::string toUtf8(const std::string& text);

}  // namespace korvan::host
