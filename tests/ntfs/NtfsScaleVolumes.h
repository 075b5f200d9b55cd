#pragma once
// Volumes whose shapes once cost the reader the square of their size, written through the ntfs-3g mount
// once and kept in the build folder for later runs (the NTFS and console tool tests share them): 20,000
// files in one folder whose names differ only in case, each with a stream; one file with 1,000 streams
// beside 1,000 files with one stream each. Every stream's bytes differ, so that a lookup that lands on
// the wrong name or stream shows. Linux only; made as root (the tests skip with the reason otherwise).

#include <filesystem>
#include <string>

namespace ntfstest {

struct TScaleVolume {
    std::string unavailable; // why the volume could not be made; empty when it was
    std::filesystem::path image;
};

// "cases\<name>" for each variant, an empty file with the stream "tag".
constexpr int kCaseVariants = 20000;
// "casevariantname" with the letters at the index's set bits in upper case.
std::wstring caseVariantName(int index);
std::string caseVariantTag(int index);
const TScaleVolume& caseVariantsVolume();

// "many.bin", an empty file with the streams "s0000" to "s0999", and "single\fNNNN.bin", an empty file
// with the one stream "sNNNN" holding the same bytes as many.bin's stream of that number.
constexpr int kManyStreams = 1000;
std::wstring manyStreamName(int index);
std::string manyStreamBytes(int index);
const TScaleVolume& manyStreamsVolume();

} // namespace ntfstest
