#include "live_script.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "log_error.h"

namespace korvan::host {

namespace {

const std::map<std::string, int>& panelControls() {
    static const std::map<std::string, int> controls{
        {"cw", 1003}, {"ssb", 1005}, {"kda", 1014}, {"dxcc", 1106}, {"ontop", 1107}};
    return controls;
}

bool isWindowKind(const std::string& word) { return word == "panel" || word == "kda" || word == "dxcc"; }

}  // namespace

int panelControlId(const std::string& name) {
    auto it = panelControls().find(name);
    return it == panelControls().end() ? 0 : it->second;
}

std::vector<ScriptStep> parseScript(const std::string& text, const std::string& fileName) {
    std::vector<ScriptStep> steps;
    std::istringstream lines(text);
    std::string raw;
    std::size_t lineNumber = 0;
    while (std::getline(lines, raw)) {
        ++lineNumber;
        if (std::size_t hash = raw.find('#'); hash != std::string::npos) raw.erase(hash);
        std::istringstream wordStream(raw);
        std::vector<std::string> words;
        for (std::string word; wordStream >> word;) words.push_back(word);
        if (words.empty()) continue;

        ScriptStep step;
        step.line = lineNumber;
        step.text = raw.substr(raw.find_first_not_of(" \t"));
        while (!step.text.empty() && (step.text.back() == ' ' || step.text.back() == '\t' || step.text.back() == '\r'))
            step.text.pop_back();
        const std::string verb = words[0];
        words.erase(words.begin());
        step.words = words;
        auto fail = [&](const std::string& why) { throw InputError(fileName, lineNumber, why + ": " + step.text); };
        auto count = [&](std::size_t n) {
            if (words.size() != n)
                fail(verb + " takes " + std::to_string(n) + " argument" + (n == 1 ? "" : "s"));
        };
        auto number = [&](const std::string& word, bool integer, double low) {
            errno = 0;
            char* end = nullptr;
            double value = std::strtod(word.c_str(), &end);
            if (word.empty() || *end != '\0' || errno != 0 || !std::isfinite(value) || value < low ||
                (integer && value != std::floor(value)))
                fail("\"" + word + "\" is not a " + (integer ? "whole " : "") + "number of at least " +
                     std::to_string(static_cast<long long>(low)));
            return value;
        };

        if (verb == "freq") {
            step.kind = ScriptStep::frequency;
            count(1);
            step.number = number(words[0], false, 0);
        } else if (verb == "call") {
            step.kind = ScriptStep::call;
            count(1);
        } else if (verb == "call-none") {
            step.kind = ScriptStep::call;
            count(0);
            step.words = {""};
        } else if (verb == "call-int") {
            step.kind = ScriptStep::call;
            count(1);
            step.integerAnswer = true;
            step.number = number(words[0], true, -2147483648.0);
        } else if (verb == "add") {
            step.kind = ScriptStep::add;
            count(1);
            step.number = words[0] == "all" ? 0 : number(words[0], true, 1);
        } else if (verb == "result" || verb == "remove" || verb == "reset" || verb == "disconnect" ||
                   verb == "settle") {
            step.kind = verb == "result"   ? ScriptStep::result
                        : verb == "remove" ? ScriptStep::remove
                        : verb == "reset"  ? ScriptStep::reset
                        : verb == "settle" ? ScriptStep::settle
                                           : ScriptStep::disconnect;
            count(0);
        } else if (verb == "check") {
            step.kind = ScriptStep::check;
            count(3);
        } else if (verb == "click") {
            step.kind = ScriptStep::click;
            count(1);
            if (!panelControlId(words[0])) fail("click expects cw, ssb, kda, dxcc or ontop");
        } else if (verb == "key") {
            step.kind = ScriptStep::key;
            count(2);
            if (!isWindowKind(words[0]) || (words[1] != "esc" && words[1] != "enter"))
                fail("key expects panel, kda or dxcc and then esc or enter");
        } else if (verb == "expect") {
            step.kind = ScriptStep::expect;
            if (words.size() != 1 && (words.size() != 5 || words[1] != "checking"))
                fail("expect takes a command, optionally followed by checking CALL BAND MODE");
        } else if (verb == "reads") {
            step.kind = ScriptStep::reads;
            count(1);
            step.number = number(words[0], true, 1);
        } else if (verb == "wait-window") {
            step.kind = ScriptStep::waitWindow;
            count(2);
            if (!isWindowKind(words[0]) || (words[1] != "open" && words[1] != "closed" && words[1] != "hidden"))
                fail("wait-window expects panel, kda or dxcc and then open, closed or hidden");
        } else if (verb == "observe" || verb == "snapshot" || verb == "gdi") {
            step.kind = verb == "observe" ? ScriptStep::observe : verb == "snapshot" ? ScriptStep::snapshot : ScriptStep::gdi;
            count(1);
        } else if (verb == "wait-setting") {
            step.kind = ScriptStep::waitSetting;
            count(2);
        } else if (verb == "wait-file") {
            step.kind = ScriptStep::waitFile;
            count(2);
            step.number = number(words[1], true, 1);
        } else if (verb == "sleep") {
            step.kind = ScriptStep::sleep;
            count(1);
            step.number = number(words[0], true, 0);
        } else {
            fail("unknown step \"" + verb + "\"");
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

}  // namespace korvan::host
