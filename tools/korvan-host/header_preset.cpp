#include "header_preset.h"

#include <algorithm>
#include <initializer_list>

#include "log_error.h"
#include "resources/resource.h"
#include "text.h"

namespace korvan::host {

namespace {

struct Tag {
    const char* name;
    int control;                                // the editor's control
    std::initializer_list<const char*> values;  // empty: free text
    const char* joiner;                         // between the values of a repeated tag
};

// The editor's fields that a Cabrillo header line names, with the entries
// of its drop-down lists.
const Tag kTags[] = {
    {"CATEGORY-OPERATOR", IDC_CABRILLO_CATEGORY_OPERATOR, {"SINGLE-OP", "MULTI-OP", "CHECKLOG"}, nullptr},
    {"CATEGORY-POWER", IDC_CABRILLO_CATEGORY_POWER, {"HIGH", "LOW", "QRP"}, nullptr},
    {"CATEGORY-BAND", IDC_CABRILLO_CATEGORY_BAND, {"ALL", "80M", "40M", "20M", "15M", "10M"}, nullptr},
    {"CATEGORY-MODE", IDC_CABRILLO_CATEGORY_MODE, {"MIXED", "CW", "SSB"}, nullptr},
    {"CATEGORY-TRANSMITTER", IDC_CABRILLO_CATEGORY_TRANSMITTER, {"ONE", "TWO", "UNLIMITED"}, nullptr},
    {"NAME", IDC_CABRILLO_NAME, {}, nullptr},
    {"ADDRESS", IDC_CABRILLO_ADDRESS, {}, ", "},
    {"EMAIL", IDC_CABRILLO_EMAIL, {}, nullptr},
    {"CLUB", IDC_CABRILLO_CLUB, {}, nullptr},
    {"OPERATORS", IDC_CABRILLO_OPERATORS, {}, " "},
    {"SOAPBOX", IDC_CABRILLO_SOAPBOX, {}, "\r\n"},  // a line break typed in the editor
};

std::string join(std::initializer_list<const char*> words) {
    std::string text;
    for (const char* w : words) text += (text.empty() ? "" : ", ") + std::string(w);
    return text;
}

std::string allowedTags() {
    std::string text;
    for (const Tag& t : kTags) text += (text.empty() ? "" : ", ") + std::string(t.name);
    return text;
}

const Tag* findTag(std::string tag) {
    tag = toUpper(trim(tag));
    if (tag == "E-MAIL") tag = "EMAIL";  // as the plug-in's own logs write it
    for (const Tag& t : kTags)
        if (tag == t.name) return &t;
    return nullptr;
}

// The value in the form the editor's list holds, or an explanation.
bool checkValue(const Tag& tag, std::string& value, std::string& why) {
    if (auto c = firstControlCharacter(value)) {
        why = "holds the control character " + printable(std::string(1, *c));
        return false;
    }
    if (tag.values.size() == 0) return true;
    for (const char* allowed : tag.values)
        if (equalsNoCase(value, allowed)) {
            value = allowed;
            return true;
        }
    why = "\"" + shortened(value) + "\" is not one of " + join(tag.values);
    return false;
}

void add(HeaderPreset& preset, const Tag& tag, const std::string& value) {
    auto it = std::find_if(preset.begin(), preset.end(), [&](const HeaderLine& l) { return l.tag == tag.name; });
    if (it == preset.end()) {
        preset.push_back({tag.name, value});
    } else if (tag.joiner) {
        it->value += tag.joiner + value;
    } else {
        it->value = value;  // the last line of a single-valued tag wins
    }
}

HeaderPreset inTableOrder(const HeaderPreset& preset) {
    HeaderPreset ordered;
    for (const Tag& t : kTags)
        for (const HeaderLine& l : preset)
            if (l.tag == t.name) ordered.push_back(l);
    return ordered;
}

}  // namespace

HeaderPreset parseHeaderFile(std::string_view text, const std::string& fileName) {
    HeaderPreset preset;
    std::size_t lineNumber = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (trim(line).empty() || trim(line).front() == '#') continue;
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            throw InputError(fileName, lineNumber, "expected a line of the form TAG: value");
        const std::string tagText(trim(line.substr(0, colon)));
        const Tag* tag = findTag(tagText);
        if (!tag)
            throw InputError(fileName, lineNumber,
                             "unknown tag \"" + shortened(tagText) + "\"; the header editor holds " + allowedTags());
        std::string value(trim(line.substr(colon + 1))), why;
        if (!checkValue(*tag, value, why)) throw InputError(fileName, lineNumber, std::string(tag->name) + ": " + why);
        add(preset, *tag, value);
    }
    return inTableOrder(preset);
}

HeaderPreset headerFromLog(ContactLog& log) {
    HeaderPreset preset;
    for (const HeaderLine& line : log.header) {
        const Tag* tag = findTag(line.tag);
        if (!tag) continue;
        std::string value = line.value, why;
        if (!checkValue(*tag, value, why)) {
            log.warnings.push_back({0, std::string(tag->name) + ": " + why + "; not carried over to the export",
                                    "header"});
            continue;
        }
        add(preset, *tag, value);
    }
    return inTableOrder(preset);
}

HeaderPreset mergeHeaders(const HeaderPreset& base, const HeaderPreset& overrides) {
    HeaderPreset merged = overrides;
    for (const HeaderLine& l : base)
        if (std::none_of(overrides.begin(), overrides.end(), [&](const HeaderLine& o) { return o.tag == l.tag; }))
            merged.push_back(l);
    return inTableOrder(merged);
}

std::string headlessEditorAnswer(const HeaderPreset& preset) {
    std::string answer;
    for (const HeaderLine& l : preset) {
        const Tag* tag = findTag(l.tag);
        if (!tag) continue;
        if (!answer.empty()) answer += '\x1f';
        answer += std::to_string(tag->control) + "=" + l.value;
    }
    return answer;
}

}  // namespace korvan::host
