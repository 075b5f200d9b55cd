#pragma once
// Move-only owner of a platform handle. The traits say which value means "invalid" and how the
// handle is released, so a handle is released exactly once on every path.

#include "platform/FileServices.h"

#include <utility>

namespace plat {

template <typename Traits> class TOwned {
public:
    using value_type = typename Traits::value_type;

    TOwned() = default;
    explicit TOwned(value_type value) : FValue(value) {}
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    TOwned(TOwned&& other) noexcept : FValue(other.release()) {}
    TOwned& operator=(TOwned&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~TOwned() { reset(); }

    value_type get() const { return FValue; }
    bool valid() const { return FValue != Traits::invalid(); }
    explicit operator bool() const { return valid(); }

    value_type release() {
        value_type value = FValue;
        FValue = Traits::invalid();
        return value;
    }
    void reset(value_type value = Traits::invalid()) {
        if (valid()) {
            Traits::close(FValue);
        }
        FValue = value;
    }

private:
    value_type FValue = Traits::invalid();
};

// A file opened with CreateFileW: INVALID_HANDLE_VALUE means none.
struct TFileHandleTraits {
    using value_type = HANDLE;
    static value_type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(value_type h) { files().CloseHandle(h); }
};

// A directory or stream search: INVALID_HANDLE_VALUE means none.
struct TFindHandleTraits {
    using value_type = HANDLE;
    static value_type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(value_type h) { files().FindClose(h); }
};

using TFileHandle = TOwned<TFileHandleTraits>;
using TFindHandle = TOwned<TFindHandleTraits>;

} // namespace plat
