#include "live_observation.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "text.h"

namespace korvan::host {

namespace {

int kindRank(const std::string& kind) { return kind == "panel" ? 0 : kind == "kda" ? 1 : kind == "dxcc" ? 2 : 3; }

// A small reader for the JSON the headless desktop writes.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    void expect(char c) {
        skipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c) fail(std::string("expected '") + c + "'");
        ++pos_;
    }
    bool peek(char c) {
        skipBlanks();
        return pos_ < text_.size() && text_[pos_] == c;
    }
    std::string string() {
        expect('"');
        std::string out;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) fail("unfinished escape");
            char e = text_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    if (pos_ + 4 > text_.size()) fail("short \\u escape");
                    unsigned code = std::stoul(text_.substr(pos_, 4), nullptr, 16);
                    pos_ += 4;
                    if (code >= 0xD800 && code < 0xDC00 && text_.compare(pos_, 2, "\\u") == 0) {
                        unsigned low = std::stoul(text_.substr(pos_ + 2, 4), nullptr, 16);
                        pos_ += 6;
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    appendUtf8(out, code);
                    break;
                }
                default: out += e;
            }
        }
        expect('"');
        return out;
    }
    // true, false, a number or null, as text.
    std::string word() {
        skipBlanks();
        std::size_t start = pos_;
        while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '-' ||
                                       text_[pos_] == '.' || text_[pos_] == '+'))
            ++pos_;
        if (start == pos_) fail("expected a value");
        return text_.substr(start, pos_ - start);
    }
    void skipValue() {
        if (peek('"')) {
            string();
        } else if (peek('{') || peek('[')) {
            const char close = text_[pos_] == '{' ? '}' : ']';
            ++pos_;
            while (!peek(close)) {
                if (close == '}') {
                    string();
                    expect(':');
                }
                skipValue();
                if (!peek(close)) expect(',');
            }
            ++pos_;
        } else {
            word();
        }
    }
    [[noreturn]] void fail(const std::string& why) {
        throw std::runtime_error("the headless windows' description is not understood (" + why + " at " +
                                 std::to_string(pos_) + ")");
    }

private:
    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    void skipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    const std::string& text_;
    std::size_t pos_ = 0;
};

bool isUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (n == 0 || i + n >= text.size()) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

void sortWindows(std::vector<WindowView>& windows) {
    std::stable_sort(windows.begin(), windows.end(),
                     [](const WindowView& a, const WindowView& b) { return kindRank(a.kind) < kindRank(b.kind); });
}

std::vector<WindowView> parseWindowList(const std::string& json) {
    JsonReader reader(json);
    std::vector<WindowView> windows;
    reader.expect('[');
    while (!reader.peek(']')) {
        WindowView window;
        reader.expect('{');
        while (!reader.peek('}')) {
            const std::string key = reader.string();
            reader.expect(':');
            if (key == "kind") {
                window.kind = reader.string();
            } else if (key == "title") {
                window.title = reader.string();
            } else if (key == "visible" || key == "topmost") {
                (key == "visible" ? window.visible : window.topmost) = reader.word() == "true";
            } else if (key == "checks") {
                reader.expect('{');
                while (!reader.peek('}')) {
                    std::string caption = reader.string();
                    reader.expect(':');
                    window.checks.emplace_back(caption, std::stoi(reader.word()));
                    if (!reader.peek('}')) reader.expect(',');
                }
                reader.expect('}');
            } else {
                reader.skipValue();
            }
            if (!reader.peek('}')) reader.expect(',');
        }
        reader.expect('}');
        windows.push_back(std::move(window));
        if (!reader.peek(']')) reader.expect(',');
    }
    reader.expect(']');
    return windows;
}

std::string jsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string observationLine(const std::string& label, const std::vector<std::string>& commands,
                            const std::vector<WindowView>& windows,
                            const std::vector<std::pair<std::string, std::string>>& settings) {
    std::ostringstream out;
    out << "{\"label\": " << jsonString(label) << ", \"commands\": [";
    for (std::size_t i = 0; i < commands.size(); ++i) out << (i ? ", " : "") << jsonString(commands[i]);
    out << "], \"windows\": [";
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const WindowView& w = windows[i];
        out << (i ? ", " : "") << "{\"kind\": " << jsonString(w.kind) << ", \"title\": " << jsonString(w.title);
        if (w.placement)
            out << ", \"left\": " << w.placement->left << ", \"top\": " << w.placement->top
                << ", \"width\": " << w.placement->width << ", \"height\": " << w.placement->height;
        out << ", \"visible\": " << (w.visible ? "true" : "false") << ", \"topmost\": " << (w.topmost ? "true" : "false")
            << ", \"checks\": {";
        for (std::size_t k = 0; k < w.checks.size(); ++k)
            out << (k ? ", " : "") << jsonString(w.checks[k].first) << ": " << w.checks[k].second;
        out << "}";
        if (w.placement) {
            out << ", \"controls\": {";
            for (std::size_t k = 0; k < w.controls.size(); ++k) {
                const auto& [id, r] = w.controls[k];
                out << (k ? ", " : "") << "\"" << id << "\": [" << r[0] << ", " << r[1] << ", " << r[2] << ", " << r[3]
                    << "]";
            }
            out << "}";
        }
        out << "}";
    }
    out << "], \"settings\": {";
    for (std::size_t i = 0; i < settings.size(); ++i)
        out << (i ? ", " : "") << jsonString(toUtf8(settings[i].first)) << ": " << jsonString(toUtf8(settings[i].second));
    out << "}}";
    return out.str();
}

std::vector<std::pair<std::string, std::string>> readSettingsSection(const std::string& path,
                                                                     const std::string& section) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::pair<std::string, std::string>> settings;
    bool inSection = false;
    auto trim = [](std::string s) {
        const char* blanks = " \t\r";
        s.erase(0, s.find_first_not_of(blanks));
        s.erase(s.find_last_not_of(blanks) + 1);
        return s;
    };
    for (std::string raw; std::getline(file, raw);) {
        std::string line = trim(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::string name = trim(line.substr(1, line.find(']') - 1));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            inSection = equalsNoCase(name, section);
            continue;
        }
        std::size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos) continue;
        std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == value.back() && (value[0] == '"' || value[0] == '\''))
            value = value.substr(1, value.size() - 2);
        settings.emplace_back(key, value);
    }
    std::stable_sort(settings.begin(), settings.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return settings;
}

std::string toUtf8(const std::string& text) {
    if (isUtf8(text)) return text;
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace korvan::host
