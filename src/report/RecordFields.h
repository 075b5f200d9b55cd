#pragma once
// The fields a record writes of what the file system's own records say of a stream (its times at
// full precision, its attribute, its flags and its file's identity), in the order both the CSV and
// the JSON Lines writers give them.

#include "platform/StreamRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace report {

struct TRecordField {
    const char* name;
    std::optional<std::string> value; // empty: not known (JSON null, an empty CSV field)
    bool text = false;                // JSON writes it as a string (times and ids) rather than as is
};

std::vector<TRecordField> recordFields(const plat::TStreamRecord& record);

} // namespace report
