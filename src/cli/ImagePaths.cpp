#include "cli/ImagePaths.h"

#include "cli/ImageVolumes.h"

namespace cli {

std::string withoutPartition(const std::string& source) {
    const std::size_t open = source.rfind(" [");
    if (open == std::string::npos || source.back() != ']' || open + 3 >= source.size()) {
        return source;
    }
    for (std::size_t i = open + 2; i + 1 < source.size(); ++i) {
        if (source[i] < '0' || source[i] > '9') {
            return source;
        }
    }
    return source.substr(0, open);
}

TImagePart findImage(const std::string& path) {
    for (std::size_t slash = path.find_first_of("\\/"); slash != std::string::npos;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::string source = path.substr(0, slash);
        std::string image = source;
        if (!isImage(nativePath(image))) {
            image = withoutPartition(source);
            if (image == source || !isImage(nativePath(image))) {
                continue;
            }
        }
        std::string inside = path.substr(slash);
        const std::size_t colon = inside.find(':');
        for (std::size_t i = 0; i < inside.size() && i < colon; ++i) {
            inside[i] = inside[i] == '/' ? '\\' : inside[i];
        }
        return {source, image, slash, inside};
    }
    return {};
}

} // namespace cli
