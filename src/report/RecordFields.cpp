#include "report/RecordFields.h"

#include "report/FileTimes.h"

namespace report {

namespace {

TRecordField time(const char* name, const std::optional<std::uint64_t>& ticks) {
    return {name, ticks ? std::optional<std::string>(isoTicks(*ticks)) : std::nullopt, true};
}

TRecordField number(const char* name, const std::optional<std::uint32_t>& value) {
    return {name, value ? std::optional<std::string>(std::to_string(*value)) : std::nullopt, false};
}

TRecordField flag(const char* name, const std::optional<bool>& value) {
    return {name, value ? std::optional<std::string>(*value ? "true" : "false") : std::nullopt, false};
}

} // namespace

std::vector<TRecordField> recordFields(const plat::TStreamRecord& r) {
    return {time("si_created", r.siCreated),
            time("si_modified", r.siModified),
            time("si_accessed", r.siAccessed),
            time("si_changed", r.siChanged),
            time("fn_created", r.fnCreated),
            time("fn_modified", r.fnModified),
            time("fn_accessed", r.fnAccessed),
            time("fn_changed", r.fnChanged),
            number("attribute_type", r.attributeType),
            number("attribute_id", r.attributeId),
            flag("resident", r.resident),
            flag("sparse", r.sparse),
            flag("compressed", r.compressed),
            flag("encrypted", r.encrypted),
            flag("allocated", r.allocated),
            flag("deleted", r.deleted),
            flag("clusters_reused", r.clustersReused),
            number("hard_link_count", r.hardLinkCount),
            {"file_id", r.fileId.empty() ? std::nullopt : std::optional<std::string>(r.fileId), true}};
}

} // namespace report
