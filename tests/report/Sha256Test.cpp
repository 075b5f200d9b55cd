// SHA-256 through OpenSSL against the published vectors.

#include "support/Sha256Vectors.h"

TEST(Sha256, PublishedVectors) {
    sha256test::checkPublishedVectors();
}
