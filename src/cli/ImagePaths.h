#pragma once
// Paths that reach into a disk image: "disk.img [2]\dir\file:stream", as scan prints them, with "/"
// taken as "\" inside the image as well.

#include <string>

namespace cli {

// Where a path names an image: the source (with its partition number when it has one), the image
// file, and the path inside its volume.
struct TImagePart {
    std::string source;
    std::string image;
    std::size_t inside = std::string::npos; // where the path inside the volume starts; npos: no image
    std::string insidePath;                 // from there, its folders separated by "\" ("\dir\file:s")
};

// "disk.img [2]" -> "disk.img"; anything else as it stands.
std::string withoutPartition(const std::string& source);

// The image a path names is the first source before a "\" or "/" that is a disk image or block
// device, with its partition number when it has one. A "/" of the path inside, up to a stream's
// colon, is read as "\" (a stream's own name is left as it is).
TImagePart findImage(const std::string& path);

} // namespace cli
