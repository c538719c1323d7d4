#include "engine/qso_index.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

#include "engine/contest_state.h"

namespace korvan {

namespace {

// The finaliser of splitmix64: every input bit reaches every output bit,
// so the upper half makes a good home slot and fingerprint.
std::uint64_t mixed(std::uint64_t value) {
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

constexpr std::uint64_t kEntryBits = 0xffffffffull;

}  // namespace

// --- the call table ---

std::uint64_t QsoIndex::CallTable::hashOf(const std::string& call, TextId band, TextId mode) {
    const std::uint64_t text = std::hash<std::string_view>{}(call);
    return mixed(text ^ mixed((static_cast<std::uint64_t>(band) << 32) | mode));
}

void QsoIndex::CallTable::clear() {
    entries_.clear();
    slots_.clear();
    mask_ = 0;
}

std::size_t QsoIndex::CallTable::slotOf(std::uint64_t hash, const std::string& call, TextId band,
                                        TextId mode) const {
    const std::uint64_t fingerprint = hash >> 32;
    for (std::size_t i = static_cast<std::size_t>(fingerprint) & mask_;; i = (i + 1) & mask_) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) return i;
        if ((slot >> 32) == fingerprint) {
            const CallEntry& entry = entries_[(slot & kEntryBits) - 1];
            if (entry.band == band && entry.mode == mode && entry.call == call) return i;
        }
    }
}

std::size_t QsoIndex::CallTable::slotOfEntry(std::size_t entry) const {
    for (std::size_t i = static_cast<std::size_t>(entries_[entry].hash >> 32) & mask_;; i = (i + 1) & mask_)
        if ((slots_[i] & kEntryBits) == entry + 1) return i;
}

const QsoIndex::CallEntry* QsoIndex::CallTable::find(const std::string& call, TextId band, TextId mode) const {
    if (entries_.empty()) return nullptr;
    const std::uint64_t slot = slots_[slotOf(hashOf(call, band, mode), call, band, mode)];
    return slot == 0 ? nullptr : &entries_[(slot & kEntryBits) - 1];
}

QsoIndex::CallEntry* QsoIndex::CallTable::find(const std::string& call, TextId band, TextId mode) {
    return const_cast<CallEntry*>(std::as_const(*this).find(call, band, mode));
}

void QsoIndex::CallTable::grow() {
    const std::size_t size = slots_.empty() ? 16 : slots_.size() * 2;
    std::vector<std::uint64_t> slots(size, 0);
    const std::size_t mask = size - 1;
    for (std::size_t n = 0; n < entries_.size(); ++n) {
        const std::uint64_t fingerprint = entries_[n].hash >> 32;
        std::size_t i = static_cast<std::size_t>(fingerprint) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = (fingerprint << 32) | (n + 1);
    }
    slots_.swap(slots);
    mask_ = mask;
}

void QsoIndex::CallTable::add(const std::string& call, TextId band, TextId mode, std::uint64_t sequence) {
    // A grown table alone is as good as the old one, so growing needs no undo.
    if ((entries_.size() + 1) * 2 > slots_.size()) grow();
    const std::uint64_t hash = hashOf(call, band, mode);
    const std::size_t i = slotOf(hash, call, band, mode);
    if (slots_[i] != 0) {
        entries_[(slots_[i] & kEntryBits) - 1].later.push_back(sequence);
        return;
    }
    entries_.push_back(CallEntry{call, band, mode, hash, sequence, {}});
    slots_[i] = ((hash >> 32) << 32) | entries_.size();
}

void QsoIndex::CallTable::erase(const CallEntry& erased) {
    const std::size_t entry = static_cast<std::size_t>(&erased - entries_.data());
    // Empty its slot and move each following slot of the run back into the
    // hole when its home slot does not lie after the hole.
    std::size_t hole = slotOfEntry(entry);
    slots_[hole] = 0;
    for (std::size_t i = (hole + 1) & mask_; slots_[i] != 0; i = (i + 1) & mask_) {
        if (((i - home(slots_[i])) & mask_) >= ((i - hole) & mask_)) {
            slots_[hole] = slots_[i];
            slots_[i] = 0;
            hole = i;
        }
    }
    // The last entry takes the freed place.
    const std::size_t last = entries_.size() - 1;
    if (entry != last) {
        const std::size_t lastSlot = slotOfEntry(last);
        entries_[entry] = std::move(entries_[last]);
        slots_[lastSlot] = (slots_[lastSlot] & ~kEntryBits) | (entry + 1);
    }
    entries_.pop_back();
}

// --- the digests ---

std::uint32_t QsoDigests::TextTable::intern(const std::string& text) {
    if (const auto found = ids.find(text); found != ids.end()) return found->second;
    // The text first, so that a failed step leaves no number without its text.
    const auto id = static_cast<std::uint32_t>(texts.size());
    texts.push_back(text);
    try {
        ids.emplace(text, id);
    } catch (...) {
        texts.pop_back();
        throw;
    }
    return id;
}

void QsoDigests::clear() {
    records_.clear();
    for (TextTable& table : tables_) {
        table.ids.clear();
        table.texts.clear();
    }
}

QsoDigest QsoDigests::prepare(const CInfo& qso) {
    reserveOneMore(records_);
    QsoDigest digest;
    digest.days = qso.qsoTime.m_dt;
    digest.band = tables_[band].intern(qso.band);
    digest.prefix = tables_[prefix].intern(qso.prefix);
    digest.continent = tables_[continent].intern(qso.continent);
    digest.kdaCode = tables_[kdaCode].intern(qso.kdaCode);
    digest.mode = qso.mode == "CW" ? QsoDigest::kCw : qso.mode == "SSB" ? QsoDigest::kSsb : QsoDigest::kOtherMode;
    if (qso.invalid != 0) digest.flags |= QsoDigest::kInvalid;
    if (qso.badCode == 1) digest.flags |= QsoDigest::kBadCode;
    if (qso.dupe == 1) digest.flags |= QsoDigest::kDupe;
    if (qso.call.empty()) digest.flags |= QsoDigest::kNoCall;
    if ((qso.badCode != 0 && qso.badCode != 1) || (qso.dupe != 0 && qso.dupe != 1))
        digest.flags |= QsoDigest::kOddCounts;
    return digest;
}

void QsoDigests::erase(std::size_t position) {
    records_.erase(position);
}

std::uint32_t QsoDigests::idOf(Table table, const std::string& text) const {
    const auto found = tables_[table].ids.find(text);
    return found == tables_[table].ids.end() ? kNoText : found->second;
}

// --- the index ---

std::size_t QsoIndex::AreaHash::operator()(const AreaKey& key) const {
    return std::hash<std::string_view>{}(key.kdaCode) ^ static_cast<std::size_t>(mixed(key.band));
}

void QsoIndex::clear() {
    textIds_.clear();
    byCall_.clear();
    byCallAndBand_.clear();
    areaCounts_.clear();
    sequences_.clear();
    nextSequence_ = 0;
    digests_.clear();
    tally_.clear();
}

bool QsoIndex::covers(const QsoList& qsos) const { return sequences_.size() == qsos.size(); }

void QsoIndex::rebuild(const QsoList& qsos) {
    // Copies, since clearing is free to reuse the tally's own texts.
    rebuild(qsos, std::string(tally_.ownPrefix()), std::string(tally_.ownContinent()));
}

void QsoIndex::rebuild(const QsoList& qsos, const std::string& ownPrefix,
                       const std::string& ownContinent) {
    clear();
    tally_.setOwnStation(ownPrefix, ownContinent);
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
    return sequences_.lowerBound(sequence);
}

void QsoIndex::removeSequence(CallTable& table, const std::string& call, TextId band, TextId mode,
                              std::uint64_t sequence) {
    CallEntry* entry = table.find(call, band, mode);
    if (!entry) return;
    if (entry->first != sequence) {
        const auto found = std::find(entry->later.begin(), entry->later.end(), sequence);
        if (found != entry->later.end()) entry->later.erase(found);
    } else if (entry->later.empty()) {
        table.erase(*entry);
    } else {
        entry->first = entry->later.front();
        entry->later.erase(entry->later.begin());
    }
}

void QsoIndex::appended(const CInfo& qso) {
    // Every step that may fail for lack of memory comes first and the steps
    // after the last of them cannot fail, so the index takes the QSO in
    // completely or not at all. Interned band and mode numbers may stay
    // behind unused, which changes no answer.
    reserveOneMore(sequences_);
    const TextId band = internedId(qso.band);
    const TextId mode = internedId(qso.mode);
    const QsoDigest digest = digests_.prepare(qso);
    const std::uint64_t sequence = nextSequence_;
    // The tally takes the QSO in wholly or not at all, and letting go of it
    // again never allocates.
    tally_.add(digest, qso, sequence);
    std::uint32_t* areaCount = nullptr;
    try {
        const auto [area, newArea] = areaCounts_.try_emplace(AreaKey{band, qso.kdaCode}, 0);
        try {
            byCall_.add(qso.call, band, mode, sequence);
            try {
                byCallAndBand_.add(qso.call, band, kAnyMode, sequence);
            } catch (...) {
                removeSequence(byCall_, qso.call, band, mode, sequence);  // frees, never allocates
                throw;
            }
        } catch (...) {
            if (newArea) areaCounts_.erase(area);
            throw;
        }
        areaCount = &area->second;
    } catch (...) {
        tally_.remove(digest, qso, sequence);
        throw;
    }
    ++*areaCount;
    ++nextSequence_;
    sequences_.push_back(sequence);
    digests_.commit(digest);
}

void QsoIndex::erase(QsoList& qsos, std::size_t position) {
    const CInfo& qso = qsos[position];
    const std::uint64_t sequence = sequences_[position];
    const TextId band = idOf(qso.band);

    removeSequence(byCall_, qso.call, band, idOf(qso.mode), sequence);
    removeSequence(byCallAndBand_, qso.call, band, kAnyMode, sequence);
    const auto area = areaCounts_.find(AreaKey{band, qso.kdaCode});
    if (area != areaCounts_.end() && --area->second == 0) areaCounts_.erase(area);

    tally_.remove(digests_.records()[position], qso, sequence);
    sequences_.erase(position);
    digests_.erase(position);
    qsos.erase(position);
}

bool QsoIndex::hasCall(const std::string& call, const std::string& band, const std::string& mode) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    return bandId != kUnknownText && modeId != kUnknownText && byCall_.find(call, bandId, modeId) != nullptr;
}

std::ptrdiff_t QsoIndex::firstWith(const std::string& call, const std::string& band, const std::string& mode) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    if (bandId == kUnknownText || modeId == kUnknownText) return kNone;
    const CallEntry* entry = byCall_.find(call, bandId, modeId);
    return entry ? static_cast<std::ptrdiff_t>(positionOf(entry->first)) : kNone;
}

std::ptrdiff_t QsoIndex::firstLoggedAt(const QsoList& qsos, const std::string& call,
                                       const std::string& band, const std::string& mode,
                                       const COleDateTime& time) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    if (bandId == kUnknownText || modeId == kUnknownText) return kNone;
    const CallEntry* entry = byCall_.find(call, bandId, modeId);
    if (!entry) return kNone;
    auto loggedAt = [&](std::uint64_t sequence) {
        const std::size_t position = positionOf(sequence);
        return sameMoment(qsos[position].qsoTime, time) ? static_cast<std::ptrdiff_t>(position) : kNone;
    };
    if (const std::ptrdiff_t position = loggedAt(entry->first); position != kNone) return position;
    for (const std::uint64_t sequence : entry->later)
        if (const std::ptrdiff_t position = loggedAt(sequence); position != kNone) return position;
    return kNone;
}

bool QsoIndex::hasArea(const std::string& band, const std::string& kdaCode) const {
    const TextId bandId = idOf(band);
    return bandId != kUnknownText && areaCounts_.count(AreaKey{bandId, kdaCode}) != 0;
}

std::ptrdiff_t QsoIndex::lastWith(const std::string& call, const std::string& band, const std::string& mode) const {
    const TextId bandId = idOf(band);
    const TextId modeId = idOf(mode);
    if (bandId == kUnknownText || modeId == kUnknownText) return kNone;
    const CallEntry* entry = byCall_.find(call, bandId, modeId);
    return entry ? static_cast<std::ptrdiff_t>(positionOf(entry->last())) : kNone;
}

std::ptrdiff_t QsoIndex::lastOnBand(const std::string& call, const std::string& band) const {
    const TextId bandId = idOf(band);
    if (bandId == kUnknownText) return kNone;
    const CallEntry* entry = byCallAndBand_.find(call, bandId, kAnyMode);
    return entry ? static_cast<std::ptrdiff_t>(positionOf(entry->last())) : kNone;
}

}  // namespace korvan
