// SHA-256 through Windows' cryptography functions against the published vectors.

#include "support/Sha256Vectors.h"

TEST(Sha256OnWindows, PublishedVectors) {
    sha256test::checkPublishedVectors();
}
