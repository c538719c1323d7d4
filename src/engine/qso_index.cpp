#include "engine/qso_index.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "engine/contest_state.h"

std::size_t QsoIndex::KeyHash::operator()(const CallKey& key) const {
    const std::size_t ids = (static_cast<std::size_t>(key.band) << 16) ^ key.mode;
    return std::hash<std::string_view>{}(key.call) ^ (ids * 0x9e3779b97f4a7c15ull);
}

std::size_t QsoIndex::KeyHash::operator()(const AreaKey& key) const {
    return std::hash<std::string_view>{}(key.kdaCode) ^ (key.band * 0x9e3779b97f4a7c15ull);
}

void QsoIndex::clear() {
    textIds_.clear();
    byCall_.clear();
    areaCounts_.clear();
    sequences_.clear();
    nextSequence_ = 0;
}

void QsoIndex::rebuild(const std::vector<CInfo>& qsos) {
    clear();
    sequences_.reserve(qsos.size());
    for (const CInfo& qso : qsos) appended(qso);
}

QsoIndex::TextId QsoIndex::idOf(const std::string& text) const {
    const auto found = textIds_.find(text);
    return found == textIds_.end() ? kUnknownText : found->second;
}

QsoIndex::TextId QsoIndex::internedId(const std::string& text) {
    return textIds_.try_emplace(text, static_cast<TextId>(textIds_.size())).first->second;
}

std::size_t QsoIndex::positionOf(std::uint64_t sequence) const {
    return static_cast<std::size_t>(std::lower_bound(sequences_.begin(), sequences_.end(), sequence) -
                                    sequences_.begin());
}

void QsoIndex::appended(const CInfo& qso) {
    const std::uint64_t sequence = nextSequence_++;
    sequences_.push_back(sequence);
    const TextId band = internedId(qso.band);
    const auto [entry, added] = byCall_.try_emplace(CallKey{qso.call, band, internedId(qso.mode)});
    if (added)
        entry->second.first = sequence;
    else
        entry->second.later.push_back(sequence);
    ++areaCounts_[AreaKey{band, qso.kdaCode}];
}

void QsoIndex::erase(std::vector<CInfo>& qsos, std::size_t position) {
    const CInfo& qso = qsos[position];
    const std::uint64_t sequence = sequences_[position];
    const TextId band = idOf(qso.band);

    const auto entry = byCall_.find(CallKey{qso.call, band, idOf(qso.mode)});
    if (entry != byCall_.end()) {
        Occurrences& occurrences = entry->second;
        if (occurrences.first == sequence) {
            if (occurrences.later.empty()) {
                byCall_.erase(entry);
            } else {
                occurrences.first = occurrences.later.front();
                occurrences.later.erase(occurrences.later.begin());
            }
        } else {
            occurrences.later.erase(std::find(occurrences.later.begin(), occurrences.later.end(), sequence));
        }
    }
    const auto area = areaCounts_.find(AreaKey{band, qso.kdaCode});
    if (area != areaCounts_.end() && --area->second == 0) areaCounts_.erase(area);

    sequences_.erase(sequences_.begin() + static_cast<std::ptrdiff_t>(position));
    qsos.erase(qsos.begin() + static_cast<std::ptrdiff_t>(position));
}

bool QsoIndex::hasCall(const std::string& call, const std::string& band, const std::string& mode) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    return bandId != kUnknownText && modeId != kUnknownText && byCall_.count(CallKey{call, bandId, modeId}) != 0;
}

std::ptrdiff_t QsoIndex::firstWith(const std::string& call, const std::string& band, const std::string& mode) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    if (bandId == kUnknownText || modeId == kUnknownText) return kNone;
    const auto entry = byCall_.find(CallKey{call, bandId, modeId});
    if (entry == byCall_.end()) return kNone;
    return static_cast<std::ptrdiff_t>(positionOf(entry->second.first));
}

std::ptrdiff_t QsoIndex::firstLoggedAt(const std::vector<CInfo>& qsos, const std::string& call,
                                       const std::string& band, const std::string& mode,
                                       const COleDateTime& time) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    if (bandId == kUnknownText || modeId == kUnknownText) return kNone;
    const auto entry = byCall_.find(CallKey{call, bandId, modeId});
    if (entry == byCall_.end()) return kNone;
    auto loggedAt = [&](std::uint64_t sequence) {
        const std::size_t position = positionOf(sequence);
        return sameMoment(qsos[position].qsoTime, time) ? static_cast<std::ptrdiff_t>(position) : kNone;
    };
    if (const std::ptrdiff_t position = loggedAt(entry->second.first); position != kNone) return position;
    for (const std::uint64_t sequence : entry->second.later)
        if (const std::ptrdiff_t position = loggedAt(sequence); position != kNone) return position;
    return kNone;
}

bool QsoIndex::hasArea(const std::string& band, const std::string& kdaCode) const {
    const TextId bandId = idOf(band);
    return bandId != kUnknownText && areaCounts_.count(AreaKey{bandId, kdaCode}) != 0;
}
