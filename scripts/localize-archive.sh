#!/usr/bin/env bash
# Makes a libyal static library safe to link beside the others: libewf, libvhdi and libvmdk each carry
# their own copy of the helper libraries (libcerror, libcdata, libbfio, …), each of its own version, and
# linked together the first copy of a function would serve all three. The archive becomes one object
# whose only global symbols are the library's own API (NAME_…); its helpers stay inside it.
#   scripts/localize-archive.sh TOOL_PREFIX ARCHIVE NAME OUTPUT     (TOOL_PREFIX: "" or "i686-w64-mingw32-")
set -eu
prefix=$1 archive=$(realpath "$2") name=$3 output=$4
output=$(realpath -m "$output")
objects=$(mktemp -d)
trap 'rm -rf "$objects"' EXIT
mkdir "$objects/members"
cd "$objects/members"
"${prefix}ar" x "$archive"
"${prefix}ld" -r -o "../$name-all.o" ./*.o
cd ..
"${prefix}objcopy" --wildcard --keep-global-symbol="${name}_*" --keep-global-symbol="_${name}_*" "$name-all.o"
rm -f "$output.new"
"${prefix}ar" rcs "$output.new" "$name-all.o"
mv "$output.new" "$output"
