// The buffered reader against plain reads of the same file: whatever mix of skips and reads the
// directory walk makes, every read returns the bytes and the count that a pread at the logical
// position would, whichever size of buffer fill the position led to.
#include "engine/BufferedReader.h"

#include "TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Step {
    std::uint64_t skip;
    std::size_t read;
};

class BufferedReading : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = testing_support::HostTemp() + "/contents.bin";
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        // Bytes that differ from their neighbours, so a read from a wrong offset shows.
        for (std::size_t i = 0; i < contents.size(); ++i)
            contents[i] = static_cast<unsigned char>(i * 131 + i / 251);
        ASSERT_EQ(::write(fd, contents.data(), contents.size()),
                  static_cast<ssize_t>(contents.size()));
    }
    void TearDown() override { ::close(fd); }

    int fd = -1;
    std::vector<unsigned char> contents = std::vector<unsigned char>(300000);
};

TEST_F(BufferedReading, EveryReadReturnsWhatAPlainReadWould) {
    constexpr std::size_t kBuffer = 1 << 16;
    const std::vector<Step> steps = {
        {0, 30},          // a header at the start: a whole buffer is read
        {100, 4000},      // on within the buffer
        {70000, 30},      // just past the buffer's end: the next whole buffer
        {5000, 30},       // a gap beyond a small read after the buffer: a small read
        {0, 9000},        // a name longer than that small read: on from its end
        {200000, 30},     // far beyond: a small read
        {10, 100},        //
        {kBuffer, 40000}, // a read that crosses the end of the file returns the rest
        {5, 10},          // past the end: nothing
    };
    BufferedReader in(fd, kBuffer);
    EXPECT_EQ(in.Size(), contents.size());
    std::uint64_t position = 0;
    for (const Step& step : steps) {
        position += step.skip;
        EXPECT_EQ(in.Skip(step.skip), position);
        std::vector<unsigned char> got(step.read);
        const std::size_t n = in.Read(got.data(), got.size());
        const std::size_t expected =
            position >= contents.size()
                ? 0
                : std::min<std::size_t>(step.read, contents.size() - position);
        ASSERT_EQ(n, expected) << "at " << position;
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(n),
                               contents.begin() + static_cast<std::ptrdiff_t>(position)))
            << "at " << position;
        position += n;
        EXPECT_EQ(in.Position(), position);
    }
    // Back to the start, as the search for an archive behind a stub does.
    in.Seek(14);
    unsigned char byte = 0;
    ASSERT_EQ(in.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, contents[14]);
}

} // namespace
