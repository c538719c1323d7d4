#pragma once
// A list in insertion order whose erasure from the middle moves at most a
// chunk of elements instead of every later one. The elements live in chunks
// of at most kChunk, each allocated with room for kChunk, so:
// - an append fills the last chunk or starts a new one;
// - an erasure moves the rest of its chunk up, and merges the chunk with a
//   neighbour when the two hold no more than half a chunk together (so the
//   chunks stay at least a quarter full on average, and their number
//   proportional to the size); it never allocates;
// - reading by position walks the chunk sizes (a few hundred numbers at
//   100,000 elements) from the nearer end;
// - a walk of the list goes chunk by chunk.
// At 100,000 stored QSOs of 352 bytes, erasing one in the middle of a plain
// vector moves 50,000 of them (milliseconds); here it moves about a hundred.
#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

namespace korvan {

template <typename T, std::size_t kChunk = 256>
class ChunkedList {
    static_assert(kChunk >= 4);
    using Chunk = std::vector<T>;

    template <bool kConst>
    class Iterator {
        using Chunks = std::conditional_t<kConst, const std::vector<Chunk>, std::vector<Chunk>>;

    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<kConst, const T*, T*>;
        using reference = std::conditional_t<kConst, const T&, T&>;

        Iterator() = default;
        Iterator(Chunks* chunks, std::size_t chunk, std::size_t offset)
            : chunks_(chunks), chunk_(chunk), offset_(offset) {}
        operator Iterator<true>() const { return Iterator<true>(chunks_, chunk_, offset_); }

        reference operator*() const { return (*chunks_)[chunk_][offset_]; }
        pointer operator->() const { return &(*chunks_)[chunk_][offset_]; }
        Iterator& operator++() {
            if (++offset_ == (*chunks_)[chunk_].size()) {
                ++chunk_;
                offset_ = 0;
            }
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator& other) const { return chunk_ == other.chunk_ && offset_ == other.offset_; }

    private:
        Chunks* chunks_ = nullptr;
        std::size_t chunk_ = 0;
        std::size_t offset_ = 0;
    };

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    ChunkedList() = default;
    ChunkedList(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
    // From a plain vector, for whoever builds a list as a whole.
    ChunkedList(const std::vector<T>& values) { assign(values.begin(), values.end()); }
    // A copy's chunks get the room of a chunk too (a plain vector copy would
    // get only their size, and a merge into them would allocate).
    ChunkedList(const ChunkedList& other) { assign(other.begin(), other.end()); }
    // A list moved from is empty.
    ChunkedList(ChunkedList&& other) noexcept
        : chunks_(std::move(other.chunks_)), spare_(std::move(other.spare_)), size_(std::exchange(other.size_, 0)) {
        other.chunks_.clear();
    }
    ChunkedList& operator=(const ChunkedList& other) {
        if (this != &other) assign(other.begin(), other.end());
        return *this;
    }
    ChunkedList& operator=(ChunkedList&& other) noexcept {
        if (this != &other) {
            chunks_ = std::move(other.chunks_);
            spare_ = std::move(other.spare_);
            size_ = std::exchange(other.size_, 0);
            other.chunks_.clear();
        }
        return *this;
    }

    template <typename Input>
    void assign(Input first, Input last) {
        ChunkedList built;
        for (; first != last; ++first) built.push_back(*first);
        *this = std::move(built);
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t position) { return element(locate(position)); }
    const T& operator[](std::size_t position) const { return element(locate(position)); }
    T& at(std::size_t position) { return (*this)[checked(position)]; }
    const T& at(std::size_t position) const { return (*this)[checked(position)]; }
    T& front() { return chunks_.front().front(); }
    const T& front() const { return chunks_.front().front(); }
    T& back() { return chunks_.back().back(); }
    const T& back() const { return chunks_.back().back(); }

    iterator begin() { return iterator(&chunks_, 0, 0); }
    iterator end() { return iterator(&chunks_, chunks_.size(), 0); }
    const_iterator begin() const { return const_iterator(&chunks_, 0, 0); }
    const_iterator end() const { return const_iterator(&chunks_, chunks_.size(), 0); }

    // Makes room for one more element, so that the next push_back does not
    // allocate (and so cannot fail when T's move does not).
    void reserveOneMore() {
        if (!chunks_.empty() && chunks_.back().size() < kChunk) return;
        if (chunks_.size() == chunks_.capacity()) chunks_.reserve(chunks_.empty() ? 16 : chunks_.size() * 2);
        if (spare_.capacity() < kChunk) spare_.reserve(kChunk);
    }

    void push_back(T value) {
        reserveOneMore();
        if (chunks_.empty() || chunks_.back().size() == kChunk) chunks_.push_back(std::move(spare_));
        chunks_.back().push_back(std::move(value));
        ++size_;
    }

    // Erases the element at the position; the later ones move up by one.
    void erase(std::size_t position) noexcept {
        const Place place = locate(position);
        Chunk& chunk = chunks_[place.chunk];
        chunk.erase(chunk.begin() + static_cast<std::ptrdiff_t>(place.offset));
        --size_;
        if (chunk.empty()) {
            dropChunk(place.chunk);
            // Its neighbours are neighbours now.
            if (place.chunk > 0 && place.chunk < chunks_.size() && fitTogether(place.chunk - 1, place.chunk))
                mergeIntoPrevious(place.chunk);
        } else if (place.chunk + 1 < chunks_.size() && fitTogether(place.chunk, place.chunk + 1)) {
            mergeIntoPrevious(place.chunk + 1);
        } else if (place.chunk > 0 && fitTogether(place.chunk - 1, place.chunk)) {
            mergeIntoPrevious(place.chunk);
        }
    }

    void clear() {
        chunks_.clear();
        size_ = 0;
    }

    // For a list in ascending order: the position of the first element not
    // less than value (size() when there is none).
    template <typename Value>
    std::size_t lowerBound(const Value& value) const {
        const auto chunk = std::partition_point(chunks_.begin(), chunks_.end(),
                                                [&](const Chunk& c) { return c.back() < value; });
        if (chunk == chunks_.end()) return size_;
        std::size_t position = 0;
        for (auto before = chunks_.begin(); before != chunk; ++before) position += before->size();
        return position + static_cast<std::size_t>(std::lower_bound(chunk->begin(), chunk->end(), value) -
                                                   chunk->begin());
    }

    std::size_t chunkCount() const { return chunks_.size(); }

private:
    struct Place {
        std::size_t chunk;
        std::size_t offset;
    };

    std::size_t checked(std::size_t position) const {
        if (position >= size_) throw std::out_of_range("ChunkedList::at");
        return position;
    }

    T& element(Place place) { return chunks_[place.chunk][place.offset]; }
    const T& element(Place place) const { return chunks_[place.chunk][place.offset]; }

    // The chunk and offset of a position below size(), counted from the
    // nearer end of the list.
    Place locate(std::size_t position) const {
        if (position < size_ / 2) {
            std::size_t chunk = 0;
            while (position >= chunks_[chunk].size()) position -= chunks_[chunk++].size();
            return {chunk, position};
        }
        std::size_t fromEnd = size_ - position;  // 1 for the last element
        std::size_t chunk = chunks_.size() - 1;
        while (fromEnd > chunks_[chunk].size()) fromEnd -= chunks_[chunk--].size();
        return {chunk, chunks_[chunk].size() - fromEnd};
    }

    bool fitTogether(std::size_t first, std::size_t second) const {
        return chunks_[first].size() + chunks_[second].size() <= kChunk / 2;
    }

    // Every chunk has room for kChunk elements, so the merge does not
    // allocate.
    void mergeIntoPrevious(std::size_t chunk) noexcept {
        Chunk& into = chunks_[chunk - 1];
        for (T& value : chunks_[chunk]) into.push_back(std::move(value));
        dropChunk(chunk);
    }

    void dropChunk(std::size_t chunk) noexcept {
        // An emptied chunk keeps its room as the spare for the next append.
        Chunk emptied = std::move(chunks_[chunk]);
        chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(chunk));
        if (spare_.capacity() < kChunk) {
            emptied.clear();
            spare_ = std::move(emptied);
        }
    }

    std::vector<Chunk> chunks_;
    Chunk spare_;  // an empty chunk with room for kChunk, or nothing
    std::size_t size_ = 0;
};

template <typename T, std::size_t kChunk>
void reserveOneMore(ChunkedList<T, kChunk>& values) {
    values.reserveOneMore();
}

}  // namespace korvan
