// Which entries the specifications of a delete or an extraction name: an entry's own name names it
// alone, every other specification is a mask, and each specification that named an entry is
// marked, however many specifications there are.
#include "engine/EntrySpecs.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> kNames = {"a.txt", "A.TXT", "*.txt", "dir/b.txt", "c.dat", "*.*"};

// The entries each specification set names, in entry order, and the specifications left unused.
struct Outcome {
    std::vector<std::string> named;
    std::vector<std::size_t> unused;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
    *out << ::testing::PrintToString(outcome.named) << " unused "
         << ::testing::PrintToString(outcome.unused);
}

Outcome Apply(const std::vector<std::string>& specs, EntrySpecs::WholeArchive whole) {
    EntrySpecs patterns(specs, kNames, whole);
    Outcome outcome;
    for (const std::string& name : kNames)
        if (patterns.Matches(name))
            outcome.named.push_back(name);
    for (std::size_t i = 0; i < patterns.Count(); ++i)
        if (!patterns.Used(i))
            outcome.unused.push_back(i);
    return outcome;
}

} // namespace

TEST(EntrySpecs, NamesAsMasksOrAsThemselves) {
    using Whole = EntrySpecs::WholeArchive;
    struct Row {
        const char* what;
        std::vector<std::string> specs;
        Whole whole;
        Outcome expected;
    };
    const Row rows[] = {
        {"an entry's name names it alone, in its own letter case",
         {"a.txt"},
         Whole::EveryEntry,
         {{"a.txt"}, {}}},
        {"an entry called like a mask is named alone",
         {"*.txt"},
         Whole::EveryEntry,
         {{"*.txt"}, {}}},
        {"a mask that is no entry's name matches without regard to case (\"?\" any letter)",
         {"?.TxT"},
         Whole::EveryEntry,
         {{"a.txt", "A.TXT", "*.txt"}, {}}},
        {"a name given twice marks both",
         {"c.dat", "c.dat"},
         Whole::EntryOfThatName,
         {{"c.dat"}, {}}},
        {"backslashes are separators", {"dir\\b.txt"}, Whole::EntryOfThatName, {{"dir/b.txt"}, {}}},
        {"*.* beside an entry of that name: that entry when deleting",
         {"*.*"},
         Whole::EntryOfThatName,
         {{"*.*"}, {}}},
        {"*.* beside an entry of that name: every entry when extracting",
         {"*.*"},
         Whole::EveryEntry,
         {kNames, {}}},
        {"names and masks together; what names nothing stays unused",
         {"c.dat", "nothing", "dir/*", "A.TXT", "missing?"},
         Whole::EntryOfThatName,
         {{"A.TXT", "dir/b.txt", "c.dat"}, {1, 4}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Apply(row.specs, row.whole), row.expected) << row.what;
}

TEST(EntrySpecs, EverySelectedNameOfALongListIsFoundAndMarked) {
    // Half of 20,000 entries selected by name, as a delete of selected rows hands them over.
    std::vector<std::string> names, specs;
    for (int i = 0; i < 20000; ++i) {
        names.push_back("dir/file" + std::to_string(i) + ".txt");
        if (i % 2 == 0)
            specs.push_back(names.back());
    }
    EntrySpecs patterns(specs, names, EntrySpecs::WholeArchive::EntryOfThatName);
    std::size_t named = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool matches = patterns.Matches(names[i]);
        EXPECT_EQ(matches, i % 2 == 0) << names[i];
        named += matches ? 1 : 0;
    }
    EXPECT_EQ(named, specs.size());
    for (std::size_t i = 0; i < patterns.Count(); ++i)
        EXPECT_TRUE(patterns.Used(i)) << specs[i];
}
