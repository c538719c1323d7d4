#pragma once
// Indexes over the stored QSOs that give the same answers as a walk of the
// list from its first record, at a cost that does not grow with the number
// of stored QSOs:
// - by call, band and mode: the stored QSOs of that key in list order (the
//   dupe test wants the first one, the removal the first one logged at a
//   given moment);
// - by call and band, whatever the mode: the stored QSOs of that key in
//   list order (the worked-with rows of the windows want the last one);
// - by band and KDA code: how many stored QSOs have them (the area test
//   only asks whether there is one).
// The list is a QsoList (chunked_list.h), which the Cabrillo writer and
// the windows walk. A compact digest of each record (QsoDigests) numbers its
// texts, and the statistics figures (BandTally) are kept here in step with
// the list. Each record gets a sequence number when it is appended;
// numbers grow along the list, since only appends add, so a number's
// position is found by binary search and stays right when an earlier record
// is erased.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/band_tally.h"
#include "engine/chunked_list.h"
#include "platform/date_time.h"

namespace korvan {

struct CInfo;
// The stored QSOs in the order accepted (ContestState::qsoList).
using QsoList = ChunkedList<CInfo>;

// Makes room for one more element, growing geometrically as push_back
// would. Reserving first lets a later push_back that must not fail run
// without allocating.
template <typename T>
void reserveOneMore(std::vector<T>& values) {
    if (values.size() == values.capacity()) values.reserve(values.empty() ? 16 : values.size() * 2);
}

// What the statistics read of one stored QSO, in 32 bytes instead of the
// record's 352 with its ten strings: texts as numbers of QsoDigests' text
// tables, the mode as a class and the flags as bits.
struct QsoDigest {
    static constexpr std::uint8_t kOtherMode = 0;
    static constexpr std::uint8_t kCw = 1;   // mode exactly "CW"
    static constexpr std::uint8_t kSsb = 2;  // mode exactly "SSB"

    static constexpr std::uint8_t kInvalid = 1;  // invalid != 0
    static constexpr std::uint8_t kBadCode = 2;  // badCode == 1
    static constexpr std::uint8_t kDupe = 4;     // dupe == 1
    static constexpr std::uint8_t kNoCall = 8;   // empty call
    // badCode or dupe is neither 0 nor 1: their values are read from the
    // record itself (the statistics add them up).
    static constexpr std::uint8_t kOddCounts = 16;

    double days = 0.0;  // qsoTime.m_dt (the rates use the day count only)
    std::uint32_t band = 0;
    std::uint32_t prefix = 0;
    std::uint32_t continent = 0;
    std::uint32_t kdaCode = 0;
    std::uint8_t mode = kOtherMode;
    std::uint8_t flags = 0;
};

// One QsoDigest per stored QSO, in list order, and the tables that number
// the band, prefix, continent and KDA code texts. A text keeps its number
// until the digests are cleared (a reset or a rebuild), even when no stored
// QSO has it any more.
class QsoDigests {
public:
    enum Table { band, prefix, continent, kdaCode, tableCount };
    static constexpr std::uint32_t kNoText = 0xffffffffu;

    void clear();
    // The digest of a QSO about to be appended: interns its texts and makes
    // room for it. May fail for lack of memory; the texts it interned then
    // stay, numbered but unused, which changes no answer.
    QsoDigest prepare(const CInfo& qso);
    // Appends a prepared digest; never fails.
    void commit(const QsoDigest& digest) noexcept { records_.push_back(digest); }
    void appended(const CInfo& qso) { commit(prepare(qso)); }
    void erase(std::size_t position);

    const ChunkedList<QsoDigest>& records() const { return records_; }
    // The number of a text, or kNoText when no QSO brought it.
    std::uint32_t idOf(Table table, const std::string& text) const;
    const std::string& text(Table table, std::uint32_t id) const { return tables_[table].texts[id]; }
    std::size_t textCount(Table table) const { return tables_[table].texts.size(); }

private:
    struct TextTable {
        std::unordered_map<std::string, std::uint32_t> ids;
        std::vector<std::string> texts;
        std::uint32_t intern(const std::string& text);
    };

    ChunkedList<QsoDigest> records_;
    TextTable tables_[tableCount];
};

class QsoIndex {
public:
    static constexpr std::ptrdiff_t kNone = -1;

    void clear();
    // Indexes every record of the list, replacing what was indexed; the
    // tally counts points for the own prefix and continent it had.
    void rebuild(const QsoList& qsos);
    // The same, with the tally counting points for this operator.
    void rebuild(const QsoList& qsos, const std::string& ownPrefix, const std::string& ownContinent);
    // Whether the tally counts points for this operator.
    bool scoresFor(const std::string& ownPrefix, const std::string& ownContinent) const {
        return tally_.ownPrefix() == ownPrefix && tally_.ownContinent() == ownContinent;
    }
    // Whether the index was kept along with this list (a list replaced as a
    // whole by a holder of the lock needs a rebuild).
    bool covers(const QsoList& qsos) const;

    // qso was appended at the end of the list. Either every search and the
    // digests take it in, or (on an exception, such as std::bad_alloc) the
    // index answers as before the call.
    void appended(const CInfo& qso);
    // Erases qsos[position] from the list and from the index.
    void erase(QsoList& qsos, std::size_t position);

    // Whether a stored QSO has this call, band and mode.
    bool hasCall(const std::string& call, const std::string& band, const std::string& mode) const;
    // Position of the first stored QSO with this call, band and mode.
    std::ptrdiff_t firstWith(const std::string& call, const std::string& band, const std::string& mode) const;
    // Position of the first of them logged at the same moment as time.
    std::ptrdiff_t firstLoggedAt(const QsoList& qsos, const std::string& call, const std::string& band,
                                 const std::string& mode, const COleDateTime& time) const;
    // Position of the last stored QSO with this call, band and mode.
    std::ptrdiff_t lastWith(const std::string& call, const std::string& band, const std::string& mode) const;
    // Position of the last stored QSO with this call and band, whatever its
    // mode.
    std::ptrdiff_t lastOnBand(const std::string& call, const std::string& band) const;
    // Whether a stored QSO on this band has this KDA code.
    bool hasArea(const std::string& band, const std::string& kdaCode) const;

    // The digests of the indexed list, in step with it.
    const QsoDigests& digests() const { return digests_; }
    // The statistics figures of the indexed list, by the digests' band
    // numbers.
    const BandTally& tally() const { return tally_; }

private:
    using TextId = std::uint32_t;
    static constexpr TextId kUnknownText = 0xffffffffu;
    // The mode of the keys of the call-and-band table (no text has it).
    static constexpr TextId kAnyMode = 0xfffffffeu;

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
        std::uint64_t last() const { return later.empty() ? first : later.back(); }
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
        // Adds a sequence number to the key's entry, made when it is new.
        // On an exception the table holds what it held before.
        void add(const std::string& call, TextId band, TextId mode, std::uint64_t sequence);
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
    static void removeSequence(CallTable& table, const std::string& call, TextId band, TextId mode,
                               std::uint64_t sequence);

    std::unordered_map<std::string, TextId> textIds_;
    CallTable byCall_;         // call, band and mode
    CallTable byCallAndBand_;  // call and band (mode kAnyMode)
    std::unordered_map<AreaKey, std::uint32_t, AreaHash> areaCounts_;
    ChunkedList<std::uint64_t> sequences_;  // of qsoList[i], increasing
    std::uint64_t nextSequence_ = 0;
    QsoDigests digests_;
    BandTally tally_;
};

}  // namespace korvan
