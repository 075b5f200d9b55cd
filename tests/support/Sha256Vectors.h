#pragma once
// The published SHA-256 test vectors (FIPS 180-2 examples), checked against the platform's
// implementation in both builds. Each input is fed in pieces of several sizes, so that the streaming
// interface is checked as well as the digest.

#include "platform/Sha256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace sha256test {

inline std::string digestInPieces(const std::string& input, std::size_t piece) {
    plat::TSha256 sha;
    for (std::size_t at = 0; at < input.size(); at += piece) {
        EXPECT_TRUE(sha.update(input.data() + at, std::min(piece, input.size() - at)));
    }
    plat::TSha256::TDigest digest{};
    EXPECT_TRUE(sha.final(digest));
    return plat::TSha256::hex(digest);
}

inline void checkPublishedVectors() {
    const std::pair<std::string, const char*> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, expected] : vectors) {
        SCOPED_TRACE(input.size());
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{65536}}) {
            if (piece == 1 && input.size() > 1000) {
                continue; // a million one-byte updates prove nothing the other sizes do not
            }
            EXPECT_EQ(expected, digestInPieces(input, piece)) << "pieces of " << piece;
        }
    }
    // The object starts afresh after final.
    plat::TSha256 sha;
    plat::TSha256::TDigest digest{};
    sha.update("xyz", 3);
    sha.final(digest);
    sha.update("abc", 3);
    ASSERT_TRUE(sha.final(digest));
    EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", plat::TSha256::hex(digest));
}

} // namespace sha256test
