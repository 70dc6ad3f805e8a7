// Raw deflate data inflated as it comes, block by block, each piece of output handed on as it is
// made: for entries too large to inflate whole, and for the decrypted AES entries libzip hands
// over still deflated.
#pragma once

#include <cstddef>
#include <vector>
#include <zlib.h>

class Inflater {
public:
    explicit Inflater(std::size_t pieceSize) : out_(pieceSize) { inflateInit2(&z_, -MAX_WBITS); }
    ~Inflater() { inflateEnd(&z_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates the block, handing each piece of output (at most pieceSize bytes) to take; false
    // when the data is damaged or take refused.
    template <typename Take> bool Feed(const unsigned char* data, std::size_t size, Take take) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = static_cast<uInt>(size);
        do {
            z_.next_out = out_.data();
            z_.avail_out = static_cast<uInt>(out_.size());
            const int result = inflate(&z_, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
                return false;
            ended_ = result == Z_STREAM_END;
            if (!take(out_.data(), out_.size() - z_.avail_out))
                return false;
        } while (!ended_ && z_.avail_out == 0);
        return true;
    }
    // Whether the deflate stream has come to its end.
    bool Ended() const { return ended_; }

private:
    z_stream z_{};
    std::vector<unsigned char> out_;
    bool ended_ = false;
};
