// The Cabrillo header of an export run given ahead of the run: from a
// header file (--header) and from the header lines of a Cabrillo log.
//
// Where no operator can fill in the plug-in's header editor (the headless
// editor of the Linux build), the preset is what the editor is filled with
// before it is confirmed, so the plug-in stores and writes it exactly as
// if an operator had typed it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "qso.h"

namespace korvan::host {

// Tag (as in a Cabrillo log, "CATEGORY-POWER") -> value, in the order of
// the tag table; each tag at most once.
using HeaderPreset = std::vector<HeaderLine>;

// Reads "TAG: value" lines (blank lines and lines starting with '#' are
// skipped). A tag may repeat: SOAPBOX lines become lines of one soapbox,
// ADDRESS lines one address. Throws InputError naming file:line and the
// allowed tags or values for an unknown tag or a category value the editor
// does not offer.
HeaderPreset parseHeaderFile(std::string_view text, const std::string& fileName);

// The preset a Cabrillo log's own header lines give. Tags the editor does
// not hold are left out; a category value it does not offer is left out
// with a warning in log.warnings.
HeaderPreset headerFromLog(ContactLog& log);

// base with every tag of overrides replacing base's.
HeaderPreset mergeHeaders(const HeaderPreset& base, const HeaderPreset& overrides);

// The headless editor's answer: "control-id=value" entries separated by
// the unit separator 0x1F.
std::string headlessEditorAnswer(const HeaderPreset& preset);

#ifndef _WIN32
// The answer korvan-host gives a headless modal dialog of the plug-in
// (platform/headless/host_stand_in.h): the header editor's during an export
// run with a header, none otherwise.
extern "C" unsigned korvan_host_modal_answer(int templateId, char* buffer, unsigned size);
#endif

}  // namespace korvan::host
