#pragma once
// Indexes over the stored QSOs that give the same answers as a walk of the
// list from its first record, at a cost that does not grow with the number
// of stored QSOs:
// - by call, band and mode: the stored QSOs of that key in list order (the
//   dupe test wants the first one, the removal the first one logged at a
//   given moment);
// - by band and KDA code: how many stored QSOs have them (the area test
//   only asks whether there is one).
// The list stays a plain std::vector<CInfo> that the statistics and the
// windows walk. Each record gets a sequence number when it is appended;
// numbers grow along the list, since only appends add, so a number's
// position is found by binary search and stays right when an earlier record
// is erased.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/date_time.h"

struct CInfo;

class QsoIndex {
public:
    static constexpr std::ptrdiff_t kNone = -1;

    void clear();
    // Indexes every record of the list, replacing what was indexed.
    void rebuild(const std::vector<CInfo>& qsos);
    // Whether the index was kept along with this list (a list replaced as a
    // whole by a holder of the lock needs a rebuild).
    bool covers(const std::vector<CInfo>& qsos) const { return sequences_.size() == qsos.size(); }

    // qso was appended at the end of the list.
    void appended(const CInfo& qso);
    // Erases qsos[position] from the list and from the index.
    void erase(std::vector<CInfo>& qsos, std::size_t position);

    // Whether a stored QSO has this call, band and mode.
    bool hasCall(const std::string& call, const std::string& band, const std::string& mode) const;
    // Position of the first stored QSO with this call, band and mode.
    std::ptrdiff_t firstWith(const std::string& call, const std::string& band, const std::string& mode) const;
    // Position of the first of them logged at the same moment as time.
    std::ptrdiff_t firstLoggedAt(const std::vector<CInfo>& qsos, const std::string& call, const std::string& band,
                                 const std::string& mode, const COleDateTime& time) const;
    // Whether a stored QSO on this band has this KDA code.
    bool hasArea(const std::string& band, const std::string& kdaCode) const;

private:
    using TextId = std::uint32_t;
    static constexpr TextId kUnknownText = 0xffffffffu;

    // The stored QSOs of one call, band and mode: their sequence numbers in
    // list order. Nearly every key has one QSO, kept without an allocation
    // of its own.
    struct CallEntry {
        std::string call;
        TextId band = 0;
        TextId mode = 0;
        std::uint64_t hash = 0;
        std::uint64_t first = 0;
        std::vector<std::uint64_t> later;
    };

    // Open addressing with linear probing over the call entries. A slot
    // holds the upper half of the key's hash (which also picks its home
    // slot) and the entry number + 1, so a lookup reads one slot and only
    // the entry whose hash matches; 0 is an empty slot. At most half the
    // slots are used. Erasing shifts the following slots back, so there are
    // no tombstones, and moves the last entry into the hole.
    class CallTable {
    public:
        void clear();
        const CallEntry* find(const std::string& call, TextId band, TextId mode) const;
        CallEntry* find(const std::string& call, TextId band, TextId mode);
        // The key's entry, made with no sequence numbers when it is new
        // (added tells which).
        CallEntry& findOrAdd(const std::string& call, TextId band, TextId mode, bool& added);
        void erase(const CallEntry& entry);

    private:
        static std::uint64_t hashOf(const std::string& call, TextId band, TextId mode);
        std::size_t home(std::uint64_t slot) const { return static_cast<std::size_t>(slot >> 32) & mask_; }
        // The slot holding the key, or the empty slot where it would go.
        std::size_t slotOf(std::uint64_t hash, const std::string& call, TextId band, TextId mode) const;
        std::size_t slotOfEntry(std::size_t entry) const;
        void grow();

        std::vector<CallEntry> entries_;
        std::vector<std::uint64_t> slots_;
        std::size_t mask_ = 0;
    };

    struct AreaKey {
        TextId band;
        std::string kdaCode;
        bool operator==(const AreaKey&) const = default;
    };
    struct AreaHash {
        std::size_t operator()(const AreaKey& key) const;
    };

    // Band and mode texts are few; keys hold their numbers.
    TextId idOf(const std::string& text) const;
    TextId internedId(const std::string& text);
    std::size_t positionOf(std::uint64_t sequence) const;

    std::unordered_map<std::string, TextId> textIds_;
    CallTable byCall_;
    std::unordered_map<AreaKey, std::uint32_t, AreaHash> areaCounts_;
    std::vector<std::uint64_t> sequences_;  // of qsoList[i], increasing
    std::uint64_t nextSequence_ = 0;
};
