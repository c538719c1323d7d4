// korvan-host live: the script of what the host and the operator do.
// One step a line; '#' starts a comment.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvan::host {

struct ScriptStep {
    enum Kind {
        frequency,    // freq HZ
        call,         // call TEXT | call-none | call-int N
        add,          // add N | add all (count 0)
        result,       // result
        check,        // check CALL BAND MODE
        remove,       // remove
        reset,        // reset
        click,        // click cw|ssb|kda|dxcc|ontop
        key,          // key panel|kda|dxcc esc|enter
        expect,       // expect COMMAND [checking CALL BAND MODE]
        reads,        // reads N
        waitWindow,   // wait-window panel|kda|dxcc open|closed|hidden
        observe,      // observe LABEL
        snapshot,     // snapshot NAME
        sleep,        // sleep MS
        settle,       // settle
        waitSetting,  // wait-setting KEY VALUE
        waitFile,     // wait-file FILE LINES
        disconnect,   // disconnect
        gdi,          // gdi LABEL
    };
    Kind kind = result;
    std::size_t line = 0;
    std::string text;       // the line as written, for messages
    std::vector<std::string> words;  // the arguments
    double number = 0;      // freq, add (0: all), reads, sleep, call-int, wait-file
    bool integerAnswer = false;  // call-int
};

// Throws InputError naming the script and the line.
std::vector<ScriptStep> parseScript(const std::string& text, const std::string& fileName);

// The panel control a click names: 1003 cw, 1005 ssb, 1014 kda, 1106 dxcc,
// 1107 ontop.
int panelControlId(const std::string& name);

}  // namespace korvan::host
