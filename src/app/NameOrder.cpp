// The order of an archive's entries by their sort keys in the name order.
#include "app/NameOrder.h"

#include "app/ListingText.h"
#include "engine/EntryNames.h"
#include "platform/Utf8.h"

#include <QCollator>
#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <thread>

namespace listing {
namespace {

// Below this many items a second thread costs more than it saves.
constexpr std::size_t kShareFrom = 4096;

// Runs work(first, last) over [0, count): the second half on a thread of its own when there is
// enough to share. An error of either half reaches the caller.
void OnBothCores(std::size_t count, const std::function<void(std::size_t, std::size_t)>& work) {
    if (count < kShareFrom) {
        work(0, count);
        return;
    }
    const std::size_t middle = count / 2;
    std::exception_ptr secondError;
    std::thread second([&] {
        try {
            work(middle, count);
        } catch (...) {
            secondError = std::current_exception();
        }
    });
    std::exception_ptr firstError;
    try {
        work(0, middle);
    } catch (...) {
        firstError = std::current_exception();
    }
    second.join();
    if (firstError)
        std::rethrow_exception(firstError);
    if (secondError)
        std::rethrow_exception(secondError);
}

// Whether order is the name order of the entries: each key collates after the one before it, or
// equal to it with a higher archive index. Marks in tied the places whose key collates equal to
// the one before. Stops at the first key out of order.
bool Proven(const ZipEntryList& entries, const std::vector<std::uint32_t>& order,
            std::vector<std::uint8_t>& tied) {
    tied.assign(order.size(), 0);
    std::atomic<bool> failed{false};
    const std::size_t pairs = order.empty() ? 0 : order.size() - 1;
    OnBothCores(pairs, [&](std::size_t first, std::size_t last) {
        if (first == last)
            return;
        const QCollator collator = NameCollator();
        std::u16string previous, next;
        KeyTextInto(entries[order[first]], previous);
        for (std::size_t pair = first; pair < last; ++pair) {
            if (failed.load(std::memory_order_relaxed))
                return;
            KeyTextInto(entries[order[pair + 1]], next);
            const int comparison = collator.compare(QStringView(previous), QStringView(next));
            if (comparison > 0 || (comparison == 0 && order[pair] > order[pair + 1])) {
                failed.store(true, std::memory_order_relaxed);
                return;
            }
            tied[pair + 1] = comparison == 0;
            previous.swap(next);
        }
    });
    return !failed.load();
}

// Sorts entries by their collation keys, made on both cores; keys that collate equal keep their
// order in the list. Marks the ties when asked.
void SortByCollationKeys(const ZipEntryList& entries, std::vector<std::uint32_t>& list,
                         std::vector<std::uint8_t>* tied) {
    std::vector<std::optional<QCollatorSortKey>> keys(list.size());
    OnBothCores(list.size(), [&](std::size_t first, std::size_t last) {
        const QCollator collator = NameCollator();
        for (std::size_t at = first; at < last; ++at)
            keys[at] = collator.sortKey(KeyText(entries[list[at]]));
    });
    std::vector<std::uint32_t> places(list.size());
    std::iota(places.begin(), places.end(), 0);
    std::stable_sort(places.begin(), places.end(), [&](std::uint32_t a, std::uint32_t b) {
        return keys[a]->compare(*keys[b]) < 0;
    });
    std::vector<std::uint32_t> sorted(list.size());
    for (std::size_t at = 0; at < places.size(); ++at)
        sorted[at] = list[places[at]];
    if (tied) {
        tied->assign(list.size(), 0);
        for (std::size_t at = 1; at < places.size(); ++at)
            (*tied)[at] = keys[places[at - 1]]->compare(*keys[places[at]]) == 0;
    }
    list = std::move(sorted);
}

// The rank of each printable ASCII character in the collator's order; characters that collate
// equal ("a" and "A") share a rank. Ranks start at 1, so 0 can stand for "nothing more".
using Ranks = std::array<std::uint8_t, 128>;

Ranks RanksOf(const QCollator& collator) {
    std::vector<char> printable;
    for (char c = 0x20; c < 0x7F; ++c)
        printable.push_back(c);
    const auto compare = [&](char a, char b) {
        return collator.compare(QString(QChar(a)), QString(QChar(b)));
    };
    std::stable_sort(printable.begin(), printable.end(),
                     [&](char a, char b) { return compare(a, b) < 0; });
    Ranks ranks{};
    std::uint8_t rank = 0;
    for (std::size_t at = 0; at < printable.size(); ++at) {
        if (at == 0 || compare(printable[at - 1], printable[at]) != 0)
            ++rank;
        ranks[static_cast<std::size_t>(printable[at])] = rank;
    }
    return ranks;
}

bool PrintableAscii(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
}

// The sort key text of an entry with a printable ASCII name, as bytes.
struct AsciiKey {
    char bytes[256 + kKeyNumbersSize];
    std::size_t size = 0;

    explicit AsciiKey(const ZipDirEntry& entry) {
        std::copy(entry.FileName.begin(), entry.FileName.end(), bytes);
        const char* end = KeyNumbers(entry.FileDateTime, entry.CompressedSize,
                                     entry.UncompressedSize, bytes + entry.FileName.size());
        size = static_cast<std::size_t>(end - bytes);
    }
};

// Sorts entries whose keys are printable ASCII by the ranks of their characters: the name order
// wherever the collator orders such text character by character, which the proof checks.
class RankSort {
public:
    RankSort(const ZipEntryList& entries, const Ranks& ranks) : entries_(entries), ranks_(ranks) {}

    void Sort(std::vector<std::uint32_t>& list) const {
        std::vector<Item> items(list.size());
        for (std::size_t at = 0; at < list.size(); ++at)
            items[at] = {Prefix(list[at]), list[at]};
        const auto less = [this](const Item& a, const Item& b) { return Less(a, b); };
        std::size_t middle = items.size();
        OnBothCores(items.size(), [&](std::size_t first, std::size_t last) {
            if (first > 0)
                middle = first;
            std::sort(items.begin() + static_cast<std::ptrdiff_t>(first),
                      items.begin() + static_cast<std::ptrdiff_t>(last), less);
        });
        std::inplace_merge(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(middle),
                           items.end(), less);
        for (std::size_t at = 0; at < list.size(); ++at)
            list[at] = items[at].entry;
    }

private:
    struct Item {
        std::uint64_t prefix; // the ranks of the first eight characters, most significant first
        std::uint32_t entry;
    };

    std::uint64_t Prefix(std::uint32_t entry) const {
        const AsciiKey key(entries_[entry]);
        std::uint64_t prefix = 0;
        for (std::size_t at = 0; at < 8; ++at)
            prefix = prefix << 8 |
                     (at < key.size ? ranks_[static_cast<std::size_t>(key.bytes[at])] : 0u);
        return prefix;
    }

    bool Less(const Item& a, const Item& b) const {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const AsciiKey left(entries_[a.entry]);
        const AsciiKey right(entries_[b.entry]);
        const auto rank = [this](char c) { return ranks_[static_cast<std::size_t>(c)]; };
        for (std::size_t at = 8; at < left.size && at < right.size; ++at)
            if (rank(left.bytes[at]) != rank(right.bytes[at]))
                return rank(left.bytes[at]) < rank(right.bytes[at]);
        if (left.size != right.size)
            return left.size < right.size;
        return a.entry < b.entry;
    }

    const ZipEntryList& entries_;
    const Ranks& ranks_;
};

// Merges two lists in name order into one; keys that collate equal go by archive index.
std::vector<std::uint32_t> Merged(const ZipEntryList& entries,
                                  const std::vector<std::uint32_t>& left,
                                  const std::vector<std::uint32_t>& right) {
    std::vector<std::uint32_t> merged;
    merged.reserve(left.size() + right.size());
    const QCollator collator = NameCollator();
    std::size_t l = 0, r = 0;
    std::u16string leftKey, rightKey;
    bool leftRead = false, rightRead = false;
    while (l < left.size() && r < right.size()) {
        if (!leftRead)
            KeyTextInto(entries[left[l]], leftKey);
        if (!rightRead)
            KeyTextInto(entries[right[r]], rightKey);
        leftRead = rightRead = true;
        const int comparison = collator.compare(QStringView(leftKey), QStringView(rightKey));
        if (comparison < 0 || (comparison == 0 && left[l] < right[r])) {
            merged.push_back(left[l++]);
            leftRead = false;
        } else {
            merged.push_back(right[r++]);
            rightRead = false;
        }
    }
    merged.insert(merged.end(), left.begin() + static_cast<std::ptrdiff_t>(l), left.end());
    merged.insert(merged.end(), right.begin() + static_cast<std::ptrdiff_t>(r), right.end());
    return merged;
}

} // namespace

QString DecodedName(std::string_view stored) {
    if (platform::IsValidUtf8(stored))
        return QString::fromUtf8(stored.data(), static_cast<qsizetype>(stored.size()));
    return QString::fromStdString(Cp437ToUtf8(stored));
}

void KeyTextInto(const ZipDirEntry& entry, std::u16string& text) {
    // Made in place, without an allocation once the text has grown: the name order makes a key
    // text per entry, and another per comparison of its neighbours.
    text.clear();
    const std::string_view name = entry.FileName;
    if (std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; })) {
        text.append(name.begin(), name.end()); // ASCII is valid UTF-8 and stands for itself
    } else {
        const QString decoded = DecodedName(name);
        text.append(reinterpret_cast<const char16_t*>(decoded.utf16()),
                    static_cast<std::size_t>(decoded.size()));
    }
    char numbers[kKeyNumbersSize];
    const char* end =
        KeyNumbers(entry.FileDateTime, entry.CompressedSize, entry.UncompressedSize, numbers);
    text.append(static_cast<const char*>(numbers), end);
}

QString KeyText(const ZipDirEntry& entry) {
    return SortKey(DecodedName(entry.FileName), entry.FileDateTime, entry.CompressedSize,
                   entry.UncompressedSize);
}

void NameOrder::Clear() {
    entries_ = nullptr;
    generation_ = 0;
    built_ = false;
    order_ = {};
    tiedToPrevious_ = {};
}

void NameOrder::Build(const ZipEntryList& entries) {
    Clear();
    entries_ = &entries;
    generation_ = entries.Generation();
    std::vector<std::uint8_t> tied;
    order_.resize(entries.size());
    std::iota(order_.begin(), order_.end(), 0);
    if (!Proven(entries, order_, tied)) {
        std::vector<std::uint32_t> ascii, other;
        for (std::uint32_t entry = 0; entry < entries.size(); ++entry)
            (PrintableAscii(entries[entry].FileName) ? ascii : other).push_back(entry);
        RankSort(entries, RanksOf(NameCollator())).Sort(ascii);
        if (!other.empty())
            SortByCollationKeys(entries, other, nullptr);
        order_ = Merged(entries, ascii, other);
        if (!Proven(entries, order_, tied)) {
            std::iota(order_.begin(), order_.end(), 0);
            SortByCollationKeys(entries, order_, &tied);
        }
    }
    tiedToPrevious_.assign(tied.begin(), tied.end());
    built_ = true;
}

void NameOrder::Sort(std::vector<std::uint32_t>& keys) const {
    // Each entry's group: the place in the name order where its run of equal keys starts. A
    // stable counting sort by group then puts keys in name order, ties as they stand.
    const std::size_t count = order_.size();
    std::vector<std::uint32_t> group(count);
    std::uint32_t start = 0;
    for (std::uint32_t place = 0; place < count; ++place) {
        if (!tiedToPrevious_[place])
            start = place;
        group[order_[place]] = start;
    }
    // Keys beyond the entries form one group after all others.
    const auto groupOf = [&](std::uint32_t key) {
        return key < count ? group[key] : static_cast<std::uint32_t>(count);
    };
    std::vector<std::uint32_t> next(count + 2, 0);
    for (const std::uint32_t key : keys)
        ++next[groupOf(key) + 1];
    std::partial_sum(next.begin(), next.end(), next.begin());
    std::vector<std::uint32_t> sorted(keys.size());
    for (const std::uint32_t key : keys)
        sorted[next[groupOf(key)]++] = key;
    keys = std::move(sorted);
}

} // namespace listing
